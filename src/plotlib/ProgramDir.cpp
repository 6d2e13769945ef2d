#include "plotlib/ProgramDir.h"

#include <climits>
#include <mutex>
#include <unistd.h>

namespace {

std::mutex g_overrideMutex;
std::string g_override;

} // namespace

std::string ProgramPath()
{
    char buffer[PATH_MAX + 1];
    const ssize_t n = readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n <= 0)
        return std::string();
    return std::string(buffer, static_cast<size_t>(n));
}

std::string ProgramDirectory()
{
    {
        std::lock_guard<std::mutex> lock(g_overrideMutex);
        if (!g_override.empty())
            return g_override;
    }
    const std::string path = ProgramPath();
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

void OverrideProgramDirectoryForTests(const std::string& dir)
{
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    g_override = dir;
}

const char* PathSeparator() { return "/"; }

std::string JoinPath(const std::string& dir, const std::string& name)
{
    if (dir.empty())
        return name;
    if (dir.back() == '/')
        return dir + name;
    return dir + PathSeparator() + name;
}
