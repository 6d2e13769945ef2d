// The device list: named output devices, each with a connection, a plot
// language and its PLOTTERCONFIG, kept in "Devices.ini" beside the
// executable (written atomically). One device is the current (default) one.
//
// These free functions are the program's view of the list; they are called
// from the GUI thread. GetPlotter() hands out the current device's
// configuration, which the plot thread copies at the start of each job.
#pragma once

#include <string>
#include <vector>

#include "plotlib/PlotterConfig.h"
#include "plotlib/Status.h"

enum class ConnectionKind : int {
    Folder = 0,  // each job becomes a new numbered .plt file in a folder
    File = 1,    // a file or device node (/dev/usb/lp0), opened per job
    Tcp = 2,     // raw TCP, host:port (9100 by default)
    Serial = 3,  // serial port with line settings and flow control
    Cups = 4,    // a CUPS queue, sent as a raw job
};

enum class FlowControl : int { None = 0, XonXoff = 1, RtsCts = 2 };

struct SerialSettings {
    int baudRate = 9600;
    int dataBits = 8;
    char parity = 'N';   // 'N', 'E' or 'O'
    int stopBits = 1;    // 1 or 2
    FlowControl flow = FlowControl::XonXoff;
};

struct DeviceInfo {
    std::string name;
    ConnectionKind kind = ConnectionKind::Folder;
    // Folder path, file or device path, "host:port", serial port path, or
    // the CUPS queue name, by kind.
    std::string target;
    SerialSettings serial;
    int timeoutMs = 10000;  // connect and write timeout for TCP and serial
    PLOTTERCONFIG config;
};

// Loads the list; on a first start with no list, creates the working
// default: the folder device "Plot output" writing into a folder beside the
// executable.
void InitDevices();
void GetAllDevices(std::vector<std::string>& names);
std::string GetDefaultDevice();
bool SetDefaultDevice(const std::string& name);
// The current device's configuration; never null (a built-in default when
// the list is empty).
PLOTTERCONFIG* GetPlotter();

// The whole list, for the settings dialog and the command-line tool.
std::vector<DeviceInfo> GetDeviceInfos();
bool GetDeviceInfo(const std::string& name, DeviceInfo& device);
// Replaces the list and the default device and saves them.
Status SetDeviceInfos(const std::vector<DeviceInfo>& devices, const std::string& defaultName);
// Checks one device's fields; the message names the field.
Status ValidateDevice(const DeviceInfo& device);
