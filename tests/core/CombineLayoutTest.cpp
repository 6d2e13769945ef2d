// Packing pieces into one layout: where single pieces land, the first-best
// rule of the height search, pieces that do not fit, one-step undo, the
// kept layout profile against a from-scratch reference, random layouts
// without overlaps, and plotvane-cli combine. Saving is covered by the
// dialog's test.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include <filesystem>
#include <random>
#include <unordered_map>

#include "TempDir.h"
#include "core/CliRunner.h"
#include "geometry/CombineLayout.h"
#include "geometry/GeometryPrimitives.h"
#include "plotlib/AtomicFile.h"

namespace fs = std::filesystem;


namespace {

CPolylineIArray Box(int x0, int y0, int x1, int y1, int pen = 1)
{
    CPolylineIArray d;
    CPolylineI& l = d.Add(pen);
    l.AddPoint(x0, y0);
    l.AddPoint(x1, y0);
    l.AddPoint(x1, y1);
    l.AddPoint(x0, y1);
    l.AddPoint(x0, y0);
    return d;
}

struct Rect {
    int x0, y0, x1, y1;
};

Rect Bounds(const CPolylineIArray& d, int first = 0)
{
    CPolylineIArray part;
    for (int i = first; i < d.GetCount(); ++i)
        part.m_lines.push_back(*d.GetPolyline(i));
    Rect r{};
    part.GetBoundRect(r.x0, r.y0, r.x1, r.y1);
    return r;
}

// An irregular closed outline (a star-shaped polygon) of about w x h with
// its minimum corner near the origin, and a grain line inside.
CPolylineIArray RandomPiece(std::mt19937& rng, int w, int h)
{
    std::uniform_real_distribution<double> radius(0.6, 1.0);
    std::uniform_int_distribution<int> count(5, 24);
    const int n = count(rng);
    CPolylineIArray d;
    CPolylineI& outline = d.Add(2);
    for (int i = 0; i < n; ++i) {
        const double a = 2.0 * M_PI * i / n;
        const double r = radius(rng);
        outline.AddPoint(static_cast<int>(w / 2.0 + r * w / 2.0 * std::cos(a)),
                         static_cast<int>(h / 2.0 + r * h / 2.0 * std::sin(a)));
    }
    outline.AddPoint(outline.GetPoint(0).x, outline.GetPoint(0).y);
    CPolylineI& grain = d.Add(1);
    grain.AddPoint(w / 2, h / 4);
    grain.AddPoint(w / 2, 3 * h / 4);
    return d;
}

bool SameDrawing(const CPolylineIArray& a, const CPolylineIArray& b)
{
    if (a.GetCount() != b.GetCount())
        return false;
    for (int i = 0; i < a.GetCount(); ++i)
        if (a.GetPolyline(i)->m_points != b.GetPolyline(i)->m_points ||
            a.GetPolyline(i)->GetPenNo() != b.GetPolyline(i)->GetPenNo())
            return false;
    return true;
}

// The placement done the plain way: both profiles as hash maps built from
// scratch for every piece, every height tried to the end.
class ReferenceLayout {
public:
    explicit ReferenceLayout(int width) : m_width(width) {}

    void Place(CPolylineIArray piece, int gap)
    {
        int lx0, ly0, lx1, ly1;
        const int startX = m_layout.GetBoundRect(lx0, ly0, lx1, ly1) ? lx1 + 1 : 0;
        int x0, y0, x1, y1;
        double sx = 1, sy = 1;
        if (gap > 0) {
            piece.GetBoundRect(x0, y0, x1, y1);
            sx = (x1 - x0 + 1.0 + 2.0 * gap) / (x1 - x0 + 1.0);
            sy = (y1 - y0 + 1.0 + 2.0 * gap) / (y1 - y0 + 1.0);
            piece.Offset(-((x0 + x1) / 2), -((y0 + y1) / 2));
            piece.Scale(sx, sy);
        }
        piece.AlignZero();
        piece.GetBoundRect(x0, y0, x1, y1);
        const int h = y1 == y0 ? 0 : y1 - y0 + 1;
        if (h > m_width)
            return;
        piece.Offset(startX, 0);

        std::unordered_map<int, int> layout(100), pp(100);
        for (int y = 0; y < m_width; ++y)
            layout[y] = 0;
        Walk(m_layout, layout, true);
        piece.GetBoundRect(x0, y0, x1, y1);
        for (int y = 0; y < h; ++y)
            pp[y] = x1;
        Walk(piece, pp, false);

        int best = 0, bestDy = 0;
        bool first = true;
        for (int dy = 0; dy < m_width - h; dy += 200) {
            int clearance = h == 0 ? 0 : INT_MAX;
            for (int y = 0; y < h; ++y)
                clearance = std::min(clearance, pp[y] - layout[dy + y]);
            if (first || clearance > best) {
                best = clearance;
                bestDy = dy;
                first = false;
            }
        }
        if (gap > 0) {
            piece.GetBoundRect(x0, y0, x1, y1);
            piece.Offset(-((x0 + x1) / 2), -((y0 + y1) / 2));
            piece.Scale(1 / sx, 1 / sy);
            piece.Offset((x0 + x1) / 2, (y0 + y1) / 2);
        }
        piece.Offset(-best, bestDy);
        m_layout.Append(piece);
    }

