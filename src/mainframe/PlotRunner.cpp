#include "mainframe/PlotRunner.h"

namespace {

// Shows the job in the preview and waits until it is on show; false when
// the run was cancelled meanwhile.
bool ShowAndWait(PlotRunner::Host& host, const PLOTFILE& job)
{
    host.ShowJob(job);
    if (host.IsCancelled())
        return false;
    while (!host.WaitJobShown(PlotRunner::kWaitSliceMs)) {
        if (host.IsCancelled())
            return false;
    }
    return !host.IsCancelled();
}

}  // namespace

PlotRunSummary PlotRunner::Run(Host& host, const PlotRunSettings& settings)
{
    PlotRunSummary summary;
    bool autoPlot = settings.autoPlot;
    PLOTFILE job;
    while (!host.IsCancelled() && host.NextJob(job)) {
        ++summary.jobs;
        const int copies = job.copies;
        job.copies = 1;  // each call plots one copy
        int plotted = 0;
        for (int copy = 0; copy < copies; ++copy) {
            if (!ShowAndWait(host, job))
                break;
            std::string error;
            if (!host.PlotCopy(job, settings, error)) {
                // A cancel makes the library give up too; that is not a
                // failure of the device.
                if (host.IsCancelled())
                    break;
                ++summary.failedJobs;
                host.ReportFailure(job, error);
                if (autoPlot) {
                    autoPlot = false;
                    host.SwitchOffAutoPlot();
                    host.Sleep(kFailurePauseMs);
                }
                break;
            }
            ++plotted;
            if (host.IsCancelled())
                break;
        }
        // Only a file that was really plotted, every copy of it, may go: a
        // row of copies 0 plotted nothing and keeps its file.
        const bool deleteFile = settings.deleteAfter && copies > 0 && plotted == copies;
        if (deleteFile)
            ++summary.deletedFiles;
        summary.copies += plotted;
        job.copies = copies;
        host.FinishJob(job, deleteFile);
    }
    summary.cancelled = host.IsCancelled();
    host.EndRun();
    return summary;
}
