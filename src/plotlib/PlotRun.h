// CPlotRun: one copy of one job on one device. It prepares the job
// (CPlotJob) before touching the device, so an unreadable file never opens
// a connection; opens the device's transport; streams the job through a
// CPlotEncoder in the device's language into the transport; and finishes
// the transport, which succeeds only when every byte has reached the device
// (or its spool).
//
// Cancel: the run stops between polylines, or inside a write the device
// holds up. On a live device (TCP, serial, device node) the command that
// was cut short is completed to the end of its coordinate pair (CSafeCut),
// the pen lifted and the end sequence sent, with a short stall limit; once
// the device has taken that the job ends as usual, and when it will not
// the connection ends at once and whatever is still queued is dropped. Since the transports keep only a
// small queue, what reaches the device after Cancel is bounded by the
// device's own buffer and a few kilobytes. A spooled job (folder, plain
// file, CUPS) is dropped. The result is then a Cancelled status.
//
// Progress is reported as the device takes the bytes (CProgressGate), and
// 100 % only once the job is delivered.
//
// Runs on the plot thread; the cancel flag, the pause command and the
// progress callback are the only links to other threads.
#pragma once

#include <cstdint>
#include <string>

#include "plotlib/Devices.h"
#include "plotlib/PlotEncoder.h"
#include "plotlib/PlotJob.h"
#include "plotlib/Status.h"

// What a run tells beyond its status, for the caller's record of the job.
struct PlotReceipt {
    uint64_t bytesTaken = 0;      // bytes the device (or its spool) took
    double jobFraction = 0.0;     // progress the device had taken, 0 to 1
    // False when the job was sent but the device did not confirm its end
    // (a TCP device that kept the connection open past the stall timeout).
    bool deviceConfirmed = true;
};

class CPlotRun {
public:
    // Output is handed to a live device in pieces of this size, so a
    // cancel never waits for more than one piece; spooled devices take the
    // large pieces.
    static constexpr size_t kLiveFlushBytes = 4096;
    static constexpr size_t kSpoolFlushBytes = 64 * 1024;
    // Stall limit for the pen lift and end sequence after a cancel.
    static constexpr int kCancelTailMs = 2000;

    // Plots one copy of `job` on `device`. `hpglSet` / `alternateSet` are
    // packed command sets; the device's language picks one. Ok only when
    // the device has taken the whole job; Cancelled ("cancelled") after a
    // cancel; otherwise the failure with its reason. `receipt`, when given,
    // receives how far the job got and whether the device confirmed it.
    static Status Plot(const DeviceInfo& device, const PLOTFILE& job, const PlotSpacing& spacing,
                       const std::string& hpglSet, const std::string& alternateSet,
                       const PlotControl& control, PlotReceipt* receipt = nullptr);

    // The command set for a language from the two packed sets; false when
    // the chosen one cannot be unpacked.
    static bool ChooseCommandSet(PlotLanguage language, const std::string& hpglSet,
                                 const std::string& alternateSet, PlotCommandSet& set);

    // What follows a cut-short stream on a cancel: a command end, the pen
    // lift and the set's end sequence.
    static std::string CancelTail(PlotLanguage language, const PlotCommandSet& set);
};
