#include "plotlib/PenPathOrder.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace {

int64_t Dist2(const PointI& a, const PointI& b)
{
    const int64_t dx = static_cast<int64_t>(a.x) - b.x;
    const int64_t dy = static_cast<int64_t>(a.y) - b.y;
    return dx * dx + dy * dy;
}

bool IsClosed(const CPolylineI& line)
{
    return line.m_points.size() > 2 && line.m_points.front() == line.m_points.back();
}

// The greedy nearest-end search over a grid of polyline ends.
class CNearestEnds {
public:
    explicit CNearestEnds(const std::vector<CPolylineI>& lines) : m_lines(lines)
    {
        m_used.assign(lines.size(), false);
        int64_t minX = std::numeric_limits<int64_t>::max(), minY = minX;
        int64_t maxX = std::numeric_limits<int64_t>::min(), maxY = maxX;
        for (size_t i = 0; i < lines.size(); ++i) {
            ForEachEnd(i, [&](const PointI& p, bool) {
                minX = std::min<int64_t>(minX, p.x);
                minY = std::min<int64_t>(minY, p.y);
                maxX = std::max<int64_t>(maxX, p.x);
                maxY = std::max<int64_t>(maxY, p.y);
            });
            m_remaining.push_back(static_cast<uint32_t>(i));
        }
        if (lines.empty())
            return;
        m_minX = minX;
        m_minY = minY;
        const double spanX = static_cast<double>(maxX - minX) + 1.0;
        const double spanY = static_cast<double>(maxY - minY) + 1.0;
        // About two ends per cell.
        const double cells = std::max(1.0, static_cast<double>(lines.size()));
        m_cell = std::max(1.0, std::sqrt(spanX * spanY / cells));
        m_cols = static_cast<int>(std::min(4096.0, std::ceil(spanX / m_cell)));
        m_rows = static_cast<int>(std::min(4096.0, std::ceil(spanY / m_cell)));
        m_cols = std::max(m_cols, 1);
        m_rows = std::max(m_rows, 1);
        m_cellX = spanX / m_cols;
        m_cellY = spanY / m_rows;
        m_grid.resize(static_cast<size_t>(m_cols) * static_cast<size_t>(m_rows));
        for (size_t i = 0; i < lines.size(); ++i) {
            ForEachEnd(i, [&](const PointI& p, bool reversed) {
                m_grid[CellIndex(Col(p.x), Row(p.y))].push_back(
                    static_cast<uint32_t>(i * 2 + (reversed ? 1 : 0)));
            });
        }
    }

    // The nearest unused end to `from`: polyline index and whether it is
    // entered from its last point. False when none is left.
    bool Next(const PointI& from, size_t& index, bool& reversed)
    {
        if (m_left == 0)
            return false;
        int64_t best = std::numeric_limits<int64_t>::max();
        uint32_t bestCode = 0;
        const int cx = std::clamp(Col(from.x), 0, m_cols - 1);
        const int cy = std::clamp(Row(from.y), 0, m_rows - 1);
        size_t scanned = 0;
        for (int r = 0;; ++r) {
            const int x0 = cx - r, x1 = cx + r, y0 = cy - r, y1 = cy + r;
            for (int y = std::max(y0, 0); y <= std::min(y1, m_rows - 1); ++y) {
                if (y == y0 || y == y1) {
                    for (int x = std::max(x0, 0); x <= std::min(x1, m_cols - 1); ++x) {
                        ScanCell(CellIndex(x, y), from, best, bestCode);
                        ++scanned;
                    }
                    continue;
                }
                // Inner rows of the ring: only its left and right cells.
                if (x0 >= 0) {
                    ScanCell(CellIndex(x0, y), from, best, bestCode);
                    ++scanned;
                }
                if (x1 < m_cols && x1 != x0) {
                    ScanCell(CellIndex(x1, y), from, best, bestCode);
                    ++scanned;
                }
            }
            // Everything not yet scanned lies beyond one of the ring's sides
            // that is not the grid's border.
            double bound = std::numeric_limits<double>::infinity();
            if (x0 > 0)
                bound = std::min(bound, from.x - (m_minX + x0 * m_cellX));
            if (x1 < m_cols - 1)
                bound = std::min(bound, (m_minX + (x1 + 1) * m_cellX) - from.x);
            if (y0 > 0)
                bound = std::min(bound, from.y - (m_minY + y0 * m_cellY));
            if (y1 < m_rows - 1)
                bound = std::min(bound, (m_minY + (y1 + 1) * m_cellY) - from.y);
            if (bound == std::numeric_limits<double>::infinity())
                break;  // the whole grid is scanned
            if (best != std::numeric_limits<int64_t>::max() && bound >= 0 &&
                static_cast<double>(best) <= bound * bound)
                break;
            if (scanned > m_left + 16) {
                // Few ends spread thin: a plain scan is cheaper than more rings.
                ScanRemaining(from, best, bestCode);
                break;
            }
        }
        if (best == std::numeric_limits<int64_t>::max())
            return false;
        index = bestCode / 2;
        reversed = (bestCode & 1) != 0;
        m_used[index] = true;
        --m_left;
        return true;
    }

