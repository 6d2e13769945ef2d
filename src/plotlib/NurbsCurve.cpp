#include "plotlib/NurbsCurve.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMaxBisections = 14;

double DistanceToSegment(StrokePoint p, StrokePoint a, StrokePoint b)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

} // namespace

std::vector<double> CNurbsCurve::ClampedUniformKnots(int degree, size_t count)
{
    const size_t p = static_cast<size_t>(std::max(degree, 1));
    std::vector<double> knots;
    if (count < p + 1)
        return knots;
    const size_t inner = count - p - 1;
    for (size_t i = 0; i <= p; ++i)
        knots.push_back(0.0);
    for (size_t i = 1; i <= inner; ++i)
        knots.push_back(static_cast<double>(i) / static_cast<double>(inner + 1));
    for (size_t i = 0; i <= p; ++i)
        knots.push_back(1.0);
    return knots;
}

bool CNurbsCurve::Set(int degree, const std::vector<StrokePoint>& points,
                      const std::vector<double>& weights, const std::vector<double>& knots)
{
    m_points.clear();
    m_weights.clear();
    m_knots.clear();
    m_degree = 0;
    if (points.size() < 2 || degree < 1)
        return false;
    for (const StrokePoint& p : points)
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            return false;
    const int p = std::min({degree, kMaxDegree, static_cast<int>(points.size()) - 1});
    m_degree = p;
    m_points = points;
    m_weights.resize(points.size(), 1.0);
    for (size_t i = 0; i < points.size() && i < weights.size(); ++i)
        if (std::isfinite(weights[i]) && weights[i] > 0)
            m_weights[i] = weights[i];

    const size_t want = points.size() + static_cast<size_t>(p) + 1;
    bool usable = knots.size() == want && p == degree;
    for (size_t i = 0; usable && i < knots.size(); ++i)
        usable = std::isfinite(knots[i]) && (i == 0 || knots[i] >= knots[i - 1]);
    if (usable)
        usable = knots[points.size()] > knots[static_cast<size_t>(p)];
    m_knots = usable ? knots : ClampedUniformKnots(p, points.size());
    return true;
}

size_t CNurbsCurve::Span(double t) const
{
    // The span k with t_k <= t < t_{k+1}, within [p, n - 1].
    const size_t p = static_cast<size_t>(m_degree);
    const size_t n = m_points.size();
    if (t >= m_knots[n])
        t = m_knots[n];
    size_t lo = p, hi = n - 1;
    while (lo < hi) {
        const size_t mid = (lo + hi + 1) / 2;
        if (m_knots[mid] <= t)
            lo = mid;
        else
            hi = mid - 1;
    }
    // At the end of the domain, the last span with length.
    while (lo > p && m_knots[lo] >= m_knots[n])
        --lo;
    return lo;
}

StrokePoint CNurbsCurve::Evaluate(double t) const
{
    const int p = m_degree;
    const size_t k = Span(t);
    struct H {
        double x, y, w;
    };
    H d[kMaxDegree + 1];
    for (int j = 0; j <= p; ++j) {
        const size_t i = k - static_cast<size_t>(p) + static_cast<size_t>(j);
        const double w = m_weights[i];
        d[j] = H{m_points[i].x * w, m_points[i].y * w, w};
    }
    for (int r = 1; r <= p; ++r) {
        for (int j = p; j >= r; --j) {
            const size_t i = k - static_cast<size_t>(p) + static_cast<size_t>(j);
            const double left = m_knots[i];
            const double right = m_knots[i + static_cast<size_t>(p - r) + 1];
            const double a = right > left ? (t - left) / (right - left) : 0.0;
            d[j] = H{(1 - a) * d[j - 1].x + a * d[j].x, (1 - a) * d[j - 1].y + a * d[j].y,
                     (1 - a) * d[j - 1].w + a * d[j].w};
        }
    }
    const H& h = d[p];
    if (!(std::fabs(h.w) > 1e-300))
        return m_points[k];
    return StrokePoint{h.x / h.w, h.y / h.w};
}

void CNurbsCurve::Bisect(double t0, StrokePoint a, double t1, StrokePoint b, double tolerance,
                         int depth, std::vector<StrokePoint>& out, size_t limit,
                         bool& complete) const
{
    const double tm = 0.5 * (t0 + t1);
    const StrokePoint m = Evaluate(tm);
    bool flat = depth > 0;
    if (flat) {
        for (double f : {0.25, 0.75}) {
            if (DistanceToSegment(Evaluate(t0 + f * (t1 - t0)), a, b) > tolerance) {
                flat = false;
                break;
            }
        }
        flat = flat && DistanceToSegment(m, a, b) <= tolerance;
    }
    if (flat || depth >= kMaxBisections || out.size() >= limit) {
        if (out.size() < limit)
            out.push_back(b);
        else
            complete = false;
        return;
    }
    Bisect(t0, a, tm, m, tolerance, depth + 1, out, limit, complete);
    Bisect(tm, m, t1, b, tolerance, depth + 1, out, limit, complete);
}

bool CNurbsCurve::Sample(double tolerance, std::vector<StrokePoint>& out, size_t maxPoints) const
{
    if (m_points.size() < 2 || maxPoints == 0)
        return false;
    const size_t limit = out.size() + maxPoints;
    bool complete = true;
    const size_t p = static_cast<size_t>(m_degree);
    const size_t n = m_points.size();
    StrokePoint a = Evaluate(m_knots[p]);
    out.push_back(a);
    for (size_t k = p; k < n; ++k) {
        const double t0 = m_knots[k], t1 = m_knots[k + 1];
        if (!(t1 > t0))
            continue;
        const StrokePoint b = Evaluate(t1);
        Bisect(t0, a, t1, b, tolerance, 0, out, limit, complete);
        a = b;
    }
    return complete;
}
