// PlotRunner: one plot run of the main window, the queue worked off from
// its head. For each job (always the plot list's first row) every copy is
// shown in the preview first, then plotted as a job of one copy; after its
// copies the row leaves the list, and the file is deleted when the run
// deletes plotted files and every copy reached the device. A failed copy
// skips the job's remaining copies, is reported, keeps its file and, in
// auto-plot mode, switches auto-plot off; the run goes on with the next
// row. A cancel ends the run after removing the current job's row; the rows
// behind it stay queued.
//
// The algorithm knows nothing of windows: everything it needs from the
// window (the list, the preview, the device, the status line) goes through
// PlotRunner::Host, which the main window implements and the tests fake.
// Run() is called on the plot thread and returns when the run is over.
#pragma once

#include <string>

#include "plotlib/PlotJob.h"
#include "plotlib/PlotterConfig.h"

// What one run reads once, at its start.
struct PlotRunSettings {
    PlotSpacing spacing;       // mark and front space, half-cut lengths
    bool deleteAfter = false;  // delete files that were plotted completely
    bool autoPlot = false;     // a failure switches auto-plot off
    std::string hpglSet;       // the two packed command sets
    std::string alternateSet;
};

// What a run did, for the caller's log and for tests.
struct PlotRunSummary {
    int jobs = 0;          // rows taken from the list
    int copies = 0;        // copies that reached the device
    int failedJobs = 0;    // jobs left after a failed copy
    int deletedFiles = 0;  // files the run asked to delete
    bool cancelled = false;
};

class PlotRunner {
public:
    // The preview is waited for in slices of this length, so that a cancel
    // is noticed while it loads.
    static constexpr int kWaitSliceMs = 100;
    // After switching auto-plot off the run gives the window this long to
    // take it before the next job.
    static constexpr int kFailurePauseMs = 500;

    // The window's side of a run. Every call comes from the plot thread.
    class Host {
    public:
        virtual ~Host() = default;
        // The run was cancelled, or the window is going away.
        virtual bool IsCancelled() = 0;
        // The plot list's first row as a job; false when the list is empty
        // or no answer can come any more (the window closes).
        virtual bool NextJob(PLOTFILE& job) = 0;
        // Removes `job`'s row from the head of the list, deleting its file
        // when `deleteFile`.
        virtual void FinishJob(const PLOTFILE& job, bool deleteFile) = 0;
        // Asks the preview to show `job` (progress display on).
        virtual void ShowJob(const PLOTFILE& job) = 0;
        // Waits up to `timeoutMs` for the preview to have shown the job.
        virtual bool WaitJobShown(int timeoutMs) = 0;
        // Plots one copy of `job` (its copies are 1); false with the reason.
        virtual bool PlotCopy(const PLOTFILE& job, const PlotRunSettings& settings,
                              std::string& error) = 0;
        // A copy of `job` failed for `reason` (not a cancel).
        virtual void ReportFailure(const PLOTFILE& job, const std::string& reason) = 0;
        // Turns auto-plot off the way the user would.
        virtual void SwitchOffAutoPlot() = 0;
        virtual void Sleep(int ms) = 0;
        // The run is over: the preview leaves its progress display.
        virtual void EndRun() = 0;
    };

    static PlotRunSummary Run(Host& host, const PlotRunSettings& settings);
};