    void Start() { m_left = m_lines.size(); }

private:
    template <typename Fn>
    void ForEachEnd(size_t i, Fn fn) const
    {
        const CPolylineI& line = m_lines[i];
        if (line.m_points.empty())
            return;
        fn(line.m_points.front(), false);
        if (line.m_points.size() > 1 && !IsClosed(line) &&
            line.m_points.back() != line.m_points.front())
            fn(line.m_points.back(), true);
    }

    const PointI& EndPoint(uint32_t code) const
    {
        const CPolylineI& line = m_lines[code / 2];
        return (code & 1) ? line.m_points.back() : line.m_points.front();
    }

    int Col(int32_t x) const { return static_cast<int>(std::floor((x - m_minX) / m_cellX)); }
    int Row(int32_t y) const { return static_cast<int>(std::floor((y - m_minY) / m_cellY)); }
    size_t CellIndex(int x, int y) const
    {
        return static_cast<size_t>(y) * static_cast<size_t>(m_cols) + static_cast<size_t>(x);
    }

    void Consider(uint32_t code, const PointI& from, int64_t& best, uint32_t& bestCode) const
    {
        const int64_t d = Dist2(from, EndPoint(code));
        if (d < best || (d == best && code < bestCode)) {
            best = d;
            bestCode = code;
        }
    }

    void ScanCell(size_t cell, const PointI& from, int64_t& best, uint32_t& bestCode)
    {
        std::vector<uint32_t>& entries = m_grid[cell];
        size_t keep = 0;
        for (uint32_t code : entries) {
            if (m_used[code / 2])
                continue;  // dropped for good here
            entries[keep++] = code;
            Consider(code, from, best, bestCode);
        }
        entries.resize(keep);
    }

    void ScanRemaining(const PointI& from, int64_t& best, uint32_t& bestCode)
    {
        size_t keep = 0;
        for (uint32_t i : m_remaining) {
            if (m_used[i])
                continue;
            m_remaining[keep++] = i;
            ForEachEnd(i, [&](const PointI&, bool reversed) {
                Consider(i * 2 + (reversed ? 1 : 0), from, best, bestCode);
            });
        }
        m_remaining.resize(keep);
    }

    const std::vector<CPolylineI>& m_lines;
    std::vector<bool> m_used;
    std::vector<uint32_t> m_remaining;
    std::vector<std::vector<uint32_t>> m_grid;
    size_t m_left = 0;
    int64_t m_minX = 0, m_minY = 0;
    double m_cell = 1.0, m_cellX = 1.0, m_cellY = 1.0;
    int m_cols = 1, m_rows = 1;
};

}  // namespace

int CPenPathOrder::PenRank(int pen, const PLOTTERCONFIG& config)
{
    if (pen == config.drawPen)
        return 0;
    if (pen == config.cutPen)
        return 3;
    if (pen == config.halfCutPen)
        return 2;
    return 1;
}

void CPenPathOrder::OrderNearest(std::vector<CPolylineI>& lines, PointI& pen)
{
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const CPolylineI& l) { return l.m_points.empty(); }),
                lines.end());
    if (lines.size() < 2) {
        if (!lines.empty())
            pen = lines.back().m_points.back();
        return;
    }
    CNearestEnds ends(lines);
    ends.Start();
    std::vector<CPolylineI> ordered;
    ordered.reserve(lines.size());
    size_t index = 0;
    bool reversed = false;
    while (ends.Next(pen, index, reversed)) {
        ordered.push_back(std::move(lines[index]));
        if (reversed)
            std::reverse(ordered.back().m_points.begin(), ordered.back().m_points.end());
        pen = ordered.back().m_points.back();
    }
    lines.swap(ordered);
}

void CPenPathOrder::Order(std::vector<CPolylineI>& lines, const PLOTTERCONFIG& config, PointI& pen)
{
    // Group by pen in plotting order, keep the groups' relative order
    // stable, then order each group from where the previous one ended.
    std::map<std::pair<int, int>, std::vector<CPolylineI>> groups;
    for (CPolylineI& line : lines) {
        if (line.m_points.empty())
            continue;
        const int p = line.GetPenNo();
        groups[{PenRank(p, config), p}].push_back(std::move(line));
    }
    lines.clear();
    for (auto& group : groups) {
        OrderNearest(group.second, pen);
        for (CPolylineI& line : group.second)
            lines.push_back(std::move(line));
    }
}

double CPenPathOrder::PenUpTravel(const std::vector<CPolylineI>& lines, PointI start)
{
    double travel = 0.0;
    PointI at = start;
    for (const CPolylineI& line : lines) {
        if (line.m_points.empty())
            continue;
        travel += std::sqrt(static_cast<double>(Dist2(at, line.m_points.front())));
        at = line.m_points.back();
    }
    return travel;
}
