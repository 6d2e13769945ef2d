#include "geometry/OutlineExtractor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "geometry/CellIndex.h"
#include "geometry/ExtractControl.h"
#include "geometry/GeometryPrimitives.h"

namespace {

// Outlines of at most this area (in (1000 units)^2) are too small to be a
// piece: notches, drill marks, closed letters.
constexpr double kMinimumArea = 0.04;

// Cells of the end point index: a little more than the 41-unit reach of
// near ends, so that a query touches at most 3 x 3 cells.
constexpr double kEndCellSize = 64.0;

struct FloatRect {
    float minX = 0, minY = 0, maxX = 0, maxY = 0;
};

FloatRect BoundsOf(const std::vector<PointI>& points)
{
    FloatRect r;
    if (points.empty())
        return r;
    r.minX = r.maxX = static_cast<float>(points[0].x);
    r.minY = r.maxY = static_cast<float>(points[0].y);
    for (const PointI& p : points) {
        const float x = static_cast<float>(p.x);
        const float y = static_cast<float>(p.y);
        r.minX = std::min(r.minX, x);
        r.maxX = std::max(r.maxX, x);
        r.minY = std::min(r.minY, y);
        r.maxY = std::max(r.maxY, y);
    }
    return r;
}

bool Within(const FloatRect& inner, const FloatRect& outer, float margin)
{
    return inner.minX >= outer.minX - margin && inner.maxX <= outer.maxX + margin &&
           inner.minY >= outer.minY - margin && inner.maxY <= outer.maxY + margin;
}

void SortUnique(std::vector<int>& ids)
{
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
}

// Largest coordinate magnitude of the drawing: float copies of coordinates
// beyond 2^24 lose whole units, and the index margins grow with it.
double LargestMagnitude(const CPolylineIArray& drawing)
{
    double largest = 0.0;
    for (const CPolylineI& line : drawing.m_lines)
        for (const PointI& p : line.m_points)
            largest = std::max({largest, std::fabs(static_cast<double>(p.x)),
                                std::fabs(static_cast<double>(p.y))});
    return largest;
}

bool IsClosedByItself(const CPolylineI& line)
{
    const int n = line.GetCount();
    if (n == 0)
        return false;
    const PointI first = line.m_points.front();
    if (AreEndsNear(first, line.m_points.back()))
        return true;
    return n > 2 && AreEndsNear(first, line.m_points[static_cast<size_t>(n - 2)]);
}

// Step 1 over one drawing. The used flags are the polylines already dealt
// with (outlines closed by themselves and everything found inside an
// outline); the chain flags mark the polylines of the chain being built.
class ClosedOutlineFinder {
public:
    explicit ClosedOutlineFinder(const CPolylineIArray& drawing)
        : m_drawing(drawing),
          m_count(drawing.GetCount()),
          m_used(static_cast<size_t>(m_count), 0),
          m_inChain(static_cast<size_t>(m_count), 0),
          m_ends(kEndCellSize),
          m_starts(StartCellSize(drawing))
    {
        const double largest = LargestMagnitude(drawing);
        m_endReach = 48.0 + largest * 1e-6;
        m_lineBounds.resize(static_cast<size_t>(m_count));
        for (int j = 0; j < m_count; ++j) {
            const CPolylineI& line = m_drawing.m_lines[static_cast<size_t>(j)];
            if (line.m_points.empty()) {
                m_emptyLines.push_back(j);
                continue;
            }
            const PointI a = line.m_points.front();
            const PointI b = line.m_points.back();
            m_ends.InsertPoint(a.x, a.y, j);
            if (b != a)
                m_ends.InsertPoint(b.x, b.y, j);
            m_starts.InsertPoint(a.x, a.y, j);
            m_lineBounds[static_cast<size_t>(j)] = BoundsOf(line.m_points);
        }
    }

    bool IsUsed(int i) const { return m_used[static_cast<size_t>(i)] != 0; }

