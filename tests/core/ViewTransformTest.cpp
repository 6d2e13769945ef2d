#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "view/DrawingLod.h"
#include "view/ViewTransform.h"

namespace {

// The default device: 1.8 m paper at 1016 units per inch.
constexpr double kPaper = 1.8 * 100.0 / 2.54 * 1016;  // 72000 units

DrawingBounds Bounds(double minX, double minY, double maxX, double maxY)
{
    DrawingBounds b;
    b.empty = false;
    b.minX = minX;
    b.minY = minY;
    b.maxX = maxX;
    b.maxY = maxY;
    return b;
}

// The drawing-unit rectangle the window shows.
struct Visible {
    double left, bottom, right, top;
};

Visible VisibleRect(const CViewTransform& view)
{
    double lx = 0, ty = 0;
    view.ScreenToWorld(lx, ty);
    double rx = view.ClientWidth(), by = view.ClientHeight();
    view.ScreenToWorld(rx, by);
    return Visible{lx, by, rx, ty};
}

} // namespace

TEST(PaperUnits, MetresBecomeRoundedPlotterUnits)
{
    PLOTTERCONFIG cfg;
    cfg.paperWidth = 1.8f;
    cfg.resolution = 1016;
    cfg.blockLength = 1.0f;
    EXPECT_EQ(PaperWidthRounded(cfg), 72000);
    EXPECT_EQ(BlockLengthRounded(cfg), 40000);
    cfg.blockLength = 0.0f;
    EXPECT_EQ(BlockLengthRounded(cfg), 0);
    // 0.3 m at 40 units per inch is 472.44 units.
    cfg.paperWidth = 0.3f;
    cfg.resolution = 40;
    EXPECT_EQ(PaperWidthRounded(cfg), 472);
}

TEST(ViewTransform, EmptyDrawingProjectsThePaperWidthAndFillsTheWindowWithPaper)
{
    CViewTransform view;
    view.SetupProjection(800, 400, DrawingBounds{}, kPaper);
    EXPECT_DOUBLE_EQ(view.ProjectionTop(), kPaper);
    EXPECT_DOUBLE_EQ(view.ProjectionRight(), kPaper * 2);
    const Visible v = VisibleRect(view);
    EXPECT_NEAR(v.bottom, 0, 1e-6);
    EXPECT_NEAR(v.top, kPaper, 1e-6);
    // Pixels and units agree with what the projection shows.
    EXPECT_NEAR(view.PixelsToWorld(800), v.right - v.left, 1e-6);
}

TEST(ViewTransform, ProjectionFollowsTheDrawingHeightAndFallsBackForFlatDrawings)
{
    CViewTransform view;
    view.SetupProjection(100, 100, Bounds(0, 0, 5000, 3000), kPaper);
    EXPECT_DOUBLE_EQ(view.ProjectionTop(), 3000);
    // A single horizontal line has no height; the projection must not be empty.
    view.SetupProjection(100, 100, Bounds(0, 10, 5000, 10), kPaper);
    EXPECT_DOUBLE_EQ(view.ProjectionTop(), kPaper);
    // A minimised window (0 x 0) must not divide by zero.
    view.SetupProjection(0, 0, DrawingBounds{}, kPaper);
    double x = 5, y = 5;
    view.ScreenToWorld(x, y);
    EXPECT_TRUE(std::isfinite(x) && std::isfinite(y));
}

