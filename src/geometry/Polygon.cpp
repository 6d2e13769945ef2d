#include "geometry/Polygon.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "geometry/GeometryPrimitives.h"
#include "plotlib/PlotterConfig.h"

namespace {

// A quarter turn as the float the inset has always used; turning a unit
// vector by it leaves a tiny cosine term, which the rounding absorbs.
constexpr float kQuarterTurn = 1.5707964f;

float ToFloat(int32_t v) { return static_cast<float>(v); }

void FloatCopy(const std::vector<PointI>& points, std::vector<float>& xs, std::vector<float>& ys)
{
    xs.resize(points.size());
    ys.resize(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        xs[i] = ToFloat(points[i].x);
        ys[i] = ToFloat(points[i].y);
    }
}

int32_t RoundToCoord(double v) { return static_cast<int32_t>(RoundHalfAway(v)); }

// A vertex moved by (dx, dy), held within the 32-bit coordinate range.
PointI Moved(const PointI& p, int32_t dx, int32_t dy)
{
    const auto clamp = [](int64_t v) {
        return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(v, INT32_MIN), INT32_MAX));
    };
    return PointI{clamp(static_cast<int64_t>(p.x) + dx), clamp(static_cast<int64_t>(p.y) + dy)};
}

} // namespace

CPolygon::~CPolygon() = default;

CPolygon& CPolygon::operator=(const CPolylineI& line)
{
    if (static_cast<const CPolylineI*>(this) == &line)
        return *this;
    Clear();
    m_points = line.m_points;
    return *this;
}

CPolygon& CPolygon::operator=(const CPolygon& other)
{
    if (this == &other)
        return *this;
    Clear();
    m_sourceIndices = other.m_sourceIndices;
    m_points = other.m_points;
    return *this;
}

void CPolygon::Clear()
{
    m_sourceIndices.clear();
    m_points.clear();
}

void CPolygon::AddIndices(const std::vector<int>& indices)
{
    m_sourceIndices.reserve(m_sourceIndices.size() + indices.size());
    m_sourceIndices.insert(m_sourceIndices.end(), indices.begin(), indices.end());
}

float CPolygon::GetArea() const
{
    const int n = GetCount();
    if (n < 3)
        return 0.0f;
    // Shoelace sum on coordinates taken relative to the first point: exact in
    // double for any outline below about 10^7 units across, wherever it lies
    // on the marker. (A float sum on raw coordinates loses whole square units
    // far from the origin, and even makes a 200 x 200 square come out a hair
    // above 0.04, so that the smallest-piece limit would not hold.)
    const double x0 = m_points[0].x;
    const double y0 = m_points[0].y;
    double twice = 0.0;
    for (size_t i = 0; i < m_points.size(); ++i) {
        const PointI& a = m_points[i];
        const PointI& b = m_points[(i + 1) % m_points.size()];
        twice += (a.x - x0) * (b.y - y0) - (b.x - x0) * (a.y - y0);
    }
    return static_cast<float>(std::fabs(twice) / 2.0 / 1.0e6);
}

bool CPolygon::GetBounds(int& minX, int& minY, int& maxX, int& maxY) const
{
    if (m_points.empty()) {
        minX = minY = maxX = maxY = 0;
        return false;
    }
    minX = maxX = m_points[0].x;
    minY = maxY = m_points[0].y;
    for (const PointI& p : m_points) {
        if (p.x < minX)
            minX = p.x;
        if (p.x > maxX)
            maxX = p.x;
        if (p.y < minY)
            minY = p.y;
        if (p.y > maxY)
            maxY = p.y;
    }
    return true;
}

