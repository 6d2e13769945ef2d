// What plotvane-ipp serves, from Setting.ini and the command line.
//
// Setting.ini (beside the program, as for the window):
//   [Global]  PlotPath=/srv/plots        the window's plot folder
//   [IPP]     Port=8631
//             Listen=loopback            loopback (default), any, or a host name or address
//             AuthService=               PAM service; only used when listening beyond loopback
//             Printers=Plotvane          printer names, separated by ';'
//             JobSettingsFolder=         where the sidecars go (default: "IPP jobs" beside the program)
//   [IPP Cutter]  PlotPath=/srv/cut      the plot folder of printer "Cutter" (default: [Global] PlotPath)
//
// Command line (`plotvane-ipp server -o name=value`), over the file:
//   server-port, listen, auth-service, plot-folder (the first printer's folder),
//   printer-name (the first printer's name), job-settings-folder,
//   spool-directory, log-file, log-level.
//
// Pure data and checks; any thread.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "plotlib/Status.h"

struct IppPrinterConfig {
    std::string name;
    std::string folder;
};

struct IppConfig {
    int port = 8631;
    std::string listen = "loopback";
    std::string authService;
    std::string jobSettingsFolder;
    std::string spoolDirectory;
    std::string logFile;
    std::string logLevel;
    std::vector<IppPrinterConfig> printers;

    bool LoopbackOnly() const { return listen == "loopback"; }

    // Reads `iniPath` and applies `options` over it. BadInput with a
    // readable message for a bad port, printer name or missing folder.
    static Status Load(const std::string& iniPath, const std::map<std::string, std::string>& options,
                       const std::string& programDir, IppConfig& config);

    // Printer names become part of the printer's URI: letters, digits,
    // '-', '_' and '.', 1 to 127 characters, not starting with '.'.
    static bool ValidPrinterName(const std::string& name);
};
