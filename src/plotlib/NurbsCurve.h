// CNurbsCurve: a rational B-spline curve in the plane, the curve of a DXF
// SPLINE given by control points: degree p, n control points with weights
// and a knot vector of n + p + 1 non-decreasing values. The curve runs over
// the knots [t_p, t_n]; clamped, unclamped and periodic knot vectors all
// evaluate by de Boor's algorithm.
//
// Sampling bisects each knot span until every chord stays within the
// tolerance of the curve (measured at a quarter, half and three quarters of
// the chord's parameter interval; a span is split at least once), so the
// polyline follows the curve as closely as the arcs of the plot files do.
//
// A plain value; one thread uses it at a time.
#pragma once

#include <cstddef>
#include <vector>

#include "plotlib/HersheyText.h"  // StrokePoint

class CNurbsCurve {
public:
    static constexpr int kMaxDegree = 11;

    // Sets the curve. Weights that are missing, not finite or not positive
    // count as 1. A degree beyond the points is lowered to what they carry;
    // knots of the wrong count or out of order are replaced by a clamped
    // uniform vector. False (no curve) for fewer than two control points
    // or a degree below 1.
    bool Set(int degree, const std::vector<StrokePoint>& points, const std::vector<double>& weights,
             const std::vector<double>& knots);

    // Knots t_0..t_{n+p}: p + 1 zeros, evenly spaced inner knots, p + 1 ones.
    static std::vector<double> ClampedUniformKnots(int degree, size_t count);

    double StartParameter() const { return m_knots[static_cast<size_t>(m_degree)]; }
    double EndParameter() const { return m_knots[m_points.size()]; }
    StrokePoint Evaluate(double t) const;

    // Appends the samples, first and last point of the curve included, to
    // `out`. At most `maxPoints` are appended; false when that was not
    // enough (the samples are then coarser than asked).
    bool Sample(double tolerance, std::vector<StrokePoint>& out, size_t maxPoints) const;

private:
    size_t Span(double t) const;
    void Bisect(double t0, StrokePoint a, double t1, StrokePoint b, double tolerance, int depth,
                std::vector<StrokePoint>& out, size_t limit, bool& complete) const;

    int m_degree = 0;
    std::vector<StrokePoint> m_points;
    std::vector<double> m_weights;
    std::vector<double> m_knots;
};
