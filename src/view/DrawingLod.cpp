#include "view/DrawingLod.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

void CDrawingLod::Partition(const CPolylineIArray& drawing, int targetChunks)
{
    m_chunks.clear();
    const int count = drawing.GetCount();
    std::vector<double> starts(static_cast<size_t>(count));
    std::vector<double> ends(static_cast<size_t>(count));
    double lo = 0, hi = 0;
    bool any = false;
    for (int i = 0; i < count; ++i) {
        const std::vector<PointI>& pts = drawing.GetPolyline(i)->m_points;
        if (pts.empty())
            continue;
        int mn = pts[0].x, mx = pts[0].x;
        for (const PointI& p : pts) {
            mn = std::min(mn, p.x);
            mx = std::max(mx, p.x);
        }
        starts[static_cast<size_t>(i)] = mn;
        ends[static_cast<size_t>(i)] = mx;
        lo = any ? std::min(lo, static_cast<double>(mn)) : mn;
        hi = any ? std::max(hi, static_cast<double>(mn)) : mn;
        any = true;
    }
    if (!any)
        return;
    const int n = std::max(1, targetChunks);
    const double width = (hi - lo) / n;
    m_chunks.resize(static_cast<size_t>(n));
    std::vector<bool> used(static_cast<size_t>(n), false);
    for (int i = 0; i < count; ++i) {
        if (drawing.GetPolyline(i)->m_points.empty())
            continue;
        const double start = starts[static_cast<size_t>(i)];
        int c = width > 0 ? static_cast<int>((start - lo) / width) : 0;
        c = std::clamp(c, 0, n - 1);
        Chunk& chunk = m_chunks[static_cast<size_t>(c)];
        if (!used[static_cast<size_t>(c)]) {
            chunk.minX = start;
            chunk.maxX = ends[static_cast<size_t>(i)];
            used[static_cast<size_t>(c)] = true;
        } else {
            chunk.minX = std::min(chunk.minX, start);
            chunk.maxX = std::max(chunk.maxX, ends[static_cast<size_t>(i)]);
        }
        chunk.lines.push_back(i);
    }
    m_chunks.erase(std::remove_if(m_chunks.begin(), m_chunks.end(),
                                  [](const Chunk& c) { return c.lines.empty(); }),
                   m_chunks.end());
}

std::vector<CDrawingLod::Chunk> CDrawingLod::Group(const std::vector<Chunk>& chunks,
                                                   double span)
{
    std::vector<Chunk> groups;
    for (const Chunk& chunk : chunks) {
        if (groups.empty() || chunk.minX - groups.back().minX > span) {
            groups.push_back(chunk);
            continue;
        }
        Chunk& g = groups.back();
        g.maxX = std::max(g.maxX, chunk.maxX);
        g.minX = std::min(g.minX, chunk.minX);
        g.lines.insert(g.lines.end(), chunk.lines.begin(), chunk.lines.end());
    }
    return groups;
}

double CDrawingLod::Tolerance(int level)
{
    if (level <= 0)
        return 0;
    return std::ldexp(1.0, 2 * (level - 1));  // 1, 4, 16, 64, ... units
}

int CDrawingLod::LevelFor(double unitsPerPixel)
{
    const double allowed = unitsPerPixel / 2;
    int level = 0;
    while (level + 1 < kLevels && Tolerance(level + 1) <= allowed)
        ++level;
    return level;
}

void CDrawingLod::Simplify(const CPolylineIArray& drawing, const Chunk& chunk, int level,
                           CPolylineIArray& out)
{
    const double tol = Tolerance(level);
    const long long t = static_cast<long long>(tol);
    for (int index : chunk.lines) {
        const CPolylineI& line = *drawing.GetPolyline(index);
        CPolylineI& copy = out.Add(line.GetPenNo());
        if (level == 0 || line.m_points.size() <= 2) {
            copy.m_points = line.m_points;
            continue;
        }
        const std::vector<PointI>& pts = line.m_points;
        copy.m_points.reserve(pts.size() / 2 + 2);
        PointI last = pts.front();
        copy.m_points.push_back(last);
        for (size_t i = 1; i + 1 < pts.size(); ++i) {
            const long long dx = std::llabs(static_cast<long long>(pts[i].x) - last.x);
            const long long dy = std::llabs(static_cast<long long>(pts[i].y) - last.y);
            if (dx >= t || dy >= t) {
                last = pts[i];
                copy.m_points.push_back(last);
            }
        }
        copy.m_points.push_back(pts.back());
    }
}

void CDrawingLod::MakeBatches(const CPolylineIArray& drawing, const Chunk& chunk, int level,
                              std::vector<Batch>& out)
{
    out.clear();
    CPolylineIArray simple;
    Simplify(drawing, chunk, level, simple);
    for (const CPolylineI& line : simple.m_lines) {
        const std::vector<PointI>& pts = line.m_points;
        if (pts.empty())
            continue;
        auto it = std::find_if(out.begin(), out.end(),
                               [&line](const Batch& b) { return b.pen == line.m_pen; });
        if (it == out.end()) {
            out.push_back(Batch{});
            out.back().pen = line.m_pen;
            it = out.end() - 1;
        }
        if (pts.size() == 1) {
            it->points.push_back(pts[0].x);
            it->points.push_back(pts[0].y);
            continue;
        }
        // No reserve per polyline: an exact reserve reallocates the whole
        // batch every time and makes big drawings quadratic; push_back's
        // doubling is linear.
        for (size_t i = 1; i < pts.size(); ++i) {
            it->segments.push_back(pts[i - 1].x);
            it->segments.push_back(pts[i - 1].y);
            it->segments.push_back(pts[i].x);
            it->segments.push_back(pts[i].y);
        }
    }
}
