#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "plotlib/Devices.h"
#include "plotlib/PolylineTools.h"

namespace {

// 1016 units per inch is exactly 40 units per millimetre.
constexpr int kResolution = 1016;
constexpr double kUnitsPerMm = 40.0;

CPolylineI Line(std::vector<PointI> pts, int pen = 1)
{
    CPolylineI line(pen);
    line.m_points = std::move(pts);
    return line;
}

// A square pattern piece, 100 mm a side, as one closed outline.
CPolylineI Square()
{
    return Line({{0, 0}, {4000, 0}, {4000, 4000}, {0, 4000}, {0, 0}});
}

double Dist(PointI a, PointI b) { return std::hypot(double(a.x) - b.x, double(a.y) - b.y); }

// Where the line through a and b crosses x = 0 (the square's left edge).
double CrossingY(PointI a, PointI b)
{
    return a.y + (0.0 - a.x) * (double(b.y) - a.y) / (double(b.x) - a.x);
}

} // namespace

TEST(CreateSlot, NotchHasTheConfiguredDimensions)
{
    CPolylineIArray drawing;
    drawing.m_lines.push_back(Square());
    drawing.m_lines.push_back(Line({{0, 2000}, {200, 2000}}));  // notch mark on the left edge

    SlotSize size;  // width 6, length 10, lead-in 3, lead-out 3, floor 3 (mm)
    const std::vector<PointI> path =
        MakeSlotPath(drawing, drawing.m_lines[1], size, kResolution);
    ASSERT_EQ(path.size(), 4u);
    const PointI start = path[0], bl = path[1], br = path[2], end = path[3];

    // Floor: 10 mm into the piece, 3 mm wide, centred on the mark.
    EXPECT_EQ(bl.x, 400);
    EXPECT_EQ(br.x, 400);
    EXPECT_EQ(bl.y, 1940);
    EXPECT_EQ(br.y, 2060);
    // Mouth: the sides cross the edge 6 mm apart, centred on the mark.
    EXPECT_NEAR(CrossingY(start, bl), 1880, 0.5);
    EXPECT_NEAR(CrossingY(br, end), 2120, 0.5);
    // Lead-in and lead-out start and end outside the piece, 3 mm beyond the
    // edge along their sides.
    EXPECT_LT(start.x, 0);
    EXPECT_LT(end.x, 0);
    EXPECT_NEAR(Dist(start, PointI{0, 1880}), 3 * kUnitsPerMm, 1.0);
    EXPECT_NEAR(Dist(end, PointI{0, 2120}), 3 * kUnitsPerMm, 1.0);
}

