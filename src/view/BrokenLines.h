// CBrokenLines: the "Broken Line" command's pass over a whole drawing. Each
// polyline is broken by CPolylineI::BrokenPoly (PolylineTools.h), from the
// last polyline down to the first, so the pieces a call appends at the end
// are never visited again; a polyline left with fewer than two points
// afterwards draws nothing and is removed. Works on a plain drawing; the
// caller rewrites the file.
#pragma once

class CPolylineIArray;

class CBrokenLines {
public:
    // Returns how many polylines were removed.
    static int Apply(CPolylineIArray& drawing);
};