    const CPolylineIArray& Layout() const { return m_layout; }

private:
    static void Walk(const CPolylineIArray& d, std::unordered_map<int, int>& p, bool max)
    {
        auto better = [max](int x, int cur) { return max ? x > cur : x < cur; };
        auto apply = [&](int y, int x) {
            if (better(x, p[y]))
                p[y] = x;
        };
        for (const CPolylineI& line : d.m_lines) {
            for (size_t k = 1; k < line.m_points.size(); ++k) {
                const PointI a = line.m_points[k - 1], b = line.m_points[k];
                apply(a.y, a.x);
                apply(b.y, b.x);
                for (int y = std::min(a.y, b.y) + 1; y < std::max(a.y, b.y); ++y) {
                    if (!better(a.x, p[y]) && !better(b.x, p[y]))
                        continue;
                    float x, yy;
                    if (IntersectSegments(a.x, a.y, b.x, b.y, 0, y, 1000, y, x, yy, true))
                        apply(static_cast<int>(RoundHalfAway(yy)),
                              static_cast<int>(RoundHalfAway(x)));
                }
            }
        }
    }

    int m_width;
    CPolylineIArray m_layout;
};

bool SegmentsCross(PointI a, PointI b, PointI c, PointI d)
{
    auto cross = [](PointI o, PointI p, PointI q) {
        return (static_cast<long long>(p.x) - o.x) * (q.y - o.y) -
               (static_cast<long long>(p.y) - o.y) * (q.x - o.x);
    };
    auto sign = [](long long v) { return (v > 0) - (v < 0); };
    const int d1 = sign(cross(c, d, a)), d2 = sign(cross(c, d, b));
    const int d3 = sign(cross(a, b, c)), d4 = sign(cross(a, b, d));
    if (d1 * d2 < 0 && d3 * d4 < 0)
        return true;
    auto on = [](PointI p, PointI q, PointI r) {  // r on segment pq (collinear)
        return std::min(p.x, q.x) <= r.x && r.x <= std::max(p.x, q.x) &&
               std::min(p.y, q.y) <= r.y && r.y <= std::max(p.y, q.y);
    };
    return (d1 == 0 && on(c, d, a)) || (d2 == 0 && on(c, d, b)) || (d3 == 0 && on(a, b, c)) ||
           (d4 == 0 && on(a, b, d));
}

bool Inside(PointI p, const CPolylineI& outline)
{
    std::vector<float> xs, ys;
    for (const PointI& q : outline.m_points) {
        xs.push_back(static_cast<float>(q.x));
        ys.push_back(static_cast<float>(q.y));
    }
    return IsPointInPolygon(static_cast<float>(p.x), static_cast<float>(p.y), xs.data(), ys.data(),
                            static_cast<int>(xs.size()));
}

} // namespace

TEST(CombineLayout, FirstPieceLandsAtTheEnlargedOrigin)
{
    for (int gap : {0, 40}) {
        CCombineLayout layout(10000);
        layout.BeginCombine();
        const CombinePlacement p = layout.PlacePiece(Box(5000, 3000, 5999, 3499), gap);
        ASSERT_TRUE(p.placed);
        const Rect r = Bounds(layout.GetLayout());
        // The enlarged piece starts at (0, 0), so the piece sits G in from
        // both axes (within a unit of rounding), at its own size.
        EXPECT_NEAR(r.x0, gap, 1) << "gap " << gap;
        EXPECT_NEAR(r.y0, gap, 1) << "gap " << gap;
        EXPECT_NEAR(r.x1 - r.x0, 999, 1) << "gap " << gap;
        EXPECT_NEAR(r.y1 - r.y0, 499, 1) << "gap " << gap;
    }
}

