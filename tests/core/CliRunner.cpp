#include "core/CliRunner.h"

#include <climits>
#include <fcntl.h>
#include <signal.h>
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

CliResult RunCli(const std::vector<std::string>& args) { return RunCliAt(CliPath(), args); }

CliResult RunCliAt(const std::string& exe, const std::vector<std::string>& args,
                   const std::function<void(int pid)>& during)
{
    CliResult result;
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
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, exe.c_str(), &actions, &attributes, raw.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0)
        return result;
    if (during)
        during(pid);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    result.signal = WIFSIGNALED(wstatus) ? WTERMSIG(wstatus) : 0;
    // A missing capture file reads as empty output.
    static_cast<void>(ReadWholeFile(outPath, result.out));
    static_cast<void>(ReadWholeFile(errPath, result.err));
    return result;
}
