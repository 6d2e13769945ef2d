// CPlotRun: one copy of one job on one device. It prepares the job
// (CPlotJob) before touching the device, so an unreadable file never opens
// a connection; opens the device's transport; streams the job through a
// CPlotEncoder in the device's language into the transport; and finishes
// the transport, which succeeds only when every byte has reached the device
// (or its spool).
//
// Cancel: the run stops between polylines (or inside a blocked write). On a
// live device (TCP, serial, device node) the pen is lifted and the end
// sequence sent, with a short stall limit, so the plotter is left clean; a
// spooled job (folder, plain file, CUPS) is dropped. The result is then
// false with the reason "cancelled".
//
// Runs on the plot thread; the cancel flag, the pause command and the
// progress callback are the only links to other threads.
#pragma once

#include <string>

#include "plotlib/Devices.h"
#include "plotlib/PlotEncoder.h"
#include "plotlib/PlotJob.h"

class CPlotRun {
public:
    // Output buffered before it goes to a slow live device (serial, device
    // node): small, so a cancel does not wait for much more than the end
    // sequence. TCP and spooled devices take the large buffer.
    static constexpr size_t kLiveFlushBytes = 4096;
    static constexpr size_t kSpoolFlushBytes = 64 * 1024;
    // Stall limit for the pen lift and end sequence after a cancel.
    static constexpr int kCancelTailMs = 2000;

    // Plots one copy of `job` on `device`. `hpglSet` / `alternateSet` are
    // packed command sets; the device's language picks one. False with the
    // reason in `error` (when given) on any failure or cancel.
    static bool Plot(const DeviceInfo& device, const PLOTFILE& job, const PlotSpacing& spacing,
                     const std::string& hpglSet, const std::string& alternateSet,
                     const PlotControl& control, std::string* error);

    // The command set for a language from the two packed sets; false when
    // the chosen one cannot be unpacked.
    static bool ChooseCommandSet(PlotLanguage language, const std::string& hpglSet,
                                 const std::string& alternateSet, PlotCommandSet& set);
};