// An L-shaped first piece: long at the bottom (rows 0-599 reach x 2000),
// short above (rows 600-999 reach x 500). A 300 x 200 piece fits into the
// notch at heights 600 and 800 equally well: the lower one wins, and it
// beats the heights below that hit the long arm.
TEST(CombineLayout, SecondPieceSlidesBesideTheFirstAtTheLowestBestHeight)
{
    CCombineLayout layout(1200);
    CPolylineIArray first;
    CPolylineI& l = first.Add(1);
    for (auto [x, y] : {std::pair{0, 0}, {2000, 0}, {2000, 599}, {500, 599}, {500, 999},
                        {0, 999}, {0, 0}})
        l.AddPoint(x, y);
    layout.BeginCombine();
    ASSERT_TRUE(layout.PlacePiece(first, 0).placed);

    const CombinePlacement p = layout.PlacePiece(Box(0, 0, 299, 199), 0);
    ASSERT_TRUE(p.placed);
    EXPECT_EQ(p.dy, 600);
    const Rect r = Bounds(layout.GetLayout(), 1);
    EXPECT_EQ(r.x0, 500);  // slid left until it touches the short arm
    EXPECT_EQ(r.y0, 600);
    EXPECT_EQ(r.x1, 799);
    EXPECT_EQ(r.y1, 799);
    EXPECT_EQ(layout.LayoutLength(), 2001);
    EXPECT_EQ(layout.LayoutHeight(), 1000);
}

TEST(CombineLayout, PieceAsTallAsThePlotWidthGoesStraightAfterTheLayout)
{
    {
        CCombineLayout layout(1000);
        layout.PlacePiece(Box(0, 0, 499, 299), 0);
        const CombinePlacement p = layout.PlacePiece(Box(0, 0, 199, 999), 0);
        ASSERT_TRUE(p.placed);
        EXPECT_EQ(p.dx, 0);
        EXPECT_EQ(p.dy, 0);
        const Rect r = Bounds(layout.GetLayout(), 1);
        EXPECT_EQ(r.x0, 500);
        EXPECT_EQ(r.y0, 0);
        EXPECT_EQ(r.y1, 999);
    }
    {
        // With a gap the enlarged piece fills the width; the piece itself
        // keeps the gap to the layout's right edge.
        const int gap = 10;
        CCombineLayout layout(1000);
        layout.PlacePiece(Box(0, 0, 99, 99), gap);
        const Rect before = Bounds(layout.GetLayout());
        ASSERT_TRUE(layout.PlacePiece(Box(0, 0, 199, 979), gap).placed);
        const Rect r = Bounds(layout.GetLayout(), 1);
        EXPECT_NEAR(r.x0, before.x1 + 1 + gap, 1);
        EXPECT_NEAR(r.y0, gap, 1);
        EXPECT_NEAR(r.y1, 999 - gap, 1);
    }
}

TEST(CombineLayout, TallerPieceIsDroppedButTheUndoCopyIsTaken)
{
    CCombineLayout layout(1000);
    layout.BeginCombine();
    layout.PlacePiece(Box(0, 0, 99, 99), 0);
    const CPolylineIArray before = layout.GetLayout();

    layout.BeginCombine();
    EXPECT_FALSE(layout.PlacePiece(Box(0, 0, 99, 1000), 0).placed);   // 1001 rows
    EXPECT_FALSE(layout.PlacePiece(Box(0, 0, 99, 979), 11).placed);   // 980 + 2 x 11
    EXPECT_TRUE(SameDrawing(layout.GetLayout(), before));
    ASSERT_TRUE(layout.CanUndo());
    EXPECT_TRUE(layout.Undo());
    EXPECT_TRUE(SameDrawing(layout.GetLayout(), before));
}

TEST(CombineLayout, NegativeGapCountsAsNone)
{
    EXPECT_EQ(CCombineLayout::GapUnits(-3.0, 1016), 0);
    EXPECT_EQ(CCombineLayout::GapUnits(std::nan(""), 1016), 0);
    EXPECT_EQ(CCombineLayout::GapUnits(HUGE_VAL, 1016), 0);
    EXPECT_EQ(CCombineLayout::GapUnits(1e12, 1016), CCombineLayout::kMaxRows);
    EXPECT_EQ(CCombineLayout::GapUnits(2.0, 1016), 80);

    CCombineLayout a(5000), b(5000);
    a.PlacePiece(Box(7, 3, 1006, 503), -40);
    b.PlacePiece(Box(7, 3, 1006, 503), 0);
    a.PlacePiece(Box(0, 0, 333, 777), -40);
    b.PlacePiece(Box(0, 0, 333, 777), 0);
    EXPECT_TRUE(SameDrawing(a.GetLayout(), b.GetLayout()));
    // No scaling: the pieces keep their exact size.
    const Rect r = Bounds(a.GetLayout(), 0);
    EXPECT_EQ(r.x0, 0);
    EXPECT_EQ(r.y0, 0);
}

