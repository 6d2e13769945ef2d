// Plot file loading speed and memory, anchored to hp2xx.
//
// A generated 5000-piece marker (about 31 MB of HP-GL, 2 million points)
// is loaded with CPolylineIArray::Load, and hp2xx converts the same file
// (-m hpgl to /dev/null) as an independent yardstick. Both report MB/s of
// CPU time ("MBps_cpu"; the machine may be shared, and CPU time is what
// the parsers spend) next to the usual wall-clock figures. The load also
// reports its peak resident memory growth against the 8 bytes per point
// the drawing needs ("peak_vs_points").
//
//   plotvane_bench --benchmark_filter='Load|Hp2xx'
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

#include "MarkerGenerator.h"
#include "plotlib/PlotFileReader.h"

extern char** environ;

namespace {

struct Marker {
    std::string path;
    double bytes = 0;
};

// The marker's path for the exit handler (a plain array: it outlives the
// static Marker, which is destroyed before handlers registered during its
// construction run).
char g_markerPath[128];

const Marker& BigMarker()
{
    static const Marker marker = [] {
        Marker m;
        m.path = "/tmp/plotvane-bench-marker-" + std::to_string(::getpid()) + ".plt";
        MarkerOptions o;  // 5000 pieces of 400 points
        if (!CMarkerGenerator::WriteFile(m.path, o))
            std::abort();
        std::ifstream in(m.path, std::ios::binary | std::ios::ate);
        m.bytes = static_cast<double>(in.tellg());
        std::snprintf(g_markerPath, sizeof g_markerPath, "%s", m.path.c_str());
        std::atexit([] { std::remove(g_markerPath); });
        return m;
    }();
    return marker;
}

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double ChildCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

// Resident memory now and at its peak, in bytes (from /proc/self/status).
long StatusKb(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string k = std::string(key) + ":";
    while (std::getline(in, line))
        if (line.compare(0, k.size(), k) == 0)
            return std::atol(line.c_str() + k.size());
    return 0;
}

// Lets VmHWM start again from the current resident size.
void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

void BM_LoadMarker(benchmark::State& state)
{
    const Marker& m = BigMarker();
    double cpu = 0;
    double peakGrowth = 0;
    uint64_t points = 0;
    for (auto _ : state) {
        ResetPeak();
        const long before = StatusKb("VmRSS");
        const double c0 = CpuSeconds();
        CPolylineIArray drawing;
        const Status st = drawing.Load(m.path);
        cpu += CpuSeconds() - c0;
        peakGrowth = std::max(peakGrowth, static_cast<double>(StatusKb("VmHWM") - before) * 1024.0);
        if (!st)
            state.SkipWithError(st.message().c_str());
        points = 0;
        for (const CPolylineI& l : drawing.m_lines)
            points += l.m_points.size();
        benchmark::DoNotOptimize(points);
    }
    state.SetBytesProcessed(static_cast<int64_t>(m.bytes) * state.iterations());
    state.counters["MBps_cpu"] = m.bytes * static_cast<double>(state.iterations()) / cpu / 1e6;
    state.counters["points"] = static_cast<double>(points);
    state.counters["peak_MB"] = peakGrowth / 1e6;
    state.counters["peak_vs_points"] = peakGrowth / (8.0 * static_cast<double>(points));
}
BENCHMARK(BM_LoadMarker)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Hp2xxAnchor(benchmark::State& state)
{
    if (std::system("command -v hp2xx >/dev/null 2>&1") != 0) {
        state.SkipWithError("hp2xx is not installed");
        for (auto _ : state) {
        }
        return;
    }
    const Marker& m = BigMarker();
    double cpu = 0;
    for (auto _ : state) {
        const double c0 = ChildCpuSeconds();
        pid_t pid = 0;
        char* argv[] = {const_cast<char*>("hp2xx"), const_cast<char*>("-q"),
                        const_cast<char*>("-m"),    const_cast<char*>("hpgl"),
                        const_cast<char*>("-f"),    const_cast<char*>("/dev/null"),
                        const_cast<char*>(m.path.c_str()), nullptr};
        int status = 0;
        if (posix_spawnp(&pid, "hp2xx", nullptr, nullptr, argv, environ) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("hp2xx failed");
            break;
        }
        cpu += ChildCpuSeconds() - c0;
    }
    state.SetBytesProcessed(static_cast<int64_t>(m.bytes) * state.iterations());
    if (cpu > 0)
        state.counters["MBps_cpu"] = m.bytes * static_cast<double>(state.iterations()) / cpu / 1e6;
}
BENCHMARK(BM_Hp2xxAnchor)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

}  // namespace
