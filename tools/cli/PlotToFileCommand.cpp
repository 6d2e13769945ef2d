// plotvane-cli tofile OUT FILE... [--copies N] [--rotate] [--mirror]
// [--delete]: writes files, one after another along X and separated by the
// mark space, into one plot file in the current device's language, as
// "Plot selected files into file" does. --delete removes the sources, and
// only once OUT is complete.
#include <climits>
#include <ostream>

#include "CliCommand.h"
#include "app/IniSettings.h"
#include "plotlib/CommandSets.h"
#include "plotlib/Devices.h"
#include "plotlib/PlotOutput.h"

namespace {

int RunToFile(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> paths;
    PLOTFILE base;
    base.beginBlock = 0;
    base.stopBlock = INT_MAX;
    bool deleteSources = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--copies" && i + 1 < args.size()) {
            if (!CliParseInt(args[++i], base.copies) || base.copies < 1)
                return CliFail(err, "--copies needs a whole number of at least 1");
        } else if (arg == "--rotate")
            base.rotate = true;
        else if (arg == "--mirror")
            base.mirror = true;
        else if (arg == "--delete")
            deleteSources = true;
        else if (!arg.empty() && arg[0] == '-')
            return CliUsage(err, "tofile");
        else
            paths.push_back(arg);
    }
    if (paths.size() < 2)
        return CliUsage(err, "tofile");

    InitDevices();
    PlotList list;
    for (size_t i = 1; i < paths.size(); ++i) {
        PLOTFILE job = base;
        job.path = paths[i];
        list.push_back(job);
    }
    Status s = PlotterToFile(paths[0], list, GetIniFloat("Global", "MarkSpace", 5.0f),
                             deleteSources, GetIniFloat("HalfCut", "Solid", 2.0f),
                             GetIniFloat("HalfCut", "Space", 0.1f),
                             GetIniFloat("Global", "FrontSpace", 0.0f), HpglCommandSet(),
                             AlternateCommandSet());
    if (!s)
        return CliFail(err, s.message());
    out << "wrote " << paths[0] << " (" << list.size() << " files)\n";
    return kCliOk;
}

const CliRegistrar kToFile{{"tofile", "tofile OUT FILE... [--copies N] [--rotate] [--mirror] [--delete]",
                            "plot files side by side into one plot file", RunToFile}};

}  // namespace
