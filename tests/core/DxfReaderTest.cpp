// The DXF reader on files written for the tests (tests/data/dxf: small ones
// by hand, the others by tools/make-dxf-fixtures.py with ezdxf): what each
// pattern layer becomes, notches as slots or cut lines, drill crosses, the
// piece text, units, block transforms, bulges and curves within the chord
// error, files that are not DXF, damaged or empty, the DXF library's traps,
// the plot file reader's hand-over and the edits that must not reach a DXF
// file.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "TempDir.h"
#include "geometry/PlotFileWriteBack.h"
#include "plotlib/DxfReader.h"
#include "plotlib/NurbsCurve.h"
#include "plotlib/PlotFileReader.h"
#include "plotlib/ProgramDir.h"
#include "view/DxfSettings.h"
#include "view/SlotSettings.h"

namespace {

using Points = std::vector<PointI>;

std::string Data(const std::string& name)
{
    return std::string(PLOTVANE_SOURCE_DIR) + "/tests/data/dxf/" + name;
}

struct Result {
    Status status;
    CPolylineIArray drawing;
    DxfReadReport report;
};

// 1016 units per inch (40 per mm), pens 1 draw, 2 cut, 3 half cut, the
// built-in layer map and slot sizes (6 wide, 10 deep, floor 3, lead-in and
// lead-out 3).
Result ReadDxf(const std::string& name, const DxfReadOptions& options = DxfReadOptions())
{
    Result r;
    CDxfReader reader(options);
    r.status = reader.ReadFile(Data(name), r.drawing);
    r.report = reader.Report();
    return r;
}

Result ReadText(const std::string& text, const DxfReadOptions& options = DxfReadOptions())
{
    Result r;
    CDxfReader reader(options);
    r.status = reader.ReadBuffer(text.data(), text.size(), r.drawing, "text.dxf");
    r.report = reader.Report();
    return r;
}

int CountLine(const CPolylineIArray& d, int pen, const Points& points)
{
    return static_cast<int>(std::count_if(d.m_lines.begin(), d.m_lines.end(), [&](const CPolylineI& l) {
        return l.GetPenNo() == pen && l.m_points == points;
    }));
}

std::vector<const CPolylineI*> WithPen(const CPolylineIArray& d, int pen)
{
    std::vector<const CPolylineI*> out;
    for (const CPolylineI& l : d.m_lines)
        if (l.GetPenNo() == pen)
            out.push_back(&l);
    return out;
}

// The cut polyline whose second and third points (a slot's floor) are these.
const CPolylineI* SlotWithFloor(const CPolylineIArray& d, PointI a, PointI b)
{
    for (const CPolylineI& l : d.m_lines)
        if (l.GetPenNo() == 2 && l.m_points.size() == 4 && l.m_points[1] == a && l.m_points[2] == b)
            return &l;
    return nullptr;
}

std::string Describe(const CPolylineIArray& d)
{
    std::string s;
    for (const CPolylineI& l : d.m_lines) {
        s += "P" + std::to_string(l.GetPenNo()) + ":";
        for (size_t i = 0; i < l.m_points.size() && i < 8; ++i)
            s += " " + std::to_string(l.m_points[i].x) + "," + std::to_string(l.m_points[i].y);
        s += l.m_points.size() > 8 ? " ...\n" : "\n";
    }
    return s;
}

Points Closed(std::initializer_list<PointI> corners)
{
    Points p(corners);
    p.push_back(p.front());
    return p;
}

// A DXF text: header variables, the style text (layer 1 in model space)
// and a line (0,0)-(1,0) on a plain layer.
std::string UnitProbe(const std::string& header, const std::string& styleText)
{
    std::string s = "  0\nSECTION\n  2\nHEADER\n" + header + "  0\nENDSEC\n";
    s += "  0\nSECTION\n  2\nENTITIES\n";
    if (!styleText.empty())
        s += "  0\nTEXT\n  8\n1\n 10\n0\n 20\n-5\n 40\n1\n  1\n" + styleText + "\n";
    s += "  0\nLINE\n  8\nPEN\n 10\n0\n 20\n0\n 11\n1\n 21\n0\n  0\nENDSEC\n  0\nEOF\n";
    return s;
}

DxfReadOptions g_sourceOptions;
DxfReadOptions FixedSource() { return g_sourceOptions; }

} // namespace

