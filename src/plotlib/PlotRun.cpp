#include "plotlib/PlotRun.h"

#include <algorithm>

#include "plotlib/DeviceList.h"
#include "plotlib/PlotEncoder.h"
#include "plotlib/Transport.h"

namespace {

std::string FileNameOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool Fail(std::string* error, const std::string& message)
{
    if (error)
        *error = message;
    return false;
}

}  // namespace

bool CPlotRun::ChooseCommandSet(PlotLanguage language, const std::string& hpglSet,
                                const std::string& alternateSet, PlotCommandSet& set)
{
    return UnpackCommandSet(language == PlotLanguage::Dmpl ? alternateSet : hpglSet, set);
}

bool CPlotRun::Plot(const DeviceInfo& deviceIn, const PLOTFILE& job, const PlotSpacing& spacing,
                    const std::string& hpglSet, const std::string& alternateSet,
                    const PlotControl& control, std::string* error)
{
    Status valid = CDeviceList::Validate(deviceIn);
    if (!valid)
        return Fail(error, "device \"" + deviceIn.name + "\": " + valid.message());
    DeviceInfo device = deviceIn;
    device.target = CDeviceList::ResolveTarget(deviceIn);
    const PLOTTERCONFIG& config = device.config;

    PlotCommandSet set;
    if (!ChooseCommandSet(config.language, hpglSet, alternateSet, set))
        return Fail(error, std::string("the ") +
                               (config.language == PlotLanguage::Dmpl ? "DMPL" : "HP-GL") +
                               " command set is damaged");

    CPlotJob plotJob;
    Status prepared = plotJob.Prepare(job, config, spacing);
    if (!prepared)
        return Fail(error, prepared.message());
    plotJob.SetPenUpCommand(set.penUp);

    if (control.cancel && control.cancel->load())
        return Fail(error, "cancelled");

    std::unique_ptr<CTransport> transport = CreateTransport(device);
    transport->SetCancelFlag(control.cancel);
    Status opened = transport->Open(FileNameOf(job.path));
    if (!opened)
        return Fail(error, opened.message());
    const bool live = transport->IsLive();

    // After a cancel the sink still lets the pen lift and the end sequence
    // through to a live device, with a short stall limit; a spooled job
    // takes nothing more.
    Status sinkStatus;
    bool tailMode = false;
    auto enterTailMode = [&]() {
        if (!tailMode) {
            tailMode = true;
            transport->SetCancelFlag(nullptr);
            const int stall = transport->StallTimeoutMs();
            transport->SetStallTimeoutMs(stall > 0 ? std::min(stall, kCancelTailMs)
                                                   : kCancelTailMs);
        }
    };
    PlotSink sink = [&](const char* data, size_t size) {
        if (control.cancel && control.cancel->load()) {
            if (!live)
                return false;
            enterTailMode();
        }
        Status s = transport->Write(data, size);
        if (!s && sinkStatus)
            sinkStatus = s;
        return static_cast<bool>(s);
    };
    CPlotEncoder encoder(config.language, set, config.scaleX, config.scaleY, config.resolution,
                         sink,
                         live && device.kind != ConnectionKind::Tcp ? kLiveFlushBytes
                                                                    : kSpoolFlushBytes);

    const SendResult result = plotJob.Send(encoder, PlotLayout::Device, true, true, 0, control);
    const bool cancelled =
        result == SendResult::Cancelled || (control.cancel && control.cancel->load());
    if (cancelled) {
        if (live) {
            if (result != SendResult::Cancelled) {
                // The cancel broke into a write: close whatever command was
                // cut short, lift the pen and end the job.
                enterTailMode();
                const std::string tail =
                    (config.language == PlotLanguage::Dmpl ? std::string(" ") + set.penUp + " "
                                                           : std::string(";") + set.penUp + ";") +
                    set.end;
                // Best effort: the link may already be gone.
                static_cast<void>(transport->Write(tail.data(), tail.size()));
            }
            enterTailMode();
            if (!transport->Finish())
                transport->Abort();
        } else {
            transport->Abort();
        }
        return Fail(error, "cancelled");
    }
    if (result == SendResult::Failed) {
        transport->Abort();
        return Fail(error, sinkStatus ? std::string("cannot write to ") + transport->Describe()
                                      : sinkStatus.message());
    }
    Status finished = transport->Finish();
    if (!finished)
        return Fail(error, finished.message());
    return true;
}
