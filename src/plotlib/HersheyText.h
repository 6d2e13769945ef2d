// Stroke text for plot-file labels. Plot files carry their texts as label
// commands; a drawing only holds polylines, so a label becomes the strokes
// of a single-stroke (Hershey simplex) font, which a plotter or the preview
// can draw and which survive when the drawing is written back to a file.
//
// The font is read once from the system's Hershey font folder and copied
// into plain vectors; after that the object is immutable and may be used
// from any thread. Without the font files, labels draw nothing but still
// move the pen as the plotter would.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct StrokePoint {
    double x = 0.0;
    double y = 0.0;
};

// Geometry of one label, in plotter units: the character body is `width`
// wide and `height` tall (capital height); each character cell advances
// 1.5 x width, a line feed moves down 2 x height, as on HP plotters.
// (dirX, dirY) is the unit direction of the text line; `slant` is the
// tangent of the italic slant angle.
struct LabelStyle {
    double width = 114.0;    // 0.285 cm
    double height = 150.0;   // 0.375 cm
    double dirX = 1.0;
    double dirY = 0.0;
    double slant = 0.0;
};

class CHersheyText {
public:
    // The shared font, loaded on first use (thread-safe).
    static const CHersheyText& Instance();

    bool IsLoaded() const { return !m_glyphs.empty(); }

    // Strokes of `text` starting with the first character's lower-left
    // corner at `origin`. CR returns to the line start, LF moves one line
    // down, BS moves back one cell; other control bytes are skipped and
    // bytes without a glyph leave an empty cell. Each stroke is handed to
    // `sink` (at least two points). Returns the pen position after the
    // text (where the next character would start).
    StrokePoint Render(const std::string& text, StrokePoint origin, const LabelStyle& style,
                  const std::function<void(const std::vector<StrokePoint>&)>& sink) const;

    // Number of stroke points `text` produces (for budgets), without drawing.
    size_t PointCount(const std::string& text) const;

private:
    CHersheyText();

    struct Glyph {
        int advance = 0;                   // font units
        std::vector<int16_t> coords;       // x, y pairs of every stroke, one after the other
        std::vector<uint16_t> strokeSizes; // points in each stroke
    };
    std::vector<Glyph> m_glyphs;  // 256 entries when loaded
};
