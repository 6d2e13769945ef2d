#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "plotlib/BSpline.h"

namespace {

struct Pt {
    double x, y;
};

std::vector<Pt> Smooth(CBSpline& spline, const std::vector<Pt>& input, bool* generated = nullptr)
{
    spline.Destroy();
    for (const Pt& p : input)
        spline.AddPoint(p.x, p.y);
    const bool ok = spline.Generate();
    if (generated)
        *generated = ok;
    double* raw = nullptr;
    const int n = spline.GetSplinePts(&raw);
    std::vector<Pt> out;
    for (int i = 0; i < n; ++i)
        out.push_back(Pt{raw[2 * i], raw[2 * i + 1]});
    delete[] raw;
    return out;
}

double SegmentDistance(Pt p, Pt a, Pt b)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::fmax(0.0, std::fmin(1.0, t));
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

double PolylineDistance(Pt p, const std::vector<Pt>& line)
{
    double best = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i + 1 < line.size(); ++i)
        best = std::fmin(best, SegmentDistance(p, line[i], line[i + 1]));
    return best;
}

bool Contains(const std::vector<Pt>& line, Pt p)
{
    for (const Pt& q : line)
        if (q.x == p.x && q.y == p.y)
            return true;
    return false;
}

std::vector<Pt> Circle(int n, double r, bool close)
{
    std::vector<Pt> pts;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * M_PI * i / n;
        pts.push_back(Pt{100 + r * std::cos(a), 100 + r * std::sin(a)});
    }
    if (close)
        pts.push_back(pts.front());
    return pts;
}

struct Shape {
    std::string name;
    std::vector<Pt> points;
};

std::vector<Shape> Shapes()
{
    std::vector<Shape> shapes;
    shapes.push_back({"closed circle of 8", Circle(8, 50, true)});
    shapes.push_back({"open arc of 5", {{0, 0}, {30, 20}, {60, 25}, {90, 20}, {120, 0}}});
    shapes.push_back({"three points", {{0, 0}, {50, 80}, {100, 0}}});
    shapes.push_back({"zigzag", {{0, 0}, {10, 40}, {20, 0}, {30, 40}, {40, 0}, {50, 40}}});
    // Spans of very different lengths: the classic overshoot case.
    shapes.push_back({"uneven spacing", {{0, 0}, {1, 0.5}, {2, 1}, {200, 40}, {201, 39}, {400, 0}}});
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> coord(0, 500);
    Shape random{"random 40", {}};
    for (int i = 0; i < 40; ++i)
        random.points.push_back(Pt{coord(rng), coord(rng)});
    shapes.push_back(random);
    Shape closedRandom{"closed random 12", {}};
    for (int i = 0; i < 12; ++i)
        closedRandom.points.push_back(Pt{coord(rng), coord(rng)});
    closedRandom.points.push_back(closedRandom.points.front());
    shapes.push_back(closedRandom);
    return shapes;
}

} // namespace

TEST(BSpline, PassesThroughEveryPointAndStaysWithinTheTolerance)
{
    for (const Shape& shape : Shapes()) {
        SCOPED_TRACE(shape.name);
        CBSpline spline;
        const std::vector<Pt> out = Smooth(spline, shape.points);
        ASSERT_GE(out.size(), shape.points.size());
        EXPECT_EQ(out.front().x, shape.points.front().x);
        EXPECT_EQ(out.front().y, shape.points.front().y);
        EXPECT_EQ(out.back().x, shape.points.back().x);
        EXPECT_EQ(out.back().y, shape.points.back().y);
        for (const Pt& p : shape.points)
            EXPECT_TRUE(Contains(out, p)) << "input point " << p.x << "," << p.y << " missing";

        // Dense reference evaluation of the true curve against the samples.
        const double end = spline.GetParameterEnd();
        ASSERT_GT(end, 0);
        double worst = 0;
        const int steps = 5000;
        for (int i = 0; i <= steps; ++i) {
            Pt c{};
            ASSERT_TRUE(spline.Evaluate(end * i / steps, c.x, c.y));
            ASSERT_TRUE(std::isfinite(c.x) && std::isfinite(c.y));
            worst = std::fmax(worst, PolylineDistance(c, out));
        }
        EXPECT_LE(worst, CBSpline::kTolerance + 1e-9);
        // Not absurdly dense either: a sample every 0.05 mm of parameter
        // would already be far finer than the tolerance needs.
        EXPECT_LT(out.size(), static_cast<size_t>(end / 0.05) + shape.points.size());
    }
}