TEST(DxfPattern, EachAstmLayerGoesWhereTheDefaultMapSendsIt)
{
    const Result r = ReadDxf("generated/astm-two-pieces.dxf");
    ASSERT_TRUE(r.status.ok()) << r.status.message();
    const CPolylineIArray& d = r.drawing;
    // FRONT (200 x 100 mm) at the origin: boundary (1) and cutout (11) cut,
    // the boundary once (its validation curve, 84, is skipped).
    EXPECT_EQ(CountLine(d, 2, Closed({{0, 0}, {8000, 0}, {8000, 4000}, {0, 4000}})), 1) << Describe(d);
    EXPECT_EQ(CountLine(d, 2, Closed({{4800, 2400}, {6400, 2400}, {6400, 3200}, {4800, 3200}})), 1);
    // BACK (150 x 120) inserted at (400, 300) turned by 90 degrees.
    EXPECT_EQ(CountLine(d, 2, Closed({{16000, 12000}, {16000, 18000}, {11200, 18000}, {11200, 12000}})), 1);
    // Sew line (14), grain line (7), mirror line (6), internal line (8),
    // stripe and plaid references (9, 10): the draw pen.
    EXPECT_EQ(CountLine(d, 1, Closed({{400, 400}, {7600, 400}, {7600, 3600}, {400, 3600}})), 1);
    EXPECT_EQ(CountLine(d, 1, {{4000, 800}, {4000, 3200}}), 1);
    EXPECT_EQ(CountLine(d, 1, {{8000, 400}, {8000, 3600}}), 1);
    EXPECT_EQ(CountLine(d, 1, {{800, 2000}, {2667, 2000}}), 1);
    EXPECT_EQ(CountLine(d, 1, {{4800, 600}, {7200, 600}}), 1);
    EXPECT_EQ(CountLine(d, 1, {{4800, 1000}, {7200, 1000}}), 1);
    // Drill hole (13) at (60, 30): a 4 mm cross on the draw pen.
    EXPECT_EQ(CountLine(d, 1, {{2320, 1200}, {2480, 1200}}), 1);
    EXPECT_EQ(CountLine(d, 1, {{2400, 1120}, {2400, 1280}}), 1);
    EXPECT_EQ(r.report.drillHoles, 2u);
    // Cut: two boundaries, two cutouts and the twelve notches; nothing else
    // (no text, no reference line is ever cut).
    EXPECT_EQ(WithPen(d, 2).size(), 16u);
    EXPECT_EQ(r.report.notches, 12u);
    EXPECT_EQ(r.report.notchesWithoutEdge, 0u);
    // The style text sits below the pieces (y -20 and -30 mm): read, not drawn.
    for (const CPolylineI* l : WithPen(d, 1))
        for (const PointI& p : l->m_points)
            ASSERT_GE(p.y, 0) << "drawn below the pieces";
}

TEST(DxfPattern, PieceTextNamesThePiecesAndTheStyleTextGivesTheUnit)
{
    const Result r = ReadDxf("generated/astm-two-pieces.dxf");
    ASSERT_TRUE(r.status.ok()) << r.status.message();
    ASSERT_EQ(r.report.pieces.size(), 2u);
    EXPECT_EQ(r.report.pieces[0].name, "FRONT");
    EXPECT_EQ(r.report.pieces[0].size, "M");
    EXPECT_EQ(r.report.pieces[0].quantity, "2");
    EXPECT_EQ(r.report.pieces[0].category, "BODY");
    EXPECT_EQ(r.report.pieces[1].name, "BACK");
    EXPECT_EQ(r.report.style, "SHIRT");
    EXPECT_EQ(r.report.units, "millimetres");
    EXPECT_NE(r.report.unitsSource.find("UNITS = METRIC"), std::string::npos);
}

