// DXF loading speed: a generated pattern marker in the ASTM practice,
// `pieces` blocks each with a closed boundary of 400 vertices (layer 1),
// ten notch lines (4), a grain line (7), a sew line (14, 400 vertices) and
// three lines of piece text, every block inserted once on a grid. Loaded
// with CPolylineIArray::Load as the program does (group filter, dxflib,
// block placement, notches as slots, text strokes); reported in MB/s of
// CPU time next to the wall-clock figures.
//
//   plotvane_bench --benchmark_filter=LoadDxf
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "plotlib/Polyline.h"

namespace {

void Group(std::ostream& out, int code, const std::string& value) { out << code << '\n' << value << '\n'; }
void Group(std::ostream& out, int code, double value) { out << code << '\n' << value << '\n'; }

void Ring(std::ostream& out, const char* layer, double a, double b)
{
    Group(out, 0, "LWPOLYLINE");
    Group(out, 8, layer);
    Group(out, 90, "400");
    Group(out, 70, "1");
    for (int k = 0; k < 400; ++k) {
        const double t = k * 2 * M_PI / 400;
        Group(out, 10, a + a * std::cos(t));
        Group(out, 20, b + b * std::sin(t));
    }
}

void Line(std::ostream& out, const char* layer, double x1, double y1, double x2, double y2)
{
    Group(out, 0, "LINE");
    Group(out, 8, layer);
    Group(out, 10, x1);
    Group(out, 20, y1);
    Group(out, 11, x2);
    Group(out, 21, y2);
}

std::string WriteMarker(int pieces)
{
    const std::string path = "/tmp/plotvane-bench-dxf-" + std::to_string(::getpid()) + ".dxf";
    std::ofstream out(path);
    out.precision(10);
    Group(out, 0, "SECTION");
    Group(out, 2, "BLOCKS");
    for (int p = 0; p < pieces; ++p) {
        const std::string name = "P" + std::to_string(p);
        Group(out, 0, "BLOCK");
        Group(out, 8, "0");
        Group(out, 2, name);
        Group(out, 10, 0.0);
        Group(out, 20, 0.0);
        Ring(out, "1", 100, 60);
        Ring(out, "14", 100, 60);  // drawn over the boundary: the size is what counts
        for (int n = 0; n < 10; ++n) {
            const double t = n * 2 * M_PI / 10;
            const double x = 100 + 100 * std::cos(t), y = 60 + 60 * std::sin(t);
            Line(out, "4", x, y, x + (100 - x) * 0.05, y + (60 - y) * 0.05);
        }
        Line(out, "7", 100, 20, 100, 100);
        const char* texts[] = {"Piece Name: ", "Size: M", "Quantity: 1"};
        for (int t = 0; t < 3; ++t) {
            Group(out, 0, "TEXT");
            Group(out, 8, "1");
            Group(out, 10, 60.0);
            Group(out, 20, 70.0 - 8 * t);
            Group(out, 40, 5.0);
            Group(out, 1, t == 0 ? texts[0] + name : std::string(texts[t]));
        }
        Group(out, 0, "ENDBLK");
        Group(out, 8, "0");
    }
    Group(out, 0, "ENDSEC");
    Group(out, 0, "SECTION");
    Group(out, 2, "ENTITIES");
    Group(out, 0, "TEXT");
    Group(out, 8, "1");
    Group(out, 10, 0.0);
    Group(out, 20, -20.0);
    Group(out, 1, "UNITS = METRIC");
    for (int p = 0; p < pieces; ++p) {
        Group(out, 0, "INSERT");
        Group(out, 8, "0");
        Group(out, 2, "P" + std::to_string(p));
        Group(out, 10, 210.0 * (p / 8));
        Group(out, 20, 130.0 * (p % 8));
    }
    Group(out, 0, "ENDSEC");
    Group(out, 0, "EOF");
    return path;
}

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void LoadDxfMarker(benchmark::State& state)
{
    const std::string path = WriteMarker(static_cast<int>(state.range(0)));
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const double bytes = static_cast<double>(in.tellg());
    double cpu = 0;
    int points = 0;
    for (auto _ : state) {
        const double start = CpuSeconds();
        CPolylineIArray drawing;
        if (!drawing.Load(path).ok())
            state.SkipWithError("the marker did not load");
        cpu += CpuSeconds() - start;
        points = 0;
        for (const CPolylineI& l : drawing.m_lines)
            points += l.GetCount();
        benchmark::DoNotOptimize(drawing);
    }
    std::remove(path.c_str());
    state.counters["MB"] = bytes / 1e6;
    state.counters["points"] = points;
    state.counters["MBps_cpu"] = cpu > 0 ? bytes / 1e6 * static_cast<double>(state.iterations()) / cpu : 0;
}

} // namespace

BENCHMARK(LoadDxfMarker)->Arg(500)->Unit(benchmark::kMillisecond)->UseRealTime();
