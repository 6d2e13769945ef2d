#include "plotlib/PolylineTools.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>

#include "plotlib/Devices.h"
#include "plotlib/PlotterConfig.h"

namespace {

struct Vec {
    double x = 0;
    double y = 0;
};

Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
Vec operator*(Vec a, double f) { return {a.x * f, a.y * f}; }
double Cross(Vec a, Vec b) { return a.x * b.y - a.y * b.x; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
double Length(Vec a) { return std::hypot(a.x, a.y); }
Vec ToVec(PointI p) { return {static_cast<double>(p.x), static_cast<double>(p.y)}; }

Vec Unit(Vec a)
{
    const double len = Length(a);
    return len > 0 ? a * (1.0 / len) : Vec{};
}

int ToUnit(double v)
{
    const double clamped = std::clamp(v, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX));
    return static_cast<int>(RoundHalfAway(clamped));
}

bool IsClosed(const std::vector<PointI>& pts)
{
    return pts.size() >= 4 && pts.front() == pts.back();
}

// Even-odd test of a point against a closed polyline.
bool Inside(const std::vector<PointI>& ring, Vec p)
{
    bool inside = false;
    for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const Vec a = ToVec(ring[i]), b = ToVec(ring[j]);
        if ((a.y > p.y) != (b.y > p.y)) {
            const double x = a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y);
            if (p.x < x)
                inside = !inside;
        }
    }
    return inside;
}

double BoundArea(const std::vector<PointI>& pts)
{
    int minX = INT_MAX, minY = INT_MAX, maxX = INT_MIN, maxY = INT_MIN;
    for (const PointI& p : pts) {
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    return (static_cast<double>(maxX) - minX) * (static_cast<double>(maxY) - minY);
}

// The edge the mark stands on: the crossing's position along the mark
// (0 at its first point, 1 at its far point) and the polyline crossed.
struct EdgeHit {
    bool found = false;
    double s = 0;
    const CPolylineI* line = nullptr;
};

EdgeHit FindEdge(const CPolylineIArray& drawing, const CPolylineI& mark, Vec p, Vec q)
{
    const Vec pq = q - p;
    EdgeHit best;
    double bestScore = 0, bestArea = 0;
    for (const CPolylineI& line : drawing.m_lines) {
        if (&line == &mark || line.m_points.size() < 2)
            continue;
        double area = -1;  // computed on the first hit only
        for (size_t i = 0; i + 1 < line.m_points.size(); ++i) {
            const Vec a = ToVec(line.m_points[i]), b = ToVec(line.m_points[i + 1]);
            const Vec ab = b - a;
            const double den = Cross(pq, ab);
            if (std::fabs(den) < 1e-9)
                continue;  // parallel to the mark
            const double s = Cross(a - p, ab) / den;
            const double r = Cross(a - p, pq) / den;
            if (r < 0 || r > 1 || s < -0.5 || s > 1.5)
                continue;
            const double score = std::max({0.0, -s, s - 1});
            if (area < 0)
                area = BoundArea(line.m_points);
            const bool better = !best.found || score < bestScore - 1e-9 ||
                                (score <= bestScore + 1e-9 && area > bestArea);
            if (better) {
                best = EdgeHit{true, s, &line};
                bestScore = score;
                bestArea = area;
            }
        }
    }
    return best;
}

} // namespace

