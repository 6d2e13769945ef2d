#include "plotlib/BSpline.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// Points closer than this (mm) are one point: a plotter unit is at least a
// hundred times larger, so only true repeats are merged.
constexpr double kSamePoint = 1e-6;
// Bisection depth limit per span: 2^16 samples is far beyond what any real
// drawing needs and keeps a pathological input from running away.
constexpr int kMaxDepth = 16;

// Solves the tridiagonal system a[i] x[i-1] + b[i] x[i] + c[i] x[i+1] = r[i]
// (a[0] and c[n-1] unused) in place; the result replaces r. The systems
// built below are diagonally dominant after the first elimination step, so
// no pivoting is needed.
void SolveTridiagonal(std::vector<double> a, std::vector<double> b, const std::vector<double>& c,
                      std::vector<double>& r)
{
    const size_t n = b.size();
    for (size_t i = 1; i < n; ++i) {
        const double f = a[i] / b[i - 1];
        b[i] -= f * c[i - 1];
        r[i] -= f * r[i - 1];
    }
    r[n - 1] /= b[n - 1];
    for (size_t i = n - 1; i-- > 0;)
        r[i] = (r[i] - c[i] * r[i + 1]) / b[i];
}

// Solves the cyclic tridiagonal system (a[0] couples x[0] to x[n-1], c[n-1]
// couples x[n-1] to x[0]) by the Sherman-Morrison correction of an ordinary
// tridiagonal solve. n >= 3.
void SolveCyclic(const std::vector<double>& a, const std::vector<double>& b,
                 const std::vector<double>& c, std::vector<double>& r)
{
    const size_t n = b.size();
    const double alpha = c[n - 1];  // bottom-left corner
    const double beta = a[0];       // top-right corner
    const double gamma = -b[0];
    std::vector<double> bb(b);
    bb[0] = b[0] - gamma;
    bb[n - 1] = b[n - 1] - alpha * beta / gamma;
    std::vector<double> x(r);
    SolveTridiagonal(a, bb, c, x);
    std::vector<double> u(n, 0.0);
    u[0] = gamma;
    u[n - 1] = alpha;
    SolveTridiagonal(a, bb, c, u);
    const double fact = (x[0] + beta * x[n - 1] / gamma) / (1.0 + u[0] + beta * u[n - 1] / gamma);
    for (size_t i = 0; i < n; ++i)
        r[i] = x[i] - fact * u[i];
}

} // namespace

void CBSpline::Destroy()
{
    m_x.clear();
    m_y.clear();
    m_out.clear();
    m_t.clear();
    m_px.clear();
    m_py.clear();
    m_dx.clear();
    m_dy.clear();
    m_closed = false;
}

void CBSpline::AddPoint(double x, double y)
{
    // A point that is not a number cannot lie on any curve; leaving it out
    // keeps the rest of the polyline usable.
    if (!std::isfinite(x) || !std::isfinite(y))
        return;
    m_x.push_back(x);
    m_y.push_back(y);
}

