#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <random>
#include <thread>
#include <utility>
#include <vector>

#include "ExtractionReference.h"
#include "TempDir.h"
#include "geometry/ExtractControl.h"
#include "geometry/OutlineExtractor.h"
#include "geometry/PlotFileWriteBack.h"
#include "geometry/Polygon.h"

namespace {

constexpr int kInk = 1;
constexpr int kKnife = 7;
constexpr double kPi = 3.14159265358979323846;

using Points = std::vector<std::pair<int, int>>;

CPolylineI& AddLine(CPolylineIArray& drawing, const Points& points, int pen = kInk)
{
    drawing.m_lines.emplace_back(pen);
    for (const auto& p : points)
        drawing.m_lines.back().AddPoint(p.first, p.second);
    return drawing.m_lines.back();
}

Points Rect(int x0, int y0, int x1, int y1)
{
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
}

std::vector<int> Pens(const CPolylineIArray& drawing)
{
    std::vector<int> pens;
    for (const CPolylineI& line : drawing.m_lines)
        pens.push_back(line.GetPenNo());
    return pens;
}

ExtractResult Extract(CPolylineIArray& drawing)
{
    COutlineExtractor extractor;
    return extractor.Run(drawing, kKnife);
}

// ---------------------------------------------------------------------------
// The rules of step 1: what closes, what joins.

TEST(OutlineExtraction, ClosingAndJoiningRules)
{
    struct Case {
        const char* name;
        std::vector<Points> lines;
        std::vector<int> pens;  // expected pens afterwards
    };
    const std::vector<Case> cases = {
        {"single closed polyline", {Rect(0, 0, 5000, 3000)}, {kKnife}},
        {"four lines whose ends meet within 40 units",
         {{{0, 0}, {5000, 0}},
          {{5030, 20}, {5000, 3000}},
          {{0, 3000}, {4970, 3010}},  // reversed against the walk round
          {{10, 2990}, {20, 30}}},
         {kKnife, kKnife, kKnife, kKnife}},
        {"last point overshoots, second-to-last closes",
         {{{0, 0}, {5000, 0}, {5000, 3000}, {0, 3000}, {0, 30}, {0, -800}}},
         {kKnife}},
        {"ends 40.85 apart are near", {{{0, 0}, {5000, 0}, {5000, 3000}, {15, 38}}}, {kKnife}},
        {"ends 41.0 apart are not", {{{0, 0}, {5000, 0}, {5000, 3000}, {9, 40}}}, {kInk}},
        {"a gap of 41.0 in a chain leaves it open",
         {{{0, 0}, {5000, 0}}, {{5009, 40}, {5000, 3000}, {0, 3000}, {0, 0}}},
         {kInk, kInk}},
        {"200 x 200 square is dropped", {Rect(0, 0, 200, 200)}, {kInk}},
        {"201 x 201 square is kept", {Rect(0, 0, 201, 201)}, {kKnife}},
        {"empty and one-point polylines neither close nor join",
         {{}, {{100, 100}}, Rect(0, 0, 5000, 3000), {}},
         {kInk, kInk, kKnife, kInk}},
    };
    for (const Case& c : cases) {
        CPolylineIArray drawing;
        for (const Points& line : c.lines)
            AddLine(drawing, line);
        Extract(drawing);
        EXPECT_EQ(Pens(drawing), c.pens) << c.name;
    }
}

TEST(OutlineExtraction, JoinPolylineKeepsOneRunAndRefusesRetraces)
{
    auto chainOf = [](const Points& points) {
        CPolylineI line;
        for (const auto& p : points)
            line.AddPoint(p.first, p.second);
        return line;
    };
    auto pointsOf = [](const CPolylineI& line) {
        Points points;
        for (const PointI& p : line.m_points)
            points.emplace_back(p.x, p.y);
        return points;
    };
    const Points chain = {{0, 0}, {1000, 0}};
    const Points corner = {{0, 0}, {1000, 0}, {1000, 800}};
    struct Case {
        const char* name;
        Points chain;
        Points q;
        bool joins;
        Points result;
    };
    const std::vector<Case> cases = {
        {"last to first", chain, {{1010, 0}, {1000, 900}},
         true, {{0, 0}, {1000, 0}, {1010, 0}, {1000, 900}}},
        {"last to last", chain, {{1000, 900}, {1010, 0}},
         true, {{0, 0}, {1000, 0}, {1010, 0}, {1000, 900}}},
        {"first to first", chain, {{-10, 0}, {0, 900}},
         true, {{0, 900}, {-10, 0}, {0, 0}, {1000, 0}}},
        {"first to last", chain, {{0, 900}, {-10, 0}},
         true, {{0, 900}, {-10, 0}, {0, 0}, {1000, 0}}},
        {"segment drawn again", chain, {{1000, 10}, {20, 0}}, false, chain},
        {"retrace of the last edge", corner, {{1000, 790}, {1000, 10}}, false, corner},
        {"straight line closing the chain", corner, {{1000, 810}, {10, 0}},
         true, {{0, 0}, {1000, 0}, {1000, 800}, {1000, 810}, {10, 0}}},
        {"no end near", chain, {{2000, 0}, {3000, 0}}, false, chain},
        {"empty", chain, {}, false, chain},
    };
    for (const Case& c : cases) {
        CPolylineI line = chainOf(c.chain);
        EXPECT_EQ(JoinPolyline(line, chainOf(c.q)), c.joins) << c.name;
        EXPECT_EQ(pointsOf(line), c.result) << c.name;
    }
}

// ---------------------------------------------------------------------------
// Step 2: which outlines are outer ones.

TEST(OutlineExtraction, PiecesSideBySideKeepTheirInnerLines)
{
    CPolylineIArray drawing;
    AddLine(drawing, Rect(0, 0, 10000, 8000));             // piece A
    AddLine(drawing, Rect(2000, 2000, 4000, 4000));        // closed inner shape of A
    AddLine(drawing, {{5000, 1000}, {7000, 1000}, {7000, 3000}});  // open inner lines of A that
    AddLine(drawing, {{7000, 3000}, {5000, 3000}, {5000, 1000}});  // would close a shape
    AddLine(drawing, {{12000, 0}, {20000, 0}, {20000, 8000}});     // piece B as a chain
    AddLine(drawing, Rect(14000, 2000, 16000, 4000));      // closed inner shape of B
    AddLine(drawing, {{20000, 8000}, {12000, 8000}, {12000, 0}});

    const ExtractResult result = Extract(drawing);
    EXPECT_EQ(Pens(drawing), (std::vector<int>{kKnife, kInk, kInk, kInk, kKnife, kInk, kKnife}));
    // A's inner lines were set aside when A was found, so they formed no
    // outline of their own. B's chain is found once from each of its two
    // polylines; B's inner shape comes after B's first polyline and is set
    // aside too.
    EXPECT_EQ(result.closedOutlines, 3);
    EXPECT_EQ(result.outerOutlines, 2);
    EXPECT_EQ(result.changedLines, (std::vector<int>{0, 4, 6}));
}

TEST(OutlineExtraction, FrameRuleDependsOnWhereTheFrameIsDrawn)
{
    auto pieces = [](CPolylineIArray& drawing) {
        AddLine(drawing, Rect(1000, 1000, 9000, 9000));
        AddLine(drawing, Rect(3000, 3000, 5000, 5000));  // inner shape
        AddLine(drawing, Rect(11000, 1000, 19000, 9000));
    };
    {
        // Drawn last: the pieces are found first, the frame is outlined by the
        // frame rule and taken out, and the pieces are outlined as well.
        CPolylineIArray drawing;
        pieces(drawing);
        AddLine(drawing, Rect(0, 0, 20000, 10000));
        Extract(drawing);
        EXPECT_EQ(Pens(drawing), (std::vector<int>{kKnife, kInk, kKnife, kKnife}));
    }
    {
        // Drawn first: everything inside it is set aside in step 1.
        CPolylineIArray drawing;
        AddLine(drawing, Rect(0, 0, 20000, 10000));
        pieces(drawing);
        const ExtractResult result = Extract(drawing);
        EXPECT_EQ(Pens(drawing), (std::vector<int>{kKnife, kInk, kInk, kInk}));
        EXPECT_EQ(result.closedOutlines, 1);
    }
    {
        // A frame only twice as large as a piece is no frame: it contains the
        // pieces, which keep their pen.
        CPolylineIArray drawing;
        AddLine(drawing, Rect(100, 100, 9900, 9900));
        AddLine(drawing, Rect(0, 0, 10000, 19000));
        Extract(drawing);
        EXPECT_EQ(Pens(drawing), (std::vector<int>{kInk, kKnife}));
    }
}

TEST(OutlineExtraction, IdenticalOutlinesGiveOne)
{
    CPolylineIArray drawing;
    AddLine(drawing, Rect(0, 0, 6000, 4000));
    AddLine(drawing, Rect(0, 0, 6000, 4000));
    AddLine(drawing, Rect(8000, 0, 14000, 4000));
    // Drawn the other way round and starting elsewhere: the same outline.
    AddLine(drawing, {{14000, 4000}, {14000, 0}, {8000, 0}, {8000, 4000}, {14000, 4000}});
    const ExtractResult result = Extract(drawing);
    EXPECT_EQ(Pens(drawing), (std::vector<int>{kInk, kKnife, kInk, kKnife}));
    EXPECT_EQ(result.outerOutlines, 2);
}

TEST(OutlineExtraction, InsetMovesInwardWhicheverWayTheOutlineRuns)
{
    const Points ccw = {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}};
    Points cw = ccw;
    std::reverse(cw.begin(), cw.end());
    for (const Points& points : {ccw, cw}) {
        CPolygon polygon;
        for (const auto& p : points)
            polygon.AddPoint(p.first, p.second);
        polygon.AddPoint(points[0].first, points[0].second);  // repeated below, removed
        polygon.AddPoint(points[0].first, points[0].second);
        polygon.Inset(10);
        ASSERT_EQ(polygon.GetCount(), 5);
        for (const PointI& p : polygon.m_points) {
            // Each vertex moves along its outgoing edge's normal only.
            const bool movedInX = p.x == 10 || p.x == 990;
            const bool movedInY = p.y == 10 || p.y == 990;
            EXPECT_TRUE(movedInX != movedInY) << p.x << "," << p.y;
            EXPECT_TRUE(p.x >= 0 && p.x <= 1000 && p.y >= 0 && p.y <= 1000);
        }
    }
}

