// CBSpline: a smooth curve through given points, used by the preview's
// spline tool to smooth a polyline. Points are in millimetres.
//
// The curve is the C2 interpolating cubic spline (the cubic B-spline that
// passes through every point), parametrised by chord length:
//  - open input: not-a-knot ends (the first and last two spans share one
//    cubic), which keeps the ends as round as the data instead of forcing
//    zero curvature; three points give the parabola through them;
//  - closed input (first point equal to the last): a periodic spline, C2
//    across the closing point as well.
// Consecutive repeated points are merged before fitting. One distinct point
// gives that point, two give the straight line between them, and a closed
// input with fewer than three distinct points gives its points unchanged.
//
// Sampling is adaptive: each span is bisected until the straight chord is
// provably within 0.1 mm of the curve (the bound (dt^2 / 8) * max|p''| over
// the piece, with p'' linear on a cubic span). Every input point is a
// sample, so the result passes through the data exactly, and a closed
// curve ends on its first point.
//
// A plain value; one thread uses it at a time.
#pragma once

#include <vector>

class CBSpline {
public:
    // Largest distance between the sampled polyline and the true curve, mm.
    static constexpr double kTolerance = 0.1;

    void Destroy();
    void AddPoint(double x, double y);
    // Fits the curve and samples it. False when there are no points.
    bool Generate();
    // Hands over the sampled points as (x, y) pairs; the caller releases the
    // array with delete[]. Returns the number of points (0 and a null array
    // when nothing was generated).
    int GetSplinePts(double** points) const;

    // The fitted curve, for checks against the samples: the parameter runs
    // from 0 to GetParameterEnd() (chord length in mm). Only valid after a
    // successful Generate; false when there is no curve (fewer than two
    // distinct points).
    double GetParameterEnd() const;
    bool Evaluate(double t, double& x, double& y) const;
    bool IsClosed() const { return m_closed; }

private:
    void Sample(int span, double t0, double t1, int depth);
    void EvaluateSpan(int span, double t, double& x, double& y) const;
    double SecondDerivativeNorm(int span, double t) const;

    std::vector<double> m_x, m_y;
    std::vector<double> m_out;  // x0, y0, x1, y1, ...

    // The fitted spline in Hermite form: knots, points and first
    // derivatives, one entry per knot (a closed curve repeats its first).
    std::vector<double> m_t, m_px, m_py, m_dx, m_dy;
    bool m_closed = false;
};
