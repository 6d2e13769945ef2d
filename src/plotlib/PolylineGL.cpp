// Preview drawing of polylines into the current OpenGL context (fixed
// function, client vertex arrays). Runs on the GUI thread, inside a display
// list compile or directly.
//
// Speed: each polyline is one glDrawArrays straight from its point vector
// (no copy, no call per point), and the colour changes only where the pen
// does. Measured on Mesa (bench/DrawingBench.cpp) this compiles a display
// list of 2 million points faster than immediate mode or one big
// glMultiDrawArrays over a copied float array, and replays as fast.
#include <GL/gl.h>

#include "plotlib/Devices.h"
#include "plotlib/PenColour.h"
#include "plotlib/Polyline.h"

namespace {

static_assert(sizeof(PointI) == 2 * sizeof(GLint), "PointI must be two packed GLints");

void SetColour(const PenRgb& c) { glColor3f(c.r, c.g, c.b); }

void DrawPoints(const std::vector<PointI>& points)
{
    if (points.empty())
        return;
    glVertexPointer(2, GL_INT, static_cast<GLsizei>(sizeof(PointI)), points.data());
    glDrawArrays(points.size() == 1 ? GL_POINTS : GL_LINE_STRIP, 0,
                 static_cast<GLsizei>(points.size()));
}

} // namespace

void CPolylineI::Draw() const
{
    if (m_points.empty())
        return;
    glPushAttrib(GL_CURRENT_BIT | GL_LINE_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    if (m_selected) {
        // Drawn over the normal line: wider and in the selection colour.
        glLineWidth(3.0f);
        SetColour(SelectionColour());
    } else {
        SetColour(PenColour(m_pen, *GetPlotter()));
    }
    DrawPoints(m_points);
    glPopClientAttrib();
    glPopAttrib();
}

// The whole drawing in pen colours. Selection marks are not drawn here: the
// preview compiles this into a display list that outlives selection changes
// and draws the selected polylines on top with CPolylineI::Draw.
void CPolylineIArray::Draw() const
{
    if (m_lines.empty())
        return;
    const PLOTTERCONFIG config = *GetPlotter();
    glPushAttrib(GL_CURRENT_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    int pen = 0;
    bool havePen = false;
    for (const CPolylineI& line : m_lines) {
        if (line.m_points.empty())
            continue;
        if (!havePen || line.m_pen != pen) {
            pen = line.m_pen;
            havePen = true;
            SetColour(PenColour(pen, config));
        }
        DrawPoints(line.m_points);
    }
    glPopClientAttrib();
    glPopAttrib();
}
