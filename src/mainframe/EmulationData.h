// The plotter data an emulation replays: the whole plot list written as one
// plot file, exactly as "Plot selected files into file" would write it (both
// command sets, jobs side by side separated by mark space, nothing deleted),
// into a temporary file that is read back and removed again.
//
// Core code: callable from any thread, no window involved.
#pragma once

#include "plotlib/PlotterConfig.h"
#include "plotlib/Polyline.h"
#include "plotlib/Status.h"

struct EmulationSpacing {
    float markSpace = 5.0f;   // centimetres between jobs
    float frontSpace = 0.0f;  // centimetres before the first job
    float halfSolid = 2.0f;   // half-cut: cut length
    float halfSpace = 0.1f;   // half-cut: gap length
};

// Fills `drawing` with the list's plotter data. On failure the drawing is
// empty and the status says why. The temporary file is gone afterwards in
// every case.
Status GenerateEmulationDrawing(const PlotList& list, const EmulationSpacing& spacing,
                                CPolylineIArray& drawing);
