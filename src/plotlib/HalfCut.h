// Half-cut (perforation) dashing: a polyline drawn with the half-cut pen is
// sent as alternating cut stretches and uncut gaps along its length, so the
// knife scores the material and the piece still holds together.
//
// The pattern starts with a cut stretch at the polyline's first point and
// runs on across its vertices (a corner does not restart it). Each stretch
// is a polyline of its own: its start and end points lie on the line at the
// exact arc length (rounded to whole units) and it keeps every vertex in
// between, so corners are cut, not cut short. A last stretch that the
// polyline's end shortens is kept as it is.
//
// A non-positive stretch length, or a non-positive gap, means no dashing:
// the polyline is cut whole (nothing of the cut is ever dropped). A polyline
// of fewer than two points, or of zero length, is kept whole.
#pragma once

#include <vector>

#include "plotlib/Polyline.h"

class CHalfCut {
public:
    // Appends the stretches of `line` to `out` (pen kept). Lengths in the
    // drawing's units.
    static void Dash(const CPolylineI& line, double solid, double gap,
                     std::vector<CPolylineI>& out);
    // Centimetres on paper to plotter units.
    static double CmToUnits(double cm, int resolution) { return cm / 2.54 * resolution; }
};
