#include "IppConfig.h"

#include <sys/stat.h>

#include <cstdlib>

#include "app/IniSettings.h"

namespace {

std::string Trim(const std::string& s)
{
    const auto begin = s.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return std::string();
    const auto end = s.find_last_not_of(" \t");
    return s.substr(begin, end - begin + 1);
}

bool IsFolder(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Option(const std::map<std::string, std::string>& options, const char* name, const std::string& fallback)
{
    const auto it = options.find(name);
    return it == options.end() ? fallback : it->second;
}

}  // namespace

bool IppConfig::ValidPrinterName(const std::string& name)
{
    if (name.empty() || name.size() > 127 || name[0] == '.')
        return false;
    for (const char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
              c == '_' || c == '.'))
            return false;
    return true;
}

Status IppConfig::Load(const std::string& iniPath, const std::map<std::string, std::string>& options,
                       const std::string& programDir, IppConfig& config)
{
    config = IppConfig();
    const std::string portText = Trim(Option(options, "server-port", ReadProfileString(iniPath, "IPP", "Port", "8631")));
    char* end = nullptr;
    const long port = std::strtol(portText.c_str(), &end, 10);
    if (portText.empty() || *end || port < 1 || port > 65535)
        return Status::BadInput("the port \"" + portText + "\" is not a number from 1 to 65535");
    config.port = static_cast<int>(port);

    config.listen = Trim(Option(options, "listen", ReadProfileString(iniPath, "IPP", "Listen", "loopback")));
    if (config.listen.empty() || config.listen == "localhost" || config.listen == "127.0.0.1")
        config.listen = "loopback";
    config.authService = Trim(Option(options, "auth-service", ReadProfileString(iniPath, "IPP", "AuthService", "")));
    config.jobSettingsFolder = Trim(Option(options, "job-settings-folder",
                                           ReadProfileString(iniPath, "IPP", "JobSettingsFolder", "")));
    if (config.jobSettingsFolder.empty())
        config.jobSettingsFolder = programDir + "/IPP jobs";
    config.spoolDirectory = Option(options, "spool-directory", "");
    config.logFile = Option(options, "log-file", "");
    config.logLevel = Option(options, "log-level", "");

    const std::string globalFolder = ReadProfileString(iniPath, "Global", "PlotPath", "");
    std::string names = ReadProfileString(iniPath, "IPP", "Printers", "");
    size_t start = 0;
    while (start <= names.size()) {
        const size_t semi = names.find(';', start);
        const std::string name = Trim(names.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
        if (!name.empty()) {
            IppPrinterConfig printer;
            printer.name = name;
            printer.folder = ReadProfileString(iniPath, "IPP " + name, "PlotPath", globalFolder);
            config.printers.push_back(printer);
        }
        if (semi == std::string::npos)
            break;
        start = semi + 1;
    }
    if (config.printers.empty())
        config.printers.push_back(IppPrinterConfig{"Plotvane", globalFolder});
    config.printers[0].name = Trim(Option(options, "printer-name", config.printers[0].name));
    config.printers[0].folder = Option(options, "plot-folder", config.printers[0].folder);

    for (size_t i = 0; i < config.printers.size(); ++i) {
        IppPrinterConfig& printer = config.printers[i];
        if (!ValidPrinterName(printer.name))
            return Status::BadInput("the printer name \"" + printer.name +
                                    "\" may only hold letters, digits, '-', '_' and '.'");
        for (size_t k = 0; k < i; ++k)
            if (config.printers[k].name == printer.name)
                return Status::BadInput("the printer name \"" + printer.name + "\" is given twice");
        while (printer.folder.size() > 1 && printer.folder.back() == '/')
            printer.folder.pop_back();
        if (printer.folder.empty())
            return Status::BadInput("no plot folder for printer \"" + printer.name +
                                    "\" (set PlotPath in Setting.ini or -o plot-folder=DIR)");
        if (!IsFolder(printer.folder))
            return Status::NotFound("the plot folder " + printer.folder + " of printer \"" + printer.name +
                                    "\" is not there");
        // Jobs run with another working folder: keep the full path.
        if (char* real = realpath(printer.folder.c_str(), nullptr)) {
            printer.folder = real;
            std::free(real);
        }
    }
    if (config.LoopbackOnly() && !config.authService.empty())
        config.authService.clear();  // loopback clients are the machine's own users
    return Status::Ok();
}