TEST(DxfPattern, NotchesBecomeSlotsAtTheNotchPointIntoThePiece)
{
    const Result r = ReadDxf("generated/astm-two-pieces.dxf");
    ASSERT_TRUE(r.status.ok()) << r.status.message();
    const CPolylineIArray& d = r.drawing;
    // The slit notch line at (100, 0): a slot 10 deep into the piece with a
    // 3 wide floor; lead-in and lead-out start outside the boundary.
    const CPolylineI* slit = SlotWithFloor(d, {4060, 400}, {3940, 400});
    ASSERT_NE(slit, nullptr) << Describe(d);
    EXPECT_LT(slit->m_points[0].y, 0);
    EXPECT_LT(slit->m_points[3].y, 0);
    // The notch point on the left edge with its direction (0 degrees).
    const CPolylineI* left = SlotWithFloor(d, {400, 1940}, {400, 2060});
    ASSERT_NE(left, nullptr) << Describe(d);
    EXPECT_LT(left->m_points[0].x, 0);
    // The notch-type points (80..83) on the top edge have no direction: the
    // slot goes across the edge, down into the piece.
    for (int x : {1600, 3200, 4800, 6400})
        EXPECT_NE(SlotWithFloor(d, {x - 60, 3600}, {x + 60, 3600}), nullptr) << x << "\n" << Describe(d);
    // BACK's slit notch at (75, 0) of its block lies at (400, 375) after
    // the turn, the piece to its left.
    EXPECT_NE(SlotWithFloor(d, {15600, 15060}, {15600, 14940}), nullptr) << Describe(d);
}

TEST(DxfPattern, WithSlotsOffANotchIsAShortCutIntoThePiece)
{
    DxfReadOptions options;
    options.layers.notchSlots = false;
    const Result r = ReadDxf("generated/astm-two-pieces.dxf", options);
    ASSERT_TRUE(r.status.ok()) << r.status.message();
    const CPolylineIArray& d = r.drawing;
    EXPECT_EQ(CountLine(d, 2, {{0, 2000}, {400, 2000}}), 1) << Describe(d);  // point, slot length
    EXPECT_EQ(CountLine(d, 2, {{4000, 0}, {4000, 200}}), 1);                 // line, as drawn
    EXPECT_EQ(CountLine(d, 2, {{1600, 4000}, {1600, 3600}}), 1);
    EXPECT_EQ(r.report.notches, 12u);
}

TEST(DxfPattern, TheMapDecidesPensAndWhatIsLeftOut)
{
    DxfReadOptions options;
    options.drawPen = 7;
    options.cutPen = 6;
    options.halfCutPen = 5;
    options.layers.SetAction(DxfRole::Boundary, DxfAction::HalfCut);
    options.layers.SetAction(DxfRole::GrainLine, DxfAction::Cut);
    options.layers.SetAction(DxfRole::Notches, DxfAction::Skip);
    options.layers.SetAction(DxfRole::DrillHoles, DxfAction::Skip);
    options.layers.SetAction(DxfRole::PieceText, DxfAction::Skip);
    options.layers.SetAction(DxfRole::QualityCurves, DxfAction::Draw);
    const Result r = ReadDxf("generated/astm-two-pieces.dxf", options);
    ASSERT_TRUE(r.status.ok()) << r.status.message();
    const CPolylineIArray& d = r.drawing;
    const Points front = Closed({{0, 0}, {8000, 0}, {8000, 4000}, {0, 4000}});
    EXPECT_EQ(CountLine(d, 5, front), 1) << Describe(d);
    EXPECT_EQ(CountLine(d, 7, front), 1);  // the validation curve, now drawn
    EXPECT_EQ(CountLine(d, 6, {{4000, 800}, {4000, 3200}}), 1);
    EXPECT_EQ(r.report.notches, 8u);  // only the notch-type layers 80..83
    EXPECT_EQ(r.report.drillHoles, 0u);
    // Without the piece text only the annotation text is stroked: far
    // fewer draw-pen lines, and the pieces are still named.
    const Result all = ReadDxf("generated/astm-two-pieces.dxf");
    EXPECT_LT(WithPen(d, 7).size() + 40, WithPen(all.drawing, 1).size());
    ASSERT_EQ(r.report.pieces.size(), 2u);
    EXPECT_EQ(r.report.pieces[1].name, "BACK");
}

