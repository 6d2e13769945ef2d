// The plotting entry points of the output library: Plotter sends one copy
// of a job to the current device (CPlotRun); PlotterToFile writes a whole
// plot list into one file, jobs side by side along X.
#include "plotlib/PlotOutput.h"

#include <cstdio>
#include <set>

#include "plotlib/AtomicFile.h"
#include "plotlib/DeviceList.h"
#include "plotlib/Devices.h"
#include "plotlib/PlotEncoder.h"
#include "plotlib/PlotJob.h"
#include "plotlib/PlotRun.h"

namespace {

PlotSpacing Spacing(float markSpace, float frontSpace, float halfSolid, float halfSpace)
{
    PlotSpacing s;
    s.markSpace = markSpace;
    s.frontSpace = frontSpace;
    s.halfSolid = halfSolid;
    s.halfSpace = halfSpace;
    return s;
}

}  // namespace

bool Plotter(const PLOTFILE& job, float markSpace, bool, float halfSolid, float halfSpace,
             float frontSpace, const std::string& hpglSet, const std::string& alternateSet,
             std::atomic<bool>* cancel, PlotProgressFn progress, void* context,
             CPlotCommand* command, std::string* error)
{
    DeviceInfo device;
    if (!GetDeviceInfo(GetDefaultDevice(), device)) {
        if (error)
            *error = "no output device is chosen";
        return false;
    }
    PlotControl control;
    control.cancel = cancel;
    control.command = command;
    control.progress = progress;
    control.context = context;
    const Status s = CPlotRun::Plot(device, job, Spacing(markSpace, frontSpace, halfSolid, halfSpace),
                                    hpglSet, alternateSet, control);
    if (!s && error)
        *error = s.message();
    return s.ok();
}

Status PlotterToFile(const std::string& fileName, const PlotList& list, float markSpace,
                     bool deleteSources, float halfSolid, float halfSpace, float frontSpace,
                     const std::string& hpglSet, const std::string& alternateSet)
{
    if (fileName.empty())
        return Status::BadInput("no output file given");
    if (list.empty())
        return Status::BadInput("the plot list is empty");
    PLOTTERCONFIG config = *GetPlotter();
    DeviceInfo device;
    if (GetDeviceInfo(GetDefaultDevice(), device))
        config = device.config;
    PlotCommandSet set;
    if (!CPlotRun::ChooseCommandSet(config.language, hpglSet, alternateSet, set))
        return Status::BadInput("the command set is damaged");

    for (const PLOTFILE& job : list) {
        if (job.path == fileName && job.copies > 0)
            return Status::BadInput("cannot plot " + fileName + " into itself");
    }

    CAtomicFileWriter writer;
    Status s = writer.Open(fileName);
    if (!s)
        return s;
    PlotSink sink = [&](const char* data, size_t size) {
        writer.Write(data, size);
        return true;
    };
    CPlotEncoder encoder(config.language, set, config.scaleX, config.scaleY, config.resolution,
                         sink);
    const PlotSpacing spacing = Spacing(markSpace, frontSpace, halfSolid, halfSpace);
    encoder.Begin();
    int64_t cursor = -1;
    std::set<std::string> written;
    for (const PLOTFILE& job : list) {
        if (job.copies <= 0)
            continue;
        CPlotJob plotJob;
        s = plotJob.Prepare(job, config, spacing);
        if (!s) {
            writer.Abort();
            return s;
        }
        plotJob.SetPenUpCommand(set.penUp);
        if (cursor < 0)
            cursor = plotJob.FrontUnits();
        for (int copy = 0; copy < job.copies; ++copy) {
            plotJob.Send(encoder, PlotLayout::File, false, false, cursor, PlotControl());
            cursor += plotJob.SpanLength() + plotJob.MarkUnits();
        }
        written.insert(job.path);
    }
    encoder.End();
    encoder.Flush();
    s = writer.Commit();
    if (!s)
        return s;
    if (deleteSources) {
        // Only now that the file is complete; a source that cannot be
        // removed stays, and the file is still good.
        for (const std::string& path : written)
            std::remove(path.c_str());
    }
    return Status::Ok();
}