std::vector<PointI> MakeSlotPath(const CPolylineIArray& drawing, const CPolylineI& mark,
                                 const SlotSize& size, int resolution)
{
    if (resolution <= 0 || mark.m_points.size() < 2)
        return {};
    const double unitsPerMm = resolution / 25.4;
    const double length = size.length * unitsPerMm;
    if (!(length > 0))
        return {};
    const double width = std::max(0.0, size.width) * unitsPerMm;
    const double floor = std::max(0.0, size.space) * unitsPerMm;
    const double leadIn = std::max(0.0, size.preSpaceA) * unitsPerMm;
    const double leadOut = std::max(0.0, size.preSpaceB) * unitsPerMm;

    const Vec p = ToVec(mark.m_points.front());
    Vec q = p;
    for (const PointI& pt : mark.m_points)
        if (Length(ToVec(pt) - p) > Length(q - p))
            q = ToVec(pt);
    const double markLength = Length(q - p);
    if (markLength < 0.5)
        return {};
    const Vec e = (q - p) * (1.0 / markLength);

    Vec mouth = p;
    Vec d = e;
    const EdgeHit hit = FindEdge(drawing, mark, p, q);
    if (hit.found) {
        mouth = p + (q - p) * hit.s;
        const double probe = std::max(1.0, std::min(markLength, length) / 2);
        bool decided = false;
        if (IsClosed(hit.line->m_points)) {
            const bool ahead = Inside(hit.line->m_points, mouth + e * probe);
            const bool behind = Inside(hit.line->m_points, mouth - e * probe);
            if (ahead != behind) {
                d = ahead ? e : e * -1.0;
                decided = true;
            }
        }
        if (!decided)
            d = hit.s <= 0.5 ? e : e * -1.0;
    }

    const Vec n{-d.y, d.x};
    const Vec ml = mouth - n * (width / 2), mr = mouth + n * (width / 2);
    const Vec bl = mouth + d * length - n * (floor / 2);
    const Vec br = mouth + d * length + n * (floor / 2);
    const Vec start = ml - Unit(bl - ml) * leadIn;
    const Vec end = mr + Unit(mr - br) * leadOut;

    std::vector<PointI> path;
    for (const Vec& v : {start, bl, br, end}) {
        const PointI pt{ToUnit(v.x), ToUnit(v.y)};
        if (path.empty() || path.back() != pt)
            path.push_back(pt);
    }
    return path;
}

std::vector<std::vector<PointI>> SplitAtCorners(const std::vector<PointI>& points,
                                                double breakAngleDegrees)
{
    std::vector<PointI> q;
    for (const PointI& p : points)
        if (q.empty() || q.back() != p)
            q.push_back(p);
    if (q.size() < 3)
        return {points};

    const double limit = breakAngleDegrees * std::acos(-1.0) / 180.0;
    auto sharp = [&](const PointI& a, const PointI& b, const PointI& c) {
        const Vec u = ToVec(b) - ToVec(a), v = ToVec(c) - ToVec(b);
        return std::fabs(std::atan2(Cross(u, v), Dot(u, v))) > limit;
    };

    const bool closed = IsClosed(q);
    std::vector<PointI> run;  // the points in cutting order
    std::vector<bool> corner; // per point of `run`: break here
    if (closed) {
        const size_t n = q.size() - 1;  // distinct vertices
        size_t first = n;
        std::vector<bool> isSharp(n);
        for (size_t i = 0; i < n; ++i) {
            isSharp[i] = sharp(q[(i + n - 1) % n], q[i], q[(i + 1) % n]);
            if (isSharp[i] && first == n)
                first = i;
        }
        if (first == n)
            return {points};
        for (size_t k = 0; k <= n; ++k) {
            const size_t i = (first + k) % n;
            run.push_back(q[i]);
            corner.push_back(isSharp[i]);
        }
    } else {
        run = q;
        corner.assign(q.size(), false);
        for (size_t i = 1; i + 1 < q.size(); ++i)
            corner[i] = sharp(q[i - 1], q[i], q[i + 1]);
    }

    std::vector<std::vector<PointI>> pieces(1);
    for (size_t i = 0; i < run.size(); ++i) {
        pieces.back().push_back(run[i]);
        if (corner[i] && i > 0 && i + 1 < run.size())
            pieces.push_back({run[i]});
    }
    if (pieces.size() == 1)
        return {points};
    return pieces;
}

void CPolylineI::CreateSlot(CPolylineIArray& drawing, int pen, int width, int length,
                            int preSpaceA, int preSpaceB, int space)
{
    SlotSize size;
    size.width = width;
    size.length = length;
    size.preSpaceA = preSpaceA;
    size.preSpaceB = preSpaceB;
    size.space = space;
    std::vector<PointI> path = MakeSlotPath(drawing, *this, size, GetPlotter()->resolution);
    if (path.empty())
        return;
    m_points = std::move(path);
    m_pen = pen;
}

void CPolylineI::BrokenPoly(CPolylineIArray& drawing)
{
    std::vector<std::vector<PointI>> pieces = SplitAtCorners(m_points);
    if (pieces.size() < 2)
        return;
    // Appending may move the drawing's polylines, this one included: finish
    // with this polyline before the first append and never touch it after.
    const int pen = m_pen;
    m_points = std::move(pieces[0]);
    for (size_t i = 1; i < pieces.size(); ++i)
        drawing.Add(pen).m_points = std::move(pieces[i]);
}