TEST(DxfUnits, TheUnitComesFromThePatternTextThenInsunitsThenMeasurement)
{
    struct Case {
        const char* what;
        std::string header;
        const char* styleText;
        int length;  // of a line one drawing unit long, plotter units
    };
    const Case cases[] = {
        {"nothing: millimetres", "", "", 40},
        {"$INSUNITS inches", "  9\n$INSUNITS\n 70\n1\n", "", 1016},
        {"$INSUNITS centimetres", "  9\n$INSUNITS\n 70\n5\n", "", 400},
        {"$INSUNITS metres", "  9\n$INSUNITS\n 70\n6\n", "", 40000},
        {"$MEASUREMENT English", "  9\n$MEASUREMENT\n 70\n0\n", "", 1016},
        {"$MEASUREMENT metric", "  9\n$MEASUREMENT\n 70\n1\n", "", 40},
        {"unitless $INSUNITS falls to $MEASUREMENT",
         "  9\n$INSUNITS\n 70\n0\n  9\n$MEASUREMENT\n 70\n0\n", "", 1016},
        {"$INSUNITS before $MEASUREMENT", "  9\n$INSUNITS\n 70\n4\n  9\n$MEASUREMENT\n 70\n0\n", "", 40},
        {"pattern text over the header", "  9\n$INSUNITS\n 70\n4\n", "UNITS: ENGLISH", 1016},
        {"pattern text with =", "  9\n$INSUNITS\n 70\n1\n", "UNITS = METRIC", 40},
    };
    for (const Case& c : cases) {
        const Result r = ReadText(UnitProbe(c.header, c.styleText));
        ASSERT_TRUE(r.status.ok()) << c.what << ": " << r.status.message();
        int minX, minY, maxX, maxY;
        ASSERT_TRUE(r.drawing.GetBoundRect(minX, minY, maxX, maxY)) << c.what;
        EXPECT_EQ(maxX - minX, c.length) << c.what;
        EXPECT_EQ(maxY - minY, 0) << c.what << " (the style text is not drawn)";
    }
    // Written by ezdxf: inches by the pattern text, whatever $MEASUREMENT
    // says (a 4 x 2 inch piece); centimetres by $INSUNITS.
    const Result english = ReadDxf("generated/astm-english.dxf");
    ASSERT_TRUE(english.status.ok()) << english.status.message();
    EXPECT_EQ(CountLine(english.drawing, 2, Closed({{0, 0}, {4064, 0}, {4064, 2032}, {0, 2032}})), 1);
    const Result cm = ReadDxf("generated/plain-curves.dxf");
    ASSERT_TRUE(cm.status.ok()) << cm.status.message();
    EXPECT_EQ(cm.report.units, "centimetres");
}

TEST(DxfGeometry, BlocksArePlacedWithScaleRotationMirrorNestingAndArrays)
{
    const Result r = ReadDxf("generated/insert-transforms.dxf");
    ASSERT_TRUE(r.status.ok()) << r.status.message();
    const CPolylineIArray& d = r.drawing;
    std::vector<Points> want = {
        Closed({{4000, 0}, {5600, 0}, {4000, 1200}}),       // scaled 2 x 3
        Closed({{0, 4000}, {0, 4800}, {-400, 4000}}),       // turned 90
        Closed({{8000, 0}, {7200, 0}, {8000, 400}}),        // mirrored
        Closed({{12000, 0}, {11600, 0}, {12000, -200}}),    // nested, halved, turned 180
    };
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 2; ++col) {
            const int x = 2000 * col, y = 12000 + 2000 * row;
            want.push_back(Closed({{x, y}, {x + 800, y}, {x, y + 400}}));
        }
    EXPECT_EQ(d.GetCount(), static_cast<int>(want.size())) << Describe(d);
    for (const Points& p : want)
        EXPECT_EQ(CountLine(d, 2, p), 1) << p[0].x << "," << p[0].y << "\n" << Describe(d);
}

