// The plotter data an emulation replays: the whole plot list written as one
// plot file, exactly as "Plot selected files into file" would write it (both
// command sets, jobs side by side separated by mark space, nothing deleted),
// into a temporary file that is read back and removed again.
//
// Core code: callable from any thread, no window involved.
#pragma once

#include "plotlib/PlotJob.h"
#include "plotlib/PlotterConfig.h"
#include "plotlib/Polyline.h"
#include "plotlib/Status.h"

// Fills `drawing` with the list's plotter data. On failure the drawing is
// empty and the status says why. The temporary file is gone afterwards in
// every case.
Status GenerateEmulationDrawing(const PlotList& list, const PlotSpacing& spacing,
                                CPolylineIArray& drawing);
