// Cancel latency on a raw TCP plotter: how long, and how many bytes, from
// the moment Cancel is given until the plotter's socket falls silent. The
// plotter is the loopback device of the tests with a 16 KB device buffer
// (the kernel makes it 32 KB), reading at 100 KB/s (a cutter at work) or
// as fast as it can. Each iteration plots a 25 MB marker and cancels it
// once the plotter has taken a set amount (400 KB slow, 4 MB fast).
//
//   plotvane_bench --benchmark_filter=Cancel
//
// Counters: bytes_after_cancel (what reached the plotter after Cancel),
// ms_to_silence (Cancel to the plotter's last byte), ms_to_return (Cancel
// to the end of the plot run), device_buffer (the plotter's buffer).
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <benchmark/benchmark.h>

#include "../tests/core/LoopbackPlotter.h"
#include "MarkerGenerator.h"
#include "plotlib/PlotEncoder.h"
#include "plotlib/PlotJob.h"
#include "plotlib/PlotRun.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string& CancelMarker()
{
    static const std::string path = [] {
        const auto dir = std::filesystem::temp_directory_path() / "plotvane-cancelbench";
        std::filesystem::create_directories(dir);
        const std::string file = (dir / "marker.plt").string();
        MarkerOptions options;
        options.pieces = 5000;
        if (!CMarkerGenerator::WriteFile(file, options))
            std::abort();
        return file;
    }();
    return path;
}

Status PlotWithCancel(const DeviceInfo& device, const std::string& path,
                      std::atomic<bool>& cancel)
{
    PLOTFILE job;
    job.path = path;
    job.beginBlock = 0;
    job.stopBlock = CPlotJob::kMaxBlocks;
    PlotControl control;
    control.cancel = &cancel;
    return CPlotRun::Plot(device, job, PlotSpacing(), PackCommandSet(StandardHpglCommandSet()),
                          PackCommandSet(StandardDmplCommandSet()), control);
}

void CancelOn(benchmark::State& state, size_t rate, size_t cancelAfter)
{
    const std::string& marker = CancelMarker();
    double after = 0, silence = 0, back = 0;
    int device = 0;
    for (auto _ : state) {
        CLoopbackPlotter plotter;
        device = plotter.SetReceiveBuffer(16 * 1024);
        plotter.SetReadRate(rate);
        DeviceInfo tcp;
        tcp.name = "Loopback";
        tcp.kind = ConnectionKind::Tcp;
        tcp.target = plotter.Target();
        std::atomic<bool> cancel{false};
        std::atomic<bool> returned{false};
        Clock::time_point returnedAt;
        std::thread run([&] {
            Status s = PlotWithCancel(tcp, marker, cancel);
            static_cast<void>(s);  // cancelled, or done when the job was too short
            returnedAt = Clock::now();
            returned = true;
        });
        while (plotter.BytesReceived() < cancelAfter && !returned)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const Clock::time_point cancelAt = Clock::now();
        const size_t atCancel = plotter.BytesReceived();
        cancel = true;
        run.join();
        if (!plotter.WaitForJobs(1, std::chrono::minutes(5))) {
            state.SkipWithError("the plotter's connection did not end");
            break;
        }
        const Clock::time_point last = std::max(plotter.LastByteTime(), cancelAt);
        state.SetIterationTime(std::chrono::duration<double>(last - cancelAt).count());
        after += static_cast<double>(plotter.BytesReceived() - atCancel);
        silence += std::chrono::duration<double, std::milli>(last - cancelAt).count();
        back += std::chrono::duration<double, std::milli>(returnedAt - cancelAt).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["bytes_after_cancel"] = after / n;
    state.counters["ms_to_silence"] = silence / n;
    state.counters["ms_to_return"] = back / n;
    state.counters["device_buffer"] = device;
}

void BM_CancelOnTcp100KBs(benchmark::State& state) { CancelOn(state, 100 * 1000, 400 * 1000); }
BENCHMARK(BM_CancelOnTcp100KBs)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

void BM_CancelOnTcpFullSpeed(benchmark::State& state) { CancelOn(state, 0, 4 * 1000 * 1000); }
BENCHMARK(BM_CancelOnTcpFullSpeed)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

}  // namespace