TEST(DxfGeometry, BulgesArcsCirclesEllipsesAndSplinesStayWithinTheChordError)
{
    const Result r = ReadDxf("generated/plain-curves.dxf");  // centimetres
    ASSERT_TRUE(r.status.ok()) << r.status.message();
    ASSERT_EQ(r.drawing.GetCount(), 6) << Describe(r.drawing);
    // 0.1 mm = 4 units, plus half a unit of rounding at each end.
    const double tolerance = 4.0 + 1.0;
    auto lineIn = [&](int minX, int maxX) -> const CPolylineI* {
        for (const CPolylineI& l : r.drawing.m_lines) {
            int lo = INT_MAX, hi = INT_MIN;
            for (const PointI& p : l.m_points) {
                lo = std::min(lo, p.x);
                hi = std::max(hi, p.x);
            }
            if (lo >= minX && hi <= maxX)
                return &l;
        }
        return nullptr;
    };
    // Points on the circle (cx, cy, r) (within rounding), chords within the
    // tolerance, and not more points than a tenfold finer sampling would take.
    auto onCircle = [&](const CPolylineI* l, double cx, double cy, double radius, double sweep) {
        ASSERT_NE(l, nullptr);
        for (size_t i = 0; i < l->m_points.size(); ++i) {
            const PointI p = l->m_points[i];
            EXPECT_NEAR(std::hypot(p.x - cx, p.y - cy), radius, 1.0) << p.x << "," << p.y;
            if (i == 0)
                continue;
            const PointI q = l->m_points[i - 1];
            EXPECT_GE(std::hypot((p.x + q.x) / 2.0 - cx, (p.y + q.y) / 2.0 - cy), radius - tolerance);
        }
        const double ideal = sweep / (2 * std::acos(1 - 4.0 / radius));
        EXPECT_LT(static_cast<double>(l->m_points.size()), 3 * ideal + 4);
    };
    const double pi = std::acos(-1.0);
    // The right side of the 10 x 5 cm rectangle is a bulge of 1: a half
    // circle about (10, 2.5) cm to x 12.5 cm.
    const CPolylineI* cut = lineIn(0, 5000);
    ASSERT_NE(cut, nullptr);
    CPolylineI right;
    for (const PointI& p : cut->m_points)
        if (p.x >= 4000)
            right.m_points.push_back(p);
    onCircle(&right, 4000, 1000, 1000, pi);
    EXPECT_EQ(*std::max_element(cut->m_points.begin(), cut->m_points.end(),
                                [](PointI a, PointI b) { return a.x < b.x; }),
              (PointI{5000, 1000}));
    onCircle(lineIn(11000, 15000), 12000, 0, 2000, pi / 2);  // arc 0..90 degrees
    onCircle(lineIn(19000, 21000), 20000, 0, 800, 2 * pi);   // circle
    onCircle(lineIn(39000, 45000), 40000, 0, 4000, pi / 2);  // rational spline: a quarter circle
    const CPolylineI* quarter = lineIn(39000, 45000);
    EXPECT_EQ(quarter->m_points.front(), (PointI{44000, 0}));
    EXPECT_EQ(quarter->m_points.back(), (PointI{40000, 4000}));
    // Ellipse about (70, 0) cm, semi-axes 6 and 3 cm.
    const CPolylineI* ellipse = lineIn(25000, 31000);
    ASSERT_NE(ellipse, nullptr);
    for (const PointI& p : ellipse->m_points)
        EXPECT_NEAR(std::pow((p.x - 28000) / 2400.0, 2) + std::pow(p.y / 1200.0, 2), 1.0, 0.002);
    // The fit-point spline passes through its fit points.
    const CPolylineI* fit = lineIn(47000, 55000);
    ASSERT_NE(fit, nullptr);
    for (PointI want : {PointI{48000, 0}, PointI{50000, 2000}, PointI{52000, 0}, PointI{54000, 2000}})
        EXPECT_NE(std::find(fit->m_points.begin(), fit->m_points.end(), want), fit->m_points.end())
            << want.x;
}

