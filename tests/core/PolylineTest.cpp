#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <climits>
#include <ostream>
#include <tuple>

#include "OffscreenGl.h"
#include "plotlib/Devices.h"
#include "plotlib/PenColour.h"
#include "plotlib/Polyline.h"

namespace {

CPolylineIArray Drawing(std::initializer_list<std::initializer_list<PointI>> lines, int pen = 1)
{
    CPolylineIArray drawing;
    for (const auto& pts : lines) {
        CPolylineI& line = drawing.Add(pen);
        for (const PointI& p : pts)
            line.AddPoint(p.x, p.y);
    }
    return drawing;
}

// A drawing whose bounding box is exactly (x0, y0)-(x1, y1).
CPolylineIArray Box(int x0, int y0, int x1, int y1)
{
    return Drawing({{{x0, y0}, {x1, y1}}});
}

std::vector<PointI> AllPoints(const CPolylineIArray& drawing)
{
    std::vector<PointI> out;
    for (const CPolylineI& line : drawing.m_lines)
        out.insert(out.end(), line.m_points.begin(), line.m_points.end());
    return out;
}

} // namespace

struct BlockCase {
    const char* name;
    int x0, y0, x1, y1;  // bounding box of the drawing
    int width, block;    // band width and block length in units
    int bands, blocksPerBand;
};

class CalcuBlocksTable : public ::testing::TestWithParam<BlockCase> {};

TEST_P(CalcuBlocksTable, CountsBandsAndBlocks)
{
    const BlockCase& c = GetParam();
    const CPolylineIArray drawing = Box(c.x0, c.y0, c.x1, c.y1);
    int bands = -1, blocks = -1, w = -1, h = -1;
    const int count = drawing.CalcuBlocks(c.width, c.block, bands, blocks, w, h);
    EXPECT_EQ(bands, c.bands);
    EXPECT_EQ(blocks, c.blocksPerBand);
    EXPECT_EQ(count, c.bands * c.blocksPerBand);
    EXPECT_EQ(w, c.x1 - c.x0);
    EXPECT_EQ(h, c.y1 - c.y0);
}

// 1.8 m paper at 1016 units per inch is 72000 units; a 1 m block 40000.
INSTANTIATE_TEST_SUITE_P(
    Polyline, CalcuBlocksTable,
    ::testing::Values(
        BlockCase{"SmallerThanOneBlock", 0, 0, 1000, 500, 72000, 40000, 1, 1},
        BlockCase{"ExactlyOneBlockAndBand", 0, 0, 40000, 72000, 72000, 40000, 1, 1},
        BlockCase{"OneUnitPastTheBlock", 0, 0, 40001, 72000, 72000, 40000, 1, 2},
        BlockCase{"OneUnitPastTheBand", 0, 0, 40000, 72001, 72000, 40000, 2, 1},
        BlockCase{"ExactMultiples", 0, 0, 120000, 144000, 72000, 40000, 2, 3},
        BlockCase{"PointHasOneBlock", 7, 7, 7, 7, 72000, 40000, 1, 1},
        BlockCase{"HorizontalLine", 0, 5, 100000, 5, 72000, 40000, 1, 3},
        BlockCase{"ExtentNotPosition", 50000, 90000, 90000, 100000, 72000, 40000, 1, 1},
        BlockCase{"NoBlockLength", 0, 0, 1000000, 150000, 72000, 0, 3, 1},
        BlockCase{"NegativeBlockLength", 0, 0, 1000000, 150000, 72000, -5, 3, 1},
        BlockCase{"NoPaperWidth", 0, 0, 100000, 150000, 0, 40000, 1, 3}),
    [](const ::testing::TestParamInfo<BlockCase>& info) { return std::string(info.param.name); });

TEST(Polyline, CalcuBlocksOfEmptyDrawingIsZero)
{
    for (const CPolylineIArray& drawing : {CPolylineIArray{}, Drawing({{}, {}})}) {
        int bands = -1, blocks = -1, w = -1, h = -1;
        EXPECT_EQ(drawing.CalcuBlocks(72000, 40000, bands, blocks, w, h), 0);
        EXPECT_EQ(std::make_tuple(bands, blocks, w, h), std::make_tuple(0, 0, 0, 0));
    }
}

