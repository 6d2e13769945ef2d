// Packing 200 generated pattern pieces into one layout across a 1.8 m roll
// at 1016 units per inch (72 000 rows of profile), with a 2 mm gap, as
// "Combine File" does with every file selected at once. Each piece is an
// irregular outline of 120 to 200 points, 10 to 70 cm long and 10 to 60 cm
// across, with a grain line inside.
//
// Counters: the layout's length along the roll in millimetres and the
// material use, the pieces' outline area divided by the layout's length
// times the roll width.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "geometry/CombineLayout.h"

namespace {

constexpr int kResolution = 1016;  // 40 units per millimetre
constexpr double kRollMetres = 1.8;
constexpr double kGapMm = 2.0;

struct GeneratedPiece {
    CPolylineIArray drawing;
    double area = 0.0;  // of the outline, square units
};

std::vector<GeneratedPiece> MakePieces(int count, unsigned seed)
{
    std::mt19937 rng(seed);
    auto uniform = [&rng](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    };
    std::vector<GeneratedPiece> pieces;
    for (int p = 0; p < count; ++p) {
        const double rx = uniform(100, 700) * 40 / 2;  // half length, units
        const double ry = uniform(100, 600) * 40 / 2;
        const int n = std::uniform_int_distribution<int>(120, 200)(rng);
        double amp[3], phase[3];
        for (int h = 0; h < 3; ++h) {
            amp[h] = uniform(0.0, 0.08);
            phase[h] = uniform(0.0, 2 * M_PI);
        }
        GeneratedPiece piece;
        CPolylineI& outline = piece.drawing.Add(2);
        for (int i = 0; i < n; ++i) {
            const double a = 2 * M_PI * i / n;
            double scale = 0.85;
            for (int h = 0; h < 3; ++h)
                scale += amp[h] * std::sin((h + 2) * a + phase[h]);
            // A squarish outline, as most pattern pieces are.
            const double c = std::cos(a), s = std::sin(a);
            const double sq = std::pow(std::pow(std::fabs(c), 4) + std::pow(std::fabs(s), 4), -0.25);
            outline.AddPoint(static_cast<int>(std::lround(rx + rx * scale * sq * c)),
                             static_cast<int>(std::lround(ry + ry * scale * sq * s)));
        }
        outline.AddPoint(outline.GetPoint(0).x, outline.GetPoint(0).y);
        double twice = 0.0;
        for (int i = 0; i + 1 < outline.GetCount(); ++i) {
            const PointI a = outline.GetPoint(i), b = outline.GetPoint(i + 1);
            twice += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
        }
        piece.area = std::fabs(twice) / 2.0;
        CPolylineI& grain = piece.drawing.Add(1);
        grain.AddPoint(static_cast<int>(rx * 0.5), static_cast<int>(ry));
        grain.AddPoint(static_cast<int>(rx * 1.5), static_cast<int>(ry));
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

void BM_Combine200Pieces(benchmark::State& state)
{
    static const std::vector<GeneratedPiece> pieces = MakePieces(200, 11);
    const int width = CCombineLayout::PlotWidthUnits(kRollMetres, kResolution);
    const int gap = CCombineLayout::GapUnits(kGapMm, kResolution);
    double length = 0.0, use = 0.0;
    int placed = 0;
    for (auto _ : state) {
        CCombineLayout layout(width);
        layout.BeginCombine();
        double area = 0.0;
        placed = 0;
        for (const GeneratedPiece& piece : pieces) {
            if (layout.PlacePiece(piece.drawing, gap).placed) {
                area += piece.area;
                ++placed;
            }
        }
        benchmark::DoNotOptimize(layout.GetLayout().GetCount());
        length = layout.LayoutLength();
        use = length > 0 ? area / (length * static_cast<double>(width)) : 0.0;
    }
    state.counters["placed"] = placed;
    state.counters["length_mm"] = length / kResolution * 25.4;
    state.counters["material_use_pct"] = use * 100.0;
    state.SetLabel("200 pieces, 1.8 m roll, 2 mm gap");
}

BENCHMARK(BM_Combine200Pieces)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