TEST(DxfGeometry, NurbsCurveIsTheBezierForClampedKnotsAndRepairsBadOnes)
{
    const std::vector<StrokePoint> control = {{0, 0}, {10, 30}, {40, 30}, {50, 0}};
    auto bezier = [&](double t) {
        const double u = 1 - t;
        const double b[4] = {u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t};
        StrokePoint p;
        for (int i = 0; i < 4; ++i) {
            p.x += b[i] * control[i].x;
            p.y += b[i] * control[i].y;
        }
        return p;
    };
    // Good knots, knots of the wrong count, and knots out of order all give
    // the clamped cubic, which is the Bezier curve.
    for (const std::vector<double>& knots :
         {std::vector<double>{0, 0, 0, 0, 1, 1, 1, 1}, std::vector<double>{0, 1, 2},
          std::vector<double>{0, 0, 0, 0, 1, 1, 0.5, 1}}) {
        CNurbsCurve curve;
        ASSERT_TRUE(curve.Set(3, control, {}, knots));
        for (double t = 0; t <= 1.0; t += 0.125) {
            const StrokePoint p = curve.Evaluate(curve.StartParameter() +
                                                 t * (curve.EndParameter() - curve.StartParameter()));
            EXPECT_NEAR(p.x, bezier(t).x, 1e-9);
            EXPECT_NEAR(p.y, bezier(t).y, 1e-9);
        }
        std::vector<StrokePoint> samples;
        ASSERT_TRUE(curve.Sample(0.1, samples, 100000));
        for (size_t i = 1; i < samples.size(); ++i) {
            // The curve point halfway between two samples' parameters is not
            // known here; the chord's midpoint is close to the curve instead.
            const StrokePoint m{(samples[i].x + samples[i - 1].x) / 2, (samples[i].y + samples[i - 1].y) / 2};
            double best = 1e9;
            for (double t = 0; t <= 1.0; t += 1.0 / 4096)
                best = std::min(best, std::hypot(bezier(t).x - m.x, bezier(t).y - m.y));
            EXPECT_LE(best, 0.1 + 1e-6);
        }
    }
    CNurbsCurve degenerate;
    EXPECT_FALSE(degenerate.Set(3, {{1, 1}}, {}, {}));
}

TEST(DxfFile, ObjectCoordinatesHiddenLayersAndBlockLayerZero)
{
    // A circle about (50, 0) seen from below lies about (-50, 0).
    const Result mirrored = ReadDxf("ocs-mirror.dxf");
    ASSERT_TRUE(mirrored.status.ok()) << mirrored.status.message();
    int minX, minY, maxX, maxY;
    ASSERT_TRUE(mirrored.drawing.GetBoundRect(minX, minY, maxX, maxY));
    EXPECT_NEAR((minX + maxX) / 2.0, -2000, 5);
    EXPECT_NEAR(maxX - minX, 800, 10);  // within the chord error on each side

    // Frozen and switched-off layers are left out.
    const Result hidden = ReadDxf("hidden-layers.dxf");
    ASSERT_TRUE(hidden.status.ok()) << hidden.status.message();
    ASSERT_EQ(hidden.drawing.GetCount(), 1) << Describe(hidden.drawing);
    EXPECT_EQ(hidden.drawing.GetPolyline(0)->m_points, (Points{{0, 0}, {400, 400}}));

    // Blocks inserting each other: each line once, the cycle refused; the
    // lines on layer 0 take the INSERT's layer 8 (draw pen).
    const Result cycle = ReadDxf("block-cycle.dxf");
    ASSERT_TRUE(cycle.status.ok()) << cycle.status.message();
    EXPECT_EQ(CountLine(cycle.drawing, 1, {{0, 0}, {400, 0}}), 1) << Describe(cycle.drawing);
    EXPECT_EQ(CountLine(cycle.drawing, 1, {{0, 200}, {400, 200}}), 1);
    EXPECT_EQ(cycle.drawing.GetCount(), 2);
    EXPECT_EQ(cycle.report.refusedInserts, 1u);
}

