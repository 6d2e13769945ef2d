#include "ExtractionReference.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "geometry/GeometryPrimitives.h"

namespace extraction_reference {
namespace {

struct Outline {
    std::vector<PointI> points;
    std::vector<int> sources;
};

float F(int v) { return static_cast<float>(v); }

long long RoundAway(double v)
{
    return static_cast<long long>(v < 0 ? std::ceil(v - 0.5) : std::floor(v + 0.5));
}

bool NearEnds(PointI a, PointI b)
{
    const float d = Distance(F(a.x), F(a.y), F(b.x), F(b.y));
    return static_cast<long long>(d) <= 40;
}

bool NearVertex(const std::vector<PointI>& line, PointI p)
{
    for (const PointI& v : line)
        if (Distance(F(v.x), F(v.y), F(p.x), F(p.y)) <= 40.0f)
            return true;
    return false;
}

// Float copies of a polygon's coordinates, made once per test.
struct FloatCopy {
    explicit FloatCopy(const std::vector<PointI>& polygon)
    {
        for (const PointI& v : polygon) {
            xs.push_back(F(v.x));
            ys.push_back(F(v.y));
        }
    }
    std::vector<float> xs, ys;
};

bool PointInside(PointI p, const FloatCopy& polygon)
{
    return IsPointInPolygon(F(p.x), F(p.y), polygon.xs.data(), polygon.ys.data(),
                            static_cast<int>(polygon.xs.size()));
}

bool PolylineInside(const std::vector<PointI>& polygon, const std::vector<PointI>& line)
{
    if (polygon.size() < 3)
        return false;
    const FloatCopy copy(polygon);
    for (const PointI& p : line)
        if (!PointInside(p, copy))
            return false;
    return true;
}

bool Join(std::vector<PointI>& chain, const std::vector<PointI>& q)
{
    if (q.empty() || chain.empty())
        return false;
    // A line across the two ends of a chain of three or more points closes
    // it; it is not taken for a retrace.
    bool closing = false;
    if (chain.size() >= 3) {
        if (NearEnds(chain.back(), q.front()) && NearEnds(chain.front(), q.back()))
            closing = true;
        if (NearEnds(chain.back(), q.back()) && NearEnds(chain.front(), q.front()))
            closing = true;
    }
    bool all = !closing;
    for (size_t k = 0; all && k < q.size(); ++k)
        if (!NearVertex(chain, q[k]))
            all = false;
    if (all)
        return false;
    if (NearEnds(chain.back(), q.front())) {
        for (size_t k = 0; k < q.size(); ++k)
            chain.push_back(q[k]);
    } else if (NearEnds(chain.back(), q.back())) {
        for (size_t k = q.size(); k-- > 0;)
            chain.push_back(q[k]);
    } else if (NearEnds(chain.front(), q.front())) {
        for (size_t k = 0; k < q.size(); ++k)
            chain.insert(chain.begin(), q[k]);
    } else if (NearEnds(chain.front(), q.back())) {
        for (size_t k = q.size(); k-- > 0;)
            chain.insert(chain.begin(), q[k]);
    } else {
        return false;
    }
    return true;
}

// The exact area, in (1000 units)^2, rounded to float.
float Area(const std::vector<PointI>& points)
{
    if (points.size() < 3)
        return 0.0f;
    long double sum = 0;
    for (size_t k = 0; k < points.size(); ++k) {
        const PointI a = points[k];
        const PointI b = points[(k + 1) % points.size()];
        sum += static_cast<long double>(a.x) * b.y - static_cast<long double>(b.x) * a.y;
    }
    return static_cast<float>(std::fabs(static_cast<double>(sum)) / 2.0 / 1000000.0);
}

void Bounds(const std::vector<PointI>& points, int& x0, int& y0, int& x1, int& y1)
{
    x0 = y0 = x1 = y1 = 0;
    for (size_t k = 0; k < points.size(); ++k) {
        const PointI p = points[k];
        if (k == 0 || p.x < x0)
            x0 = p.x;
        if (k == 0 || p.y < y0)
            y0 = p.y;
        if (k == 0 || p.x > x1)
            x1 = p.x;
        if (k == 0 || p.y > y1)
            y1 = p.y;
    }
}

void Inset(std::vector<PointI>& points, int d)
{
    size_t i = 1;
    while (i < points.size()) {
        if (points[i] == points[i - 1])
            points.erase(points.begin() + static_cast<long>(i));
        else
            ++i;
    }
    if (points.size() < 2)
        return;
    float ux = 0, uy = 0;
    UnitVector(F(points[0].x), F(points[0].y), F(points[1].x), F(points[1].y), ux, uy);
    RotatePoint(ux, uy, 1.5707964f, 0.0f, 0.0f);
    const double mx = (static_cast<double>(points[0].x) + points[1].x) / 2.0;
    const double my = (static_cast<double>(points[0].y) + points[1].y) / 2.0;
    const PointI test{static_cast<int32_t>(RoundAway(mx + 2.0 * ux)),
                      static_cast<int32_t>(RoundAway(my + 2.0 * uy))};
    float angle = 1.5707964f;
    if (!PointInside(test, FloatCopy(points)))
        angle = -1.5707964f;

    const std::vector<PointI> old = points;
    const size_t n = old.size();
    for (size_t e = 0; e + 1 < n; ++e) {
        float nx = 0, ny = 0;
        UnitVector(F(old[e].x), F(old[e].y), F(old[e + 1].x), F(old[e + 1].y), nx, ny);
        RotatePoint(nx, ny, angle, 0.0f, 0.0f);
        const int dx = static_cast<int>(RoundAway(d * static_cast<double>(nx)));
        const int dy = static_cast<int>(RoundAway(d * static_cast<double>(ny)));
        points[e] = PointI{old[e].x + dx, old[e].y + dy};
        if (e == n - 2)
            points[e + 1] = PointI{old[e + 1].x + dx, old[e + 1].y + dy};
    }
}

bool Contains(const Outline& a, const Outline& b)
{
    int ax0, ay0, ax1, ay1, bx0, by0, bx1, by1;
    Bounds(a.points, ax0, ay0, ax1, ay1);
    Bounds(b.points, bx0, by0, bx1, by1);
    if (ax0 == bx0 && ay0 == by0 && ax1 == bx1 && ay1 == by1 &&
        std::fabs(Area(a.points) - Area(b.points)) < 0.000001)
        return true;
    if (bx0 >= ax1 || by0 >= ay1 || bx1 <= ax0 || by1 <= ay0)
        return false;
    Outline copy = b;
    Inset(copy.points, 1);
    if (copy.points.empty())
        return false;
    const FloatCopy container(a.points);
    for (const PointI& p : copy.points) {
        if (PointInside(p, container))
            continue;
        bool near = false;
        for (size_t j = 0; j + 1 < a.points.size(); ++j) {
            if (IsPointNearSegment(F(p.x), F(p.y), F(a.points[j].x), F(a.points[j].y),
                                   F(a.points[j + 1].x), F(a.points[j + 1].y), 1.0f, false))
                near = true;
        }
        if (!near)
            return false;
    }
    return true;
}

void SetPen(const Outline& outline, CPolylineIArray& drawing, int pen)
{
    for (int k : outline.sources)
        drawing.m_lines[static_cast<size_t>(k)].m_pen = pen;
}

bool InList(const std::vector<int>& list, int value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

} // namespace

int ExtractOutlines(CPolylineIArray& drawing, int pen)
{
    const int n = static_cast<int>(drawing.m_lines.size());
    if (n == 0)
        return 0;
    std::unordered_map<int, int> used(100);
    std::vector<Outline> outlines;
    std::vector<int> chainIndices;

    // Step 1: every closed outline.
    for (int i = 0; i < n; ++i) {
        if (used.count(i))
            continue;
        const std::vector<PointI>& p = drawing.m_lines[static_cast<size_t>(i)].m_points;
        bool closed = false;
        if (!p.empty()) {
            closed = NearEnds(p.front(), p.back());
            if (!closed && p.size() > 2)
                closed = NearEnds(p.front(), p[p.size() - 2]);
        }
        bool appended = false;
        if (closed) {
            outlines.push_back(Outline{p, {i}});
            used[i] = 1;
            chainIndices.push_back(i);
            appended = true;
        } else {
            std::vector<PointI> chain = p;
            chainIndices.push_back(i);
            int j = 0;
            while (j < n) {
                if (used.count(j) || InList(chainIndices, j)) {
                    ++j;
                    continue;
                }
                if (Join(chain, drawing.m_lines[static_cast<size_t>(j)].m_points)) {
                    chainIndices.push_back(j);
                    if (NearEnds(chain.front(), chain.back()))
                        break;
                    j = 0;
                    continue;
                }
                ++j;
            }
            if (!chain.empty() && NearEnds(chain.front(), chain.back())) {
                outlines.push_back(Outline{chain, chainIndices});
                appended = true;
            }
        }
        if (appended) {
            const Outline& outline = outlines.back();
            for (int k = 0; k < n; ++k) {
                if (used.count(k) || InList(chainIndices, k))
                    continue;
                if (PolylineInside(outline.points, drawing.m_lines[static_cast<size_t>(k)].m_points))
                    used[k] = 1;
            }
        }
        chainIndices.clear();
    }
    used.clear();
    for (size_t k = 0; k < outlines.size();) {
        if (Area(outlines[k].points) <= 0.04)
            outlines.erase(outlines.begin() + static_cast<long>(k));
        else
            ++k;
    }
    const int found = static_cast<int>(outlines.size());

    // Step 2: the frame rule, then every outline that no other contains.
    if (!outlines.empty()) {
        size_t largest = 0;
        for (size_t k = 1; k < outlines.size(); ++k)
            if (Area(outlines[k].points) > Area(outlines[largest].points))
                largest = k;
        bool frame = true;
        for (size_t k = 0; k < outlines.size(); ++k)
            if (k != largest && !(Area(outlines[largest].points) / Area(outlines[k].points) > 2.0))
                frame = false;
        if (frame) {
            SetPen(outlines[largest], drawing, pen);
            outlines.erase(outlines.begin() + static_cast<long>(largest));
        }
    }
    for (size_t k = 0; k < outlines.size();) {
        bool contained = false;
        for (size_t m = 0; m < outlines.size(); ++m)
            if (m != k && Contains(outlines[m], outlines[k])) {
                contained = true;
                break;
            }
        if (contained) {
            outlines.erase(outlines.begin() + static_cast<long>(k));
        } else {
            SetPen(outlines[k], drawing, pen);
            ++k;
        }
    }
    return found;
}

} // namespace extraction_reference
