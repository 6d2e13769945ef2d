// CTempPlotFile: a uniquely named, initially empty file in the system's
// temporary folder ($TMPDIR when set, else /tmp) whose name starts with a
// fixed prefix, removed again when the object goes, however the work that
// used it ended. The emulation writes its plotter data into one.
//
// A plain value for one thread.
#pragma once

#include <string>

#include "plotlib/Status.h"

class CTempPlotFile {
public:
    // The prefix of the emulation's temporary plot files.
    static constexpr const char* kEmulationPrefix = "^_^";

    explicit CTempPlotFile(const std::string& prefix = kEmulationPrefix);
    ~CTempPlotFile();
    CTempPlotFile(const CTempPlotFile&) = delete;
    CTempPlotFile& operator=(const CTempPlotFile&) = delete;

    // Whether the file was created, and why not.
    const Status& GetStatus() const { return m_status; }
    // Empty when the file could not be created.
    const std::string& Path() const { return m_path; }
    // Removes the file now (the destructor then does nothing).
    void Remove();

private:
    std::string m_path;
    Status m_status;
};