TEST(DxfBadInput, EveryRefusalNamesTheFileAndTheReason)
{
    struct Case {
        const char* file;
        const char* reason;
    };
    const Case cases[] = {
        {"not-dxf.dxf", "is not a DXF file"},
        {"bad-group-code.dxf", "is a damaged DXF file (line 7: a group code was expected"},
        {"truncated.dxf", "may have been cut off"},
        {"generated/blocks-only.dxf", "its blocks are never inserted"},
        {"generated/skipped-layers.dxf", "set to Skip in the DXF layer settings"},
        {"nested-arrays.dxf", "too large to plot"},
    };
    for (const Case& c : cases) {
        // Through the loader the program uses.
        CPolylineIArray d;
        d.Add(1).AddPoint(1, 1);  // replaced, not kept
        const Status s = d.Load(Data(c.file));
        ASSERT_FALSE(s.ok()) << c.file;
        EXPECT_EQ(s.kind(), StatusKind::BadInput) << c.file;
        EXPECT_NE(s.message().find(Data(c.file)), std::string::npos) << s.message();
        EXPECT_NE(s.message().find(c.reason), std::string::npos) << s.message();
        EXPECT_EQ(d.GetCount(), 0) << c.file;
    }
    const Result empty = ReadText("  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n");
    EXPECT_NE(empty.status.message().find("text.dxf has nothing to plot"), std::string::npos)
        << empty.status.message();
    CPolylineIArray d;
    CPlotFileReader reader;
    const std::string binary = std::string("AutoCAD Binary DXF\r\n\x1a", 21) + std::string(8, '\0');
    const Status s = reader.ReadBuffer(binary.data(), binary.size(), d, "bin.dxf");
    EXPECT_NE(s.message().find("bin.dxf is a binary DXF file"), std::string::npos) << s.message();
}

TEST(DxfBadInput, ValuesTheDxfLibraryWouldTrustAreDefused)
{
    // A 5000-byte text (the library's stream reader loops for ever on a line
    // over 1023 bytes), a vertex count of 2^30 + 1 with a bulge before the
    // first vertex, a control point count of 900 million.
    const Result r = ReadDxf("library-traps.dxf");
    ASSERT_TRUE(r.status.ok()) << r.status.message();
    EXPECT_EQ(CountLine(r.drawing, 2, {{0, 0}, {4000, 0}, {4000, 2000}}), 1) << Describe(r.drawing);
    const CPolylineI* spline = nullptr;
    for (const CPolylineI& l : r.drawing.m_lines)
        if (l.GetPenNo() == 1 && l.m_points.front() == (PointI{0, 2400}))
            spline = &l;
    ASSERT_NE(spline, nullptr) << Describe(r.drawing);
    EXPECT_EQ(spline->m_points.back(), (PointI{4000, 2400}));
    for (const PointI& p : spline->m_points)
        EXPECT_EQ(p.y, 2400);
    // The text is kept, cut to 250 bytes: far fewer strokes than 5000 letters.
    EXPECT_GT(r.drawing.GetCount(), 100);
    EXPECT_LT(r.drawing.GetCount(), 2000);

    // Numbers that are not finite or not numbers drop their entity, counted;
    // the rest of the file is read.
    const Result bad = ReadText(
        "  0\nSECTION\n  2\nENTITIES\n"
        "  0\nLINE\n  8\n1\n 10\nnan\n 20\n0\n 11\n1\n 21\n0\n"
        "  0\nCIRCLE\n  8\n1\n 10\n0\n 20\n0\n 40\n1e999\n"
        "  0\nLINE\n  8\n1\n 10\n0\n 20\n0\n 11\n 1,5 \n 21\n0\n  0\nENDSEC\n  0\nEOF\n");
    ASSERT_TRUE(bad.status.ok()) << bad.status.message();
    EXPECT_EQ(bad.report.damagedEntities, 2u);
    ASSERT_EQ(bad.drawing.GetCount(), 1);
    EXPECT_EQ(bad.drawing.GetPolyline(0)->m_points, (Points{{0, 0}, {60, 0}}));  // "1,5" is 1.5
}

