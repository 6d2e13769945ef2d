// The pure parts of plotting that a device run relies on: half-cut
// dashing, the pen and travel order of a block, and block boundaries.
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "plotlib/BlockSplitter.h"
#include "plotlib/HalfCut.h"
#include "plotlib/PenPathOrder.h"

namespace {

double PathLength(const CPolylineI& line)
{
    double total = 0;
    for (size_t i = 1; i < line.m_points.size(); ++i)
        total += std::hypot(double(line.m_points[i].x - line.m_points[i - 1].x),
                            double(line.m_points[i].y - line.m_points[i - 1].y));
    return total;
}

CPolylineI Line(int pen, std::initializer_list<PointI> points)
{
    CPolylineI line(pen);
    line.m_points = points;
    return line;
}

}  // namespace

TEST(HalfCut, StretchesAndGapsRunOnAcrossCorners)
{
    // An L of 1000 + 1000 units; stretches of 300, gaps of 100.
    const CPolylineI l = Line(3, {{0, 0}, {1000, 0}, {1000, 1000}});
    std::vector<CPolylineI> out;
    CHalfCut::Dash(l, 300, 100, out);
    ASSERT_EQ(out.size(), 5u);  // 0-300, 400-700, 800-1100, 1200-1500, 1600-1900 (of 2000)
    EXPECT_EQ(out[0].m_points, (std::vector<PointI>{{0, 0}, {300, 0}}));
    EXPECT_EQ(out[2].m_points, (std::vector<PointI>{{800, 0}, {1000, 0}, {1000, 100}}))
        << "the corner is cut, not cut short";
    EXPECT_EQ(out[4].m_points, (std::vector<PointI>{{1000, 600}, {1000, 900}}));
    double cut = 0;
    for (const CPolylineI& piece : out) {
        EXPECT_EQ(piece.GetPenNo(), 3);
        cut += PathLength(piece);
    }
    EXPECT_DOUBLE_EQ(cut, 1500.0);
}

TEST(HalfCut, DegenerateSettingsNeverDropTheCut)
{
    const CPolylineI l = Line(3, {{0, 0}, {1000, 0}});
    for (auto lengths : {std::pair<double, double>{0, 100}, {300, 0}, {-1, -1}, {NAN, 100},
                         {5000, 100}}) {
        std::vector<CPolylineI> out;
        CHalfCut::Dash(l, lengths.first, lengths.second, out);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].m_points, l.m_points);
    }
}

TEST(PenPathOrder, DrawPenFirstCutPenLastEachGroupNearestFirst)
{
    PLOTTERCONFIG config;  // draw 1, cut 2, half-cut 3
    std::vector<CPolylineI> lines = {
        Line(2, {{0, 0}, {10, 0}}),           Line(3, {{50, 50}, {60, 60}}),
        Line(1, {{900, 0}, {1000, 0}}),       Line(5, {{5, 5}, {6, 6}}),
        Line(1, {{100, 0}, {20, 0}}),  // entered from its far end
    };
    PointI pen{0, 0};
    CPenPathOrder::Order(lines, config, pen);
    std::vector<int> pens;
    for (const CPolylineI& l : lines)
        pens.push_back(l.GetPenNo());
    EXPECT_EQ(pens, (std::vector<int>{1, 1, 5, 3, 2}));
    EXPECT_EQ(lines[0].m_points.front(), (PointI{20, 0})) << "reversed to start near the pen";
    EXPECT_EQ(lines[1].m_points.front(), (PointI{900, 0}));
    EXPECT_EQ(pen, lines.back().m_points.back());
}

TEST(PenPathOrder, ClosedOutlinesKeepTheirEntryPoint)
{
    PLOTTERCONFIG config;
    std::vector<CPolylineI> lines = {
        Line(2, {{1000, 1000}, {0, 1000}, {0, 0}, {1000, 0}, {1000, 1000}}),
    };
    PointI pen{0, 0};
    CPenPathOrder::Order(lines, config, pen);
    EXPECT_EQ(lines[0].m_points.front(), (PointI{1000, 1000}));
}

TEST(PenPathOrder, GreedyOrderBeatsAShuffledMarkerAndLosesNothing)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(0, 200000);
    std::vector<CPolylineI> lines;
    for (int i = 0; i < 5000; ++i) {
        const int x = coord(rng), y = coord(rng) % 70000;
        lines.push_back(Line(1, {{x, y}, {x + 300, y + 200}, {x + 100, y + 500}}));
    }
    const double before = CPenPathOrder::PenUpTravel(lines, PointI{0, 0});
    PointI pen{0, 0};
    std::vector<CPolylineI> ordered = lines;
    CPenPathOrder::OrderNearest(ordered, pen);
    ASSERT_EQ(ordered.size(), lines.size());
    const double after = CPenPathOrder::PenUpTravel(ordered, PointI{0, 0});
    EXPECT_LT(after, before / 20);
    // Same polylines, each once (possibly reversed).
    auto key = [](const CPolylineI& l) {
        PointI a = l.m_points.front(), b = l.m_points.back();
        if (b.x < a.x || (b.x == a.x && b.y < a.y))
            std::swap(a, b);
        return std::make_pair(std::make_pair(a.x, a.y), std::make_pair(b.x, b.y));
    };
    std::vector<std::pair<std::pair<int, int>, std::pair<int, int>>> x, y;
    for (const CPolylineI& l : lines)
        x.push_back(key(l));
    for (const CPolylineI& l : ordered)
        y.push_back(key(l));
    std::sort(x.begin(), x.end());
    std::sort(y.begin(), y.end());
    EXPECT_EQ(x, y);
}

TEST(BlockSplitter, CrossingPointsMeetAndBoundaryLinesArePlottedOnce)
{
    CPolylineIArray drawing;
    CPolylineI& diagonal = drawing.Add(1);
    diagonal.AddPoint(0, 0);
    diagonal.AddPoint(3001, 1000);
    CPolylineI& along = drawing.Add(1);  // on the line between blocks 0 and 1
    along.AddPoint(1000, 0);
    along.AddPoint(1000, 900);
    CBlockSplitter split(drawing, 100000, 1000);
    ASSERT_EQ(split.Count(), 4);
    std::vector<CPolylineI> block0, block1;
    CBlockSplitter::Clip(drawing.m_lines[0], split.Block(0), block0);
    CBlockSplitter::Clip(drawing.m_lines[1], split.Block(0), block0);
    CBlockSplitter::Clip(drawing.m_lines[0], split.Block(1), block1);
    CBlockSplitter::Clip(drawing.m_lines[1], split.Block(1), block1);
    ASSERT_EQ(block0.size(), 1u) << "the line on x = 1000 belongs to block 1";
    ASSERT_EQ(block1.size(), 2u);
    EXPECT_EQ(block0[0].m_points.back(), block1[0].m_points.front());
    EXPECT_EQ(block0[0].m_points.back().x, 1000);
    EXPECT_EQ(block1[1].m_points, along.m_points);
    // The last block reaches to the drawing's end whatever the rounding.
    EXPECT_EQ(split.Block(3).lengthX, 1);
}
