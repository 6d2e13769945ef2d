// Plotting: jobs to the current device, or all jobs of a list into one file.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "plotlib/PlotterConfig.h"
#include "plotlib/Status.h"

// The pause/continue command shared between the GUI thread and a plot run:
// "PP" holds the run between polylines, "PS" resumes it.
class CPlotCommand {
public:
    void Set(const std::string& command)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_command = command;
    }
    std::string Get() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_command;
    }

private:
    mutable std::mutex m_mutex;
    std::string m_command = "PS";
};

// Progress: (job fraction, block fraction), both in [0, 1], for the status
// line; then (-1, block fraction) for the preview. Called on the plot thread.
using PlotProgressFn = void (*)(double job, double block, void* context);

// Plots one copy of `job` on the current device. `error`, when given,
// receives the reason of a failure ("cancelled" after a cancel). True only
// when every byte reached the device. Spaces are in centimetres. The
// library's long-standing entry point; CPlotRun::Plot gives the Status and
// the job's receipt.
bool Plotter(const PLOTFILE& job, float markSpace, bool reserved, float halfSolid,
             float halfSpace, float frontSpace, const std::string& hpglSet,
             const std::string& alternateSet, std::atomic<bool>* cancel,
             PlotProgressFn progress, void* context, CPlotCommand* command,
             std::string* error);

// Writes every job of `list`, with its copies, into one plot file along X,
// separated by mark space; deletes the sources only after the file is
// complete and only when asked.
Status PlotterToFile(const std::string& fileName, const PlotList& list, float markSpace,
                     bool deleteSources, float halfSolid, float halfSpace, float frontSpace,
                     const std::string& hpglSet, const std::string& alternateSet);