TEST(BSpline, ClosedInputGivesASmoothClosedCurve)
{
    CBSpline spline;
    const std::vector<Pt> out = Smooth(spline, Circle(8, 50, true));
    EXPECT_TRUE(spline.IsClosed());
    ASSERT_GT(out.size(), 9u);
    EXPECT_EQ(out.front().x, out.back().x);
    EXPECT_EQ(out.front().y, out.back().y);

    // Periodic: the tangent leaving the first point continues the one
    // arriving at it, and the curve hugs the circle it was sampled from.
    const double end = spline.GetParameterEnd(), h = 1e-4;
    double x0, y0, x1, y1, xa, ya, xb, yb;
    spline.Evaluate(0, x0, y0);
    spline.Evaluate(h, x1, y1);
    spline.Evaluate(end - h, xa, ya);
    spline.Evaluate(end, xb, yb);
    EXPECT_NEAR(std::atan2(y1 - y0, x1 - x0), std::atan2(yb - ya, xb - xa), 1e-3);
    for (const Pt& p : out)
        EXPECT_NEAR(std::hypot(p.x - 100, p.y - 100), 50, 0.5);
}

TEST(BSpline, StraightRunsNeedNoExtraSamples)
{
    CBSpline spline;
    const std::vector<Pt> line{{0, 0}, {10, 5}, {30, 15}, {34, 17}};
    const std::vector<Pt> out = Smooth(spline, line);
    ASSERT_EQ(out.size(), line.size());
    for (size_t i = 0; i < line.size(); ++i) {
        EXPECT_EQ(out[i].x, line[i].x);
        EXPECT_EQ(out[i].y, line[i].y);
    }
}

TEST(BSpline, DegenerateInputsGiveSensiblePointsAndNeverNaN)
{
    struct Case {
        const char* name;
        std::vector<Pt> input;
        bool generated;
        std::vector<Pt> expected;  // empty: only check the count below
        size_t count;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Case> cases = {
        {"no points", {}, false, {}, 0},
        {"one point", {{5, 6}}, true, {{5, 6}}, 1},
        {"two points", {{0, 0}, {10, 0}}, true, {{0, 0}, {10, 0}}, 2},
        {"all repeats", {{3, 3}, {3, 3}, {3, 3}}, true, {{3, 3}}, 1},
        {"repeats between", {{0, 0}, {0, 0}, {10, 0}, {10, 0}}, true, {{0, 0}, {10, 0}}, 2},
        {"there and back", {{0, 0}, {10, 0}, {0, 0}}, true, {{0, 0}, {10, 0}, {0, 0}}, 3},
        {"not a number", {{0, 0}, {nan, 1}, {10, 0}}, true, {{0, 0}, {10, 0}}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CBSpline spline;
        bool generated = !c.generated;
        const std::vector<Pt> out = Smooth(spline, c.input, &generated);
        EXPECT_EQ(generated, c.generated);
        ASSERT_EQ(out.size(), c.count);
        for (size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(out[i].x, c.expected[i].x);
            EXPECT_EQ(out[i].y, c.expected[i].y);
        }
    }

    // Repeated points inside a curve are merged, not turned into a cusp
    // with infinite slopes.
    CBSpline spline;
    const std::vector<Pt> out =
        Smooth(spline, {{0, 0}, {20, 10}, {20, 10}, {40, 0}, {40, 0}, {60, 10}});
    for (const Pt& p : out)
        ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    EXPECT_EQ(out.front().x, 0);
    EXPECT_EQ(out.back().x, 60);

    // Nothing generated hands back a null array.
    CBSpline empty;
    double* raw = reinterpret_cast<double*>(&spline);
    EXPECT_EQ(empty.GetSplinePts(&raw), 0);
    EXPECT_EQ(raw, nullptr);
}

TEST(BSpline, DestroyStartsAFreshCurve)
{
    CBSpline spline;
    Smooth(spline, Circle(6, 20, true));
    const std::vector<Pt> out = Smooth(spline, {{0, 0}, {10, 0}});
    EXPECT_FALSE(spline.IsClosed());
    ASSERT_EQ(out.size(), 2u);
}
