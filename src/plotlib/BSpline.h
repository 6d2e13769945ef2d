// CBSpline: a smooth curve through given points (interpolating; end points
// kept; a closed input gives a closed curve), sampled finely enough to stay
// within 0.1 mm of the true curve. Points are in millimetres.
#pragma once

#include <vector>

class CBSpline {
public:
    void Destroy();
    void AddPoint(double x, double y);
    bool Generate();
    // Hands over the sampled points as (x, y) pairs; the caller releases the
    // array with delete[]. Returns the number of points.
    int GetSplinePts(double** points) const;

private:
    std::vector<double> m_x, m_y;
    std::vector<double> m_out;  // x0, y0, x1, y1, ...
};