bool CBSpline::Generate()
{
    m_out.clear();
    m_t.clear();
    m_px.clear();
    m_py.clear();
    m_dx.clear();
    m_dy.clear();
    m_closed = false;
    if (m_x.empty())
        return false;

    // Merge consecutive repeats.
    std::vector<double> px, py;
    for (size_t i = 0; i < m_x.size(); ++i) {
        if (!px.empty() && std::hypot(m_x[i] - px.back(), m_y[i] - py.back()) <= kSamePoint)
            continue;
        px.push_back(m_x[i]);
        py.push_back(m_y[i]);
    }
    bool closed = px.size() >= 2 &&
                  std::hypot(px.front() - px.back(), py.front() - py.back()) <= kSamePoint;
    if (closed) {
        px.pop_back();
        py.pop_back();
    }
    const size_t n = px.size();

    if (n == 1 || (closed && n < 3)) {
        // Nothing to bend: one point, or a closed run that is just a line
        // there and back. Hand the points back as they are.
        for (size_t i = 0; i < n; ++i) {
            m_out.push_back(px[i]);
            m_out.push_back(py[i]);
        }
        if (closed) {
            m_out.push_back(px[0]);
            m_out.push_back(py[0]);
        }
        return true;
    }

    // Knots by chord length; a closed curve repeats its first point as the
    // last knot.
    m_closed = closed;
    const size_t spans = closed ? n : n - 1;
    m_px.assign(px.begin(), px.end());
    m_py.assign(py.begin(), py.end());
    if (closed) {
        m_px.push_back(px[0]);
        m_py.push_back(py[0]);
    }
    std::vector<double> h(spans);
    m_t.assign(spans + 1, 0.0);
    for (size_t i = 0; i < spans; ++i) {
        h[i] = std::hypot(m_px[i + 1] - m_px[i], m_py[i + 1] - m_py[i]);
        m_t[i + 1] = m_t[i] + h[i];
    }
    std::vector<double> sx(spans), sy(spans);  // slopes of the chords
    for (size_t i = 0; i < spans; ++i) {
        sx[i] = (m_px[i + 1] - m_px[i]) / h[i];
        sy[i] = (m_py[i + 1] - m_py[i]) / h[i];
    }

    if (!closed && n == 2) {
        m_dx = {sx[0], sx[0]};
        m_dy = {sy[0], sy[0]};
    } else if (!closed && n == 3) {
        // Not-a-knot with two spans is the parabola through the points.
        const double span = h[0] + h[1];
        const double cx = (sx[1] - sx[0]) / span, cy = (sy[1] - sy[0]) / span;
        m_dx = {sx[0] - cx * h[0], sx[0] + cx * h[0], sx[0] + cx * (h[0] + 2 * h[1])};
        m_dy = {sy[0] - cy * h[0], sy[0] + cy * h[0], sy[0] + cy * (h[0] + 2 * h[1])};
    } else if (!closed) {
        // C2 conditions on the first derivatives at the inner knots, closed
        // by the not-a-knot conditions at both ends.
        std::vector<double> a(n), b(n), c(n), rx(n), ry(n);
        b[0] = h[1];
        c[0] = h[0] + h[1];
        const double w0 = ((h[0] + 2 * c[0]) * h[1]) / c[0], w1 = h[0] * h[0] / c[0];
        rx[0] = w0 * sx[0] + w1 * sx[1];
        ry[0] = w0 * sy[0] + w1 * sy[1];
        for (size_t i = 1; i + 1 < n; ++i) {
            a[i] = h[i];
            b[i] = 2 * (h[i - 1] + h[i]);
            c[i] = h[i - 1];
            rx[i] = 3 * (h[i] * sx[i - 1] + h[i - 1] * sx[i]);
            ry[i] = 3 * (h[i] * sy[i - 1] + h[i - 1] * sy[i]);
        }
        const size_t l = n - 1;
        const double hl = h[l - 1], hp = h[l - 2], sum = hl + hp;
        a[l] = sum;
        b[l] = hp;
        const double v0 = hl * hl / sum, v1 = ((2 * sum + hl) * hp) / sum;
        rx[l] = v0 * sx[l - 2] + v1 * sx[l - 1];
        ry[l] = v0 * sy[l - 2] + v1 * sy[l - 1];
        SolveTridiagonal(a, b, c, rx);
        SolveTridiagonal(a, b, c, ry);
        m_dx = rx;
        m_dy = ry;
    } else {
        // Periodic: the same C2 rows, wrapping around the closing point.
        std::vector<double> a(n), b(n), c(n), rx(n), ry(n);
        for (size_t i = 0; i < n; ++i) {
            const size_t p = (i + n - 1) % n;
            a[i] = h[i];
            b[i] = 2 * (h[p] + h[i]);
            c[i] = h[p];
            rx[i] = 3 * (h[i] * sx[p] + h[p] * sx[i]);
            ry[i] = 3 * (h[i] * sy[p] + h[p] * sy[i]);
        }
        SolveCyclic(a, b, c, rx);
        SolveCyclic(a, b, c, ry);
        m_dx = rx;
        m_dy = ry;
        m_dx.push_back(rx[0]);
        m_dy.push_back(ry[0]);
    }

    m_out.push_back(m_px[0]);
    m_out.push_back(m_py[0]);
    for (size_t i = 0; i < spans; ++i) {
        Sample(static_cast<int>(i), m_t[i], m_t[i + 1], 0);
        // The span ends on its data point exactly, not on a recomputed one.
        m_out[m_out.size() - 2] = m_px[i + 1];
        m_out[m_out.size() - 1] = m_py[i + 1];
    }
    return true;
}

