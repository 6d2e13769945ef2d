// Generated markers for the outline extraction benchmark: pattern pieces
// laid out in rows across a 1.8 m paper band, as a pattern program writes
// them. Each piece is an irregular outline of 120 to 200 points, split into
// consecutive chains whose ends meet (some drawn backwards), with a grain
// line and now and then a dart or a seam curve inside; optionally each piece
// carries a text label as Hershey strokes (a simple stroke fallback when the
// font files are missing). The polylines of all pieces are written piece by
// piece, in the order a pattern program would.
#pragma once

#include "plotlib/Polyline.h"

struct ExtractMarkerOptions {
    int pieces = 200;
    int minChains = 3;    // chains per outline; 1 writes each outline closed
    int maxChains = 5;
    bool labels = false;  // about 20 to 40 stroke polylines per piece
    unsigned seed = 1;
};

CPolylineIArray MakeExtractMarker(const ExtractMarkerOptions& options);
