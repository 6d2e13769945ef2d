#include "MarkerGenerator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kUnitsPerMm = 40.0;

// SplitMix64: tiny, and the same sequence on every platform and library
// (the standard distributions are not).
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed) {}
    uint64_t Next()
    {
        uint64_t z = (m_state += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    double Uniform(double lo, double hi)
    {
        return lo + (hi - lo) * static_cast<double>(Next() >> 11) / 9007199254740992.0;
    }

private:
    uint64_t m_state;
};

void AppendInt(std::string& out, long v)
{
    char buf[24];
    const int n = std::snprintf(buf, sizeof buf, "%ld", v);
    out.append(buf, static_cast<size_t>(n));
}

void AppendMove(std::string& out, const char* cmd, long x, long y)
{
    out += cmd;
    AppendInt(out, x);
    out += ',';
    AppendInt(out, y);
    out += ";\n";
}

}  // namespace

uint64_t CMarkerGenerator::OutlinePoints(const MarkerOptions& o)
{
    const int n = std::max(o.pointsPerPiece, 3);
    // A split outline repeats its split point at the start of its second run.
    return static_cast<uint64_t>(std::max(o.pieces, 0)) * static_cast<uint64_t>(n + 1 + (o.splitOutlines ? 1 : 0));
}

std::string CMarkerGenerator::Generate(const MarkerOptions& o)
{
    Random rnd(o.seed);
    const int n = std::max(o.pointsPerPiece, 3);
    const double width = o.widthMm * kUnitsPerMm;
    const double gap = 5.0 * kUnitsPerMm;
    std::string out;
    out.reserve(static_cast<size_t>(std::max(o.pieces, 0)) * static_cast<size_t>(n + 2) * 15 + 64);
    out += "IN;SP1;\n";

    double columnX = gap, columnWidth = 0.0, y = gap;
    std::vector<long> xs(static_cast<size_t>(n)), ys(static_cast<size_t>(n));
    for (int piece = 0; piece < o.pieces; ++piece) {
        // An ellipse with a few smooth bumps, sized 100 to 400 mm.
        const double rx = rnd.Uniform(50.0, 200.0) * kUnitsPerMm;
        const double ry = std::min(rnd.Uniform(50.0, 200.0) * kUnitsPerMm, (width - 2 * gap) / 2.0);
        const int bumps = static_cast<int>(rnd.Uniform(2.0, 9.0));
        const double depth = rnd.Uniform(0.02, 0.12);
        const double phase = rnd.Uniform(0.0, 2.0 * kPi);
        if (y + 2 * ry + gap > width) {
            columnX += columnWidth + gap;
            columnWidth = 0.0;
            y = gap;
        }
        const double cx = columnX + rx, cy = y + ry;
        for (int i = 0; i < n; ++i) {
            const double a = 2.0 * kPi * i / n;
            // Radius scale below 1, so the piece stays inside its box.
            const double r = 1.0 - depth * (1.0 + std::sin(bumps * a + phase)) / 2.0;
            xs[static_cast<size_t>(i)] = std::lround(cx + rx * r * std::cos(a));
            ys[static_cast<size_t>(i)] = std::lround(cy + ry * r * std::sin(a));
        }
        columnWidth = std::max(columnWidth, 2 * rx);
        y += 2 * ry + gap;

        const int split = o.splitOutlines ? n / 2 : n;
        AppendMove(out, "PU", xs[0], ys[0]);
        for (int i = 1; i <= n; ++i) {
            const size_t k = static_cast<size_t>(i % n);
            if (i == split + 1 && o.splitOutlines) {
                // Second half as its own run, starting where the first ended.
                out += "PU;\n";
                AppendMove(out, "PU", xs[static_cast<size_t>(split)], ys[static_cast<size_t>(split)]);
            }
            AppendMove(out, "PD", xs[k], ys[k]);
        }
        out += "PU;\n";
        if (o.labels) {
            out += "SP2;";
            AppendMove(out, "PU", std::lround(cx - rx / 3), std::lround(cy));
            out += "SI0.4,0.6;LBPiece ";
            AppendInt(out, piece + 1);
            out += "\x03\nSP1;\n";
        }
    }
    out += "PU;SP0;\n";
    return out;
}

bool CMarkerGenerator::WriteFile(const std::string& path, const MarkerOptions& o)
{
    const std::string text = Generate(o);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}
