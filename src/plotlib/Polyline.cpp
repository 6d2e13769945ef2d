#include "plotlib/Polyline.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

#include "plotlib/Plotter.h"

namespace {

constexpr int64_t kMinCoord = std::numeric_limits<int32_t>::min();
constexpr int64_t kMaxCoord = std::numeric_limits<int32_t>::max();

// Coordinates stay int32: a transform that would leave the range stops at
// its edge instead of wrapping round to the other side of the drawing.
int32_t Saturate(int64_t v)
{
    return static_cast<int32_t>(std::clamp(v, kMinCoord, kMaxCoord));
}

int32_t SaturateRounded(double v)
{
    if (std::isnan(v))
        return 0;
    if (v <= static_cast<double>(kMinCoord))
        return static_cast<int32_t>(kMinCoord);
    if (v >= static_cast<double>(kMaxCoord))
        return static_cast<int32_t>(kMaxCoord);
    return static_cast<int32_t>(RoundHalfAway(v));
}

int ClampToInt(int64_t v)
{
    return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

// Ceiling of a / b for a >= 0, b > 0.
int64_t CeilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }

// Liang-Barsky: does the segment p0-p1 touch the closed rectangle? Works
// for zero-length segments (a point) as well.
bool SegmentTouchesRect(double x0, double y0, double x1, double y1, double left,
                        double bottom, double right, double top)
{
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    double t0 = 0.0;
    double t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - left, right - x0, y0 - bottom, top - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return false;  // parallel to this edge and outside it
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1)
                return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0)
                return false;
            t1 = std::min(t1, t);
        }
    }
    return t0 <= t1;
}

template <typename Fn>
void ForEachPoint(std::vector<CPolylineI>& lines, Fn fn)
{
    for (CPolylineI& line : lines)
        for (PointI& p : line.m_points)
            fn(p);
}

} // namespace

// ---------------------------------------------------------------- CPolylineI

void CPolylineI::InsertPoint(int i, int x, int y)
{
    // An index past either end appends or prepends rather than writing
    // outside the list.
    const int count = GetCount();
    const int at = std::clamp(i, 0, count);
    m_points.insert(m_points.begin() + at, PointI{x, y});
}

void CPolylineI::RemoveAt(int i)
{
    if (i < 0 || i >= GetCount())
        return;
    m_points.erase(m_points.begin() + i);
}

// ----------------------------------------------------------- CPolylineIArray

CPolylineI& CPolylineIArray::Add(int pen)
{
    m_lines.emplace_back(pen);
    return m_lines.back();
}

void CPolylineIArray::RemovePolyline(int i)
{
    if (i < 0 || i >= GetCount())
        return;
    m_lines.erase(m_lines.begin() + i);
}

void CPolylineIArray::Rotate(double degrees)
{
    if (!std::isfinite(degrees))
        return;
    // Quarter turns are exact integer swaps; only other angles round.
    const double turns = degrees / 90.0;
    if (turns == std::floor(turns)) {
        const int quarter = static_cast<int>(std::fmod(std::fmod(turns, 4.0) + 4.0, 4.0));
        switch (quarter) {
        case 0:
            return;
        case 1:
            ForEachPoint(m_lines, [](PointI& p) {
                const int64_t x = p.x;
                p.x = Saturate(-static_cast<int64_t>(p.y));
                p.y = Saturate(x);
            });
            return;
        case 2:
            ForEachPoint(m_lines, [](PointI& p) {
                p.x = Saturate(-static_cast<int64_t>(p.x));
                p.y = Saturate(-static_cast<int64_t>(p.y));
            });
            return;
        default:
            ForEachPoint(m_lines, [](PointI& p) {
                const int64_t x = p.x;
                p.x = Saturate(p.y);
                p.y = Saturate(-x);
            });
            return;
        }
    }
    const double radians = degrees * M_PI / 180.0;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    ForEachPoint(m_lines, [c, s](PointI& p) {
        const double x = p.x;
        const double y = p.y;
        p.x = SaturateRounded(x * c - y * s);
        p.y = SaturateRounded(x * s + y * c);
    });
}

void CPolylineIArray::Mirror()
{
    ForEachPoint(m_lines, [](PointI& p) { p.x = Saturate(-static_cast<int64_t>(p.x)); });
}

void CPolylineIArray::AlignZero()
{
    int minX = 0, minY = 0, maxX = 0, maxY = 0;
    if (!GetBoundRect(minX, minY, maxX, maxY))
        return;
    // In 64 bits: -minX of the most negative int32 does not fit an int. A
    // drawing wider than the int32 range keeps its far end at the range's
    // edge.
    const int64_t dx = -static_cast<int64_t>(minX);
    const int64_t dy = -static_cast<int64_t>(minY);
    if (dx == 0 && dy == 0)
        return;
    ForEachPoint(m_lines, [dx, dy](PointI& p) {
        p.x = Saturate(p.x + dx);
        p.y = Saturate(p.y + dy);
    });
}