TEST(CreateSlot, FindsTheEdgeAndTheInsideWhicheverWayTheMarkIsDrawn)
{
    struct Case {
        const char* name;
        std::vector<CPolylineI> others;
        std::vector<PointI> mark;
        PointI floorMid;  // expected middle of the notch floor
    };
    const CPolylineI square = Square();
    // The sewing line 10 mm inside the cut line.
    const CPolylineI seam = Line({{400, 400}, {3600, 400}, {3600, 3600}, {400, 3600}, {400, 400}});
    const std::vector<Case> cases = {
        {"drawn from the edge inward", {square}, {{0, 2000}, {200, 2000}}, {400, 2000}},
        {"drawn from inside to the edge", {square}, {{200, 2000}, {0, 2000}}, {400, 2000}},
        {"crossing the edge", {square}, {{-100, 2000}, {150, 2000}}, {400, 2000}},
        {"stopping short of the edge", {square}, {{40, 2000}, {240, 2000}}, {400, 2000}},
        {"on the top edge", {square}, {{2000, 4000}, {2000, 3800}}, {2000, 3600}},
        {"from cut line to sewing line", {square, seam}, {{0, 2000}, {400, 2000}}, {400, 2000}},
        {"sewing line listed first", {seam, square}, {{400, 2000}, {0, 2000}}, {400, 2000}},
        // An open edge: inward is towards the mark's far end.
        {"open edge", {Line({{0, 0}, {0, 4000}})}, {{0, 2000}, {-200, 2000}}, {-400, 2000}},
        // Nothing to stand on: the first point is the mouth.
        {"no edge", {}, {{1000, 1000}, {1000, 1200}}, {1000, 1400}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPolylineIArray drawing;
        drawing.m_lines = c.others;
        drawing.m_lines.push_back(Line(c.mark));
        const std::vector<PointI> path =
            MakeSlotPath(drawing, drawing.m_lines.back(), SlotSize{}, kResolution);
        ASSERT_EQ(path.size(), 4u);
        EXPECT_NEAR((path[1].x + path[2].x) / 2.0, c.floorMid.x, 1.0);
        EXPECT_NEAR((path[1].y + path[2].y) / 2.0, c.floorMid.y, 1.0);
        EXPECT_NEAR(Dist(path[1], path[2]), 3 * kUnitsPerMm, 1.0);
    }
}

TEST(CreateSlot, NotchShapesAndInputsThatLeaveTheMarkAlone)
{
    CPolylineIArray drawing;
    drawing.m_lines.push_back(Square());
    const CPolylineI mark = Line({{0, 2000}, {200, 2000}});

    // No floor: a V notch, the floor corners merge into one point.
    SlotSize v;
    v.space = 0;
    std::vector<PointI> path = MakeSlotPath(drawing, mark, v, kResolution);
    ASSERT_EQ(path.size(), 3u);
    EXPECT_EQ(path[1], (PointI{400, 2000}));

    // No width and no floor: a straight slit in and out along the mark.
    SlotSize slit;
    slit.width = 0;
    slit.space = 0;
    path = MakeSlotPath(drawing, mark, slit, kResolution);
    ASSERT_EQ(path.size(), 3u);
    EXPECT_EQ(path[0], (PointI{-120, 2000}));
    EXPECT_EQ(path[1], (PointI{400, 2000}));
    EXPECT_EQ(path[2], (PointI{-120, 2000}));

    // No lead-in or lead-out: the knife starts and ends on the edge.
    SlotSize flush;
    flush.preSpaceA = 0;
    flush.preSpaceB = 0;
    path = MakeSlotPath(drawing, mark, flush, kResolution);
    ASSERT_EQ(path.size(), 4u);
    EXPECT_EQ(path.front(), (PointI{0, 1880}));
    EXPECT_EQ(path.back(), (PointI{0, 2120}));

    // No depth, a mark of no length, a single point: nothing to make.
    SlotSize shallow;
    shallow.length = 0;
    EXPECT_TRUE(MakeSlotPath(drawing, mark, shallow, kResolution).empty());
    EXPECT_TRUE(MakeSlotPath(drawing, Line({{5, 5}, {5, 5}}), SlotSize{}, kResolution).empty());
    EXPECT_TRUE(MakeSlotPath(drawing, Line({{5, 5}}), SlotSize{}, kResolution).empty());
}

TEST(CreateSlot, MemberReplacesTheMarkInPlaceWithThePen)
{
    CPolylineIArray drawing;
    drawing.m_lines.push_back(Square());
    drawing.m_lines.push_back(Line({{0, 2000}, {200, 2000}}, 1));
    drawing.m_lines.push_back(Line({{10, 10}, {20, 20}}, 1));
    const int resolution = GetPlotter()->resolution;
    const std::vector<PointI> expected =
        MakeSlotPath(drawing, drawing.m_lines[1], SlotSize{}, resolution);

    drawing.GetPolyline(1)->CreateSlot(drawing, 2, 6, 10, 3, 3, 3);
    ASSERT_EQ(drawing.GetCount(), 3);
    EXPECT_EQ(drawing.GetPolyline(1)->GetPenNo(), 2);
    EXPECT_EQ(drawing.GetPolyline(1)->m_points, expected);
    EXPECT_EQ(drawing.GetPolyline(0)->GetCount(), 5);

    // A mark that cannot become a notch keeps its points.
    drawing.GetPolyline(2)->CreateSlot(drawing, 2, 6, 0, 3, 3, 3);
    EXPECT_EQ(drawing.GetPolyline(2)->GetCount(), 2);
}

TEST(BrokenPoly, SplitsAtSharpCornersOnly)
{
    struct Case {
        const char* name;
        std::vector<PointI> input;
        std::vector<std::vector<PointI>> pieces;
    };
    const std::vector<Case> cases = {
        {"L shape", {{0, 0}, {100, 0}, {100, 100}}, {{{0, 0}, {100, 0}}, {{100, 0}, {100, 100}}}},
        {"gentle curve stays whole",
         {{0, 0}, {100, 0}, {200, 20}, {300, 60}},
         {{{0, 0}, {100, 0}, {200, 20}, {300, 60}}}},
        {"exactly at the threshold stays whole", {{0, 0}, {100, 0}, {200, 100}},
         {{{0, 0}, {100, 0}, {200, 100}}}},
        {"turning back", {{0, 0}, {100, 0}, {0, 1}}, {{{0, 0}, {100, 0}}, {{100, 0}, {0, 1}}}},
        {"repeated corner point",
         {{0, 0}, {100, 0}, {100, 0}, {100, 100}},
         {{{0, 0}, {100, 0}}, {{100, 0}, {100, 100}}}},
        {"two points", {{0, 0}, {100, 0}}, {{{0, 0}, {100, 0}}}},
        // Closed outline: rotated to start at a corner, so the four sides
        // come out whole, the closing point no break of its own.
        {"closed square",
         {{50, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}, {50, 0}},
         {{{100, 0}, {100, 100}}, {{100, 100}, {0, 100}}, {{0, 100}, {0, 0}},
          {{0, 0}, {50, 0}, {100, 0}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SplitAtCorners(c.input), c.pieces);
    }

    // A closed curve (a 16-gon turns 22.5 degrees at each point) stays whole.
    std::vector<PointI> circle;
    for (int i = 0; i <= 16; ++i) {
        const double a = 2 * M_PI * (i % 16) / 16;
        circle.push_back(PointI{static_cast<int>(std::lround(1000 * std::cos(a))),
                                static_cast<int>(std::lround(1000 * std::sin(a)))});
    }
    EXPECT_EQ(SplitAtCorners(circle), (std::vector<std::vector<PointI>>{circle}));
}

TEST(BrokenPoly, KeepsTheFirstPieceInPlaceAndAppendsTheRest)
{
    CPolylineIArray drawing;
    drawing.m_lines.push_back(Line({{0, 0}, {100, 0}, {100, 100}, {200, 100}}, 3));
    drawing.m_lines.push_back(Line({{0, 500}, {50, 500}}, 1));
    // The canvas walks the drawing from the last polyline down; appending
    // may move the polylines in memory while the call runs.
    drawing.m_lines.shrink_to_fit();
    for (int i = drawing.GetCount() - 1; i >= 0; --i)
        drawing.GetPolyline(i)->BrokenPoly(drawing);

    ASSERT_EQ(drawing.GetCount(), 4);
    EXPECT_EQ(drawing.GetPolyline(0)->m_points, (std::vector<PointI>{{0, 0}, {100, 0}}));
    EXPECT_EQ(drawing.GetPolyline(1)->m_points, (std::vector<PointI>{{0, 500}, {50, 500}}));
    EXPECT_EQ(drawing.GetPolyline(2)->m_points, (std::vector<PointI>{{100, 0}, {100, 100}}));
    EXPECT_EQ(drawing.GetPolyline(3)->m_points, (std::vector<PointI>{{100, 100}, {200, 100}}));
    for (int i : {0, 2, 3})
        EXPECT_EQ(drawing.GetPolyline(i)->GetPenNo(), 3);
}
