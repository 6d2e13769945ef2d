#include "mainframe/EmulationData.h"

#include "plotlib/CommandSets.h"
#include "mainframe/TempPlotFile.h"
#include "plotlib/PlotOutput.h"

Status GenerateEmulationDrawing(const PlotList& list, const PlotSpacing& spacing,
                                CPolylineIArray& drawing)
{
    drawing.Destroy();
    CTempPlotFile file;
    if (!file.GetStatus())
        return file.GetStatus();
    Status s = PlotterToFile(file.Path(), list, spacing.markSpace, false, spacing.halfSolid,
                             spacing.halfSpace, spacing.frontSpace, HpglCommandSet(),
                             AlternateCommandSet());
    if (!s)
        return s;
    s = drawing.Load(file.Path());
    if (!s)
        drawing.Destroy();
    return s;
}
