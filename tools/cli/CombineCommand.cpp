// plotvane-cli combine OUT FILE... [--gap MM] [--rotate FILE]... [--width M]
// [--resolution N]:
// packs plot files into one layout across the plot width with the same
// placement as the combine dialog, and writes it into OUT at 1:1 in the
// current device's language. Files follow in the order given; --rotate
// FILE adds a file turned by 90 degrees at its place in that order. The gap
// defaults to the dialog's stored "Gap" setting, the plot width and
// resolution come from the current device (--width in metres and
// --resolution in units per inch override them, for batch runs that must
// not depend on the device list).
//
// An input that cannot be read stops the command before anything is
// written. A piece taller than the plot width is left out with a warning,
// as the dialog leaves it unmarked; when no piece fits, nothing is written.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ostream>

#include "CliCommand.h"
#include "app/IniSettings.h"
#include "geometry/CombineLayout.h"
#include "plotlib/Devices.h"

namespace {

struct Input {
    std::string path;
    bool rotate = false;
};

bool ParseNumber(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

int RunCombine(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    std::string outPath;
    std::vector<Input> inputs;
    bool haveGap = false, haveWidth = false;
    double gapMm = 0.0, widthMetres = 0.0;
    int resolution = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--gap" && hasValue) {
            if (!ParseNumber(args[++i], gapMm))
                return CliUsage(err, "combine");
            haveGap = true;
        } else if (arg == "--width" && hasValue) {
            if (!ParseNumber(args[++i], widthMetres) || widthMetres <= 0.0)
                return CliUsage(err, "combine");
            haveWidth = true;
        } else if (arg == "--resolution" && hasValue) {
            if (!CliParseInt(args[++i], resolution) || resolution < 1 || resolution > 100000)
                return CliUsage(err, "combine");
        } else if (arg == "--rotate" && hasValue) {
            inputs.push_back({args[++i], true});
        } else if (!arg.empty() && arg[0] == '-') {
            return CliUsage(err, "combine");
        } else if (outPath.empty()) {
            outPath = arg;
        } else {
            inputs.push_back({arg, false});
        }
    }
    if (outPath.empty() || inputs.empty())
        return CliUsage(err, "combine");

    InitDevices();
    PLOTTERCONFIG config = *GetPlotter();
    if (resolution > 0)
        config.resolution = resolution;
    resolution = config.resolution;
    if (!haveGap)
        gapMm = GetIniFloat("Global", "Gap", 0.0f);
    if (!haveWidth)
        widthMetres = config.paperWidth;

    // Every input is read before anything is placed, so a bad name costs
    // no half-made layout.
    std::vector<CPolylineIArray> pieces(inputs.size());
    for (size_t i = 0; i < inputs.size(); ++i) {
        const Status status = CliLoadDrawing(inputs[i].path, pieces[i]);
        if (!status.ok())
            return CliFail(err, status.message());
        if (inputs[i].rotate)
            pieces[i].Rotate(90.0);
    }

    CCombineLayout layout(CCombineLayout::PlotWidthUnits(widthMetres, resolution));
    const int gap = CCombineLayout::GapUnits(gapMm, resolution);
    size_t placed = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (layout.PlacePiece(pieces[i], gap).placed)
            ++placed;
        else
            err << "plotvane-cli: " << inputs[i].path << " is taller than the plot width ("
                << std::lround(widthMetres * 1000.0) << " mm) with the gap; left out\n";
    }
    if (placed == 0)
        return CliFail(err, "no piece fits across the plot width; nothing written");

    const Status status = layout.Save(outPath, config);
    if (!status.ok())
        return CliFail(err, status.message());
    out << "combined " << placed << " of " << inputs.size() << " files into " << outPath << ": "
        << UnitsToMillimetres(layout.LayoutLength(), resolution) << " mm long, "
        << CCombineLayout::SpaceMillimetres(widthMetres, layout.LayoutHeight(), resolution)
        << " mm of the width free\n";
    return kCliOk;
}

const CliRegistrar kCombine{{"combine", "combine OUT FILE... [--gap MM] [--rotate FILE]... [--width M] "
                             "[--resolution N]",
                             "pack plot files into one layout across the plot width "
                             "(--rotate FILE adds a file turned by 90 degrees)",
                             RunCombine}};

} // namespace