    // Handles polyline i (not used); appends the outline it closes, if any.
    // False when cancelled on the way.
    template <class CancelFn>
    bool Visit(int i, std::vector<CPolygon>& polygons, CancelFn cancelled)
    {
        const CPolylineI& line = m_drawing.m_lines[static_cast<size_t>(i)];
        bool found = false;
        CPolygon polygon;
        AddToChain(i);
        if (IsClosedByItself(line)) {
            polygon = line;
            polygon.AddIndex(i);
            m_used[static_cast<size_t>(i)] = 1;
            found = true;
        } else {
            m_chain.m_points = line.m_points;
            if (!GrowChain(cancelled))
                return false;
            if (!m_chain.m_points.empty() &&
                AreEndsNear(m_chain.m_points.front(), m_chain.m_points.back())) {
                polygon = m_chain;
                polygon.AddIndices(m_chainIndices);
                found = true;
            }
            m_chain.m_points.clear();
        }
        if (found) {
            MarkEnclosed(polygon);
            polygons.push_back(std::move(polygon));
        }
        for (int k : m_chainIndices)
            m_inChain[static_cast<size_t>(k)] = 0;
        m_chainIndices.clear();
        return true;
    }

private:
    static double StartCellSize(const CPolylineIArray& drawing)
    {
        int minX = 0, minY = 0, maxX = 0, maxY = 0;
        drawing.GetBoundRect(minX, minY, maxX, maxY);
        const double area = (static_cast<double>(maxX) - minX + 1.0) *
                            (static_cast<double>(maxY) - minY + 1.0);
        const double perLine = area / std::max(1, drawing.GetCount());
        return std::max(256.0, 2.0 * std::sqrt(perLine));
    }

    void AddToChain(int j)
    {
        m_chainIndices.push_back(j);
        m_inChain[static_cast<size_t>(j)] = 1;
    }

    // Joins polylines to the chain until it closes or nothing joins. Each
    // join takes the lowest-index free polyline that joins: the one a scan
    // from the start of the drawing would meet first. Only a polyline with
    // an end near a chain end can join, so the end index lists every
    // candidate.
    template <class CancelFn>
    bool GrowChain(CancelFn cancelled)
    {
        std::vector<int> candidates;
        while (!m_chain.m_points.empty()) {
            if (cancelled())
                return false;
            candidates.clear();
            for (const PointI& end : {m_chain.m_points.front(), m_chain.m_points.back()})
                m_ends.Query(end.x - m_endReach, end.y - m_endReach, end.x + m_endReach,
                             end.y + m_endReach, candidates);
            SortUnique(candidates);
            bool joined = false;
            for (int j : candidates) {
                if (IsUsed(j) || m_inChain[static_cast<size_t>(j)])
                    continue;
                if (JoinPolyline(m_chain, m_drawing.m_lines[static_cast<size_t>(j)])) {
                    AddToChain(j);
                    joined = true;
                    break;
                }
            }
            if (!joined ||
                AreEndsNear(m_chain.m_points.front(), m_chain.m_points.back()))
                break;
        }
        return true;
    }

    // Marks as used every free polyline lying wholly inside the outline. A
    // point outside the outline's bounds is never inside, so only polylines
    // starting within the bounds and lying within them are tested.
    void MarkEnclosed(const CPolygon& polygon)
    {
        const int n = polygon.GetCount();
        if (n < 3)
            return;
        std::vector<float> xs(static_cast<size_t>(n));
        std::vector<float> ys(static_cast<size_t>(n));
        for (int k = 0; k < n; ++k) {
            xs[static_cast<size_t>(k)] = static_cast<float>(polygon.m_points[static_cast<size_t>(k)].x);
            ys[static_cast<size_t>(k)] = static_cast<float>(polygon.m_points[static_cast<size_t>(k)].y);
        }
        const FloatRect bounds = BoundsOf(polygon.m_points);
        m_candidates.clear();
        m_starts.Query(bounds.minX, bounds.minY, bounds.maxX, bounds.maxY, m_candidates);
        m_candidates.insert(m_candidates.end(), m_emptyLines.begin(), m_emptyLines.end());
        for (int j : m_candidates) {
            if (IsUsed(j) || m_inChain[static_cast<size_t>(j)])
                continue;
            const CPolylineI& line = m_drawing.m_lines[static_cast<size_t>(j)];
            if (!line.m_points.empty() && !Within(m_lineBounds[static_cast<size_t>(j)], bounds, 0.0f))
                continue;
            if (IsPolylineInsidePolygon(line, xs.data(), ys.data(), n))
                m_used[static_cast<size_t>(j)] = 1;
        }
    }

