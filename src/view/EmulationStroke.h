// CEmulationStroke: the pixel steps in which the plot emulation animates one
// segment. The segment's ends are window pixels (already truncated); the
// walk advances one pixel along the segment per step, and the last step
// ends exactly on the segment's end, so a segment shorter than one pixel is
// one step from its start to its end.
//
// A plain value, no window involved; the canvas (CPlotterView::
// EmulateSegment) sleeps, yields, draws and copies the picture per step.
#pragma once

struct EmulationStep {
    float px = 0, py = 0;  // where the step starts
    float qx = 0, qy = 0;  // where it ends
    bool last = false;     // the step that reaches the segment's end
};

class CEmulationStroke {
public:
    CEmulationStroke(float ax, float ay, float bx, float by);

    // Steps k = 0 .. StepCount() - 1; at least one.
    int StepCount() const { return m_steps; }
    // Step k (k past the end gives the last step).
    EmulationStep Step(int k) const;

private:
    float m_ax, m_ay, m_bx, m_by;
    float m_ux = 0, m_uy = 0;
    float m_length = 0;
    int m_steps = 1;
};
