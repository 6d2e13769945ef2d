// CDeviceList: the output devices the program knows, and which one is
// current. The list lives in its own INI file, "Devices.ini" beside the
// executable, one section per device:
//
//   [Devices]               Default=<name of the current device>, Count=<n>
//   [Device1] .. [Device<n>]
//     Name, Connection (Folder, File, TCP, Serial, CUPS), Target,
//     BaudRate, DataBits, Parity (N/E/O), StopBits, FlowControl
//     (None, XON/XOFF, RTS/CTS), Timeout (ms), Language (HPGL, DMPL),
//     PaperWidth and BlockLength (metres), Resolution (units per inch),
//     DrawPen, CutPen, HalfCutPen, ScaleX, ScaleY, ExtractOnAdd
//     (TRUE/FALSE), ExtractPen
//
// Numbers are written and read in the C locale whatever the program's
// language. The whole file is written at once through WriteFileAtomically.
// A Folder or File target that is not an absolute path is taken relative to
// the executable's folder (ResolveTarget), so the default device keeps
// working when the program folder moves.
//
// Threads: every member locks; the GUI thread edits the list while a plot
// thread takes copies of the current device. CurrentConfig() hands out a
// pointer to a copy of the current device's configuration that stays valid
// for the list's lifetime; writing through it changes only that copy (the
// program sets the scale factors there for a moment while it writes files),
// never the stored device.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "plotlib/Devices.h"

class CDeviceList {
public:
    // `iniPath` empty: Devices.ini in ProgramDirectory(), looked up at Load.
    explicit CDeviceList(std::string iniPath = std::string());

    // Reads the list. When the file does not exist, the list becomes the
    // default folder device and is saved. An unreadable file leaves an
    // empty list (and is not overwritten) and says why.
    Status Load();
    Status Save() const;
    std::string IniPath() const;

    std::vector<std::string> Names() const;
    std::vector<DeviceInfo> Devices() const;
    bool Find(const std::string& name, DeviceInfo& device) const;
    std::string DefaultName() const;
    // Makes `name` current and saves; false when there is no such device.
    bool SetDefault(const std::string& name);
    // Replaces the whole list after checking every device (unique, valid
    // names); the default falls back to the first device when `defaultName`
    // is not in the list. Saves.
    Status Replace(const std::vector<DeviceInfo>& devices, const std::string& defaultName);

    // The current device; false when the list is empty.
    bool CurrentDevice(DeviceInfo& device) const;
    PLOTTERCONFIG* CurrentConfig();

    // The device a first start creates: folder "Plot output" beside the
    // executable.
    static DeviceInfo DefaultFolderDevice();
    static const char* DefaultDeviceName() { return "Plot output"; }
    // Checks one device; the message names the field.
    static Status Validate(const DeviceInfo& device);
    // A Folder or File target made absolute against the program folder.
    static std::string ResolveTarget(const DeviceInfo& device);

    // The file format, for Save/Load and for tests.
    static std::string Serialize(const std::vector<DeviceInfo>& devices,
                                 const std::string& defaultName);
    static Status Parse(const std::string& text, std::vector<DeviceInfo>& devices,
                        std::string& defaultName);

private:
    std::string IniPathLocked() const;
    Status SaveLocked() const;
    void UpdateCurrentLocked();

    mutable std::mutex m_mutex;
    std::string m_iniPath;
    std::vector<DeviceInfo> m_devices;
    std::string m_default;
    PLOTTERCONFIG m_current;
};