void CPolylineIArray::Offset(int dx, int dy)
{
    if (dx == 0 && dy == 0)
        return;
    ForEachPoint(m_lines, [dx, dy](PointI& p) {
        p.x = Saturate(static_cast<int64_t>(p.x) + dx);
        p.y = Saturate(static_cast<int64_t>(p.y) + dy);
    });
}

void CPolylineIArray::Scale(double sx, double sy)
{
    ForEachPoint(m_lines, [sx, sy](PointI& p) {
        p.x = SaturateRounded(p.x * sx);
        p.y = SaturateRounded(p.y * sy);
    });
}

void CPolylineIArray::Append(const CPolylineIArray& other)
{
    if (&other == this) {
        const std::vector<CPolylineI> copy = other.m_lines;
        m_lines.insert(m_lines.end(), copy.begin(), copy.end());
        return;
    }
    m_lines.insert(m_lines.end(), other.m_lines.begin(), other.m_lines.end());
}

bool CPolylineIArray::GetBoundRect(int& minX, int& minY, int& maxX, int& maxY) const
{
    int32_t x0 = std::numeric_limits<int32_t>::max();
    int32_t y0 = x0;
    int32_t x1 = std::numeric_limits<int32_t>::min();
    int32_t y1 = x1;
    bool any = false;
    for (const CPolylineI& line : m_lines) {
        for (const PointI& p : line.m_points) {
            x0 = std::min(x0, p.x);
            y0 = std::min(y0, p.y);
            x1 = std::max(x1, p.x);
            y1 = std::max(y1, p.y);
        }
        any = any || !line.m_points.empty();
    }
    if (!any) {
        minX = minY = maxX = maxY = 0;
        return false;
    }
    minX = x0;
    minY = y0;
    maxX = x1;
    maxY = y1;
    return true;
}

void CPolylineIArray::Select(double x1, double y1, double x2, double y2,
                             std::vector<int>& indices) const
{
    indices.clear();
    if (std::isnan(x1) || std::isnan(y1) || std::isnan(x2) || std::isnan(y2))
        return;
    const double left = std::min(x1, x2);
    const double right = std::max(x1, x2);
    const double bottom = std::min(y1, y2);
    const double top = std::max(y1, y2);
    for (int i = 0; i < GetCount(); ++i) {
        const std::vector<PointI>& pts = m_lines[static_cast<size_t>(i)].m_points;
        if (pts.empty())
            continue;
        bool hit = false;
        if (pts.size() == 1) {
            hit = SegmentTouchesRect(pts[0].x, pts[0].y, pts[0].x, pts[0].y, left, bottom,
                                     right, top);
        }
        for (size_t k = 1; k < pts.size() && !hit; ++k) {
            const PointI& a = pts[k - 1];
            const PointI& b = pts[k];
            // Cheap rejection before the clip test: both ends on one side.
            if ((a.x < left && b.x < left) || (a.x > right && b.x > right) ||
                (a.y < bottom && b.y < bottom) || (a.y > top && b.y > top))
                continue;
            hit = SegmentTouchesRect(a.x, a.y, b.x, b.y, left, bottom, right, top);
        }
        if (hit)
            indices.push_back(i);
    }
}

int CPolylineIArray::CalcuBlocks(int widthUnits, int blockUnits, int& bands, int& blocksPerBand,
                                 int& w, int& h) const
{
    int minX = 0, minY = 0, maxX = 0, maxY = 0;
    if (!GetBoundRect(minX, minY, maxX, maxY)) {
        bands = blocksPerBand = 0;
        w = h = 0;
        return 0;
    }
    const int64_t extentX = static_cast<int64_t>(maxX) - minX;
    const int64_t extentY = static_cast<int64_t>(maxY) - minY;
    w = ClampToInt(extentX);
    h = ClampToInt(extentY);
    // A drawing of extent 0 (a point, a straight line along one axis) still
    // needs one band and one block; an exact multiple of the band width or
    // block length ends on the last boundary and needs no extra one.
    const int64_t nb = widthUnits > 0 ? std::max<int64_t>(1, CeilDiv(extentY, widthUnits)) : 1;
    const int64_t nk = blockUnits > 0 ? std::max<int64_t>(1, CeilDiv(extentX, blockUnits)) : 1;
    bands = ClampToInt(nb);
    blocksPerBand = ClampToInt(nk);
    // Both factors are below 2^33, but their product may not fit 64 bits.
    if (nb > INT_MAX / nk)
        return INT_MAX;
    return static_cast<int>(nb * nk);
}

bool CPolylineIArray::Draw(CPlotter& plotter, const std::atomic<bool>* abort) const
{
    for (const CPolylineI& line : m_lines) {
        if (abort && abort->load(std::memory_order_relaxed)) {
            plotter.Abort();
            return false;
        }
        plotter.DrawPolyline(line);
    }
    return true;
}
