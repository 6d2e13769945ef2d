#include "PlotJobTracker.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "PlotDocumentCheck.h"
#include "SafeJobName.h"
#include "plotlib/AtomicFile.h"

namespace {

bool ExistsInFolder(const std::string& path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

// Copies the spooled document through `writer`; false with `error` set
// when the spool file cannot be read.
bool CopySpool(const std::string& spoolPath, CAtomicFileWriter& writer, std::string& error)
{
    FILE* in = std::fopen(spoolPath.c_str(), "rb");
    if (!in) {
        error = "cannot open the received document: " + std::string(std::strerror(errno));
        return false;
    }
    std::vector<char> buffer(1 << 16);
    size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0)
        writer.Write(buffer.data(), got);
    const bool ok = !std::ferror(in);
    if (!ok)
        error = "cannot read the received document: " + std::string(std::strerror(errno));
    std::fclose(in);
    return ok;
}

}  // namespace

CPlotJobTracker::CPlotJobTracker(std::shared_ptr<IPlotOutcomeSource> source, std::string settingsFolder)
    : m_source(std::move(source)), m_settingsFolder(std::move(settingsFolder))
{
}

bool CPlotJobTracker::NameTakenLocked(const std::string& folder, const std::string& name) const
{
    for (const auto& entry : m_jobs) {
        const Record& r = entry.second;
        if (r.done && !r.finished && r.result.kind == DeliveryResult::Kind::Delivered &&
            r.result.file.folder == folder && r.result.file.name == name)
            return true;
    }
    return ExistsInFolder(folder + "/" + name);
}

DeliveryResult CPlotJobTracker::WriteLocked(const JobDocument& job, const std::string& safeName, Record& record)
{
    DeliveryResult result;
    struct stat folderInfo {};
    if (stat(job.folder.c_str(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode)) {
        result.message = "the plot folder " + job.folder + " is not there";
        return result;
    }
    // Each attempt takes the first free name; one that is taken by the
    // time the file is renamed into place costs a new attempt.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = CSafeJobName::FirstFree(
            safeName, [&](const std::string& candidate) { return NameTakenLocked(job.folder, candidate); });
        if (name.empty()) {
            result.message = "no free file name for " + safeName + " in " + job.folder;
            return result;
        }
        const std::string path = job.folder + "/" + name;
        CAtomicFileWriter writer;
        Status status = writer.Open(path);
        std::string error;
        if (status && !CopySpool(job.spoolPath, writer, error)) {
            writer.Abort();
            result.message = error;
            return result;
        }
        bool existed = false;
        if (status)
            status = writer.CommitNew(existed);
        if (existed)
            continue;
        if (!status) {
            result.message = status.message();
            return result;
        }
        struct stat info {};
        if (lstat(path.c_str(), &info) == 0) {
            record.device = static_cast<unsigned long long>(info.st_dev);
            record.inode = static_cast<unsigned long long>(info.st_ino);
            record.size = static_cast<unsigned long long>(info.st_size);
            record.mtimeNs = static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
        }
        result.kind = DeliveryResult::Kind::Delivered;
        result.file.printer = job.printer;
        result.file.jobId = job.jobId;
        result.file.folder = job.folder;
        result.file.name = name;
        result.file.path = path;
        result.file.folderDevice = static_cast<unsigned long long>(folderInfo.st_dev);
        return result;
    }
    result.message = "the plot folder " + job.folder + " keeps taking the names tried";
    return result;
}

void CPlotJobTracker::PruneLocked()
{
    const auto now = std::chrono::steady_clock::now();
    for (auto it = m_jobs.begin(); it != m_jobs.end();) {
        const Record& r = it->second;
        if (r.done && r.result.kind != DeliveryResult::Kind::Delivered && now - r.deliveredAt > kKeepRefused)
            it = m_jobs.erase(it);
        else
            ++it;
    }
}