TEST(ViewTransform, ConversionsRoundTripAtAnyViewAndSize)
{
    struct Case {
        const char* name;
        int w, h;
        DrawingBounds drawing;
        double ox, oy, scale;
    };
    const Case cases[] = {
        {"empty, identity", 640, 480, DrawingBounds{}, 0, 0, 1},
        {"marker, zoomed in and panned", 1280, 300, Bounds(0, 0, 2000000, 70000), -9000, 120, 3.7},
        {"tall, zoomed out", 300, 900, Bounds(-50, -20, 300, 90000), -1, -5, 0.01},
        {"one pixel", 1, 1, Bounds(0, 0, 10, 10), 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CViewTransform view;
        view.SetupProjection(c.w, c.h, c.drawing, kPaper);
        view.SetView(c.ox, c.oy, c.scale);
        for (double px : {0.0, 0.5, 17.0, static_cast<double>(c.w)}) {
            for (double py : {0.0, 3.25, static_cast<double>(c.h)}) {
                double x = px, y = py;
                view.ScreenToWorld(x, y);
                view.WorldToScreen(x, y);
                EXPECT_NEAR(x, px, 1e-6);
                EXPECT_NEAR(y, py, 1e-6);
            }
        }
        EXPECT_NEAR(view.WorldToPixels(view.PixelsToWorld(123.0)), 123.0, 1e-9);
        // A length in pixels is the distance of two converted points.
        double ax = 10, ay = 20, bx = 10, by = 20 + 50;
        view.ScreenToWorld(ax, ay);
        view.ScreenToWorld(bx, by);
        EXPECT_NEAR(ay - by, view.PixelsToWorld(50), 1e-6 * view.PixelsToWorld(50));
    }
}

TEST(ViewTransform, WindowYGrowsDownwardAndWorldYUpward)
{
    CViewTransform view;
    view.SetupProjection(200, 100, DrawingBounds{}, 1000);
    double x = 0, y = 100;  // bottom-left pixel
    view.ScreenToWorld(x, y);
    EXPECT_NEAR(x, 0, 1e-9);
    EXPECT_NEAR(y, 0, 1e-9);
    x = 200;
    y = 0;  // top-right pixel
    view.ScreenToWorld(x, y);
    EXPECT_NEAR(x, 2000, 1e-9);
    EXPECT_NEAR(y, 1000, 1e-9);
}

TEST(ViewTransform, FitShowsTheWholeDrawingAndTheFullPaperWidth)
{
    struct Case {
        const char* name;
        int w, h;
        DrawingBounds drawing;
    };
    const Case cases[] = {
        {"narrow piece, wide window", 1200, 400, Bounds(0, 0, 30000, 12000)},
        {"narrow piece, tall window", 300, 900, Bounds(0, 0, 30000, 12000)},
        {"long marker", 1000, 300, Bounds(0, 0, 2500000, 71000)},
        {"wider than the paper", 800, 600, Bounds(0, 0, 100000, 150000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CViewTransform view;
        view.SetupProjection(c.w, c.h, c.drawing, kPaper);
        view.SetView(-777, 55, 9);
        view.FitToWindow(c.drawing, kPaper);
        const Visible v = VisibleRect(view);
        const double top = std::max(c.drawing.maxY, kPaper);
        EXPECT_LE(v.left, c.drawing.minX + 1e-6);
        EXPECT_GE(v.right, c.drawing.maxX - 1e-6);
        EXPECT_LE(v.bottom, c.drawing.minY + 1e-6);
        EXPECT_GE(v.top, top - 1e-6);
        // Fitted, not merely shown: one of the two directions is filled.
        const double fillX = (c.drawing.maxX - c.drawing.minX) / (v.right - v.left);
        const double fillY = (top - c.drawing.minY) / (v.top - v.bottom);
        EXPECT_GT(std::max(fillX, fillY), 0.99);
        EXPECT_LE(view.OffsetX(), 0);
    }
}

TEST(ViewTransform, FitOfAnEmptyDrawingChangesNothing)
{
    CViewTransform view;
    view.SetupProjection(400, 300, DrawingBounds{}, kPaper);
    view.SetView(-5, 6, 2);
    view.FitToWindow(DrawingBounds{}, kPaper);
    EXPECT_EQ(view.OffsetX(), -5);
    EXPECT_EQ(view.OffsetY(), 6);
    EXPECT_EQ(view.Scale(), 2);
}

TEST(ViewTransform, ZoomToRectTakesCornersInAnyOrderAndDegenerateRects)
{
    CViewTransform view;
    view.SetupProjection(400, 400, Bounds(0, 0, 100000, 72000), kPaper);
    view.ZoomToRect(9000, 8000, 1000, 2000);  // reversed corners
    Visible v = VisibleRect(view);
    EXPECT_LE(v.left, 1000 + 1e-6);
    EXPECT_GE(v.right, 9000 - 1e-6);
    EXPECT_LE(v.bottom, 2000 + 1e-6);
    EXPECT_GE(v.top, 8000 - 1e-6);
    EXPECT_NEAR(v.right - v.left, 8000, 8000 * 0.01);

    // Zero height: the width alone decides.
    view.ZoomToRect(1000, 5000, 3000, 5000);
    v = VisibleRect(view);
    EXPECT_NEAR(v.right - v.left, 2000, 20);
    EXPECT_TRUE(std::isfinite(view.Scale()));
    // A point keeps a finite, positive scale.
    view.ZoomToRect(7, 7, 7, 7);
    EXPECT_GT(view.Scale(), 0);
    EXPECT_TRUE(std::isfinite(view.Scale()));
}

TEST(ViewTransform, WheelKeepsThePointUnderThePointerAndStopsAtTheFloor)
{
    CViewTransform view;
    view.SetupProjection(500, 500, Bounds(0, 0, 100000, 72000), kPaper);
    view.SetView(-20000, 300, 2.0);
    const double px = 321, py = 123;
    double bx = px, by = py;
    view.ScreenToWorld(bx, by);
    view.WheelZoom(true, px, py);
    EXPECT_NEAR(view.Scale(), 2.01, 1e-12);
    double ax = px, ay = py;
    view.ScreenToWorld(ax, ay);
    EXPECT_NEAR(ax, bx, 1e-6);
    EXPECT_NEAR(ay, by, 1e-6);

    // Down at the floor stays at the floor; up has no ceiling.
    view.SetView(0, 0, 0.015);
    view.WheelZoom(false, 10, 10);
    EXPECT_NEAR(view.Scale(), 0.01, 1e-12);
    view.WheelZoom(false, 10, 10);
    EXPECT_NEAR(view.Scale(), 0.01, 1e-12);
    view.SetView(0, 0, 500);
    view.WheelZoom(true, 10, 10);
    EXPECT_NEAR(view.Scale(), 500.01, 1e-9);
}

TEST(ViewTransform, WheelDownBelowTheFloorNeverZoomsIn)
{
    // The projection is as tall as the drawing and the fit shows the whole
    // paper width, so a flat piece (a 12 mm binding strip) fits at a scale
    // well below the wheel's floor of 0.01.
    CViewTransform view;
    view.SetupProjection(800, 300, Bounds(0, 0, 30000, 480), kPaper);
    view.FitToWindow(Bounds(0, 0, 30000, 480), kPaper);
    const double fitted = view.Scale();
    ASSERT_LT(fitted, CViewTransform::kMinWheelScale);
    view.WheelZoom(false, 400, 150);
    EXPECT_LE(view.Scale(), fitted);
    // Up still zooms in from there.
    view.WheelZoom(true, 400, 150);
    EXPECT_GT(view.Scale(), fitted);
}

TEST(ViewTransform, LeftEdgeNeverMovesRightOfTheWindow)
{
    CViewTransform view;
    view.SetupProjection(500, 500, Bounds(0, 0, 100000, 72000), kPaper);
    view.SetView(-100, 0, 1);
    view.Pan(0, 0, 5000, 0);  // drag to the right
    EXPECT_EQ(view.OffsetX(), 0);
    view.Pan(0, 0, -5000, 300);  // to the left is free, Y is free
    EXPECT_LT(view.OffsetX(), 0);
    EXPECT_GT(view.OffsetY(), 0);
    // Zooming out about the right half would pull the left edge inwards.
    view.SetView(0, 0, 1.0);
    view.WheelZoom(false, 450, 250);
    EXPECT_EQ(view.OffsetX(), 0);
}

// --- levels of detail of big drawings ---------------------------------------

namespace {

// Distance from p to the segment ab.
double SegmentDistance(PointI p, PointI a, PointI b)
{
    const double vx = b.x - a.x, vy = b.y - a.y;
    const double len2 = vx * vx + vy * vy;
    double t = len2 > 0 ? ((p.x - a.x) * vx + (p.y - a.y) * vy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(a.x + t * vx - p.x, a.y + t * vy - p.y);
}

CPolylineIArray Wiggles(int lines, int points)
{
    CPolylineIArray d;
    unsigned seed = 7;
    for (int l = 0; l < lines; ++l) {
        CPolylineI& line = d.Add(1 + l % 3);
        int x = l * 5000, y = 0;
        for (int i = 0; i < points; ++i) {
            seed = seed * 1103515245u + 12345u;
            x += static_cast<int>(seed >> 16) % 40;
            y += static_cast<int>(seed >> 8) % 61 - 30;
            line.AddPoint(x, y);
        }
    }
    return d;
}

} // namespace

TEST(DrawingLod, SimplifiedLinesStayWithinTheirToleranceAndKeepTheirEnds)
{
    const CPolylineIArray drawing = Wiggles(20, 500);
    CDrawingLod lod;
    lod.Partition(drawing, 8);
    size_t inChunks = 0;
    for (const CDrawingLod::Chunk& c : lod.Chunks())
        inChunks += c.lines.size();
    EXPECT_EQ(inChunks, 20u);  // every polyline in exactly one chunk

    for (int level : {0, 1, 3, 6}) {
        SCOPED_TRACE(level);
        const double tol = CDrawingLod::Tolerance(level);
        for (const CDrawingLod::Chunk& chunk : lod.Chunks()) {
            CPolylineIArray out;
            CDrawingLod::Simplify(drawing, chunk, level, out);
            ASSERT_EQ(out.GetCount(), static_cast<int>(chunk.lines.size()));
            for (int k = 0; k < out.GetCount(); ++k) {
                const CPolylineI& orig = *drawing.GetPolyline(chunk.lines[k]);
                const CPolylineI& simple = *out.GetPolyline(k);
                EXPECT_EQ(simple.GetPenNo(), orig.GetPenNo());
                EXPECT_EQ(simple.m_points.front(), orig.m_points.front());
                EXPECT_EQ(simple.m_points.back(), orig.m_points.back());
                if (level == 0) {
                    EXPECT_EQ(simple.m_points, orig.m_points);
                }
                // Every original point lies near the simplified line.
                for (const PointI& p : orig.m_points) {
                    double best = 1e18;
                    for (size_t s = 1; s < simple.m_points.size(); ++s)
                        best = std::min(best, SegmentDistance(p, simple.m_points[s - 1],
                                                              simple.m_points[s]));
                    EXPECT_LE(best, tol * 1.5 + 1e-9);
                }
            }
        }
    }
}

TEST(DrawingLod, LevelIsTheCoarsestWithinHalfAPixel)
{
    EXPECT_EQ(CDrawingLod::LevelFor(0.5), 0);  // zoomed in: every point
    EXPECT_EQ(CDrawingLod::LevelFor(1.99), 0);
    EXPECT_EQ(CDrawingLod::LevelFor(2.0), 1);
    for (double upp : {3.0, 100.0, 3750.0, 1e9}) {
        const int level = CDrawingLod::LevelFor(upp);
        EXPECT_LE(CDrawingLod::Tolerance(level), upp / 2);
        if (level + 1 < CDrawingLod::kLevels) {
            EXPECT_GT(CDrawingLod::Tolerance(level + 1), upp / 2);
        }
    }
}

TEST(DrawingLod, BatchesHoldEverySegmentOncePerPenAndGroupsCoverAllChunks)
{
    CPolylineIArray drawing = Wiggles(6, 10);
    drawing.Add(5).AddPoint(3, 4);  // a lone point
    drawing.Add(1);                 // an empty polyline belongs nowhere
    CDrawingLod lod;
    lod.Partition(drawing, 4);
    const auto groups = CDrawingLod::Group(lod.Chunks(), 1e12);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].lines.size(), 7u);
    std::vector<CDrawingLod::Batch> batches;
    CDrawingLod::MakeBatches(drawing, groups[0], 0, batches);
    size_t segments = 0, points = 0;
    for (const auto& b : batches) {
        segments += b.segments.size() / 4;
        points += b.points.size() / 2;
    }
    EXPECT_EQ(segments, 6u * 9u);
    EXPECT_EQ(points, 1u);
    EXPECT_EQ(batches.size(), 4u);  // pens 1, 2, 3 and 5
    // A narrow span keeps the chunks apart for culling.
    EXPECT_EQ(CDrawingLod::Group(lod.Chunks(), 0).size(), lod.Chunks().size());
}