TEST(DxfLoader, LoadReadsDxfByContentWithTheProgramsOptions)
{
    TempDir dir;
    g_sourceOptions = DxfReadOptions();
    g_sourceOptions.cutPen = 9;
    SetDxfOptionsSource(FixedSource);
    // A DXF file under another name is still DXF, and an HP-GL file named
    // .dxf is still HP-GL.
    std::ofstream(dir.File("piece.plt"), std::ios::binary) << ReadFileBytes(Data("minimal.dxf"));
    std::ofstream(dir.File("hpgl.dxf"), std::ios::binary) << "IN;SP1;PU0,0;PD100,0;";
    CPolylineIArray d;
    const Status dxf = d.Load(dir.File("piece.plt"));
    SetDxfOptionsSource(nullptr);
    ASSERT_TRUE(dxf.ok()) << dxf.message();
    EXPECT_EQ(CountLine(d, 9, {{0, 0}, {4000, 0}}), 1) << Describe(d);
    ASSERT_TRUE(d.Load(dir.File("hpgl.dxf")).ok());
    EXPECT_EQ(d.GetCount(), 1);
}

TEST(DxfLoader, AFileLongerThanTheFirstChunkIsReadWhole)
{
    // The plot file reader hands the first megabyte it read, then the rest
    // of the file, to the DXF reader.
    TempDir dir;
    std::string text = "  0\nSECTION\n  2\nENTITIES\n";
    const int lines = 25000;
    for (int i = 0; i < lines; ++i)
        text += "  0\nLINE\n  8\nPEN\n 10\n0\n 20\n" + std::to_string(i) + "\n 11\n10\n 21\n" +
                std::to_string(i) + "\n";
    text += "  0\nENDSEC\n  0\nEOF\n";
    ASSERT_GT(text.size(), CPlotFileReader::kChunkSize);
    std::ofstream(dir.File("big.dxf"), std::ios::binary) << text;
    CPolylineIArray fromFile;
    const Status s = fromFile.Load(dir.File("big.dxf"));
    ASSERT_TRUE(s.ok()) << s.message();
    ASSERT_EQ(fromFile.GetCount(), lines);
    EXPECT_EQ(fromFile.GetPolyline(lines - 1)->m_points, (Points{{0, 40 * (lines - 1)}, {400, 40 * (lines - 1)}}));
}

TEST(DxfWriteBack, EditsAreNeverWrittenIntoADxfFile)
{
    TempDir dir;
    const std::string original = ReadFileBytes(Data("generated/astm-two-pieces.dxf"));
    std::ofstream(dir.File("pieces.dxf"), std::ios::binary) << original;
    CPolylineIArray d;
    d.Add(2).m_points = {{0, 0}, {100, 0}};
    const Status s = WriteDrawingToPlotFolder(d, dir.Path(), "pieces.dxf", PLOTTERCONFIG());
    EXPECT_EQ(s.kind(), StatusKind::BadInput) << s.message();
    EXPECT_NE(s.message().find("DXF"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(dir.File("pieces.dxf")), original);
}

TEST(DxfSettings, TheLayerMapSurvivesSettingIniAndBadValuesKeepTheDefaults)
{
    TempDir dir;
    OverrideProgramDirectoryForTests(dir.Path());
    DxfLayerMap map;
    map.SetAction(DxfRole::Boundary, DxfAction::HalfCut);
    map.SetAction(DxfRole::OtherLayers, DxfAction::Skip);
    map.notchSlots = false;
    map.drillCrossMm = 2.5;
    StoreDxfLayerMap(map);
    EXPECT_EQ(ReadDxfLayerMap(), map);

    std::ofstream(dir.File("Setting.ini"))
        << "[DxfLayers]\nBoundary=Knife\nNotches= drill \nNotchSlots=maybe\nDrillCross=0\n";
    const DxfLayerMap read = ReadDxfLayerMap();
    EXPECT_EQ(read.Action(DxfRole::Boundary), DxfAction::Cut);
    EXPECT_EQ(read.Action(DxfRole::Notches), DxfAction::Drill);  // case and blanks do not matter
    EXPECT_TRUE(read.notchSlots);
    EXPECT_EQ(read.drillCrossMm, 4.0);

    // The reading options take the slot tool's sizes.
    StoreSlotSettings(SlotSettings{8, 12, 2, 1, 4});
    const DxfReadOptions options = ReadDxfReadOptions();
    EXPECT_EQ(options.slot.width, 8);
    EXPECT_EQ(options.slot.length, 12);
    EXPECT_EQ(options.slot.space, 4);
    OverrideProgramDirectoryForTests("");
}