DeliveryResult CPlotJobTracker::Deliver(const JobDocument& job)
{
    const Key key(job.printer, job.jobId);
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        auto it = m_jobs.find(key);
        if (it != m_jobs.end()) {
            // Another thread delivers this job (the receiving client and the
            // queue may both get to it): its result is this call's result.
            m_delivered.wait(lock, [&] {
                auto found = m_jobs.find(key);
                return found == m_jobs.end() || found->second.done;
            });
            it = m_jobs.find(key);
            if (it != m_jobs.end())
                return it->second.result;
        }
        PruneLocked();
        m_jobs.emplace(key, Record());
    }

    const std::string fallback = "job-" + std::to_string(job.jobId) + ".plt";
    const std::string shown = job.documentName.empty() ? fallback : job.documentName;
    const CPlotDocumentCheck::Result check = CPlotDocumentCheck::CheckFile(job.spoolPath, shown);

    std::lock_guard<std::mutex> lock(m_mutex);
    Record& record = m_jobs[key];
    DeliveryResult result;
    switch (check.verdict) {
    case CPlotDocumentCheck::Verdict::NotPlot:
        result.kind = DeliveryResult::Kind::NotPlot;
        result.message = check.message;
        break;
    case CPlotDocumentCheck::Verdict::Cut:
        result.kind = DeliveryResult::Kind::Cut;
        result.message = check.message;
        break;
    case CPlotDocumentCheck::Verdict::Unreadable:
        result.kind = DeliveryResult::Kind::Failed;
        result.message = check.message;
        break;
    case CPlotDocumentCheck::Verdict::Plot:
        result = WriteLocked(job, CSafeJobName::Make(job.documentName, fallback), record);
        break;
    }
    if (result.kind == DeliveryResult::Kind::Delivered) {
        // The job is in the folder either way; a sidecar that cannot be
        // written costs the row settings, not the job.
        (void)CJobSidecar::Write(m_settingsFolder, result.file, job.settings, job.user, record.size);
    }
    record.done = true;
    record.result = result;
    record.deliveredAt = std::chrono::steady_clock::now();
    m_delivered.notify_all();
    return result;
}

bool CPlotJobTracker::Known(const std::string& printer, int jobId) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_jobs.count(Key(printer, jobId)) != 0;
}

OutcomeReport CPlotJobTracker::Poll(const std::string& printer, int jobId)
{
    DeliveredFile file;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_jobs.find(Key(printer, jobId));
        if (it == m_jobs.end() || !it->second.done || it->second.result.kind != DeliveryResult::Kind::Delivered) {
            OutcomeReport report;
            report.outcome = PlotOutcome::Failed;
            report.reason = it == m_jobs.end() ? "the job was not delivered" : it->second.result.message;
            return report;
        }
        if (it->second.finished)
            return it->second.outcome;
        file = it->second.result.file;
    }
    const OutcomeReport report = m_source->Query(file);
    if (report.outcome == PlotOutcome::Waiting)
        return report;
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_jobs.find(Key(printer, jobId));
    if (it != m_jobs.end() && !it->second.finished) {
        it->second.finished = true;
        it->second.outcome = report;
        CJobSidecar::Remove(m_settingsFolder, file);
    }
    return report;
}

void CPlotJobTracker::Withdraw(const std::string& printer, int jobId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_jobs.find(Key(printer, jobId));
    if (it == m_jobs.end() || !it->second.done || it->second.finished ||
        it->second.result.kind != DeliveryResult::Kind::Delivered)
        return;
    Record& r = it->second;
    struct stat info {};
    if (lstat(r.result.file.path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<unsigned long long>(info.st_dev) == r.device &&
        static_cast<unsigned long long>(info.st_ino) == r.inode &&
        static_cast<unsigned long long>(info.st_size) == r.size &&
        static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec == r.mtimeNs)
        unlink(r.result.file.path.c_str());
    CJobSidecar::Remove(m_settingsFolder, r.result.file);
    r.finished = true;
    r.outcome.outcome = PlotOutcome::Failed;
    r.outcome.reason = "cancelled";
}

void CPlotJobTracker::Forget(const std::string& printer, int jobId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_jobs.find(Key(printer, jobId));
    if (it != m_jobs.end() && it->second.done)
        m_jobs.erase(it);
}
