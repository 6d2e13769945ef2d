#include "ExtractMarkers.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "plotlib/HersheyText.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kRowsAcross = 5;       // pieces across the 1.8 m band
constexpr int kCellLength = 16000;   // along X per column
constexpr int kCellWidth = 14000;    // across Y per row

using Rng = std::mt19937;

double Uniform(Rng& rng, double lo, double hi)
{
    return std::uniform_real_distribution<double>(lo, hi)(rng);
}

int UniformInt(Rng& rng, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

// An irregular, star-shaped outline round (cx, cy): an ellipse with a few
// low harmonics, like a bodice or sleeve piece.
std::vector<PointI> PieceOutline(Rng& rng, double cx, double cy, double rx, double ry, int n)
{
    double amp[3], phase[3];
    for (int h = 0; h < 3; ++h) {
        amp[h] = Uniform(rng, 0.0, 0.08);
        phase[h] = Uniform(rng, 0.0, 2 * kPi);
    }
    std::vector<PointI> points;
    for (int k = 0; k < n; ++k) {
        const double a = 2 * kPi * k / n;
        double scale = 1.0;
        for (int h = 0; h < 3; ++h)
            scale += amp[h] * std::sin((h + 2) * a + phase[h]);
        points.push_back(PointI{static_cast<int>(std::lround(cx + rx * scale * std::cos(a))),
                                static_cast<int>(std::lround(cy + ry * scale * std::sin(a)))});
    }
    return points;
}

void AddLine(CPolylineIArray& drawing, const std::vector<PointI>& points, int pen)
{
    CPolylineI& line = drawing.m_lines.emplace_back(pen);
    line.m_points = points;
}

void Label(CPolylineIArray& drawing, Rng& rng, double x, double y, int piece)
{
    const std::string text = "PC" + std::to_string(piece) + " SZ" +
                             std::string(1, "SMLX"[piece % 4]) + " FRONT";
    const CHersheyText& font = CHersheyText::Instance();
    if (font.IsLoaded()) {
        LabelStyle style;
        style.width = 120;
        style.height = 160;
        font.Render(text, StrokePoint{x, y}, style, [&drawing](const std::vector<StrokePoint>& s) {
            std::vector<PointI> points;
            for (const StrokePoint& p : s)
                points.push_back(PointI{static_cast<int>(std::lround(p.x)),
                                        static_cast<int>(std::lround(p.y))});
            AddLine(drawing, points, 1);
        });
        return;
    }
    // Without the font: two or three short strokes per character.
    for (size_t c = 0; c < text.size(); ++c) {
        const double left = x + static_cast<double>(c) * 180;
        const int strokes = UniformInt(rng, 1, 3);
        for (int s = 0; s < strokes; ++s) {
            std::vector<PointI> points;
            const int n = UniformInt(rng, 2, 6);
            for (int k = 0; k < n; ++k)
                points.push_back(PointI{static_cast<int>(left + Uniform(rng, 0, 120)),
                                        static_cast<int>(y + Uniform(rng, 0, 160))});
            AddLine(drawing, points, 1);
        }
    }
}

} // namespace

CPolylineIArray MakeExtractMarker(const ExtractMarkerOptions& options)
{
    Rng rng(options.seed);
    CPolylineIArray drawing;
    for (int piece = 0; piece < options.pieces; ++piece) {
        const double cx = (piece / kRowsAcross) * kCellLength + kCellLength / 2.0;
        const double cy = (piece % kRowsAcross) * kCellWidth + kCellWidth / 2.0;
        const double rx = Uniform(rng, 0.25, 0.42) * kCellLength;
        const double ry = Uniform(rng, 0.25, 0.42) * kCellWidth;
        const std::vector<PointI> outline = PieceOutline(rng, cx, cy, rx, ry, UniformInt(rng, 120, 200));
        const int n = static_cast<int>(outline.size());

        // Chains over consecutive stretches; neighbours share their end point.
        const int chains = std::max(1, UniformInt(rng, options.minChains, options.maxChains));
        if (chains == 1) {
            std::vector<PointI> closed = outline;
            closed.push_back(outline.front());
            AddLine(drawing, closed, 1);
        } else {
            std::vector<int> cuts;
            for (int c = 0; c < chains; ++c)
                cuts.push_back(c * n / chains + UniformInt(rng, 0, n / chains / 2));
            for (int c = 0; c < chains; ++c) {
                const int from = cuts[static_cast<size_t>(c)];
                const int to = c + 1 < chains ? cuts[static_cast<size_t>(c + 1)] : cuts[0] + n;
                std::vector<PointI> chain;
                for (int v = from; v <= to; ++v)
                    chain.push_back(outline[static_cast<size_t>(v % n)]);
                if (UniformInt(rng, 0, 3) == 0)
                    std::reverse(chain.begin(), chain.end());
                AddLine(drawing, chain, 1);
            }
        }

        // Grain line, sometimes a dart or a seam curve.
        AddLine(drawing, {PointI{static_cast<int>(cx - rx * 0.5), static_cast<int>(cy)},
                          PointI{static_cast<int>(cx + rx * 0.5), static_cast<int>(cy)}},
                1);
        if (UniformInt(rng, 0, 4) == 0)
            AddLine(drawing, {PointI{static_cast<int>(cx - 600), static_cast<int>(cy + ry * 0.6)},
                              PointI{static_cast<int>(cx), static_cast<int>(cy + ry * 0.1)},
                              PointI{static_cast<int>(cx + 600), static_cast<int>(cy + ry * 0.6)}},
                    1);
        if (UniformInt(rng, 0, 9) == 0) {
            std::vector<PointI> curve;
            for (int k = 0; k <= 20; ++k)
                curve.push_back(PointI{static_cast<int>(cx - rx * 0.6 + rx * 1.2 * k / 20),
                                       static_cast<int>(cy - ry * 0.5 + 300 * std::sin(k * 0.3))});
            AddLine(drawing, curve, 1);
        }
        if (options.labels)
            Label(drawing, rng, cx - rx * 0.5, cy + ry * 0.2, piece);
    }
    return drawing;
}