TEST(Polyline, CalcuBlocksOfFullRangeDoesNotOverflow)
{
    const CPolylineIArray drawing = Box(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    int bands = 0, blocks = 0, w = 0, h = 0;
    const int count = drawing.CalcuBlocks(1, 1, bands, blocks, w, h);
    EXPECT_EQ(count, INT_MAX);
    EXPECT_EQ(w, INT_MAX);
    EXPECT_EQ(h, INT_MAX);
}

TEST(Polyline, GetBoundRectOfEmptyDrawingIsZero)
{
    int minX = 9, minY = 9, maxX = 9, maxY = 9;
    EXPECT_FALSE(CPolylineIArray{}.GetBoundRect(minX, minY, maxX, maxY));
    EXPECT_EQ(std::make_tuple(minX, minY, maxX, maxY), std::make_tuple(0, 0, 0, 0));
    // Polylines without points add nothing to the box either.
    const CPolylineIArray drawing = Drawing({{}, {{-5, 3}, {10, -20}}, {}});
    EXPECT_TRUE(drawing.GetBoundRect(minX, minY, maxX, maxY));
    EXPECT_EQ(std::make_tuple(minX, minY, maxX, maxY), std::make_tuple(-5, -20, 10, 3));
}

TEST(Polyline, SelectFindsSegmentsInsideOrCrossing)
{
    const CPolylineIArray drawing = Drawing({
        {{0, 0}, {10, 10}},              // 0: both ends inside the rectangle
        {{-100, 50}, {100, 50}},         // 1: crosses it with no vertex inside
        {{200, 200}, {300, 300}},        // 2: far away
        {{40, 40}},                      // 3: single point inside
        {{50, 130}, {130, 50}},          // 4: cuts the corner, no vertex inside
        {{95, 120}, {120, 95}},          // 5: passes outside the corner (100, 100)
        {},                              // 6: no points
        {{-50, -50}, {-50, 150}, {150, 150}},  // 7: goes round the rectangle, never inside
        {{100, 0}, {100, -10}},          // 8: touches the edge at one end
    });
    std::vector<int> picked;
    // Corners given top-right first: the order must not matter.
    drawing.Select(100.0, 100.0, 0.0, 0.0, picked);
    EXPECT_EQ(picked, (std::vector<int>{0, 1, 3, 4, 8}));
    drawing.Select(0.0, 100.0, 100.0, 0.0, picked);
    EXPECT_EQ(picked, (std::vector<int>{0, 1, 3, 4, 8}));

    // A rectangle of no area (a click) still finds the line under it.
    drawing.Select(0.0, 50.0, 0.0, 50.0, picked);
    EXPECT_EQ(picked, (std::vector<int>{1}));
}

TEST(Polyline, RotateQuarterTurnsAreExactAndAlignZeroMovesToOrigin)
{
    CPolylineIArray drawing = Drawing({{{100, 20}, {300, 20}, {300, 70}}});
    drawing.Rotate(90.0);
    EXPECT_EQ(AllPoints(drawing), (std::vector<PointI>{{-20, 100}, {-20, 300}, {-70, 300}}));
    drawing.AlignZero();
    EXPECT_EQ(AllPoints(drawing), (std::vector<PointI>{{50, 0}, {50, 200}, {0, 200}}));
    int minX = 1, minY = 1, maxX = 0, maxY = 0;
    drawing.GetBoundRect(minX, minY, maxX, maxY);
    EXPECT_EQ(std::make_tuple(minX, minY), std::make_tuple(0, 0));

    // Four quarter turns (either way round) give back the drawing exactly.
    const std::vector<PointI> before = AllPoints(drawing);
    for (int i = 0; i < 4; ++i)
        drawing.Rotate(90.0);
    EXPECT_EQ(AllPoints(drawing), before);
    drawing.Rotate(-90.0);
    drawing.Rotate(270.0);
    drawing.Rotate(180.0);
    EXPECT_EQ(AllPoints(drawing), before);
}

TEST(Polyline, RotateAnyAngleRoundsHalfAwayFromZero)
{
    CPolylineIArray drawing = Drawing({{{1000, 0}, {-1000, 0}}});
    drawing.Rotate(45.0);
    // 1000 / sqrt(2) = 707.1
    EXPECT_EQ(AllPoints(drawing), (std::vector<PointI>{{707, 707}, {-707, -707}}));

    CPolylineIArray halves = Drawing({{{3, -3}, {5, -5}}});
    halves.Scale(0.5, 0.5);
    EXPECT_EQ(AllPoints(halves), (std::vector<PointI>{{2, -2}, {3, -3}}));
}

TEST(Polyline, TransformsSaturateInsteadOfWrapping)
{
    CPolylineIArray drawing = Drawing({{{INT_MIN, INT_MAX}, {0, 0}}});
    drawing.Mirror();
    EXPECT_EQ(drawing.GetPolyline(0)->GetPoint(0), (PointI{INT_MAX, INT_MAX}));
    drawing.Offset(10, 10);
    EXPECT_EQ(drawing.GetPolyline(0)->GetPoint(0), (PointI{INT_MAX, INT_MAX}));
    drawing.Rotate(90.0);
    EXPECT_EQ(drawing.GetPolyline(0)->GetPoint(0), (PointI{-INT_MAX, INT_MAX}));

    // A drawing reaching the most negative value still aligns: -INT_MIN
    // does not fit an int.
    CPolylineIArray low = Drawing({{{INT_MIN, INT_MIN}, {-10, -10}}});
    low.AlignZero();
    EXPECT_EQ(AllPoints(low), (std::vector<PointI>{{0, 0}, {INT_MAX - 9, INT_MAX - 9}}));

    CPolylineIArray big = Drawing({{{1000000, -1000000}}});
    big.Scale(1e6, 1e6);
    EXPECT_EQ(AllPoints(big), (std::vector<PointI>{{INT_MAX, INT_MIN}}));
}

TEST(Polyline, EditsOutsideTheListAreHarmless)
{
    CPolylineIArray drawing = Drawing({{{1, 1}, {2, 2}}});
    CPolylineI& line = *drawing.GetPolyline(0);
    line.RemoveAt(5);
    line.RemoveAt(-1);
    line.InsertPoint(99, 3, 3);   // past the end: appended
    line.InsertPoint(-4, 0, 0);   // before the start: prepended
    EXPECT_EQ(line.m_points, (std::vector<PointI>{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    line.InsertPoint(2, 9, 9);
    line.RemoveAt(1);
    EXPECT_EQ(line.m_points, (std::vector<PointI>{{0, 0}, {9, 9}, {2, 2}, {3, 3}}));
    drawing.RemovePolyline(3);
    drawing.RemovePolyline(-1);
    EXPECT_EQ(drawing.GetCount(), 1);

    // Appending a drawing to itself doubles it.
    drawing.Append(drawing);
    ASSERT_EQ(drawing.GetCount(), 2);
    EXPECT_EQ(drawing.GetPolyline(1)->m_points, drawing.GetPolyline(0)->m_points);
}

TEST(Polyline, PenColoursKeepDrawCutAndHalfCutApart)
{
    PLOTTERCONFIG config;
    config.drawPen = 4;
    config.cutPen = 7;
    config.halfCutPen = 1;
    const PenRgb black{0, 0, 0}, red{1, 0, 0}, blue{0, 0, 1};
    EXPECT_EQ(PenColour(4, config), black);
    EXPECT_EQ(PenColour(7, config), red);
    EXPECT_EQ(PenColour(1, config), blue);
    // Other pens never look like the three working pens or the selection,
    // and neighbouring pen numbers differ, negative numbers included.
    auto working = [](int pen) { return pen == 4 || pen == 7 || pen == 1; };
    for (int pen = -3; pen <= 12; ++pen) {
        if (working(pen))
            continue;
        const PenRgb c = PenColour(pen, config);
        EXPECT_NE(c, black) << pen;
        EXPECT_NE(c, red) << pen;
        EXPECT_NE(c, blue) << pen;
        EXPECT_NE(c, SelectionColour()) << pen;
        if (!working(pen + 1)) {
            EXPECT_NE(c, PenColour(pen + 1, config)) << pen;
        }
    }
}

// ------------------------------------------------------------ GL drawing

namespace {

struct Rgb8 {
    int r, g, b;
    bool operator==(const Rgb8& o) const { return r == o.r && g == o.g && b == o.b; }
};

std::ostream& operator<<(std::ostream& os, const Rgb8& c)
{
    return os << '(' << c.r << ',' << c.g << ',' << c.b << ')';
}

Rgb8 Pixel(int x, int y)
{
    unsigned char p[3] = {};
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
}

Rgb8 ToRgb8(const PenRgb& c)
{
    return {static_cast<int>(c.r * 255 + 0.5f), static_cast<int>(c.g * 255 + 0.5f),
            static_cast<int>(c.b * 255 + 0.5f)};
}

// One drawing unit per pixel, integer coordinates on pixel centres.
void PixelProjection()
{
    glViewport(0, 0, OffscreenGl::kWidth, OffscreenGl::kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.5, OffscreenGl::kWidth - 0.5, -0.5, OffscreenGl::kHeight - 0.5, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

} // namespace

TEST(PolylineGL, DrawsEveryPenInItsColourAndSelectionOnTop)
{
    const OffscreenGl& gl = OffscreenGl::Get();
    if (!gl.Ok())
        GTEST_SKIP() << "no off-screen OpenGL: " << gl.Why();
    const PLOTTERCONFIG& config = *GetPlotter();
    const int otherPen = 1 + std::max({config.drawPen, config.cutPen, config.halfCutPen});
    PixelProjection();

    CPolylineIArray drawing = Drawing({{{10, 100}, {200, 100}}}, config.drawPen);
    auto add = [&drawing](int pen, std::initializer_list<PointI> pts) {
        CPolylineI& line = drawing.Add(pen);
        for (const PointI& p : pts)
            line.AddPoint(p.x, p.y);
        return drawing.GetCount() - 1;
    };
    add(config.cutPen, {{10, 200}, {200, 200}});
    add(config.halfCutPen, {{10, 300}, {200, 300}});
    add(otherPen, {{10, 400}, {200, 400}});
    const int selected = add(config.cutPen, {{10, 500}, {200, 500}});
    add(config.drawPen, {{10, 700}, {100, 700}, {100, 800}});  // several vertices
    add(config.drawPen, {{600, 600}});                          // a single point
    drawing.Add(config.drawPen);                                // no points at all
    drawing.GetPolyline(selected)->m_selected = 1;

    glColor3f(0.25f, 0.5f, 0.75f);
    drawing.Draw();
    const Rgb8 white{255, 255, 255}, black{0, 0, 0}, red{255, 0, 0}, blue{0, 0, 255};
    EXPECT_EQ(Pixel(50, 100), black);
    EXPECT_EQ(Pixel(50, 200), red);
    EXPECT_EQ(Pixel(50, 300), blue);
    EXPECT_EQ(Pixel(50, 400), ToRgb8(PenColour(otherPen, config)));
    // The whole drawing ignores selection marks (the canvas draws them on
    // top), so the display list does not go stale when the selection changes.
    EXPECT_EQ(Pixel(50, 500), red);
    EXPECT_EQ(Pixel(50, 501), white);
    EXPECT_EQ(Pixel(100, 750), black);
    EXPECT_EQ(Pixel(600, 600), black);
    EXPECT_EQ(Pixel(300, 100), white);

    drawing.GetPolyline(selected)->Draw();
    EXPECT_EQ(Pixel(50, 500), ToRgb8(SelectionColour()));
    EXPECT_EQ(Pixel(50, 501), ToRgb8(SelectionColour()));  // drawn wider

    // Drawing leaves the caller's colour and line width as they were: the
    // canvas draws its block grid right after.
    GLfloat colour[4] = {}, width = 0;
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_FLOAT_EQ(colour[0], 0.25f);
    EXPECT_FLOAT_EQ(colour[2], 0.75f);
    EXPECT_FLOAT_EQ(width, 1.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
