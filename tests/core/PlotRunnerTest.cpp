// The plot run's algorithm against a scripted host: copies become separate
// one-copy plots, each shown in the preview first; rows leave the list after
// their copies; files are deleted only when every copy reached the device;
// a failure skips the job's remaining copies and the run goes on; a cancel
// ends the run and leaves the rest queued.
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "mainframe/PlotRunner.h"

namespace {

PLOTFILE Job(const std::string& path, int copies)
{
    PLOTFILE job;
    job.path = path;
    job.copies = copies;
    job.beginBlock = 0;
    job.stopBlock = 2;
    return job;
}

class FakeHost : public PlotRunner::Host {
public:
    bool IsCancelled() override { return cancelled; }
    bool NextJob(PLOTFILE& job) override
    {
        ++nextCalls;
        if (queue.empty() || closing)
            return false;
        job = queue.front();
        return true;
    }
    void FinishJob(const PLOTFILE& job, bool deleteFile) override
    {
        ASSERT_FALSE(queue.empty());
        EXPECT_EQ(queue.front().path, job.path);
        EXPECT_EQ(queue.front().copies, job.copies) << "the row's copies are handed back";
        queue.pop_front();
        removed.push_back(job.path);
        if (deleteFile)
            deleted.push_back(job.path);
    }
    void ShowJob(const PLOTFILE& job) override
    {
        shown.push_back(job.path);
        pendingShow = showDelaySlices;
    }
    bool WaitJobShown(int timeoutMs) override
    {
        EXPECT_EQ(timeoutMs, PlotRunner::kWaitSliceMs);
        ++waitSlices;
        if (onWaitSlice)
            onWaitSlice(waitSlices);
        if (pendingShow < 0)
            return false;  // the preview never answers
        return pendingShow-- == 0;
    }
    bool PlotCopy(const PLOTFILE& job, const PlotRunSettings& settings, std::string& error) override
    {
        EXPECT_EQ(settings.hpglSet, "hpgl");
        EXPECT_EQ(job.copies, 1) << "each call plots one copy";
        EXPECT_EQ(shown.size(), plots.size() + 1) << "every copy is shown before it is plotted";
        plots.push_back(job.path);
        const int index = static_cast<int>(plots.size());
        if (onPlot && !onPlot(index, job)) {
            error = "connection refused";
            return false;
        }
        return true;
    }
    void ReportFailure(const PLOTFILE& job, const std::string& reason) override
    {
        failures.emplace_back(job.path, reason);
    }
    void SwitchOffAutoPlot() override { ++autoPlotOff; }
    void Sleep(int ms) override { slept += ms; }
    void EndRun() override { ++endRuns; }

    std::deque<PLOTFILE> queue;
    bool cancelled = false;
    bool closing = false;
    int showDelaySlices = 0;  // slices before the preview has shown a job; -1 never
    int pendingShow = 0;
    std::function<void(int slice)> onWaitSlice;
    // Called for the n-th plot call (from 1); false fails it.
    std::function<bool(int n, const PLOTFILE& job)> onPlot;

    int nextCalls = 0;
    int waitSlices = 0;
    int autoPlotOff = 0;
    int slept = 0;
    int endRuns = 0;
    std::vector<std::string> shown;
    std::vector<std::string> plots;
    std::vector<std::string> removed;
    std::vector<std::string> deleted;
    std::vector<std::pair<std::string, std::string>> failures;
};

PlotRunSettings Settings(bool deleteAfter, bool autoPlot = false)
{
    PlotRunSettings settings;
    settings.deleteAfter = deleteAfter;
    settings.autoPlot = autoPlot;
    settings.hpglSet = "hpgl";
    settings.alternateSet = "dmpl";
    return settings;
}

using Paths = std::vector<std::string>;

}  // namespace

TEST(PlotRunnerTest, EveryCopyIsAOneCopyPlotAndRowsLeaveInOrder)
{
    for (const bool deleteAfter : {false, true}) {
        SCOPED_TRACE(deleteAfter ? "delete after plotting" : "files stay");
        FakeHost host;
        host.queue = {Job("a.plt", 2), Job("b.plt", 1), Job("c.plt", 3)};
        host.showDelaySlices = 2;  // the preview takes a while to load

        const PlotRunSummary summary = PlotRunner::Run(host, Settings(deleteAfter));

        EXPECT_EQ(host.plots, (Paths{"a.plt", "a.plt", "b.plt", "c.plt", "c.plt", "c.plt"}));
        EXPECT_EQ(host.waitSlices, 6 * 3);
        EXPECT_EQ(host.removed, (Paths{"a.plt", "b.plt", "c.plt"}));
        EXPECT_EQ(host.deleted, deleteAfter ? (Paths{"a.plt", "b.plt", "c.plt"}) : Paths{});
        EXPECT_TRUE(host.queue.empty());
        EXPECT_TRUE(host.failures.empty());
        EXPECT_EQ(host.endRuns, 1);
        EXPECT_EQ(summary.jobs, 3);
        EXPECT_EQ(summary.copies, 6);
        EXPECT_FALSE(summary.cancelled);
    }
}

