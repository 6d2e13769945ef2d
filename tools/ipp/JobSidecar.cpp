#include "JobSidecar.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "plotlib/AtomicFile.h"

namespace {

// Values go on one line each; a line break in a user name must not start
// a key of its own.
std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

Status MakeFolder(const std::string& path)
{
    if (mkdir(path.c_str(), 0755) == 0 || errno == EEXIST)
        return Status::Ok();
    return Status::IoError("cannot create " + path + ": " + std::strerror(errno));
}

}  // namespace

std::string CJobSidecar::PathFor(const std::string& settingsFolder, const DeliveredFile& file)
{
    return settingsFolder + "/" + file.printer + "/" + file.name + ".ini";
}

Status CJobSidecar::Write(const std::string& settingsFolder, const DeliveredFile& file,
                          const JobSettings& settings, const std::string& user, unsigned long long size)
{
    if (settingsFolder.empty())
        return Status::Ok();
    Status status = MakeFolder(settingsFolder);
    if (status)
        status = MakeFolder(settingsFolder + "/" + file.printer);
    if (!status)
        return status;
    std::string text = "[Job]\n";
    text += "File=" + file.name + "\n";
    text += "PlotFolder=" + OneLine(file.folder) + "\n";
    text += "Size=" + std::to_string(size) + "\n";
    text += "Copies=" + std::to_string(settings.copies) + "\n";
    text += std::string("Rotate=") + (settings.rotate ? "TRUE" : "FALSE") + "\n";
    text += std::string("Mirror=") + (settings.mirror ? "TRUE" : "FALSE") + "\n";
    text += "Printer=" + file.printer + "\n";
    text += "JobId=" + std::to_string(file.jobId) + "\n";
    text += "User=" + OneLine(user) + "\n";
    return WriteFileAtomically(PathFor(settingsFolder, file), text);
}

void CJobSidecar::Remove(const std::string& settingsFolder, const DeliveredFile& file)
{
    if (!settingsFolder.empty())
        unlink(PathFor(settingsFolder, file).c_str());
}
