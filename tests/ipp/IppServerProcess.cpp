#include "IppServerProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::string ServerPath()
{
    char self[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string exe(self, n > 0 ? static_cast<size_t>(n) : 0);
    return exe.substr(0, exe.rfind('/')) + "/plotvane-ipp";
}

// A port nobody listens on right now (the kernel's choice for port 0).
int FreePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    close(fd);
    return port;
}

bool Answers(int port)
{
    const ToolResult r = RunTool({"ipptool", "-T", "3", "ipp://127.0.0.1:" + std::to_string(port) + "/ipp/print/Plotvane",
                                  "get-printer-attributes.test"},
                                 std::chrono::seconds(5));
    return r.status == 0;
}

// waitpid with a time limit; true when the child ended.
bool WaitFor(pid_t pid, int& status, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD))
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace

ToolResult RunTool(const std::vector<std::string>& argv, std::chrono::seconds limit)
{
    ToolResult result;
    int pipeFd[2];
    if (pipe2(pipeFd, O_CLOEXEC) != 0)
        return result;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFd[1], 1);
        dup2(pipeFd[1], 2);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(pipeFd[1]);
    if (pid < 0) {
        close(pipeFd[0]);
        return result;
    }
    const auto end = std::chrono::steady_clock::now() + limit;
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p {pipeFd[0], POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        const ssize_t n = read(pipeFd[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        result.out.append(buffer, static_cast<size_t>(n));
    }
    close(pipeFd[0]);
    int status = 0;
    if (!WaitFor(pid, status, std::chrono::milliseconds(std::max<long long>(
                                  0, std::chrono::duration_cast<std::chrono::milliseconds>(
                                         end - std::chrono::steady_clock::now()).count())))) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        result.out += "\n(timed out)";
        return result;
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "(missing)";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string IppServerProcess::Log() const { return FileBytes(m_dir.File("server.log")); }

bool IppServerProcess::Start(std::string& error, const std::vector<std::string>& extraOptions)
{
    fs::create_directories(PlotFolder());
    fs::create_directories(m_dir.File("spool"));
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = FreePort();
        // PAPPL names its control socket after the program (as root
        // /run/NAME.sock): a name of its own per server keeps tests that run
        // at once, and a service on the same machine, apart.
        const std::string program = m_dir.File("plotvane-ipp-test-" + std::to_string(m_port));
        std::error_code ec;
        fs::remove(program, ec);
        fs::create_symlink(ServerPath(), program, ec);
        std::vector<std::string> args = {program, "server",
                                         "-o", "server-port=" + std::to_string(m_port),
                                         "-o", "plot-folder=" + PlotFolder(),
                                         "-o", "job-settings-folder=" + SettingsFolder(),
                                         "-o", "spool-directory=" + m_dir.File("spool"),
                                         "-o", "log-file=" + m_dir.File("server.log"),
                                         "-o", "log-level=info"};
        for (const std::string& o : extraOptions) {
            args.push_back("-o");
            args.push_back(o);
        }
        m_pid = fork();
        if (m_pid == 0) {
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            const int out = open(m_dir.File("server.out").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            dup2(out, 1);
            dup2(out, 2);
            std::vector<char*> argv;
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        if (m_pid < 0) {
            error = "fork failed";
            return false;
        }
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                break;  // ended: most likely the port was taken meanwhile
            }
            if (Answers(m_port))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        Stop();
    }
    error = "plotvane-ipp did not come up:\n" + FileBytes(m_dir.File("server.out")) + Log();
    return false;
}

int IppServerProcess::Stop()
{
    if (m_pid <= 0)
        return -1;
    int status = 0;
    kill(m_pid, SIGTERM);
    if (!WaitFor(m_pid, status, std::chrono::seconds(10))) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, &status, 0);
    }
    m_pid = -1;
    // PAPPL leaves its control socket behind (root: /run, others: the
    // temporary folder with the user id appended).
    const std::string name = "plotvane-ipp-test-" + std::to_string(m_port);
    std::error_code ec;
    fs::remove("/run/" + name + ".sock", ec);
    const char* tmp = getenv("TMPDIR");
    fs::remove(std::string(tmp && *tmp ? tmp : "/tmp") + "/" + name + std::to_string(getuid()) + ".sock", ec);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
