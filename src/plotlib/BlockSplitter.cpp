#include "plotlib/BlockSplitter.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "plotlib/PlotterConfig.h"

namespace {

constexpr int64_t kOpenLow = std::numeric_limits<int64_t>::min();
constexpr int64_t kOpenHigh = std::numeric_limits<int64_t>::max();

// Liang-Barsky: narrows [t0, t1] to the part of a + t * d where
// p * t <= q. False when nothing is left.
bool ClipEdge(double p, double q, double& t0, double& t1)
{
    if (p == 0.0)
        return q >= 0.0;
    const double r = q / p;
    if (p < 0.0) {
        if (r > t1)
            return false;
        if (r > t0)
            t0 = r;
    } else {
        if (r < t0)
            return false;
        if (r < t1)
            t1 = r;
    }
    return true;
}

int32_t ToCoord(double v)
{
    const long long r = RoundHalfAway(v);
    return static_cast<int32_t>(std::clamp<long long>(r, INT32_MIN, INT32_MAX));
}

// The point at parameter t of a-b; an end point stays exact, and a point
// on a finite block side takes that side's coordinate exactly.
PointI PointAt(const PointI& a, const PointI& b, double t, const BlockRect& r)
{
    if (t <= 0.0)
        return a;
    if (t >= 1.0)
        return b;
    double x = a.x + (static_cast<double>(b.x) - a.x) * t;
    double y = a.y + (static_cast<double>(b.y) - a.y) * t;
    PointI p{ToCoord(x), ToCoord(y)};
    const int64_t sides[2] = {r.x0, r.x1};
    for (int64_t s : sides) {
        if (s != kOpenLow && s != kOpenHigh && std::fabs(x - static_cast<double>(s)) < 1e-6) {
            p.x = static_cast<int32_t>(s);
            // Recompute y from the side itself so both blocks agree.
            if (b.x != a.x)
                p.y = ToCoord(a.y + (static_cast<double>(b.y) - a.y) *
                                        ((static_cast<double>(s) - a.x) /
                                         (static_cast<double>(b.x) - a.x)));
        }
    }
    const int64_t ysides[2] = {r.y0, r.y1};
    for (int64_t s : ysides) {
        if (s != kOpenLow && s != kOpenHigh && std::fabs(y - static_cast<double>(s)) < 1e-6) {
            p.y = static_cast<int32_t>(s);
            if (b.y != a.y)
                p.x = ToCoord(a.x + (static_cast<double>(b.x) - a.x) *
                                        ((static_cast<double>(s) - a.y) /
                                         (static_cast<double>(b.y) - a.y)));
        }
    }
    return p;
}

bool Inside(const PointI& p, const BlockRect& r)
{
    return (r.x0 == kOpenLow || p.x >= r.x0) && (r.x1 == kOpenHigh || p.x < r.x1) &&
           (r.y0 == kOpenLow || p.y >= r.y0) && (r.y1 == kOpenHigh || p.y < r.y1);
}

}  // namespace

CBlockSplitter::CBlockSplitter(const CPolylineIArray& drawing, int widthUnits, int blockUnits)
    : m_width(widthUnits), m_block(blockUnits)
{
    m_count = drawing.CalcuBlocks(widthUnits, blockUnits, m_bands, m_perBand, m_w, m_h);
    int minX = 0, minY = 0, maxX = 0, maxY = 0;
    drawing.GetBoundRect(minX, minY, maxX, maxY);
    m_minX = minX;
    m_minY = minY;
    m_maxX = maxX;
}

BlockRect CBlockSplitter::Block(int index) const
{
    BlockRect r;
    r.index = index;
    if (m_perBand <= 0)
        return r;
    r.band = index / m_perBand;
    r.column = index % m_perBand;
    const int64_t L = m_block > 0 ? m_block : 0;
    const int64_t W = m_width > 0 ? m_width : 0;
    r.originX = m_minX + r.column * L;
    r.originY = m_minY + r.band * W;
    r.x0 = r.column == 0 ? kOpenLow : r.originX;
    r.y0 = r.band == 0 ? kOpenLow : r.originY;
    r.x1 = (L > 0 && r.column < m_perBand - 1) ? r.originX + L : kOpenHigh;
    r.y1 = (W > 0 && r.band < m_bands - 1) ? r.originY + W : kOpenHigh;
    const int64_t right = r.x1 == kOpenHigh ? m_maxX : std::min(r.x1, m_maxX);
    r.lengthX = std::max<int64_t>(0, right - r.originX);
    return r;
}

bool CBlockSplitter::MayTouch(int64_t minX, int64_t minY, int64_t maxX, int64_t maxY,
                              const BlockRect& r)
{
    return maxX >= r.x0 && minX <= r.x1 && maxY >= r.y0 && minY <= r.y1;
}

void CBlockSplitter::Clip(const CPolylineI& line, const BlockRect& r, std::vector<CPolylineI>& out)
{
    const std::vector<PointI>& pts = line.m_points;
    if (pts.empty())
        return;
    if (pts.size() == 1) {
        if (Inside(pts[0], r))
            out.push_back(line);
        return;
    }
    const double lx = r.x0 == kOpenLow ? -INFINITY : static_cast<double>(r.x0);
    const double hx = r.x1 == kOpenHigh ? INFINITY : static_cast<double>(r.x1);
    const double ly = r.y0 == kOpenLow ? -INFINITY : static_cast<double>(r.y0);
    const double hy = r.y1 == kOpenHigh ? INFINITY : static_cast<double>(r.y1);

    CPolylineI* current = nullptr;  // the piece still being extended
    for (size_t i = 1; i < pts.size(); ++i) {
        const PointI& a = pts[i - 1];
        const PointI& b = pts[i];
        if (a == b) {
            // A repeated point: part of the piece if it is inside.
            if (current && Inside(a, r) && current->m_points.back() == a)
                continue;
            if (!current && Inside(a, r) && pts.size() == 2) {
                out.push_back(line);
                return;
            }
            continue;
        }
        const double dx = static_cast<double>(b.x) - a.x;
        const double dy = static_cast<double>(b.y) - a.y;
        double t0 = 0.0, t1 = 1.0;
        bool visible = true;
        if (std::isfinite(lx))
            visible = visible && ClipEdge(-dx, a.x - lx, t0, t1);
        if (visible && std::isfinite(hx))
            visible = ClipEdge(dx, hx - a.x, t0, t1);
        if (visible && std::isfinite(ly))
            visible = ClipEdge(-dy, a.y - ly, t0, t1);
        if (visible && std::isfinite(hy))
            visible = ClipEdge(dy, hy - a.y, t0, t1);
        if (visible && t1 <= t0)
            visible = false;  // only touches the block at one point
        // A segment running along the upper X or Y side belongs to the
        // next block.
        if (visible && std::isfinite(hx) && a.x == b.x && a.x == r.x1)
            visible = false;
        if (visible && std::isfinite(hy) && a.y == b.y && a.y == r.y1)
            visible = false;
        if (!visible) {
            current = nullptr;
            continue;
        }
        const PointI p = PointAt(a, b, t0, r);
        const PointI q = PointAt(a, b, t1, r);
        if (current && current->m_points.back() == p) {
            if (q != p)
                current->m_points.push_back(q);
        } else {
            out.emplace_back(line.GetPenNo());
            current = &out.back();
            current->m_points.push_back(p);
            if (q != p)
                current->m_points.push_back(q);
        }
        if (t1 < 1.0)
            current = nullptr;  // left the block
    }
}
