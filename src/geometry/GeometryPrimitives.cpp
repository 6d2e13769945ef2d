#include "geometry/GeometryPrimitives.h"

#include <cmath>
#include <utility>
#include <vector>

namespace {

// Parameter limits past 1 that still count as on the segment. They differ on
// purpose: the near-segment test works on float input of coarser origin.
constexpr double kNearSegmentLimit = 1.0000001;
constexpr double kIntersectLimit = 1.000000001;

double SnapParameter(double t)
{
    if (std::fabs(t) < kGeometryEps)
        t = 0.0;
    if (std::fabs(t - 1.0) < kGeometryEps)
        t = 1.0;
    return t;
}

} // namespace

float Distance(float x1, float y1, float x2, float y2)
{
    const double dx = static_cast<double>(x1) - x2;
    const double dy = static_cast<double>(y1) - y2;
    return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}

void RotatePoint(float& x, float& y, double angle, float cx, float cy)
{
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double x0 = x;
    const double y0 = y;
    x = static_cast<float>(x0 * c - y0 * s + (1.0 - c) * cx + cy * s);
    y = static_cast<float>(x0 * s + y0 * c + (1.0 - c) * cy - cx * s);
}

void UnitVector(float x1, float y1, float x2, float y2, float& ux, float& uy)
{
    const double d = Distance(x1, y1, x2, y2);
    if (std::fabs(d) < kGeometryEps) {
        ux = 0.0f;
        uy = 0.0f;
        return;
    }
    ux = static_cast<float>((static_cast<double>(x2) - x1) / d);
    uy = static_cast<float>((static_cast<double>(y2) - y1) / d);
}

bool IsPointNearSegment(float px, float py, float ax, float ay, float bx, float by,
                        float tolerance, bool asLine)
{
    const double length = Distance(ax, ay, bx, by);
    if (std::fabs(length) < kGeometryEps)
        return Distance(px, py, ax, ay) <= tolerance;

    const double abx = static_cast<double>(bx) - ax;
    const double aby = static_cast<double>(by) - ay;
    double t = ((static_cast<double>(px) - ax) * abx + (static_cast<double>(py) - ay) * aby) /
               length / length;
    t = SnapParameter(t);
    if (!asLine && (t < 0.0 || t > kNearSegmentLimit))
        return false;

    const float qx = static_cast<float>(ax + t * abx);
    const float qy = static_cast<float>(ay + t * aby);
    return Distance(px, py, qx, qy) <= tolerance;
}

bool IsPointInPolygon(float px, float py, const float* xs, const float* ys, int n)
{
    if (n <= 0)
        return false;
    if (n == 1)
        return std::fabs(Distance(px, py, xs[0], ys[0])) < kGeometryEps;
    if (n == 2)
        return IsPointNearSegment(px, py, xs[0], ys[0], xs[1], ys[1], 1.0f, false);

    int crossings = 0;
    for (int i = 0, j = n - 1; i < n; j = i++) {
        const bool aboveI = ys[i] >= py;
        const bool aboveJ = ys[j] >= py;
        if (aboveI == aboveJ)
            continue;
        const bool rightI = xs[i] >= px;
        const bool rightJ = xs[j] >= px;
        if (rightI && rightJ) {
            ++crossings;
        } else if (rightI || rightJ) {
            if (ys[i] != ys[j]) {
                const double xCross = xs[j] + (static_cast<double>(xs[i]) - xs[j]) *
                                                  (static_cast<double>(py) - ys[j]) /
                                                  (static_cast<double>(ys[i]) - ys[j]);
                if (px <= xCross)
                    ++crossings;
            }
        }
    }
    return (crossings % 2) != 0;
}

