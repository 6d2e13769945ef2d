// plotvane-cli plot FILE... [--device NAME] [--copies N] [--rotate]
// [--mirror]: plots files on a device of the device list (the current one
// unless --device names another; the choice is not saved), with the mark
// space, front space and half-cut lengths of Setting.ini. On a terminal a
// progress bar follows what the device has taken; Ctrl+C cancels cleanly
// (the command in progress completed, pen up, end sequence, the rest of the
// queue dropped) instead of cutting the device off mid-command. A device
// that took the job but did not confirm its end gets a note.
#include <unistd.h>

#include <atomic>
#include <climits>
#include <csignal>
#include <cstdio>
#include <ostream>

#include "CliCommand.h"
#include "app/IniSettings.h"
#include "plotlib/CommandSets.h"
#include "plotlib/Devices.h"
#include "plotlib/PlotRun.h"

namespace {

std::atomic<bool> g_cancel{false};

extern "C" void OnInterrupt(int) { g_cancel = true; }

struct Bar {
    std::string name;
    int lastPercent = -1;
};

void DrawBar(double job, double, void* context)
{
    if (job < 0)
        return;
    Bar* bar = static_cast<Bar*>(context);
    const int percent = static_cast<int>(job * 100.0);
    if (percent == bar->lastPercent)
        return;
    bar->lastPercent = percent;
    const int filled = percent * 30 / 100;
    std::printf("\r[%-30s] %3d%% %s", std::string(static_cast<size_t>(filled), '#').c_str(),
                percent, bar->name.c_str());
    std::fflush(stdout);
}

int RunPlot(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> files;
    std::string deviceName;
    PLOTFILE base;
    base.beginBlock = 0;
    base.stopBlock = INT_MAX;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--device" && i + 1 < args.size())
            deviceName = args[++i];
        else if (arg == "--copies" && i + 1 < args.size()) {
            if (!CliParseInt(args[++i], base.copies) || base.copies < 1)
                return CliFail(err, "--copies needs a whole number of at least 1");
        } else if (arg == "--rotate")
            base.rotate = true;
        else if (arg == "--mirror")
            base.mirror = true;
        else if (!arg.empty() && arg[0] == '-')
            return CliUsage(err, "plot");
        else
            files.push_back(arg);
    }
    if (files.empty())
        return CliUsage(err, "plot");

    InitDevices();
    if (deviceName.empty())
        deviceName = GetDefaultDevice();
    DeviceInfo device;
    if (!GetDeviceInfo(deviceName, device))
        return CliFail(err, deviceName.empty() ? "no device in the device list"
                                               : "no device called \"" + deviceName + "\"");

    PlotSpacing spacing;
    spacing.markSpace = GetIniFloat("Global", "MarkSpace", 5.0f);
    spacing.frontSpace = GetIniFloat("Global", "FrontSpace", 0.0f);
    spacing.halfSolid = GetIniFloat("HalfCut", "Solid", 2.0f);
    spacing.halfSpace = GetIniFloat("HalfCut", "Space", 0.1f);

    const bool terminal = ::isatty(STDOUT_FILENO) == 1;
    g_cancel = false;
    auto previous = std::signal(SIGINT, OnInterrupt);
    int failures = 0;
    for (const std::string& file : files) {
        PLOTFILE job = base;
        job.path = file;
        for (int copy = 0; copy < base.copies && !g_cancel; ++copy) {
            Bar bar{file};
            PlotControl control;
            control.cancel = &g_cancel;
            if (terminal) {
                control.progress = DrawBar;
                control.context = &bar;
            }
            PlotReceipt receipt;
            const Status s = CPlotRun::Plot(device, job, spacing, HpglCommandSet(),
                                            AlternateCommandSet(), control, &receipt);
            if (terminal)
                std::printf("\n");
            if (s.cancelled()) {
                ++failures;
                CliFail(err, file + ": cancelled at " +
                                 std::to_string(static_cast<int>(receipt.jobFraction * 100.0)) +
                                 "% (" + std::to_string(receipt.bytesTaken) +
                                 " bytes taken by the device)");
                break;
            }
            if (!s) {
                ++failures;
                const std::string& error = s.message();
                CliFail(err, error.find(file) != std::string::npos ? error : file + ": " + error);
                break;  // the copies left of a failed file are skipped
            }
            out << "plotted " << file << " on " << device.name << "\n";
            if (!receipt.deviceConfirmed)
                err << "plotvane-cli: note: " << device.name
                    << " took the whole job but did not confirm its end (it kept the connection "
                       "open)\n";
        }
    }
    std::signal(SIGINT, previous);
    return failures == 0 && !g_cancel ? kCliOk : kCliFailed;
}

const CliRegistrar kPlot{{"plot", "plot FILE... [--device NAME] [--copies N] [--rotate] [--mirror]",
                          "plot files on the current device (or the one named)", RunPlot}};

}  // namespace
