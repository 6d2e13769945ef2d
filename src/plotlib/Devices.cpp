// The program's device functions: a facade over one CDeviceList, created on
// first use and kept for the life of the program.
#include "plotlib/Devices.h"

#include "plotlib/DeviceList.h"

namespace {

CDeviceList& List()
{
    static CDeviceList list;
    return list;
}

}  // namespace

void InitDevices()
{
    // A device list that cannot be read leaves the built-in device.
    static_cast<void>(List().Load());
}

void GetAllDevices(std::vector<std::string>& names) { names = List().Names(); }

std::string GetDefaultDevice() { return List().DefaultName(); }

bool SetDefaultDevice(const std::string& name) { return List().SetDefault(name); }

PLOTTERCONFIG* GetPlotter() { return List().CurrentConfig(); }

std::vector<DeviceInfo> GetDeviceInfos() { return List().Devices(); }

bool GetDeviceInfo(const std::string& name, DeviceInfo& device)
{
    return List().Find(name, device);
}

Status SetDeviceInfos(const std::vector<DeviceInfo>& devices, const std::string& defaultName)
{
    return List().Replace(devices, defaultName);
}

Status ValidateDevice(const DeviceInfo& device) { return CDeviceList::Validate(device); }