TEST(OutlineExtraction, ContainmentOfOutlines)
{
    auto polygonOf = [](const Points& points) {
        CPolygon polygon;
        for (const auto& p : points)
            polygon.AddPoint(p.first, p.second);
        return polygon;
    };
    const CPolygon outer = polygonOf(Rect(0, 0, 1000, 1000));
    EXPECT_TRUE(outer.Contains(polygonOf(Rect(100, 100, 900, 900))));
    // Sharing edges with the container still counts as inside.
    EXPECT_TRUE(outer.Contains(polygonOf(Rect(0, 0, 500, 1000))));
    EXPECT_FALSE(outer.Contains(polygonOf(Rect(500, 500, 1500, 900))));
    EXPECT_FALSE(polygonOf(Rect(100, 100, 900, 900)).Contains(outer));
    // Disjoint, and touching along one edge only.
    EXPECT_FALSE(outer.Contains(polygonOf(Rect(2000, 0, 3000, 1000))));
    EXPECT_FALSE(outer.Contains(polygonOf(Rect(1000, 0, 2000, 1000))));
    // The same outline both ways.
    EXPECT_TRUE(outer.Contains(polygonOf(Rect(0, 0, 1000, 1000))));
}

// ---------------------------------------------------------------------------
// Cancel, hold and progress.

