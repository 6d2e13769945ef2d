#include "plotlib/HersheyText.h"

// The library's header has no C++ linkage guard.
extern "C" {
#include <hersheyfont.h>
}

#include <string>

#ifndef HERSHEY_FONT_DIR
#define HERSHEY_FONT_DIR "/usr/share/hershey-fonts"
#endif

namespace {

// Simplex Roman: capitals are 21 font units tall on the baseline (y up),
// and a typical glyph advance is about 16 units wide.
constexpr double kCapHeight = 21.0;
constexpr double kBodyWidth = 16.0;

}  // namespace

const CHersheyText& CHersheyText::Instance()
{
    static const CHersheyText font;
    return font;
}

CHersheyText::CHersheyText()
{
    // Loaded by file name so the folder is under our control; the library's
    // own search path is only a fallback.
    hershey_font* font = hershey_jhf_font_load(HERSHEY_FONT_DIR "/futural.jhf");
    if (!font)
        font = hershey_font_load("futural");
    if (!font)
        return;
    m_glyphs.resize(256);
    for (int c = 0; c < 256; ++c) {
        const hershey_glyph* g = hershey_font_glyph(font, static_cast<unsigned char>(c));
        if (!g)
            continue;
        Glyph& out = m_glyphs[static_cast<size_t>(c)];
        out.advance = g->width;
        for (const hershey_path* p = g->paths; p; p = p->next) {
            if (p->nverts < 2)
                continue;
            out.strokeSizes.push_back(p->nverts);
            for (unsigned i = 0; i < p->nverts; ++i) {
                out.coords.push_back(p->verts[i].x);
                out.coords.push_back(p->verts[i].y);
            }
        }
    }
    hershey_font_free(font);
}

size_t CHersheyText::PointCount(const std::string& text) const
{
    if (!IsLoaded())
        return 0;
    size_t n = 0;
    for (unsigned char c : text)
        n += m_glyphs[c].coords.size() / 2;
    return n;
}

StrokePoint CHersheyText::Render(const std::string& text, StrokePoint origin, const LabelStyle& style,
                            const std::function<void(const std::vector<StrokePoint>&)>& sink) const
{
    // Text space: u along the line, v up from the baseline; mapped into
    // plotter units through the direction vector.
    const double ux = style.dirX, uy = style.dirY;
    const double vx = -uy, vy = ux;
    const double cell = 1.5 * style.width;
    const double lineStep = 2.0 * style.height;
    const double sx = style.width / kBodyWidth;
    const double sy = style.height / kCapHeight;

    double u = 0.0, v = 0.0;
    std::vector<StrokePoint> stroke;
    for (unsigned char c : text) {
        if (c == '\r') { u = 0.0; continue; }
        if (c == '\n') { v -= lineStep; continue; }
        if (c == '\b') { u -= cell; continue; }
        if (c < 0x20 || c == 0x7f)
            continue;
        if (IsLoaded()) {
            const Glyph& g = m_glyphs[c];
            // Centre the glyph's own advance box over the character body.
            const double left = u + (style.width - g.advance * sx) / 2.0;
            size_t k = 0;
            for (uint16_t n : g.strokeSizes) {
                stroke.clear();
                for (uint16_t i = 0; i < n; ++i, k += 2) {
                    const double gy = g.coords[k + 1] * sy;
                    const double tu = left + g.coords[k] * sx + gy * style.slant;
                    const double tv = v + gy;
                    stroke.push_back(StrokePoint{origin.x + tu * ux + tv * vx,
                                            origin.y + tu * uy + tv * vy});
                }
                sink(stroke);
            }
        }
        u += cell;
    }
    return StrokePoint{origin.x + u * ux + v * vx, origin.y + u * uy + v * vy};
}
