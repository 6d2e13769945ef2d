#include "view/DrawingPlacement.h"

CDrawingPlacement CDrawingPlacement::Apply(CPolylineIArray& drawing, bool rotate, bool mirror)
{
    CDrawingPlacement placement;
    placement.m_rotate = rotate;
    placement.m_mirror = mirror;
    if (rotate)
        drawing.Rotate(90.0);
    if (mirror)
        drawing.Mirror();
    int minX = 0, minY = 0, maxX = 0, maxY = 0;
    if (drawing.GetBoundRect(minX, minY, maxX, maxY)) {
        placement.m_dx = minX;
        placement.m_dy = minY;
        drawing.AlignZero();
    }
    return placement;
}

void CDrawingPlacement::Restore(CPolylineIArray& drawing) const
{
    if (m_dx != 0 || m_dy != 0)
        drawing.Offset(m_dx, m_dy);
    if (m_mirror)
        drawing.Mirror();
    if (m_rotate)
        drawing.Rotate(-90.0);
}