    const CPolylineIArray& m_drawing;
    int m_count;
    std::vector<char> m_used;
    std::vector<char> m_inChain;
    std::vector<int> m_chainIndices;
    CPolylineI m_chain;
    CCellIndex m_ends;
    CCellIndex m_starts;
    double m_endReach = 48.0;
    std::vector<FloatRect> m_lineBounds;
    std::vector<int> m_emptyLines;
    std::vector<int> m_candidates;
};

// One outline of step 2 with everything the containment test needs,
// computed once: bounds, area, float copy, and the float copy of the
// outline pulled in by one unit.
struct PreparedOutline {
    int minX = 0, minY = 0, maxX = 0, maxY = 0;
    float area = 0.0f;
    std::vector<float> xs, ys;
    std::vector<float> insetXs, insetYs;
    FloatRect bounds;
    FloatRect insetBounds;
    PointI first;
};

PreparedOutline Prepare(const CPolygon& polygon, float area)
{
    PreparedOutline p;
    polygon.GetBounds(p.minX, p.minY, p.maxX, p.maxY);
    p.area = area;
    p.bounds = BoundsOf(polygon.m_points);
    for (const PointI& v : polygon.m_points) {
        p.xs.push_back(static_cast<float>(v.x));
        p.ys.push_back(static_cast<float>(v.y));
    }
    CPolygon inner(polygon);
    inner.Inset(1);
    p.insetBounds = BoundsOf(inner.m_points);
    for (const PointI& v : inner.m_points) {
        p.insetXs.push_back(static_cast<float>(v.x));
        p.insetYs.push_back(static_cast<float>(v.y));
    }
    if (!polygon.m_points.empty())
        p.first = polygon.m_points.front();
    return p;
}

// CPolygon::Contains on prepared outlines, with one more early answer: a
// point within 1.0 of an edge (or inside) lies within the container's bounds
// widened by `margin`, so inset points outside that cannot all pass.
bool PreparedContains(const PreparedOutline& a, const PreparedOutline& b, float margin)
{
    if (a.minX == b.minX && a.minY == b.minY && a.maxX == b.maxX && a.maxY == b.maxY &&
        std::fabs(a.area - b.area) < 0.000001)
        return true;
    if (b.minX >= a.maxX || b.minY >= a.maxY || b.maxX <= a.minX || b.maxY <= a.minY)
        return false;
    const int an = static_cast<int>(a.xs.size());
    const int bn = static_cast<int>(b.insetXs.size());
    if (bn == 0)
        return false;
    if (an >= 3 && !Within(b.insetBounds, a.bounds, margin))
        return false;
    return ArePointsWithinPolygon(b.insetXs.data(), b.insetYs.data(), bn, a.xs.data(),
                                  a.ys.data(), an);
}

} // namespace

bool COutlineExtractor::Cancelled() { return m_control && m_control->Checkpoint(); }

void COutlineExtractor::Report(int step, int value, int range)
{
    if (!m_progress)
        return;
    const long long tick = range > 0 ? static_cast<long long>(value) * 200 / range : 0;
    if (value == 0 || value == range || step != m_lastStep || tick != m_lastTick) {
        m_lastStep = step;
        m_lastTick = tick;
        m_progress(step, value, range);
    }
}

bool COutlineExtractor::FindClosedPolygons(const CPolylineIArray& drawing,
                                           std::vector<CPolygon>& polygons)
{
    polygons.clear();
    const int count = drawing.GetCount();
    Report(1, 0, count);
    ClosedOutlineFinder finder(drawing);
    const auto cancelled = [this] { return Cancelled(); };
    for (int i = 0; i < count; ++i) {
        if (cancelled())
            return false;
        if (!finder.IsUsed(i) && !finder.Visit(i, polygons, cancelled))
            return false;
        Report(1, i + 1, count);
    }
    polygons.erase(std::remove_if(polygons.begin(), polygons.end(),
                                  [](const CPolygon& p) { return !(p.GetArea() > kMinimumArea); }),
                   polygons.end());
    return true;
}