bool SolveLinearSystem(double* a, double* b, int n)
{
    if (n < 1 || !a || !b)
        return false;
    const auto at = [a, n](int row, int col) -> double& {
        return a[static_cast<size_t>(row) * static_cast<size_t>(n) + static_cast<size_t>(col)];
    };
    // perm[k] is the column brought into place k; undone at the end, in
    // reverse, to put the unknowns back in their order.
    std::vector<int> perm(static_cast<size_t>(n));

    for (int k = 0; k < n - 1; ++k) {
        int pivotRow = k;
        int pivotCol = k;
        double largest = std::fabs(at(k, k));
        for (int i = k; i < n; ++i) {
            for (int j = k; j < n; ++j) {
                const double magnitude = std::fabs(at(i, j));
                if (magnitude > largest) {
                    largest = magnitude;
                    pivotRow = i;
                    pivotCol = j;
                }
            }
        }
        perm[static_cast<size_t>(k)] = pivotCol;
        if (1.0 + largest == 1.0)
            return false;

        if (pivotCol != k)
            for (int i = 0; i < n; ++i)
                std::swap(at(i, k), at(i, pivotCol));
        if (pivotRow != k) {
            for (int j = k; j < n; ++j)
                std::swap(at(k, j), at(pivotRow, j));
            std::swap(b[k], b[pivotRow]);
        }

        const double p = at(k, k);
        for (int j = k + 1; j < n; ++j)
            at(k, j) /= p;
        b[k] /= p;

        for (int i = k + 1; i < n; ++i) {
            const double factor = at(i, k);
            for (int j = k + 1; j < n; ++j)
                at(i, j) -= factor * at(k, j);
            b[i] -= factor * b[k];
        }
    }

    const double last = at(n - 1, n - 1);
    if (1.0 + std::fabs(last) == 1.0)
        return false;
    b[n - 1] /= last;
    for (int i = n - 2; i >= 0; --i) {
        double sum = 0.0;
        for (int j = i + 1; j < n; ++j)
            sum += at(i, j) * b[j];
        b[i] -= sum;
    }

    perm[static_cast<size_t>(n - 1)] = n - 1;
    for (int i = n - 1; i >= 0; --i) {
        const int col = perm[static_cast<size_t>(i)];
        if (col != i)
            std::swap(b[i], b[col]);
    }
    return true;
}

bool IntersectSegments(float ax, float ay, float bx, float by, float cx, float cy, float dx,
                       float dy, float& x, float& y, bool asLine)
{
    if (std::fabs(Distance(ax, ay, cx, cy)) < kGeometryEps ||
        std::fabs(Distance(ax, ay, dx, dy)) < kGeometryEps) {
        x = ax;
        y = ay;
        return true;
    }
    if (std::fabs(Distance(bx, by, cx, cy)) < kGeometryEps ||
        std::fabs(Distance(bx, by, dx, dy)) < kGeometryEps) {
        x = bx;
        y = by;
        return true;
    }

    const double abx = static_cast<double>(bx) - ax;
    const double aby = static_cast<double>(by) - ay;
    double m[4] = {abx, static_cast<double>(cx) - dx, aby, static_cast<double>(cy) - dy};
    double rhs[2] = {static_cast<double>(cx) - ax, static_cast<double>(cy) - ay};
    if (!SolveLinearSystem(m, rhs, 2))
        return false;

    const double t = SnapParameter(rhs[0]);
    if (!asLine && (t < 0.0 || t > kIntersectLimit))
        return false;
    x = static_cast<float>(ax + t * abx);
    y = static_cast<float>(ay + t * aby);
    return true;
}

float TriangleArea(float x1, float y1, float x2, float y2, float x3, float y3, bool absolute)
{
    const double X1 = x1, Y1 = y1, X2 = x2, Y2 = y2, X3 = x3, Y3 = y3;
    double area = (X3 * Y1 + X2 * Y3 + X1 * Y2 - X1 * Y3 - X2 * Y1 - X3 * Y2) / 2.0;
    if (absolute && area < 0.0)
        area = -area;
    return static_cast<float>(area);
}

float PolygonArea(const float* xs, const float* ys, int n)
{
    if (n < 3)
        return 0.0f;
    float sum = 0.0f;
    for (int i = 0; i < n; ++i) {
        const int next = (i + 1) % n;
        sum += TriangleArea(0.0f, 0.0f, xs[i], ys[i], xs[next], ys[next], false);
    }
    return sum < 0.0f ? -sum : sum;
}
