// Plotting speed: a 25 MB marker plotted on a folder device and on a
// loopback TCP plotter (MB/s of plot file read and of device bytes sent),
// and the pen-up travel of our block order against the file's own order.
//
//   plotvane_bench --benchmark_filter=Plot
//
// The marker: 5 000 closed pieces of 420 points laid out over a 1.8 m wide
// marker and written in a shuffled order, as nesting programs write them.
#include <cstdlib>
#include <filesystem>
#include <random>
#include <cmath>

#include <benchmark/benchmark.h>

#include "../tests/core/LoopbackPlotter.h"
#include "plotlib/AtomicFile.h"
#include "plotlib/PenPathOrder.h"
#include "plotlib/PlotEncoder.h"
#include "plotlib/PlotJob.h"
#include "plotlib/PlotRun.h"

namespace {

struct Marker {
    std::string dir;
    std::string path;
    size_t bytes = 0;
};

const Marker& TheMarker()
{
    static Marker marker = [] {
        Marker m;
        m.dir = (std::filesystem::temp_directory_path() / "plotvane-plotbench").string();
        std::filesystem::create_directories(m.dir);
        m.path = m.dir + "/marker.plt";
        std::mt19937 rng(2024);
        std::uniform_real_distribution<double> wobble(0.9, 1.1);
        const int pieces = 5000, points = 420, rows = 20;
        const int cell = 72000 / rows;  // 1.8 m across, 1016 units per inch
        std::vector<int> order(pieces);
        for (int i = 0; i < pieces; ++i)
            order[static_cast<size_t>(i)] = i;
        std::shuffle(order.begin(), order.end(), rng);
        std::string text;
        CPlotEncoder encoder(PlotLanguage::Hpgl, StandardHpglCommandSet(), 1.0, 1.0, 1016,
                             [&](const char* p, size_t n) {
                                 text.append(p, n);
                                 return true;
                             });
        encoder.Begin();
        for (int piece : order) {
            const double cx = (piece / rows) * cell + cell / 2.0;
            const double cy = (piece % rows) * cell + cell / 2.0;
            CPolylineI line(piece % 7 == 0 ? 1 : 2);
            const double rx = cell * 0.45 * wobble(rng), ry = cell * 0.45 * wobble(rng);
            for (int k = 0; k < points; ++k) {
                const double a = 2 * M_PI * k / points;
                line.AddPoint(static_cast<int>(cx + rx * std::cos(a) * (1 + 0.05 * std::sin(7 * a))),
                              static_cast<int>(cy + ry * std::sin(a)));
            }
            line.AddPoint(line.m_points[0].x, line.m_points[0].y);
            encoder.WritePolyline(line);
        }
        encoder.End();
        encoder.Flush();
        if (!WriteFileAtomically(m.path, text))
            std::abort();
        m.bytes = text.size();
        return m;
    }();
    return marker;
}

PLOTFILE Job(const std::string& path)
{
    PLOTFILE job;
    job.path = path;
    job.beginBlock = 0;
    job.stopBlock = CPlotJob::kMaxBlocks;
    return job;
}

void PlotOn(benchmark::State& state, DeviceInfo device)
{
    const Marker& marker = TheMarker();
    PlotSpacing spacing;
    for (auto _ : state) {
        const Status s = CPlotRun::Plot(device, Job(marker.path), spacing,
                                        PackCommandSet(StandardHpglCommandSet()),
                                        PackCommandSet(StandardDmplCommandSet()), PlotControl());
        if (!s) {
            state.SkipWithError(s.message().c_str());
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(marker.bytes));
    state.counters["file_MB"] = static_cast<double>(marker.bytes) / 1e6;
}

void BM_PlotMarkerToFolder(benchmark::State& state)
{
    const std::string out = TheMarker().dir + "/out";
    DeviceInfo device;
    device.name = "Folder";
    device.kind = ConnectionKind::Folder;
    device.target = out;
    PlotOn(state, device);
    std::error_code ec;
    std::filesystem::remove_all(out, ec);
}
BENCHMARK(BM_PlotMarkerToFolder)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_PlotMarkerToLoopbackTcp(benchmark::State& state)
{
    CLoopbackPlotter plotter;
    DeviceInfo device;
    device.name = "Loopback";
    device.kind = ConnectionKind::Tcp;
    device.target = plotter.Target();
    PlotOn(state, device);
    state.counters["sent_MB"] =
        static_cast<double>(plotter.BytesReceived()) / 1e6 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PlotMarkerToLoopbackTcp)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Pen-up travel in metres: the file's own order against the order the
// plot run sends (pens grouped, nearest neighbour per block).
void BM_PlotPenUpTravel(benchmark::State& state)
{
    const Marker& marker = TheMarker();
    CPolylineIArray drawing;
    if (!drawing.Load(marker.path))
        std::abort();
    drawing.AlignZero();
    const double fileOrder = CPenPathOrder::PenUpTravel(drawing.m_lines, PointI{0, 0});
    PLOTTERCONFIG config;
    config.blockLength = static_cast<float>(state.range(0)) / 100.0f;
    double ordered = 0;
    for (auto _ : state) {
        CPlotJob job;
        if (!job.PrepareDrawing(drawing, Job(marker.path), config, PlotSpacing()))
            std::abort();
        PointI pen{0, 0};
        ordered = 0;
        std::vector<CPolylineI> lines;
        for (int i = job.FirstBlock(); i <= job.LastBlock(); ++i) {
            const BlockRect r = job.Splitter()->Block(i);
            job.BlockLines(i, pen, lines);
            // Travel inside the block; each block starts at its own origin.
            const PointI start{static_cast<int32_t>(r.originX), static_cast<int32_t>(r.originY)};
            ordered += CPenPathOrder::PenUpTravel(lines, start);
        }
    }
    const double unitsPerMetre = 1016 / 0.0254;
    state.counters["file_order_m"] = fileOrder / unitsPerMetre;
    state.counters["plot_order_m"] = ordered / unitsPerMetre;
}
BENCHMARK(BM_PlotPenUpTravel)->Arg(0)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
