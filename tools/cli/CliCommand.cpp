#include "CliCommand.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <ostream>
#include <sys/stat.h>

namespace {

// Function-local so registrars in other files may run in any order.
std::vector<CliCommand>& Table()
{
    static std::vector<CliCommand> table;
    return table;
}

} // namespace

CliRegistrar::CliRegistrar(CliCommand command) { Table().push_back(std::move(command)); }

std::vector<CliCommand> CliCommands()
{
    std::vector<CliCommand> commands = Table();
    std::sort(commands.begin(), commands.end(),
              [](const CliCommand& a, const CliCommand& b) { return a.name < b.name; });
    return commands;
}

const CliCommand* FindCliCommand(const std::string& name)
{
    for (const CliCommand& command : Table())
        if (command.name == name)
            return &command;
    return nullptr;
}

int CliFail(std::ostream& err, const std::string& message)
{
    err << "plotvane-cli: " << message << '\n';
    return kCliFailed;
}

int CliUsage(std::ostream& err, const CliCommand& command)
{
    err << "usage: plotvane-cli " << command.usage << '\n';
    return kCliUsage;
}

int CliUsage(std::ostream& err, const std::string& name)
{
    if (const CliCommand* command = FindCliCommand(name))
        return CliUsage(err, *command);
    err << "usage: plotvane-cli COMMAND [ARGS...] (try 'plotvane-cli help')\n";
    return kCliUsage;
}

Status CliLoadDrawing(const std::string& path, CPolylineIArray& drawing, CPlotFileReader* reader)
{
    drawing.Destroy();
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        const int err = errno;
        return Status::FromErrno(err, StatusKind::IoError, "cannot read " + path + ": " + std::strerror(err));
    }
    if (S_ISDIR(st.st_mode))
        return Status::IoError("cannot read " + path + ": it is a folder");
    CPlotFileReader own;
    Status status = (reader ? *reader : own).ReadFile(path, drawing);
    if (!status.ok()) {
        drawing.Destroy();
        const std::string& why = status.message();
        // The reader's messages usually name the file already.
        if (why.find(path) != std::string::npos)
            return status;
        return Status::BadInput(path + ": " + (why.empty() ? "not a plot file" : why));
    }
    return status;
}

bool CliParseInt(const std::string& text, int& value)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    int parsed = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, parsed);
    if (ec != std::errc() || ptr != end || text.empty())
        return false;
    value = parsed;
    return true;
}
