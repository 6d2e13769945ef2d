// Runs the plotvane-cli built next to the test executable and collects its
// exit status and output, for the tests of the command-line companion.
#pragma once

#include <string>
#include <vector>

struct CliResult {
    int status = -1;  // -1: the program could not be started
    std::string out;
    std::string err;
};

// The plotvane-cli beside the running test executable.
std::string CliPath();

CliResult RunCli(const std::vector<std::string>& args);
