#include <gtest/gtest.h>

#include <cmath>

#include "geometry/GeometryPrimitives.h"

// On a segment from (0, 0) to (1e6, 0) a point at x lies at parameter
// x / 1e6, and float still resolves half units there, so parameters just
// around 0 and 1 can be placed exactly.
TEST(GeometryPrimitives, SegmentParametersSnapNearTheEnds)
{
    const float length = 1000000.0f;
    const struct {
        const char* name;
        float x;
        bool accepted;  // in segment mode
    } cases[] = {
        {"t = -0.0000005 snaps to 0", -0.5f, true},
        {"t = 1.0000005 snaps to 1", length + 0.5f, true},
        {"t = -0.000002 is before A", -2.0f, false},
        {"t = 1.000002 is past B", length + 2.0f, false},
    };
    for (const auto& c : cases) {
        // The tolerance is far larger than the overshoot: only the
        // parameter test can reject.
        EXPECT_EQ(IsPointNearSegment(c.x, 0, 0, 0, length, 0, 5.0f, false), c.accepted) << c.name;
        EXPECT_TRUE(IsPointNearSegment(c.x, 0, 0, 0, length, 0, 5.0f, true)) << c.name;
        // CD is the vertical line through the probe.
        float x = 0.0f;
        float y = 0.0f;
        EXPECT_EQ(IntersectSegments(0, 0, length, 0, c.x, -1, c.x, 1, x, y, false), c.accepted)
            << c.name;
        EXPECT_TRUE(IntersectSegments(0, 0, length, 0, c.x, -1, c.x, 1, x, y, true)) << c.name;
        if (c.accepted) {  // snapped: exactly the end point
            EXPECT_EQ(x, c.x < 0 ? 0.0f : length) << c.name;
        }
    }
}

TEST(GeometryPrimitives, IntersectionShortcutsAndDegenerateCases)
{
    float x = 0.0f;
    float y = 0.0f;
    // A equal to D answers A without solving, even for parallel segments.
    ASSERT_TRUE(IntersectSegments(3, 4, 13, 4, -7, 4, 3, 4, x, y, false));
    EXPECT_EQ(x, 3.0f);
    EXPECT_EQ(y, 4.0f);
    ASSERT_TRUE(IntersectSegments(0, 0, 5, 5, 5, 5, 9, 1, x, y, false));  // B == C
    EXPECT_EQ(x, 5.0f);
    EXPECT_FALSE(IntersectSegments(0, 0, 10, 0, 0, 1, 10, 1, x, y, true));  // parallel
    // CD is a whole line in segment mode too: only AB's parameter counts.
    ASSERT_TRUE(IntersectSegments(0, 0, 10, 10, 100, 5, 200, 5, x, y, false));
    EXPECT_FLOAT_EQ(x, 5.0f);
    EXPECT_FLOAT_EQ(y, 5.0f);

    // A degenerate segment is its first point; a zero direction is (0, 0).
    EXPECT_TRUE(IsPointNearSegment(3, 4, 0, 0, 0, 0, 5.0f, false));
    EXPECT_FALSE(IsPointNearSegment(3, 4.1f, 0, 0, 0, 0, 5.0f, false));
    float ux = 1.0f;
    float uy = 1.0f;
    UnitVector(2, 2, 2, 2, ux, uy);
    EXPECT_EQ(ux, 0.0f);
    EXPECT_EQ(uy, 0.0f);

    x = 3.0f;
    y = 2.0f;
    RotatePoint(x, y, M_PI / 2, 2.0f, 2.0f);  // counter-clockwise with Y up
    EXPECT_NEAR(x, 2.0f, 1e-6);
    EXPECT_NEAR(y, 3.0f, 1e-6);
}

TEST(GeometryPrimitives, PointInPolygon)
{
    // A concave "U": the notch is outside.
    const float ux[] = {0, 30, 30, 20, 20, 10, 10, 0};
    const float uy[] = {0, 0, 30, 30, 10, 10, 30, 30};
    EXPECT_TRUE(IsPointInPolygon(5, 20, ux, uy, 8));
    EXPECT_FALSE(IsPointInPolygon(15, 20, ux, uy, 8));
    EXPECT_TRUE(IsPointInPolygon(25, 20, ux, uy, 8));
    EXPECT_FALSE(IsPointInPolygon(35, 20, ux, uy, 8));

    // Two vertices are a segment with tolerance 1.0; one must coincide.
    const float tx[] = {0, 10};
    const float ty[] = {0, 0};
    EXPECT_TRUE(IsPointInPolygon(5, 0.9f, tx, ty, 2));
    EXPECT_FALSE(IsPointInPolygon(5, 1.1f, tx, ty, 2));
    EXPECT_TRUE(IsPointInPolygon(0, 0, tx, ty, 1));
    EXPECT_FALSE(IsPointInPolygon(0, 0.001f, tx, ty, 1));
    EXPECT_FALSE(IsPointInPolygon(0, 0, tx, ty, 0));
}

TEST(GeometryPrimitives, AreasOfBothOrientations)
{
    EXPECT_FLOAT_EQ(TriangleArea(0, 0, 0, 3, 4, 0, false), -6.0f);
    EXPECT_FLOAT_EQ(TriangleArea(0, 0, 0, 3, 4, 0, true), 6.0f);
    // A clockwise square: the signed sum is negative, the area is not.
    const float xs[] = {0, 0, 10, 10};
    const float ys[] = {0, 10, 10, 0};
    float signedSum = 0.0f;
    for (int i = 0; i < 4; ++i)
        signedSum += TriangleArea(0, 0, xs[i], ys[i], xs[(i + 1) % 4], ys[(i + 1) % 4], false);
    EXPECT_FLOAT_EQ(signedSum, -100.0f);
    EXPECT_FLOAT_EQ(PolygonArea(xs, ys, 4), 100.0f);
    EXPECT_EQ(PolygonArea(xs, ys, 2), 0.0f);
}

TEST(GeometryPrimitives, SolvesLinearSystems)
{
    double zero[9] = {};
    double b0[3] = {1, 2, 3};
    EXPECT_FALSE(SolveLinearSystem(zero, b0, 3));

    double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    double b1[3] = {4, -5, 6};
    ASSERT_TRUE(SolveLinearSystem(identity, b1, 3));
    EXPECT_EQ(b1[0], 4.0);
    EXPECT_EQ(b1[1], -5.0);
    EXPECT_EQ(b1[2], 6.0);

    // Pivoting must exchange rows and columns here (zero on the diagonal,
    // the largest entry off it); the unknowns come back in their order.
    double a[9] = {0, 2, 1, 1, 1, 7, 3, 0, 1};
    const double x[3] = {1.5, -2.0, 0.25};
    double b[3];
    for (int i = 0; i < 3; ++i)
        b[i] = a[i * 3] * x[0] + a[i * 3 + 1] * x[1] + a[i * 3 + 2] * x[2];
    ASSERT_TRUE(SolveLinearSystem(a, b, 3));
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(b[i], x[i], 1e-12) << i;

    double singular[4] = {1, 2, 2, 4};
    double b2[2] = {1, 2};
    EXPECT_FALSE(SolveLinearSystem(singular, b2, 2));
}
