#include "geometry/PlotFileWriteBack.h"

#include <filesystem>
#include <system_error>

#include "plotlib/CommandSets.h"
#include "plotlib/DxfReader.h"
#include "plotlib/Plotter.h"
#include "plotlib/ProgramDir.h"

std::string PlotFolderPath(const std::string& plotFolder, const std::string& fileName)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path path = fs::absolute(fs::path(JoinPath(plotFolder, fileName)), ec);
    if (ec)
        path = fs::path(JoinPath(plotFolder, fileName));
    return path.lexically_normal().string();
}

Status WriteDrawingToPlotFolder(const CPolylineIArray& drawing, const std::string& plotFolder,
                                const std::string& fileName, const PLOTTERCONFIG& config)
{
    if (fileName.empty())
        return Status::BadInput("cannot write the drawing back: no file name");
    // A copy with unit scale: the device's own scale factors belong to
    // plotting, not to the file the drawing came from.
    PLOTTERCONFIG oneToOne = config;
    oneToOne.scaleX = 1.0f;
    oneToOne.scaleY = 1.0f;
    const std::string path = PlotFolderPath(plotFolder, fileName);
    if (CDxfReader::FileIsDxf(path))
        return Status::BadInput(CDxfReader::kNotRewritten);
    CPlotter plotter(oneToOne, path, HpglCommandSet(), AlternateCommandSet());
    plotter.Begin(nullptr);
    drawing.Draw(plotter, nullptr);
    plotter.End(nullptr);
    return plotter.Close();
}