bool COutlineExtractor::SelectOuterPolygons(const std::vector<CPolygon>& polygons,
                                            std::vector<int>& outer)
{
    outer.clear();
    const int count = static_cast<int>(polygons.size());
    Report(2, 0, count);
    if (count == 0)
        return true;

    std::vector<PreparedOutline> prepared;
    prepared.reserve(polygons.size());
    double largest = 0.0;
    for (const CPolygon& polygon : polygons) {
        prepared.push_back(Prepare(polygon, polygon.GetArea()));
        const PreparedOutline& p = prepared.back();
        largest = std::max({largest, std::fabs(static_cast<double>(p.minX)),
                            std::fabs(static_cast<double>(p.maxX)),
                            std::fabs(static_cast<double>(p.minY)),
                            std::fabs(static_cast<double>(p.maxY))});
    }
    // Room for the 1.0 edge tolerance, the edge parameter's allowance past
    // the end of an edge and float rounding of large coordinates.
    const float margin = static_cast<float>(4.0 + 2e-6 * largest);

    std::vector<char> alive(static_cast<size_t>(count), 1);
    int done = 0;

    // A frame drawn around the whole marker: the largest outline, more than
    // twice as large as every other one, is an outer outline by itself and
    // takes no part in the containment tests.
    int largestAt = 0;
    for (int k = 1; k < count; ++k)
        if (prepared[static_cast<size_t>(k)].area > prepared[static_cast<size_t>(largestAt)].area)
            largestAt = k;
    bool frame = true;
    const float largestArea = prepared[static_cast<size_t>(largestAt)].area;
    for (int k = 0; k < count && frame; ++k)
        if (k != largestAt && !(largestArea / prepared[static_cast<size_t>(k)].area > 2.0))
            frame = false;
    if (frame) {
        outer.push_back(largestAt);
        alive[static_cast<size_t>(largestAt)] = 0;
        Report(2, ++done, count);
    }

    // Candidate containers of an outline are those whose widened bounds hold
    // its first point (which the inset moves by at most one unit per axis).
    std::vector<int> extents;
    for (const PreparedOutline& p : prepared)
        extents.push_back(std::max(p.maxX - p.minX, p.maxY - p.minY));
    std::nth_element(extents.begin(), extents.begin() + count / 2, extents.end());
    CCellIndex containers(std::max(256.0, static_cast<double>(extents[static_cast<size_t>(count / 2)])));
    const double reach = static_cast<double>(margin) + 2.0;
    for (int k = 0; k < count; ++k) {
        if (!alive[static_cast<size_t>(k)])
            continue;
        const PreparedOutline& p = prepared[static_cast<size_t>(k)];
        containers.InsertRect(p.minX - reach, p.minY - reach, p.maxX + reach, p.maxY + reach, k);
    }

    std::vector<int> candidates;
    for (int k = 0; k < count; ++k) {
        if (!alive[static_cast<size_t>(k)])
            continue;
        if (Cancelled())
            return false;
        const PreparedOutline& b = prepared[static_cast<size_t>(k)];
        candidates.clear();
        containers.Query(b.first.x, b.first.y, b.first.x, b.first.y, candidates);
        SortUnique(candidates);
        bool contained = false;
        for (int m : candidates) {
            if (m != k && alive[static_cast<size_t>(m)] &&
                PreparedContains(prepared[static_cast<size_t>(m)], b, margin)) {
                contained = true;
                break;
            }
        }
        if (contained)
            alive[static_cast<size_t>(k)] = 0;
        else
            outer.push_back(k);
        Report(2, ++done, count);
    }
    return true;
}

ExtractResult COutlineExtractor::Run(CPolylineIArray& drawing, int pen)
{
    ExtractResult result;
    m_lastStep = 0;
    m_lastTick = -1;
    if (drawing.GetCount() == 0)
        return result;

    std::vector<CPolygon> polygons;
    std::vector<int> outer;
    if (!FindClosedPolygons(drawing, polygons) || !SelectOuterPolygons(polygons, outer) ||
        Cancelled()) {
        result.cancelled = true;
        return result;
    }

    result.closedOutlines = static_cast<int>(polygons.size());
    result.outerOutlines = static_cast<int>(outer.size());
    for (int k : outer) {
        const CPolygon& polygon = polygons[static_cast<size_t>(k)];
        polygon.SetSourcePen(pen, drawing);
        result.changedLines.insert(result.changedLines.end(), polygon.GetIndices().begin(),
                                   polygon.GetIndices().end());
    }
    SortUnique(result.changedLines);
    return result;
}

int ExtractPenForChoice(const PLOTTERCONFIG& config, int choice)
{
    return choice == 0 ? config.cutPen : config.halfCutPen;
}
