// Delivers IPP print jobs into plot folders and follows them there.
//
// Delivering a job: its spooled document is checked (CPlotDocumentCheck),
// given a safe, free name in the plot folder (CSafeJobName), copied there
// with the atomic writer without ever replacing a file (a name that turns
// up taken meanwhile gets the next number), and its plot row settings go to
// a sidecar (CJobSidecar). Names of delivered files that are still followed
// count as taken even when the file just left the folder, so a new job
// never takes over the name of one whose end has not been seen yet.
//
// Following a job: Poll asks the outcome source (the folder today, the job
// history later; see PlotOutcomeSource.h) and keeps the answer once it is
// final. Withdraw takes back a cancelled job's file, but only while it is
// still exactly the file that was written (same device, inode, size and
// modification time): once the window has touched it, it stays.
//
// Jobs are known by printer name and job id. All functions are safe to
// call from several threads; a document is checked without the lock, the
// name choice and the write hold it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "JobSidecar.h"
#include "PlotOutcomeSource.h"

struct JobDocument {
    std::string printer;
    int jobId = 0;
    std::string folder;        // the printer's plot folder
    std::string documentName;  // as the station sent it
    std::string spoolPath;     // the received bytes
    std::string user;
    JobSettings settings;
};

struct DeliveryResult {
    enum class Kind {
        Delivered,  // `file` is in the plot folder
        NotPlot,    // refused: not a plot file
        Cut,        // refused: ends inside a command
        Failed,     // could not be read or written; `message` says why
    };
    Kind kind = Kind::Failed;
    DeliveredFile file;
    std::string message;
};

class CPlotJobTracker {
public:
    CPlotJobTracker(std::shared_ptr<IPlotOutcomeSource> source, std::string settingsFolder);

    // Delivers the job once; later calls for the same job return the first
    // result, and a call while another thread delivers the job waits for it.
    DeliveryResult Deliver(const JobDocument& job);

    // Whether Deliver has run (or is running) for the job.
    bool Known(const std::string& printer, int jobId) const;

    // The job's state now: Waiting until the outcome source says Plotted
    // or Failed. A job that was never delivered reports Failed.
    OutcomeReport Poll(const std::string& printer, int jobId);

    // A cancelled job: its file goes if it is unchanged, its sidecar goes.
    void Withdraw(const std::string& printer, int jobId);

    // Drops what is known about a finished job. Refused jobs need no
    // Forget: their records go by themselves after kKeepRefused.
    void Forget(const std::string& printer, int jobId);

    static constexpr std::chrono::minutes kKeepRefused{10};

private:
    struct Record {
        bool done = false;  // delivery finished
        DeliveryResult result;
        unsigned long long device = 0, inode = 0, size = 0;
        long long mtimeNs = 0;
        bool finished = false;  // outcome is final
        OutcomeReport outcome;
        std::chrono::steady_clock::time_point deliveredAt;
    };
    using Key = std::pair<std::string, int>;

    void PruneLocked();
    bool NameTakenLocked(const std::string& folder, const std::string& name) const;
    DeliveryResult WriteLocked(const JobDocument& job, const std::string& safeName, Record& record);

    std::shared_ptr<IPlotOutcomeSource> m_source;
    std::string m_settingsFolder;
    mutable std::mutex m_mutex;
    std::condition_variable m_delivered;
    std::map<Key, Record> m_jobs;
};
