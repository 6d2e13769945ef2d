// Speed of the drawing operations on a marker-sized drawing (5 000 pieces
// of 400 points, 2 million points): writing it as HP-GL and DMPL, selecting,
// block counting, rotating, and drawing it with OpenGL into an off-screen
// EGL surface (skipped when no EGL display can be opened): directly, into a
// display list and from it, against immediate mode as the anchor. Software
// GL (llvmpipe) spends most of the time rasterising; compare the variants
// in one run, not with other machines.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cmath>

#include "plotlib/PlotEncoder.h"
#include "plotlib/Polyline.h"
#include "../tests/OffscreenGl.h"

namespace {

const CPolylineIArray& Marker()
{
    static const CPolylineIArray drawing = [] {
        CPolylineIArray d;
        for (int piece = 0; piece < 5000; ++piece) {
            CPolylineI& line = d.Add(1 + piece % 3);
            const double cx = 3000.0 + (piece % 50) * 5000.0;
            const double cy = 3000.0 + (piece / 50) * 700.0;
            for (int k = 0; k < 400; ++k) {
                const double a = k * 2.0 * M_PI / 399.0;
                line.AddPoint(static_cast<int>(cx + 2200.0 * std::cos(a)),
                              static_cast<int>(cy + 1500.0 * std::sin(a) + 40.0 * std::sin(7 * a)));
            }
        }
        return d;
    }();
    return drawing;
}

void Encode(benchmark::State& state, PlotLanguage language)
{
    const CPolylineIArray& drawing = Marker();
    const PlotCommandSet set =
        language == PlotLanguage::Hpgl ? StandardHpglCommandSet() : StandardDmplCommandSet();
    uint64_t bytes = 0;
    for (auto _ : state) {
        uint64_t sunk = 0;
        CPlotEncoder encoder(language, set, 1.0, 1.0, 1016, [&sunk](const char*, size_t n) {
            sunk += n;
            return true;
        });
        encoder.Begin();
        for (const CPolylineI& line : drawing.m_lines)
            encoder.WritePolyline(line);
        encoder.End();
        encoder.Flush();
        benchmark::DoNotOptimize(sunk);
        bytes += sunk;
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2000000);
}

void BM_EncodeHpgl2M(benchmark::State& state) { Encode(state, PlotLanguage::Hpgl); }
void BM_EncodeDmpl2M(benchmark::State& state) { Encode(state, PlotLanguage::Dmpl); }

void BM_Select2M(benchmark::State& state)
{
    const CPolylineIArray& drawing = Marker();
    std::vector<int> picked;
    for (auto _ : state) {
        drawing.Select(100000.0, 20000.0, 140000.0, 40000.0, picked);
        benchmark::DoNotOptimize(picked.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2000000);
}

void BM_RotateAlignCalcuBlocks2M(benchmark::State& state)
{
    CPolylineIArray drawing = Marker();
    for (auto _ : state) {
        drawing.Rotate(90.0);
        drawing.AlignZero();
        int bands = 0, blocks = 0, w = 0, h = 0;
        benchmark::DoNotOptimize(drawing.CalcuBlocks(72000, 40000, bands, blocks, w, h));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2000000);
}

// One context for every GL benchmark, with the whole marker in view.
bool UseGl(benchmark::State& state)
{
    const OffscreenGl& gl = OffscreenGl::Get();
    if (!gl.Ok()) {
        state.SkipWithError(("no off-screen OpenGL: " + gl.Why()).c_str());
        return false;
    }
    glViewport(0, 0, 1280, 1024);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 260000, 0, 40000, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    return true;
}

void BM_GlDraw2M(benchmark::State& state)
{
    if (!UseGl(state))
        return;
    const CPolylineIArray& drawing = Marker();
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        drawing.Draw();
        glFinish();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2000000);
    state.SetLabel(reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
}

// The anchor: the same drawing with one glVertex call per point, the
// classic immediate-mode way.
void BM_GlDraw2MImmediateBaseline(benchmark::State& state)
{
    if (!UseGl(state))
        return;
    const CPolylineIArray& drawing = Marker();
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        for (const CPolylineI& line : drawing.m_lines) {
            glColor3f(line.m_pen == 1 ? 0.0f : 1.0f, 0.0f, line.m_pen == 3 ? 1.0f : 0.0f);
            glBegin(GL_LINE_STRIP);
            for (const PointI& p : line.m_points)
                glVertex2i(p.x, p.y);
            glEnd();
        }
        glFinish();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2000000);
}

// What the preview does: compile the drawing into a display list once
// after a change (arg 0), then replay the list on every paint (arg 1).
void BM_GlDisplayList2M(benchmark::State& state)
{
    if (!UseGl(state))
        return;
    const CPolylineIArray& drawing = Marker();
    const bool replay = state.range(0) == 1;
    GLuint list = glGenLists(1);
    if (replay) {
        glNewList(list, GL_COMPILE);
        drawing.Draw();
        glEndList();
    }
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        if (replay) {
            glCallList(list);
        } else {
            glNewList(list, GL_COMPILE_AND_EXECUTE);
            drawing.Draw();
            glEndList();
        }
        glFinish();
    }
    glDeleteLists(list, 1);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2000000);
}

} // namespace

BENCHMARK(BM_GlDisplayList2M)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeHpgl2M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeDmpl2M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Select2M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateAlignCalcuBlocks2M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlDraw2M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlDraw2MImmediateBaseline)->Unit(benchmark::kMillisecond);
