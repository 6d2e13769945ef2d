#include "view/BrokenLines.h"

#include "plotlib/Polyline.h"

int CBrokenLines::Apply(CPolylineIArray& drawing)
{
    int removed = 0;
    for (int i = drawing.GetCount() - 1; i >= 0; --i) {
        // BrokenPoly may append to the drawing and so move its polylines:
        // the pointer is not used after the call.
        drawing.GetPolyline(i)->BrokenPoly(drawing);
        if (drawing.GetPolyline(i)->GetCount() < 2) {
            drawing.RemovePolyline(i);
            ++removed;
        }
    }
    return removed;
}