void CBSpline::Sample(int span, double t0, double t1, int depth)
{
    const double dt = t1 - t0;
    const double curvature = std::max(SecondDerivativeNorm(span, t0), SecondDerivativeNorm(span, t1));
    if (depth >= kMaxDepth || dt * dt * curvature / 8.0 <= kTolerance) {
        double x, y;
        EvaluateSpan(span, t1, x, y);
        m_out.push_back(x);
        m_out.push_back(y);
        return;
    }
    const double mid = t0 + dt / 2;
    Sample(span, t0, mid, depth + 1);
    Sample(span, mid, t1, depth + 1);
}

void CBSpline::EvaluateSpan(int span, double t, double& x, double& y) const
{
    const size_t i = static_cast<size_t>(span);
    const double h = m_t[i + 1] - m_t[i];
    const double u = (t - m_t[i]) / h;
    const double u2 = u * u, u3 = u2 * u;
    const double h00 = 2 * u3 - 3 * u2 + 1, h10 = u3 - 2 * u2 + u;
    const double h01 = -2 * u3 + 3 * u2, h11 = u3 - u2;
    x = h00 * m_px[i] + h10 * h * m_dx[i] + h01 * m_px[i + 1] + h11 * h * m_dx[i + 1];
    y = h00 * m_py[i] + h10 * h * m_dy[i] + h01 * m_py[i + 1] + h11 * h * m_dy[i + 1];
}

double CBSpline::SecondDerivativeNorm(int span, double t) const
{
    const size_t i = static_cast<size_t>(span);
    const double h = m_t[i + 1] - m_t[i];
    const double u = (t - m_t[i]) / h;
    const double g00 = 12 * u - 6, g10 = 6 * u - 4, g01 = 6 - 12 * u, g11 = 6 * u - 2;
    const double ddx = (g00 * m_px[i] + g10 * h * m_dx[i] + g01 * m_px[i + 1] + g11 * h * m_dx[i + 1]) / (h * h);
    const double ddy = (g00 * m_py[i] + g10 * h * m_dy[i] + g01 * m_py[i + 1] + g11 * h * m_dy[i + 1]) / (h * h);
    return std::hypot(ddx, ddy);
}

double CBSpline::GetParameterEnd() const
{
    return m_t.empty() ? 0.0 : m_t.back();
}

bool CBSpline::Evaluate(double t, double& x, double& y) const
{
    if (m_t.size() < 2)
        return false;
    t = std::clamp(t, 0.0, m_t.back());
    const auto it = std::upper_bound(m_t.begin(), m_t.end(), t);
    size_t span = static_cast<size_t>(it - m_t.begin());
    span = span == 0 ? 0 : std::min(span - 1, m_t.size() - 2);
    EvaluateSpan(static_cast<int>(span), t, x, y);
    return true;
}

int CBSpline::GetSplinePts(double** points) const
{
    if (!points)
        return 0;
    const size_t count = m_out.size() / 2;
    if (count == 0) {
        *points = nullptr;
        return 0;
    }
    *points = new double[m_out.size()];
    std::copy(m_out.begin(), m_out.end(), *points);
    return static_cast<int>(count);
}
