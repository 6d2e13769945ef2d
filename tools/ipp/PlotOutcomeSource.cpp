#include "PlotOutcomeSource.h"

#include <sys/stat.h>

#include <cerrno>

OutcomeReport CFolderRemovalOutcome::Query(const DeliveredFile& file)
{
    OutcomeReport report;
    struct stat st {};
    if (stat(file.folder.c_str(), &st) != 0 || static_cast<unsigned long long>(st.st_dev) != file.folderDevice)
        return report;
    // Only "no such file" means gone: a folder that cannot be read right
    // now (a share that dropped out) says nothing about the plot.
    if (lstat(file.path.c_str(), &st) != 0 && errno == ENOENT)
        report.outcome = PlotOutcome::Plotted;
    return report;
}
