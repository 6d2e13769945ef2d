// Speed of outline extraction on generated markers (ExtractMarkers.h): 200
// pieces, 2 000 pieces with outlines split into 3 to 5 chains plus inner
// lines (about 10 000 polylines), and the same 2 000 pieces with their text
// labels as strokes. The Literal variants run the plain reference of the
// tests (tests/core/ExtractionReference.cpp) on the same markers: the
// quadratic scans as first described. Pens are not read by the extraction,
// so the runs repeat on one drawing.
#include <benchmark/benchmark.h>

#include "../tests/core/ExtractionReference.h"
#include "ExtractMarkers.h"
#include "geometry/OutlineExtractor.h"

namespace {

const CPolylineIArray& Marker(int which)
{
    static const CPolylineIArray small = MakeExtractMarker({200, 3, 5, false, 7});
    static const CPolylineIArray large = MakeExtractMarker({2000, 3, 5, false, 7});
    static const CPolylineIArray labelled = MakeExtractMarker({2000, 3, 5, true, 7});
    return which == 0 ? small : which == 1 ? large : labelled;
}

void Describe(benchmark::State& state, const CPolylineIArray& drawing)
{
    state.counters["polylines"] = drawing.GetCount();
    state.SetLabel(state.range(0) == 0   ? "200 pieces"
                   : state.range(0) == 1 ? "2000 pieces"
                                         : "2000 pieces with labels");
}

void BM_ExtractOutlines(benchmark::State& state)
{
    CPolylineIArray drawing = Marker(static_cast<int>(state.range(0)));
    ExtractResult result;
    for (auto _ : state) {
        COutlineExtractor extractor;
        result = extractor.Run(drawing, 2);
        benchmark::DoNotOptimize(result.outerOutlines);
    }
    Describe(state, drawing);
    state.counters["outlines"] = result.outerOutlines;
}
BENCHMARK(BM_ExtractOutlines)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_ExtractOutlinesLiteral(benchmark::State& state)
{
    CPolylineIArray drawing = Marker(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(extraction_reference::ExtractOutlines(drawing, 2));
    Describe(state, drawing);
    // Both must agree on the marker they were timed on.
    CPolylineIArray fast = Marker(static_cast<int>(state.range(0)));
    COutlineExtractor().Run(fast, 2);
    int differences = 0;
    for (int k = 0; k < drawing.GetCount(); ++k)
        differences += drawing.GetPolyline(k)->GetPenNo() != fast.GetPolyline(k)->GetPenNo();
    state.counters["pen_differences"] = differences;
}
// The literal scans take seconds to minutes on the large markers: one run.
BENCHMARK(BM_ExtractOutlinesLiteral)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractOutlinesLiteral)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
