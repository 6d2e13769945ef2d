// Placeholder device list until the device layer lands: one built-in
// configuration and no devices.
#include "plotlib/Devices.h"

namespace {
PLOTTERCONFIG g_config;
}

void InitDevices() {}
void GetAllDevices(std::vector<std::string>& names) { names.clear(); }
std::string GetDefaultDevice() { return std::string(); }
bool SetDefaultDevice(const std::string&) { return false; }
PLOTTERCONFIG* GetPlotter() { return &g_config; }
std::vector<DeviceInfo> GetDeviceInfos() { return {}; }
bool GetDeviceInfo(const std::string&, DeviceInfo&) { return false; }
Status SetDeviceInfos(const std::vector<DeviceInfo>&, const std::string&)
{
    return Status::Error("no device layer yet");
}
Status ValidateDevice(const DeviceInfo&) { return Status::Ok(); }
