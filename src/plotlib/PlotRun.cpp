#include "plotlib/PlotRun.h"

#include <algorithm>

#include "plotlib/DeviceList.h"
#include "plotlib/PlotEncoder.h"
#include "plotlib/ProgressGate.h"
#include "plotlib/SafeCut.h"
#include "plotlib/Transport.h"

namespace {

std::string FileNameOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The job's progress reports, tagged with how much had been encoded, go
// through the gate.
struct GatedProgress {
    CProgressGate* gate = nullptr;
    const CPlotEncoder* encoder = nullptr;
};

void ReportThroughGate(double job, double block, void* context)
{
    auto* gated = static_cast<GatedProgress*>(context);
    gated->gate->Report(gated->encoder ? gated->encoder->BytesEncoded() : 0, job, block);
}

}  // namespace

bool CPlotRun::ChooseCommandSet(PlotLanguage language, const std::string& hpglSet,
                                const std::string& alternateSet, PlotCommandSet& set)
{
    return UnpackCommandSet(language == PlotLanguage::Dmpl ? alternateSet : hpglSet, set);
}

std::string CPlotRun::CancelTail(PlotLanguage language, const PlotCommandSet& set)
{
    if (language == PlotLanguage::Dmpl)
        return " " + set.penUp + " " + set.end + "\n";
    return ";" + set.penUp + ";" + set.end + "\n";
}

Status CPlotRun::Plot(const DeviceInfo& deviceIn, const PLOTFILE& job, const PlotSpacing& spacing,
                      const std::string& hpglSet, const std::string& alternateSet,
                      const PlotControl& control, PlotReceipt* receipt)
{
    PlotReceipt ignored;
    PlotReceipt& out = receipt ? *receipt : ignored;
    out = PlotReceipt();

    const Status valid = CDeviceList::Validate(deviceIn);
    if (!valid)
        return valid.WithMessage("device \"" + deviceIn.name + "\": " + valid.message());
    DeviceInfo device = deviceIn;
    device.target = CDeviceList::ResolveTarget(deviceIn);
    const PLOTTERCONFIG& config = device.config;

    PlotCommandSet set;
    if (!ChooseCommandSet(config.language, hpglSet, alternateSet, set))
        return Status::BadInput(std::string("the ") +
                                (config.language == PlotLanguage::Dmpl ? "DMPL" : "HP-GL") +
                                " command set is damaged");

    CPlotJob plotJob;
    const Status prepared = plotJob.Prepare(job, config, spacing);
    if (!prepared)
        return prepared;
    plotJob.SetPenUpCommand(set.penUp);

    auto cancelRequested = [&] { return control.cancel && control.cancel->load(); };
    if (cancelRequested())
        return Status::Cancelled("cancelled");

    std::unique_ptr<CTransport> transport = CreateTransport(device);
    transport->SetCancelFlag(control.cancel);
    const Status opened = transport->Open(FileNameOf(job.path));
    if (!opened)
        return opened.cancelled() ? Status::Cancelled("cancelled") : opened;
    const bool live = transport->IsLive();

    CProgressGate gate(control.progress, control.context);
    CSafeCut cut(config.language);
    Status sinkStatus;
    bool cutShort = false;  // a write saw the cancel
    std::string cutRest;    // what completes the command it cut short
    PlotSink sink = [&](const char* data, size_t size) {
        if (cutShort)
            return false;
        size_t written = 0;
        const Status s = transport->Write(data, size, &written);
        gate.Advance(transport->BytesTaken());
        if (s) {
            cut.Consume(data, size);
            return true;
        }
        if (s.cancelled()) {
            const size_t end = cut.SafeEnd(data, size, written);
            cutRest.assign(data + written, end - written);
            cutShort = true;
        } else if (sinkStatus) {
            sinkStatus = s;
        }
        return false;
    };
    CPlotEncoder encoder(config.language, set, config.scaleX, config.scaleY, config.resolution,
                         sink, live ? kLiveFlushBytes : kSpoolFlushBytes);

    GatedProgress gated{&gate, &encoder};
    PlotControl gatedControl = control;
    gatedControl.progress = &ReportThroughGate;
    gatedControl.context = &gated;

    const SendResult result = plotJob.Send(encoder, PlotLayout::Device, true, true, 0, gatedControl);
    auto record = [&] {
        out.bytesTaken = transport->BytesTaken();
        out.jobFraction = gate.LastJobFraction();
    };

    if (!sinkStatus) {
        // The device failed, whatever else happened meanwhile.
        record();
        transport->Abort();
        return sinkStatus;
    }
    // After a cancel a live device gets `tail` (the cut command completed,
    // the pen lifted, the end sequence) as far as it still takes bytes
    // within a short time, and the job ends normally; when it does not, the
    // connection ends at once and whatever it holds back is dropped.
    auto endCancelled = [&](const std::string& tail) {
        if (live) {
            transport->SetCancelFlag(nullptr);
            const int stall = transport->StallTimeoutMs();
            transport->SetStallTimeoutMs(stall > 0 ? std::min(stall, kCancelTailMs) : kCancelTailMs);
            Status ended = transport->Write(tail.data(), tail.size());
            if (ended)
                ended = transport->Drain();
            gate.Advance(transport->BytesTaken());
            if (ended) {
                record();
                if (!transport->Finish())
                    transport->Abort();
                return Status::Cancelled("cancelled");
            }
        }
        record();
        transport->Abort();
        return Status::Cancelled("cancelled");
    };
    if (result == SendResult::Cancelled || cutShort || cancelRequested())
        return endCancelled(cutRest + CancelTail(config.language, set));
    if (result == SendResult::Failed) {
        record();
        transport->Abort();
        return Status::DeviceError("cannot write to " + transport->Describe());
    }
    const Status finished = transport->Finish();
    if (finished.cancelled()) {
        // The whole job was written, end sequence and all; only the short
        // queue is left, which may go out rather than be cut mid-command.
        return endCancelled(std::string());
    }
    if (!finished) {
        record();
        transport->Abort();
        return finished;
    }
    gate.Release();
    record();
    out.deviceConfirmed = transport->DeviceConfirmed();
    return Status::Ok();
}
