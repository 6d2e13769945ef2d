// Writing an edited drawing back over its plot file in the plot folder, 1:1
// and in the current device's language, as outline extraction does after a
// complete run. The file is replaced atomically (CPlotter writes a temporary
// file beside it and renames it over the target), so a failed write leaves
// the old file whole.
//
// Callable from any thread; the drawing must not change meanwhile.
#pragma once

#include <string>

#include "plotlib/PlotterConfig.h"
#include "plotlib/Polyline.h"
#include "plotlib/Status.h"

// Full, normalised path of `fileName` (a name inside the plot folder, or a
// relative path below it) in `plotFolder`.
std::string PlotFolderPath(const std::string& plotFolder, const std::string& fileName);

// Rewrites the file with every polyline of `drawing` and its pen. A DXF
// file is left as it is (BadInput, CDxfReader::kNotRewritten). The scale
// factors of `config` are ignored (the file is written 1:1); the device's
// language, resolution and pens apply. Both command sets are the program's
// standard HP-GL and DMPL sets.
Status WriteDrawingToPlotFolder(const CPolylineIArray& drawing, const std::string& plotFolder,
                                const std::string& fileName, const PLOTTERCONFIG& config);
