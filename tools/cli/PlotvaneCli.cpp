// plotvane-cli: the plot spooler's core operations from a shell, for
// scripts and tests. The commands are in the table of CliCommand.h, one
// source file each.
#include <csignal>
#include <iostream>

#include "CliCommand.h"
#include "view/DxfSettings.h"

namespace {

int RunHelp(const CliArgs&, std::ostream& out, std::ostream&)
{
    out << "usage: plotvane-cli COMMAND [ARGS...]\n\ncommands:\n";
    for (const CliCommand& command : CliCommands())
        out << "  " << command.usage << "\n      " << command.summary << '\n';
    return kCliOk;
}

const CliRegistrar kHelp{{"help", "help", "show this list of commands", RunHelp}};

} // namespace

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    // DXF files are read with the layer map and slot sizes of Setting.ini,
    // as in the program.
    SetDxfOptionsSource(ReadDxfReadOptions);
    // A reader that goes away (a FIFO device, a pipe on standard output) is
    // a write error with a message, not a silent death by SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc < 2) {
        std::cerr << "usage: plotvane-cli COMMAND [ARGS...] (try 'plotvane-cli help')\n";
        return kCliUsage;
    }
    std::string name = argv[1];
    if (name == "--help" || name == "-h")
        name = "help";
    const CliCommand* command = FindCliCommand(name);
    if (!command) {
        std::cerr << "plotvane-cli: unknown command '" << name << "' (try 'plotvane-cli help')\n";
        return kCliUsage;
    }
    const CliArgs args(argv + 2, argv + argc);
    const int status = command->run(args, std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "plotvane-cli: cannot write to standard output\n";
        return kCliFailed;
    }
    return status;
}