CPolylineIArray TwoPieces()
{
    CPolylineIArray drawing;
    AddLine(drawing, Rect(0, 0, 5000, 5000));
    AddLine(drawing, Rect(6000, 0, 11000, 5000));
    AddLine(drawing, Rect(1000, 1000, 2000, 2000));
    return drawing;
}

TEST(OutlineExtraction, CancelledRunLeavesTheDrawingAlone)
{
    {
        CPolylineIArray drawing = TwoPieces();
        CExtractControl control;
        control.RequestCancel();
        COutlineExtractor extractor;
        extractor.SetControl(&control);
        EXPECT_TRUE(extractor.Run(drawing, kKnife).cancelled);
        EXPECT_EQ(Pens(drawing), std::vector<int>(3, kInk));
    }
    {
        // A cancel confirmed while step 2 runs still counts: the pens are
        // only written once both steps are through.
        CPolylineIArray drawing = TwoPieces();
        CExtractControl control;
        COutlineExtractor extractor;
        extractor.SetControl(&control);
        extractor.SetProgress([&control](int step, int, int) {
            if (step == 2)
                control.RequestCancel();
        });
        const ExtractResult result = extractor.Run(drawing, kKnife);
        EXPECT_TRUE(result.cancelled);
        EXPECT_TRUE(result.changedLines.empty());
        EXPECT_EQ(Pens(drawing), std::vector<int>(3, kInk));
    }
}

