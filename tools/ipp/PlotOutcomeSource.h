// Where the state of a delivered job comes from. A job that arrived over
// IPP is written into the plot folder; from then on its state is whatever
// the window does with the file: it waits in the folder, is plotted, and is
// removed after plotting (auto plot, or "Delete file").
//
// Today the only witness is the folder itself (CFolderRemovalOutcome): a
// file that is gone was plotted. When the window keeps a job history, a
// source that reads it answers Plotted or Failed with the device's reason
// (the station then sees "completed" or "aborted" with that reason in
// job-state-message) and falls back to the folder for files it does not
// know; CPlotJobTracker takes any IPlotOutcomeSource and needs no change.
//
// Query is called from the IPP job threads, several at once.
#pragma once

#include <string>

struct DeliveredFile {
    std::string printer;   // IPP printer name
    int jobId = 0;         // IPP job id on that printer
    std::string folder;    // the plot folder
    std::string name;      // file name inside the folder
    std::string path;      // folder + '/' + name
    unsigned long long folderDevice = 0;  // st_dev of the folder when the file was written
};

enum class PlotOutcome {
    Waiting,  // in the folder, queued or being plotted
    Plotted,  // done: the file left the folder after plotting
    Failed,   // the window gave up on it; `reason` says why
};

struct OutcomeReport {
    PlotOutcome outcome = PlotOutcome::Waiting;
    std::string reason;
};

class IPlotOutcomeSource {
public:
    virtual ~IPlotOutcomeSource() = default;
    virtual OutcomeReport Query(const DeliveredFile& file) = 0;
};

// A file that no longer exists under its name was plotted and removed. A
// file still there (also rewritten by the preview's edits) is waiting, and
// so is one whose folder cannot be seen or now lies on another device (a
// share that was unmounted leaves an empty mount point behind).
class CFolderRemovalOutcome : public IPlotOutcomeSource {
public:
    OutcomeReport Query(const DeliveredFile& file) override;
};