TEST(CombineLayout, UndoAndClearKeepOneStep)
{
    CCombineLayout layout(3000);
    EXPECT_FALSE(layout.CanUndo());
    layout.Clear();  // an empty layout gives nothing to undo
    EXPECT_FALSE(layout.CanUndo());

    layout.BeginCombine();
    layout.PlacePiece(Box(0, 0, 999, 999), 20);
    layout.BeginCombine();
    layout.PlacePiece(Box(0, 0, 499, 499), 20);
    const CPolylineIArray two = layout.GetLayout();
    ASSERT_EQ(two.GetCount(), 2);

    layout.Clear();
    EXPECT_FALSE(layout.HasPolylines());
    EXPECT_EQ(layout.LayoutHeight(), 0);
    ASSERT_TRUE(layout.Undo());
    EXPECT_TRUE(SameDrawing(layout.GetLayout(), two));
    EXPECT_FALSE(layout.Undo());  // one step only

    // After an undo the next piece sees the restored layout, not the
    // profile of what was cleared or undone.
    layout.BeginCombine();
    layout.PlacePiece(Box(0, 0, 299, 299), 20);
    ASSERT_TRUE(layout.Undo());
    EXPECT_TRUE(SameDrawing(layout.GetLayout(), two));
    ReferenceLayout reference(3000);
    reference.Place(Box(0, 0, 999, 999), 20);
    reference.Place(Box(0, 0, 499, 499), 20);
    reference.Place(Box(0, 0, 299, 299), 20);
    layout.PlacePiece(Box(0, 0, 299, 299), 20);
    EXPECT_TRUE(SameDrawing(layout.GetLayout(), reference.Layout()));
}

TEST(CombineLayout, EmptyAndFlatPiecesAddNothingHarmful)
{
    CCombineLayout layout(2000);
    EXPECT_TRUE(layout.PlacePiece(CPolylineIArray(), 40).placed);
    EXPECT_FALSE(layout.HasPolylines());
    layout.PlacePiece(Box(0, 0, 99, 99), 0);
    // A lone horizontal line has no height: it is put after the layout.
    CPolylineIArray line;
    line.Add(1).AddPoint(0, 50);
    line.GetPolyline(0)->AddPoint(300, 50);
    ASSERT_TRUE(layout.PlacePiece(line, 0).placed);
    const Rect r = Bounds(layout.GetLayout(), 1);
    EXPECT_EQ(r.x0, 100);
    EXPECT_EQ(r.y0, 0);

    // A lone point (a drill mark) keeps the next piece off it.
    CCombineLayout marked(101);
    CPolylineIArray withMark = Box(0, 0, 999, 99);
    withMark.Add(1).AddPoint(1500, 50);
    marked.PlacePiece(withMark, 0);
    ASSERT_TRUE(marked.PlacePiece(Box(0, 0, 999, 99), 0).placed);
    EXPECT_EQ(Bounds(marked.GetLayout(), 2).x0, 1500);
}

// The kept layout profile, the pruned search and the stop past the
// layout's top must give exactly what the plain algorithm gives.
TEST(CombineLayout, MatchesThePlainAlgorithmOnRandomPieces)
{
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> size(150, 2500);
    for (int gap : {0, 37}) {
        CCombineLayout layout(6000);
        ReferenceLayout reference(6000);
        for (int i = 0; i < 30; ++i) {
            const CPolylineIArray piece = RandomPiece(rng, size(rng), size(rng));
            layout.PlacePiece(piece, gap);
            reference.Place(piece, gap);
            ASSERT_TRUE(SameDrawing(layout.GetLayout(), reference.Layout()))
                << "piece " << i << ", gap " << gap;
        }
    }
}

