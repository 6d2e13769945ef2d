// Runs plotvane-ipp for a test: on a free loopback port, with its own plot
// folder, job settings folder, spool folder and log inside a temporary
// folder, and stops it when the object goes (also when the test fails).
// Also runs the real IPP clients (ipptool, lp) against it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "TempDir.h"

struct ToolResult {
    int status = -1;  // exit status; -1 when it could not run or timed out
    std::string out;  // stdout and stderr together
};

// Runs `argv` (argv[0] looked up in PATH) with a time limit.
ToolResult RunTool(const std::vector<std::string>& argv,
                   std::chrono::seconds limit = std::chrono::seconds(30));

class IppServerProcess {
public:
    IppServerProcess() = default;
    ~IppServerProcess() { Stop(); }
    IppServerProcess(const IppServerProcess&) = delete;
    IppServerProcess& operator=(const IppServerProcess&) = delete;

    // Starts the server and waits until it answers IPP; retries on another
    // port when the chosen one was taken meanwhile. False with the log in
    // `error` when it does not come up.
    bool Start(std::string& error, const std::vector<std::string>& extraOptions = {});
    // SIGTERM, then SIGKILL if it has not ended within a few seconds.
    // Returns how it ended (exit status, or 128 + signal).
    int Stop();

    int Port() const { return m_port; }
    std::string PrinterUri() const { return "ipp://127.0.0.1:" + std::to_string(m_port) + "/ipp/print/Plotvane"; }
    std::string PlotFolder() const { return m_dir.File("plots"); }
    std::string SettingsFolder() const { return m_dir.File("job-settings"); }
    std::string Root() const { return m_dir.Path(); }
    std::string Log() const;

private:
    TempDir m_dir;
    pid_t m_pid = -1;
    int m_port = 0;
};

// The bytes of a file ("(missing)" when it cannot be read).
std::string FileBytes(const std::string& path);