void CPolygon::Inset(int distance)
{
    // Repeated points would give zero-length edges without a direction.
    for (size_t i = 1; i < m_points.size();) {
        if (m_points[i] == m_points[i - 1])
            m_points.erase(m_points.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
    const int n = GetCount();
    if (n < 2)
        return;

    std::vector<float> xs;
    std::vector<float> ys;
    FloatCopy(m_points, xs, ys);

    // Which way is inside: try the point two units to the left of the first
    // edge's middle; when it is outside, inside is to the right.
    float nx = 0.0f;
    float ny = 0.0f;
    UnitVector(xs[0], ys[0], xs[1], ys[1], nx, ny);
    RotatePoint(nx, ny, kQuarterTurn, 0.0f, 0.0f);
    const double midX = (static_cast<double>(m_points[0].x) + m_points[1].x) / 2.0;
    const double midY = (static_cast<double>(m_points[0].y) + m_points[1].y) / 2.0;
    const int32_t testX = RoundToCoord(midX + 2.0 * nx);
    const int32_t testY = RoundToCoord(midY + 2.0 * ny);
    const float angle =
        IsPointInPolygon(ToFloat(testX), ToFloat(testY), xs.data(), ys.data(), n) ? kQuarterTurn
                                                                                 : -kQuarterTurn;

    // Every vertex moves along the normal of its outgoing edge, computed from
    // the points as they were before this pass.
    const std::vector<PointI> before = m_points;
    for (int i = 0; i + 1 < n; ++i) {
        const size_t a = static_cast<size_t>(i);
        UnitVector(xs[a], ys[a], xs[a + 1], ys[a + 1], nx, ny);
        RotatePoint(nx, ny, angle, 0.0f, 0.0f);
        const int32_t dx = RoundToCoord(static_cast<double>(distance) * nx);
        const int32_t dy = RoundToCoord(static_cast<double>(distance) * ny);
        m_points[a] = Moved(before[a], dx, dy);
        if (i + 2 == n)
            m_points[a + 1] = Moved(before[a + 1], dx, dy);
    }
}

bool CPolygon::Contains(const CPolygon& other) const
{
    int aMinX = 0, aMinY = 0, aMaxX = 0, aMaxY = 0;
    int bMinX = 0, bMinY = 0, bMaxX = 0, bMaxY = 0;
    GetBounds(aMinX, aMinY, aMaxX, aMaxY);
    other.GetBounds(bMinX, bMinY, bMaxX, bMaxY);
    if (aMinX == bMinX && aMinY == bMinY && aMaxX == bMaxX && aMaxY == bMaxY &&
        std::fabs(GetArea() - other.GetArea()) < 0.000001)
        return true;
    if (bMinX >= aMaxX || bMinY >= aMaxY || bMaxX <= aMinX || bMaxY <= aMinY)
        return false;

    CPolygon inner(other);
    inner.Inset(1);
    std::vector<float> ax, ay, bx, by;
    FloatCopy(m_points, ax, ay);
    FloatCopy(inner.m_points, bx, by);
    return ArePointsWithinPolygon(bx.data(), by.data(), inner.GetCount(), ax.data(), ay.data(),
                                  GetCount());
}

void CPolygon::SetSourcePen(int pen, CPolylineIArray& drawing) const
{
    for (int k : m_sourceIndices)
        if (k >= 0 && k < drawing.GetCount())
            drawing.GetPolyline(k)->SetPenNo(pen);
}

bool ArePointsWithinPolygon(const float* px, const float* py, int pn, const float* ax,
                            const float* ay, int an)
{
    if (pn <= 0)
        return false;
    for (int i = 0; i < pn; ++i) {
        if (IsPointInPolygon(px[i], py[i], ax, ay, an))
            continue;
        bool onEdge = false;
        for (int j = 0; j + 1 < an && !onEdge; ++j)
            onEdge = IsPointNearSegment(px[i], py[i], ax[j], ay[j], ax[j + 1], ay[j + 1], 1.0f,
                                        false);
        if (!onEdge)
            return false;
    }
    return true;
}

bool IsPolylineInsidePolygon(const CPolylineI& line, const float* xs, const float* ys, int n)
{
    if (n < 3)
        return false;
    for (const PointI& p : line.m_points)
        if (!IsPointInPolygon(ToFloat(p.x), ToFloat(p.y), xs, ys, n))
            return false;
    return true;
}

bool AreEndsNear(const PointI& a, const PointI& b)
{
    const float d = Distance(ToFloat(a.x), ToFloat(a.y), ToFloat(b.x), ToFloat(b.y));
    return static_cast<long long>(d) <= 40;
}

bool IsNearVertex(const CPolylineI& line, const PointI& point)
{
    const float px = ToFloat(point.x);
    const float py = ToFloat(point.y);
    for (const PointI& v : line.m_points)
        if (Distance(ToFloat(v.x), ToFloat(v.y), px, py) <= 40.0f)
            return true;
    return false;
}

bool JoinPolyline(CPolylineI& chain, const CPolylineI& q)
{
    if (q.m_points.empty() || chain.m_points.empty())
        return false;
    std::vector<PointI>& c = chain.m_points;
    const PointI first = c.front();
    const PointI last = c.back();
    // A line from one end of the chain to the other closes it. Its points are
    // all near chain vertices (the two ends), yet it is no retrace: without
    // this, an outline whose last piece is a straight line could never close.
    // A chain of two points is a single segment, and a line across its ends
    // is that segment drawn again.
    const PointI qFirst = q.m_points.front();
    const PointI qLast = q.m_points.back();
    const bool closes = c.size() > 2 && ((AreEndsNear(last, qFirst) && AreEndsNear(first, qLast)) ||
                                         (AreEndsNear(last, qLast) && AreEndsNear(first, qFirst)));
    bool retrace = !closes;
    for (size_t k = 0; retrace && k < q.m_points.size(); ++k) {
        if (!IsNearVertex(chain, q.m_points[k])) {
            retrace = false;
            break;
        }
    }
    if (retrace)
        return false;

    if (AreEndsNear(last, q.m_points.front())) {
        c.insert(c.end(), q.m_points.begin(), q.m_points.end());
    } else if (AreEndsNear(last, q.m_points.back())) {
        c.insert(c.end(), q.m_points.rbegin(), q.m_points.rend());
    } else if (AreEndsNear(first, q.m_points.front())) {
        c.insert(c.begin(), q.m_points.rbegin(), q.m_points.rend());
    } else if (AreEndsNear(first, q.m_points.back())) {
        c.insert(c.begin(), q.m_points.begin(), q.m_points.end());
    } else {
        return false;
    }
    return true;
}
