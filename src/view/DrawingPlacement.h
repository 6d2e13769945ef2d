// CDrawingPlacement: how a plot file's drawing is shown and queued. The
// drawing is turned by 90 degrees (rotate), mirrored on the vertical axis
// (mirror) and moved so that its minimum corner is the origin; the
// placement remembers all three, so an edited drawing can be put back into
// the file's own frame before it is written. Writing it back without that
// would turn, mirror and move the file on disk, and the next time the row
// is shown or plotted with rotate set it would be turned once more.
//
// Turning by 90 degrees and mirroring are exact on integer points, so
// Apply followed by Restore gives back the very same coordinates.
#pragma once

#include "plotlib/Polyline.h"

class CDrawingPlacement {
public:
    // The file's own frame: nothing turned, mirrored or moved.
    CDrawingPlacement() = default;

    // Turns (when `rotate`), mirrors (when `mirror`) and aligns `drawing`
    // to the origin, in that order, and answers how.
    static CDrawingPlacement Apply(CPolylineIArray& drawing, bool rotate, bool mirror);

    // Brings a drawing placed this way (and edited since) back into the
    // file's frame: the move undone, then the mirror, then the turn.
    void Restore(CPolylineIArray& drawing) const;

    bool IsIdentity() const { return !m_rotate && !m_mirror && m_dx == 0 && m_dy == 0; }
    bool Rotated() const { return m_rotate; }
    bool Mirrored() const { return m_mirror; }

private:
    bool m_rotate = false;
    bool m_mirror = false;
    // The minimum corner of the turned and mirrored drawing, which the
    // alignment moved to the origin.
    int m_dx = 0;
    int m_dy = 0;
};
