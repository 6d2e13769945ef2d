// Runs the plotvane-cli built next to the test executable and collects its
// exit status and output, for the tests of the command-line companion.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct CliResult {
    int status = -1;  // -1: the program could not be started, or a signal ended it
    int signal = 0;   // the signal that ended it
    std::string out;
    std::string err;
};

// The plotvane-cli beside the running test executable.
std::string CliPath();

CliResult RunCli(const std::vector<std::string>& args);

// As RunCli, for the program at `exe` (a copy in a folder of its own reads
// the device list there); `during`, when given, runs while the program
// does, with its process id (to send it a signal). The program starts with
// the default action for every signal, whatever the test process does.
CliResult RunCliAt(const std::string& exe, const std::vector<std::string>& args,
                   const std::function<void(int pid)>& during = {});
