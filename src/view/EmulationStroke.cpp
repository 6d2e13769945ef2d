#include "view/EmulationStroke.h"

#include <climits>
#include <cmath>

#include "geometry/GeometryPrimitives.h"

CEmulationStroke::CEmulationStroke(float ax, float ay, float bx, float by)
    : m_ax(ax), m_ay(ay), m_bx(bx), m_by(by)
{
    m_length = Distance(ax, ay, bx, by);
    UnitVector(ax, ay, bx, by, m_ux, m_uy);
    // Step k is the last once k + 1 >= length: ceil(length) steps, at
    // least one. A length beyond any screen (or not a number) is capped
    // rather than overflowing the count.
    const double steps = std::ceil(static_cast<double>(m_length));
    if (!(steps >= 1.0))
        m_steps = 1;
    else if (steps > INT_MAX / 2)
        m_steps = INT_MAX / 2;
    else
        m_steps = static_cast<int>(steps);
}

EmulationStep CEmulationStroke::Step(int k) const
{
    if (k < 0)
        k = 0;
    if (k >= m_steps)
        k = m_steps - 1;
    EmulationStep step;
    step.px = m_ax + static_cast<float>(k) * m_ux;
    step.py = m_ay + static_cast<float>(k) * m_uy;
    step.last = k + 1 >= m_steps;
    if (step.last) {
        step.qx = m_bx;
        step.qy = m_by;
    } else {
        step.qx = m_ax + static_cast<float>(k + 1) * m_ux;
        step.qy = m_ay + static_cast<float>(k + 1) * m_uy;
    }
    return step;
}