TEST(PlotRunnerTest, ZeroCopiesRemovesTheRowWithoutOutputAndKeepsTheFile)
{
    FakeHost host;
    host.queue = {Job("zero.plt", 0), Job("one.plt", 1)};

    PlotRunner::Run(host, Settings(true));

    EXPECT_EQ(host.shown, Paths{"one.plt"});
    EXPECT_EQ(host.plots, Paths{"one.plt"});
    EXPECT_EQ(host.removed, (Paths{"zero.plt", "one.plt"}));
    EXPECT_EQ(host.deleted, Paths{"one.plt"}) << "a file that was never plotted stays";
}

TEST(PlotRunnerTest, AFailedCopySkipsTheRestOfItsJobKeepsItsFileAndTheRunGoesOn)
{
    for (const bool autoPlot : {false, true}) {
        SCOPED_TRACE(autoPlot ? "auto plot" : "manual");
        FakeHost host;
        host.queue = {Job("a.plt", 3), Job("b.plt", 2), Job("c.plt", 1)};
        // a: the second copy fails; b: the first; c plots.
        host.onPlot = [](int n, const PLOTFILE&) { return n != 2 && n != 3; };

        const PlotRunSummary summary = PlotRunner::Run(host, Settings(true, autoPlot));

        EXPECT_EQ(host.plots, (Paths{"a.plt", "a.plt", "b.plt", "c.plt"}));
        EXPECT_EQ(host.removed, (Paths{"a.plt", "b.plt", "c.plt"}));
        EXPECT_EQ(host.deleted, Paths{"c.plt"}) << "only a file plotted completely is deleted";
        ASSERT_EQ(host.failures.size(), 2u);
        EXPECT_EQ(host.failures[0].first, "a.plt");
        EXPECT_EQ(host.failures[0].second, "connection refused");
        EXPECT_EQ(host.failures[1].first, "b.plt");
        // Auto plot goes off once, with a pause for the window to take it.
        EXPECT_EQ(host.autoPlotOff, autoPlot ? 1 : 0);
        EXPECT_EQ(host.slept, autoPlot ? PlotRunner::kFailurePauseMs : 0);
        EXPECT_EQ(summary.failedJobs, 2);
        EXPECT_EQ(summary.copies, 2);
    }
}

TEST(PlotRunnerTest, CancelEndsTheRunRemovesOnlyTheCurrentRowAndIsNoFailure)
{
    // Cancelled inside the library: the copy returns false.
    {
        FakeHost host;
        host.queue = {Job("a.plt", 3), Job("b.plt", 1)};
        host.onPlot = [&host](int n, const PLOTFILE&) {
            if (n == 2) {
                host.cancelled = true;
                return false;
            }
            return true;
        };
        const PlotRunSummary summary = PlotRunner::Run(host, Settings(true, true));
        EXPECT_EQ(host.plots, (Paths{"a.plt", "a.plt"}));
        EXPECT_EQ(host.removed, Paths{"a.plt"});
        EXPECT_TRUE(host.deleted.empty());
        EXPECT_TRUE(host.failures.empty()) << "a cancel is not reported as a failure";
        EXPECT_EQ(host.autoPlotOff, 0);
        ASSERT_EQ(host.queue.size(), 1u);
        EXPECT_EQ(host.queue.front().path, "b.plt");
        EXPECT_EQ(host.nextCalls, 1);
        EXPECT_EQ(host.endRuns, 1);
        EXPECT_TRUE(summary.cancelled);
    }
    // Cancelled while the preview loads (it never answers): no output.
    {
        FakeHost host;
        host.queue = {Job("a.plt", 1), Job("b.plt", 1)};
        host.showDelaySlices = -1;
        host.onWaitSlice = [&host](int slice) { host.cancelled = slice >= 3; };
        PlotRunner::Run(host, Settings(true));
        EXPECT_TRUE(host.plots.empty());
        EXPECT_EQ(host.waitSlices, 3);
        EXPECT_EQ(host.removed, Paths{"a.plt"});
        EXPECT_TRUE(host.deleted.empty());
        EXPECT_EQ(host.queue.size(), 1u);
    }
    // Cancelled after the last copy went out: every copy reached the device,
    // so the file goes as it would without the cancel.
    {
        FakeHost host;
        host.queue = {Job("a.plt", 2), Job("b.plt", 1)};
        host.onPlot = [&host](int n, const PLOTFILE&) {
            host.cancelled = n == 2;
            return true;
        };
        PlotRunner::Run(host, Settings(true));
        EXPECT_EQ(host.deleted, Paths{"a.plt"});
        EXPECT_EQ(host.queue.size(), 1u);
    }
}

TEST(PlotRunnerTest, AWindowThatStopsAnsweringEndsTheRun)
{
    FakeHost host;
    host.queue = {Job("a.plt", 1)};
    host.closing = true;
    const PlotRunSummary summary = PlotRunner::Run(host, Settings(true));
    EXPECT_EQ(summary.jobs, 0);
    EXPECT_TRUE(host.plots.empty());
    EXPECT_EQ(host.endRuns, 1) << "the preview leaves its progress display all the same";
}