TEST(CombineLayout, RandomPiecesNeverOverlapAndStayOnThePaper)
{
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> size(200, 6000);
    const int width = 20000;
    const int gap = 40;
    CCombineLayout layout(width);
    std::vector<int> firstLine;  // first polyline of each placed piece
    for (int i = 0; i < 60; ++i) {
        const int before = layout.GetLayout().GetCount();
        if (layout.PlacePiece(RandomPiece(rng, size(rng), size(rng)), gap).placed)
            firstLine.push_back(before);
    }
    ASSERT_EQ(firstLine.size(), 60u);
    const CPolylineIArray& d = layout.GetLayout();
    const Rect all = Bounds(d);
    EXPECT_GE(all.y0, 0);
    EXPECT_LT(all.y1, width);
    for (size_t i = 0; i < firstLine.size(); ++i) {
        const CPolylineI& a = *d.GetPolyline(firstLine[i]);  // the outline
        for (size_t j = i + 1; j < firstLine.size(); ++j) {
            const CPolylineI& b = *d.GetPolyline(firstLine[j]);
            EXPECT_FALSE(Inside(a.GetPoint(0), b)) << "piece " << i << " inside " << j;
            EXPECT_FALSE(Inside(b.GetPoint(0), a)) << "piece " << j << " inside " << i;
            for (int s = 1; s < a.GetCount(); ++s)
                for (int t = 1; t < b.GetCount(); ++t)
                    ASSERT_FALSE(SegmentsCross(a.GetPoint(s - 1), a.GetPoint(s),
                                               b.GetPoint(t - 1), b.GetPoint(t)))
                        << "pieces " << i << " and " << j << " overlap";
        }
    }
}

TEST(CombineLayout, UnitsAndDisplayFigures)
{
    // 1.8 m at 1016 units per inch is 72 000 units; truncated, the float
    // 1.8f (just below) gives one less.
    EXPECT_EQ(CCombineLayout::PlotWidthUnits(1.8, 1016), 72000);
    EXPECT_EQ(CCombineLayout::PlotWidthUnits(1.8f, 1016), 71999);
    EXPECT_EQ(CCombineLayout::PlotWidthUnits(1e9, 100000), INT_MAX);
    EXPECT_EQ(CCombineLayout::SpaceMillimetres(1.8, 40000, 1016), 800);
    EXPECT_EQ(CCombineLayout::ExtentMillimetres(5, 5, 1016), 0);  // one unit shows as 0
    EXPECT_EQ(StripCombineMarks("*** *** a.plt"), "a.plt");
    EXPECT_EQ(StripCombineMarks("***x.plt"), "***x.plt");
    EXPECT_EQ(CombineMarkedName("*** c.plt"), "*** c.plt");
}

// --- plotvane-cli combine ---------------------------------------------------

namespace {

CliResult RunCombineCli(std::vector<std::string> args)
{
    args.insert(args.begin(), "combine");
    return RunCli(args);
}

} // namespace

TEST(CombineCli, PacksFilesLikeTheDialogAndRefusesBadInput)
{
    TempDir dir;
    const std::string a = (fs::path(PLOTVANE_SAMPLES_DIR) / "sds_Basic_Tee_layered.plt").string();
    const std::string b =
        (fs::path(PLOTVANE_SAMPLES_DIR) / "sds_SCAN-FAT-MAN-001-20260131015852.plt").string();
    const std::string out = dir.File("layout.plt");
    CliResult run = RunCombineCli({out, a, "--rotate", b, "--gap", "2", "--width", "1.8",
                                 "--resolution", "1016"});
    if (run.status == -1)
        GTEST_SKIP() << "plotvane-cli is not built next to core_tests";
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("2 of 2"), std::string::npos) << run.out;

    // The same core with the same pieces gives the same layout.
    CPolylineIArray pa, pb, written;
    ASSERT_TRUE(pa.Load(a).ok());
    ASSERT_TRUE(pb.Load(b).ok());
    pb.Rotate(90.0);
    CCombineLayout layout(CCombineLayout::PlotWidthUnits(1.8, 1016));
    layout.PlacePiece(pa, CCombineLayout::GapUnits(2.0, 1016));
    layout.PlacePiece(pb, CCombineLayout::GapUnits(2.0, 1016));
    ASSERT_TRUE(written.Load(out).ok());
    EXPECT_TRUE(SameDrawing(written, layout.GetLayout()));

    // A missing input: a message naming it, and no output written.
    const std::string out2 = dir.File("second.plt");
    run = RunCombineCli({out2, a, dir.File("nothing.plt")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("nothing.plt"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(out2));

    // A piece wider than the paper is left out with a warning; with
    // nothing left to write the command fails.
    run = RunCombineCli({out2, b, "--width", "0.1", "--resolution", "1016"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("left out"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(out2));

    EXPECT_EQ(RunCombineCli({out2}).status, 2);
    EXPECT_EQ(RunCombineCli({out2, a, "--gap", "wide"}).status, 2);
}
