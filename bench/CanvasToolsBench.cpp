// Speed of the preview's selection tools on a big marker: a rubber band
// around every polyline (Select plus toggling each into the selection),
// and Delete of that whole selection, highest index first.
#include <benchmark/benchmark.h>

#include <vector>

#include "view/CanvasTools.h"

namespace {

// `n` small closed pieces of 40 points in rows, 5000 units apart.
CPolylineIArray Marker(int n)
{
    CPolylineIArray d;
    for (int p = 0; p < n; ++p) {
        CPolylineI& l = d.Add(p % 3 + 1);
        const int x0 = (p % 100) * 5000, y0 = (p / 100) * 5000;
        for (int k = 0; k < 10; ++k)
            l.AddPoint(x0 + k * 400, y0);
        for (int k = 0; k < 10; ++k)
            l.AddPoint(x0 + 4000, y0 + k * 400);
        for (int k = 0; k < 10; ++k)
            l.AddPoint(x0 + 4000 - k * 400, y0 + 4000);
        for (int k = 0; k <= 10; ++k)
            l.AddPoint(x0, y0 + 4000 - k * 400);
    }
    return d;
}

void BM_SelectWholeMarker(benchmark::State& state)
{
    CPolylineIArray d = Marker(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<int> found, selection;
        d.Select(-1, -1, 1e9, 1e9, found);
        ToggleSelection(d, selection, found);
        benchmark::DoNotOptimize(selection.size());
        ClearSelection(d, selection);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SelectWholeMarker)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_DeleteWholeMarker(benchmark::State& state)
{
    const CPolylineIArray d = Marker(static_cast<int>(state.range(0)));
    std::vector<int> all;
    for (int i = 0; i < d.GetCount(); ++i)
        all.push_back(i);
    for (auto _ : state) {
        state.PauseTiming();
        CPolylineIArray copy = d;
        std::vector<int> selection = all;
        state.ResumeTiming();
        benchmark::DoNotOptimize(DeleteSelected(copy, selection));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DeleteWholeMarker)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace
