// The command table of plotvane-cli. Each command lives in its own source
// file and registers itself with a file-scope CliRegistrar:
//
//     static int RunInfo(const CliArgs& args, std::ostream& out, std::ostream& err);
//     static const CliRegistrar kInfo{{"info", "info FILE",
//                                      "show polylines, points, pens and extent", RunInfo}};
//
// main() looks the first argument up in the table and hands the remaining
// arguments to the command. A command returns the process exit status:
// kCliOk, kCliFailed (bad input, a file that cannot be read or written) or
// kCliUsage (wrong arguments). Errors go to `err` as one line starting with
// "plotvane-cli: ".
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "plotlib/PlotFileReader.h"
#include "plotlib/Polyline.h"
#include "plotlib/Status.h"

constexpr int kCliOk = 0;
constexpr int kCliFailed = 1;
constexpr int kCliUsage = 2;

using CliArgs = std::vector<std::string>;
using CliRun = int (*)(const CliArgs& args, std::ostream& out, std::ostream& err);

struct CliCommand {
    std::string name;     // the word typed after plotvane-cli
    std::string usage;    // arguments, e.g. "convert IN OUT [--dmpl]"
    std::string summary;  // one line for the help text
    CliRun run = nullptr;
};

struct CliRegistrar {
    explicit CliRegistrar(CliCommand command);
};

// Every registered command, sorted by name.
std::vector<CliCommand> CliCommands();
const CliCommand* FindCliCommand(const std::string& name);

// Prints "plotvane-cli: <message>" and returns kCliFailed.
int CliFail(std::ostream& err, const std::string& message);
// Prints the command's usage line and returns kCliUsage.
int CliUsage(std::ostream& err, const CliCommand& command);
int CliUsage(std::ostream& err, const std::string& name);

// Loads a plot file, with a clear message for a missing, unreadable or
// non-plot file. `reader` (when given) reads it and keeps what it learnt
// of a DXF file.
Status CliLoadDrawing(const std::string& path, CPolylineIArray& drawing,
                      CPlotFileReader* reader = nullptr);

// Parses a whole decimal integer; false for anything else.
bool CliParseInt(const std::string& text, int& value);
