// plotvane-cli convert IN OUT [--dmpl | --hpgl]: rewrites a plot file
// through the same writer the editor uses for edited drawings (CPlotter at
// scale 1:1), in HP-GL or DMPL.
#include <ostream>

#include "CliCommand.h"
#include "plotlib/CommandSets.h"
#include "plotlib/Plotter.h"

namespace {

int RunConvert(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> paths;
    PLOTTERCONFIG config;  // scale 1:1, 1016 units per inch
    config.language = PlotLanguage::Hpgl;
    for (const std::string& arg : args) {
        if (arg == "--dmpl")
            config.language = PlotLanguage::Dmpl;
        else if (arg == "--hpgl")
            config.language = PlotLanguage::Hpgl;
        else if (!arg.empty() && arg[0] == '-')
            return CliUsage(err, "convert");
        else
            paths.push_back(arg);
    }
    if (paths.size() != 2)
        return CliUsage(err, "convert");

    CPolylineIArray drawing;
    Status status = CliLoadDrawing(paths[0], drawing);
    if (!status.ok())
        return CliFail(err, status.message());

    CPlotter plotter(config, paths[1], HpglCommandSet(), AlternateCommandSet());
    plotter.Begin(nullptr);
    drawing.Draw(plotter, nullptr);
    plotter.End(nullptr);
    status = plotter.Close();
    if (!status.ok())
        return CliFail(err, status.message());
    out << "wrote " << paths[1] << " (" << (config.language == PlotLanguage::Dmpl ? "DMPL" : "HP-GL")
        << ", " << drawing.GetCount() << (drawing.GetCount() == 1 ? " polyline)\n" : " polylines)\n");
    return kCliOk;
}

const CliRegistrar kConvert{{"convert", "convert IN OUT [--dmpl | --hpgl]",
                             "write a plot file again through the editor's writer "
                             "(HP-GL by default, DMPL with --dmpl)",
                             RunConvert}};

} // namespace
