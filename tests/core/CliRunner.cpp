#include "core/CliRunner.h"

#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TempDir.h"
#include "plotlib/AtomicFile.h"

extern char** environ;

namespace fs = std::filesystem;

std::string CliPath()
{
    char self[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return {};
    return (fs::path(std::string(self, static_cast<size_t>(n))).parent_path() / "plotvane-cli")
        .string();
}

CliResult RunCli(const std::vector<std::string>& args)
{
    CliResult result;
    const std::string exe = CliPath();
    if (exe.empty() || !fs::exists(exe))
        return result;
    TempDir dir;
    const std::string outPath = dir.File("out"), errPath = dir.File("err");
    std::vector<std::string> argv = {exe};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (std::string& a : argv)
        raw.push_back(a.data());
    raw.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, raw.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return result;
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    // A missing capture file reads as empty output.
    static_cast<void>(ReadWholeFile(outPath, result.out));
    static_cast<void>(ReadWholeFile(errPath, result.err));
    return result;
}