TEST(OutlineExtraction, HeldWorkerWaitsForTheAnswer)
{
    for (const bool answerYes : {true, false}) {
        CPolylineIArray drawing = TwoPieces();
        CExtractControl control;
        control.Hold();  // the cancel question is open
        std::atomic<bool> finished{false};
        ExtractResult result;
        std::thread worker([&] {
            COutlineExtractor extractor;
            extractor.SetControl(&control);
            result = extractor.Run(drawing, kKnife);
            finished = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(finished.load());
        if (answerYes)
            control.RequestCancel();
        control.Release();
        worker.join();
        EXPECT_EQ(result.cancelled, answerYes);
        const std::vector<int> expected =
            answerYes ? std::vector<int>(3, kInk) : std::vector<int>{kKnife, kKnife, kInk};
        EXPECT_EQ(Pens(drawing), expected);
    }
}

TEST(OutlineExtraction, ProgressRunsThroughBothSteps)
{
    CPolylineIArray drawing = TwoPieces();
    std::vector<std::vector<int>> calls;
    COutlineExtractor extractor;
    extractor.SetProgress([&calls](int step, int value, int range) {
        calls.push_back({step, value, range});
    });
    extractor.Run(drawing, kKnife);
    const std::vector<std::vector<int>> expected = {
        {1, 0, 3}, {1, 1, 3}, {1, 2, 3}, {1, 3, 3}, {2, 0, 2}, {2, 1, 2}, {2, 2, 2}};
    EXPECT_EQ(calls, expected);

    // An empty drawing ends at once.
    CPolylineIArray empty;
    calls.clear();
    EXPECT_EQ(extractor.Run(empty, kKnife).closedOutlines, 0);
    EXPECT_TRUE(calls.empty());
}

// ---------------------------------------------------------------------------
// Against the literal reference, on random drawings.

class RandomDrawing {
public:
    explicit RandomDrawing(unsigned seed) : m_rng(seed) {}

    CPolylineIArray Make()
    {
        CPolylineIArray drawing;
        m_lines.clear();
        const int pieces = Uniform(1, 5);
        for (int k = 0; k < pieces; ++k)
            Piece();
        if (Chance(0.15))
            Frame();
        const int extras = Uniform(0, 4);
        for (int k = 0; k < extras; ++k)
            Stroke(Uniform(0, 20000), Uniform(0, 20000), Uniform(100, 3000));
        if (Chance(0.1))
            m_lines.push_back({});
        if (Chance(0.5))
            std::shuffle(m_lines.begin(), m_lines.end(), m_rng);
        // Sometimes far from the origin, where float copies lose units.
        const int shift = Chance(0.1) ? Uniform(-30000000, 30000000) : 0;
        for (const std::vector<PointI>& points : m_lines) {
            CPolylineI& line = drawing.m_lines.emplace_back(Uniform(1, 3));
            for (const PointI& p : points)
                line.AddPoint(p.x + shift, p.y + shift);
        }
        return drawing;
    }

private:
    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(m_rng) < p; }

    // A star-shaped outline round a centre.
    std::vector<PointI> Outline(int cx, int cy, int radius, int vertices)
    {
        std::vector<PointI> points;
        const double turn = Chance(0.5) ? 1.0 : -1.0;
        for (int v = 0; v < vertices; ++v) {
            const double a = turn * 2.0 * kPi * v / vertices;
            const double r = radius * std::uniform_real_distribution<double>(0.6, 1.0)(m_rng);
            points.push_back(PointI{cx + static_cast<int>(r * std::cos(a)),
                                    cy + static_cast<int>(r * std::sin(a))});
        }
        return points;
    }

    // Ends that meet exactly, within reach, or just out of reach.
    PointI Nudge(PointI p)
    {
        switch (Uniform(0, 5)) {
        case 0:
        case 1: return p;
        case 2: return PointI{p.x + Uniform(-25, 25), p.y + Uniform(-25, 25)};
        case 3: return PointI{p.x + Uniform(-41, 41), p.y};
        case 4: return PointI{p.x + (Chance(0.5) ? 9 : 15), p.y + (Chance(0.5) ? 40 : 38)};
        default: return PointI{p.x + Uniform(-60, 60), p.y + Uniform(-60, 60)};
        }
    }

    void Emit(std::vector<PointI> points)
    {
        if (Chance(0.5))
            std::reverse(points.begin(), points.end());
        m_lines.push_back(std::move(points));
    }

    void Piece()
    {
        const int cx = Uniform(0, 20000);
        const int cy = Uniform(0, 20000);
        const int radius = Uniform(150, 6000);
        std::vector<PointI> outline = Outline(cx, cy, radius, Uniform(3, 9));
        const int style = Uniform(0, 9);
        if (style <= 2) {
            std::vector<PointI> closed = outline;
            closed.push_back(Nudge(outline[0]));
            if (style == 1)  // overshoot past the start
                closed.push_back(PointI{outline[0].x + Uniform(-400, 400), outline[0].y + 300});
            Emit(closed);
            if (Chance(0.15))
                Emit(closed);  // the same outline twice
        } else {
            // Split into chains at random vertices.
            const int n = static_cast<int>(outline.size());
            const int parts = std::min(n, Uniform(2, 5));
            std::vector<int> cuts;
            for (int k = 0; k < n; ++k)
                cuts.push_back(k);
            std::shuffle(cuts.begin(), cuts.end(), m_rng);
            cuts.resize(static_cast<size_t>(parts));
            std::sort(cuts.begin(), cuts.end());
            for (int k = 0; k < parts; ++k) {
                const int from = cuts[static_cast<size_t>(k)];
                const int to = k + 1 < parts ? cuts[static_cast<size_t>(k + 1)] : cuts[0] + n;
                std::vector<PointI> chain;
                for (int v = from; v <= to; ++v)
                    chain.push_back(outline[static_cast<size_t>(v % n)]);
                chain.front() = Nudge(chain.front());
                Emit(chain);
                if (Chance(0.1)) {
                    // A retrace: the same stretch drawn again, a little off.
                    for (PointI& p : chain)
                        p = PointI{p.x + Uniform(-20, 20), p.y + Uniform(-20, 20)};
                    Emit(chain);
                }
            }
        }
        // Inner lines, inner shapes, a nested piece, labels.
        const int inner = Uniform(0, 3);
        for (int k = 0; k < inner; ++k) {
            const int r = std::max(20, radius / Uniform(3, 8));
            const int x = cx + Uniform(-radius / 3, radius / 3);
            const int y = cy + Uniform(-radius / 3, radius / 3);
            if (Chance(0.4)) {
                std::vector<PointI> shape = Outline(x, y, r, Uniform(3, 6));
                shape.push_back(shape[0]);
                Emit(shape);
            } else {
                Stroke(x, y, r);
            }
        }
        if (Chance(0.2) && radius > 1500)
            Emit(Outline(cx, cy, radius / 2, Uniform(3, 7)));
        if (Chance(0.3)) {
            const int letters = Uniform(2, 6);
            for (int k = 0; k < letters; ++k)
                Stroke(cx + k * 120, cy, 100);
        }
    }

    void Stroke(int x, int y, int size)
    {
        std::vector<PointI> points;
        const int n = Uniform(1, 4);
        for (int k = 0; k < n; ++k)
            points.push_back(PointI{x + Uniform(-size, size), y + Uniform(-size, size)});
        if (Chance(0.2))
            points.push_back(Nudge(points[0]));
        Emit(points);
    }

    void Frame()
    {
        const int margin = Uniform(0, 3000);
        std::vector<PointI> frame = {{-margin, -margin}, {26000 + margin, -margin},
                                     {26000 + margin, 26000 + margin}, {-margin, 26000 + margin},
                                     {-margin, -margin}};
        if (Chance(0.5))
            m_lines.insert(m_lines.begin(), frame);
        else
            m_lines.push_back(frame);
    }

    std::mt19937 m_rng;
    std::vector<std::vector<PointI>> m_lines;
};

TEST(OutlineExtraction, MatchesLiteralReferenceOnRandomDrawings)
{
    int withOutlines = 0;
    int withContainment = 0;
    for (unsigned seed = 1; seed <= 1500; ++seed) {
        RandomDrawing generator(seed);
        const CPolylineIArray original = generator.Make();
        CPolylineIArray expected = original;
        CPolylineIArray actual = original;
        const int referenceFound = extraction_reference::ExtractOutlines(expected, kKnife);
        const ExtractResult result = Extract(actual);
        ASSERT_EQ(Pens(actual), Pens(expected)) << "seed " << seed;
        ASSERT_EQ(result.closedOutlines, referenceFound) << "seed " << seed;
        withOutlines += result.outerOutlines > 0;
        withContainment += result.outerOutlines < result.closedOutlines;
    }
    // The generator must really exercise both steps.
    EXPECT_GT(withOutlines, 1000);
    EXPECT_GT(withContainment, 500);
}

// ---------------------------------------------------------------------------
// Writing the result back into the plot file.

TEST(OutlineExtraction, WriteBackRewritesThePlotFileOneToOne)
{
    TempDir folder;
    CPolylineIArray drawing = TwoPieces();
    Extract(drawing);
    PLOTTERCONFIG config;
    config.scaleX = 2.5f;  // the device's scale belongs to plotting, not to the file
    config.scaleY = 0.5f;
    ASSERT_TRUE(WriteDrawingToPlotFolder(drawing, folder.Path(), "piece.plt", config).ok());

    CPolylineIArray loaded;
    ASSERT_TRUE(loaded.Load(folder.File("piece.plt")).ok());
    ASSERT_EQ(loaded.GetCount(), drawing.GetCount());
    for (int k = 0; k < drawing.GetCount(); ++k) {
        EXPECT_EQ(loaded.GetPolyline(k)->m_points, drawing.GetPolyline(k)->m_points) << k;
        EXPECT_EQ(loaded.GetPolyline(k)->GetPenNo(), drawing.GetPolyline(k)->GetPenNo()) << k;
    }

    EXPECT_EQ(PlotFolderPath("/plots/in/../out", "a.plt"), "/plots/out/a.plt");
    EXPECT_FALSE(WriteDrawingToPlotFolder(drawing, folder.Path(), "", config).ok());
    // A folder that does not exist: an error, and nothing appears.
    EXPECT_FALSE(
        WriteDrawingToPlotFolder(drawing, folder.File("missing"), "piece.plt", config).ok());
}

} // namespace
