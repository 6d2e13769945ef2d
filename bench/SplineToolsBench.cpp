// Speed of the preview's polyline edits: smoothing a digitised piece
// outline into a spline (fit plus adaptive sampling to 0.1 mm), and
// breaking a marker-sized drawing at its sharp corners.
#include <benchmark/benchmark.h>

#include <cmath>

#include "plotlib/BSpline.h"
#include "plotlib/PolylineTools.h"

namespace {

// A closed, wavy piece outline of `n` points, about 600 x 400 mm.
void FillOutline(CBSpline& spline, int n)
{
    for (int i = 0; i <= n; ++i) {
        const double a = 2 * M_PI * (i % n) / n;
        const double r = 1.0 + 0.08 * std::sin(7 * a);
        spline.AddPoint(300 + 300 * r * std::cos(a), 200 + 200 * r * std::sin(a));
    }
}

void BM_SplineClosedOutline(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    long long samples = 0;
    for (auto _ : state) {
        CBSpline spline;
        FillOutline(spline, n);
        spline.Generate();
        double* pts = nullptr;
        samples = spline.GetSplinePts(&pts);
        delete[] pts;
        benchmark::DoNotOptimize(samples);
    }
    state.counters["samples"] = static_cast<double>(samples);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_SplineClosedOutline)->Arg(16)->Arg(200)->Arg(5000);

// 5 000 rectangles with 100 points along each side: 20 000 sharp corners
// among 2 million points.
void BM_BrokenLineMarker(benchmark::State& state)
{
    CPolylineIArray drawing;
    for (int piece = 0; piece < 5000; ++piece) {
        CPolylineI& line = drawing.Add(1);
        const int x0 = (piece % 50) * 5000, y0 = (piece / 50) * 5000;
        const int side[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
        int x = x0, y = y0;
        for (const auto& s : side)
            for (int k = 0; k < 100; ++k, x += s[0] * 40, y += s[1] * 40)
                line.AddPoint(x, y);
        line.AddPoint(x0, y0);
    }
    for (auto _ : state) {
        CPolylineIArray copy = drawing;
        for (int i = copy.GetCount() - 1; i >= 0; --i)
            copy.GetPolyline(i)->BrokenPoly(copy);
        benchmark::DoNotOptimize(copy.GetCount());
    }
    state.SetItemsProcessed(state.iterations() * 5000 * 401);
}
BENCHMARK(BM_BrokenLineMarker)->Unit(benchmark::kMillisecond);

} // namespace
