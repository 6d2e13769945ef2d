#include "plotlib/DeviceList.h"

#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <system_error>
#include <type_traits>

#include "plotlib/AtomicFile.h"
#include "plotlib/ProgramDir.h"
#include "plotlib/SerialTransport.h"
#include "plotlib/Transport.h"

namespace {

const char* kListSection = "Devices";

struct KindName {
    ConnectionKind kind;
    const char* name;
};
const KindName kKinds[] = {
    {ConnectionKind::Folder, "Folder"}, {ConnectionKind::File, "File"},
    {ConnectionKind::Tcp, "TCP"},       {ConnectionKind::Serial, "Serial"},
    {ConnectionKind::Cups, "CUPS"},
};

struct FlowName {
    FlowControl flow;
    const char* name;
};
const FlowName kFlows[] = {
    {FlowControl::None, "None"},
    {FlowControl::XonXoff, "XON/XOFF"},
    {FlowControl::RtsCts, "RTS/CTS"},
};

bool EqualNoCase(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && !b[i];
}

std::string FloatText(float value)
{
    char buffer[32];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, r.ptr);
}

// A number stored under `key`, read the same in every locale; the fallback
// when the key is missing or its text is not a (finite) number.
template <typename T>
T ReadNumber(const CSimpleIniA& ini, const char* section, const char* key, T fallback)
{
    const char* text = ini.GetValue(section, key, nullptr);
    if (!text)
        return fallback;
    std::string s(text);
    while (!s.empty() && s.front() == ' ')
        s.erase(s.begin());
    T value = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), value);
    if (r.ec != std::errc())
        return fallback;
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(value))
            return fallback;
    }
    return value;
}

float ReadFloat(const CSimpleIniA& ini, const char* section, const char* key, float fallback)
{
    return ReadNumber<float>(ini, section, key, fallback);
}

int ReadInt(const CSimpleIniA& ini, const char* section, const char* key, int fallback)
{
    return ReadNumber<int>(ini, section, key, fallback);
}

std::string Folded(const std::string& text)
{
    std::string out = text;
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool HasControlCharacters(const std::string& text)
{
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7f)
            return true;
    }
    return false;
}

bool IsFinitePositive(float v) { return std::isfinite(v) && v > 0.0f; }

}  // namespace

CDeviceList::CDeviceList(std::string iniPath) : m_iniPath(std::move(iniPath)) {}

std::string CDeviceList::IniPathLocked() const
{
    return m_iniPath.empty() ? JoinPath(ProgramDirectory(), "Devices.ini") : m_iniPath;
}

std::string CDeviceList::IniPath() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return IniPathLocked();
}

DeviceInfo CDeviceList::DefaultFolderDevice()
{
    DeviceInfo device;
    device.name = DefaultDeviceName();
    device.kind = ConnectionKind::Folder;
    device.target = "Plot output";  // beside the executable, see ResolveTarget
    return device;
}

std::string CDeviceList::ResolveTarget(const DeviceInfo& device)
{
    if ((device.kind == ConnectionKind::Folder || device.kind == ConnectionKind::File) &&
        !device.target.empty() && device.target[0] != '/')
        return JoinPath(ProgramDirectory(), device.target);
    return device.target;
}

Status CDeviceList::Validate(const DeviceInfo& d)
{
    if (d.name.empty())
        return Status::BadInput("Name: a device needs a name");
    if (HasControlCharacters(d.name) || d.name.front() == ' ' || d.name.back() == ' ' ||
        d.name.front() == '[')
        return Status::BadInput("Name: \"" + d.name + "\" is not a usable name");
    if (d.target.empty() || HasControlCharacters(d.target)) {
        switch (d.kind) {
        case ConnectionKind::Folder: return Status::BadInput("Folder: no folder given");
        case ConnectionKind::File: return Status::BadInput("File: no file or device given");
        case ConnectionKind::Tcp: return Status::BadInput("Host: no host given");
        case ConnectionKind::Serial: return Status::BadInput("Port: no serial port given");
        case ConnectionKind::Cups: return Status::BadInput("Queue: no CUPS queue given");
        }
        return Status::BadInput("Connection: unknown kind");
    }
    switch (d.kind) {
    case ConnectionKind::Folder:
    case ConnectionKind::File:
    case ConnectionKind::Cups:
        break;
    case ConnectionKind::Tcp: {
        std::string host;
        int port = 0;
        const Status address = ParseHostPort(d.target, 9100, host, port);
        if (!address)
            return address.WithMessage("Host: " + address.message());
        break;
    }
    case ConnectionKind::Serial: {
        Status s = CSerialTransport::CheckSettings(d.serial);
        if (!s)
            return Status::BadInput("Serial: " + s.message());
        break;
    }
    default:
        return Status::BadInput("Connection: unknown kind");
    }
    if (d.timeoutMs < 0)
        return Status::BadInput("Timeout: must not be negative");
    const PLOTTERCONFIG& c = d.config;
    if (!IsFinitePositive(c.paperWidth))
        return Status::BadInput("Paper width: must be more than 0");
    if (!std::isfinite(c.blockLength) || c.blockLength < 0.0f)
        return Status::BadInput("Block length: must be 0 (no blocks) or more");
    if (c.resolution <= 0 || c.resolution > 100000)
        return Status::BadInput("Resolution: must be 1 to 100000 units per inch");
    if (!IsFinitePositive(c.scaleX) || !IsFinitePositive(c.scaleY))
        return Status::BadInput("Scale: must be more than 0");
    const int pens[] = {c.drawPen, c.cutPen, c.halfCutPen, c.extractPen};
    const char* pensName[] = {"Draw pen", "Cut pen", "Half-cut pen", "Extract pen"};
    for (int i = 0; i < 4; ++i) {
        if (pens[i] < 1 || pens[i] > 8)
            return Status::BadInput(std::string(pensName[i]) + ": must be 1 to 8");
    }
    if (c.language != PlotLanguage::Hpgl && c.language != PlotLanguage::Dmpl)
        return Status::BadInput("Language: unknown plot language");
    return Status::Ok();
}

std::string CDeviceList::Serialize(const std::vector<DeviceInfo>& devices,
                                   const std::string& defaultName)
{
    std::string out;
    out += "; Plotvane output devices\n";
    out += "[Devices]\n";
    out += "Default=" + defaultName + "\n";
    out += "Count=" + std::to_string(devices.size()) + "\n";
    for (size_t i = 0; i < devices.size(); ++i) {
        const DeviceInfo& d = devices[i];
        const PLOTTERCONFIG& c = d.config;
        const char* kind = "Folder";
        for (const KindName& k : kKinds)
            if (k.kind == d.kind)
                kind = k.name;
        const char* flow = "None";
        for (const FlowName& f : kFlows)
            if (f.flow == d.serial.flow)
                flow = f.name;
        out += "\n[Device" + std::to_string(i + 1) + "]\n";
        out += "Name=" + d.name + "\n";
        out += std::string("Connection=") + kind + "\n";
        out += "Target=" + d.target + "\n";
        out += "BaudRate=" + std::to_string(d.serial.baudRate) + "\n";
        out += "DataBits=" + std::to_string(d.serial.dataBits) + "\n";
        out += std::string("Parity=") + d.serial.parity + "\n";
        out += "StopBits=" + std::to_string(d.serial.stopBits) + "\n";
        out += std::string("FlowControl=") + flow + "\n";
        out += "Timeout=" + std::to_string(d.timeoutMs) + "\n";
        out += std::string("Language=") + (c.language == PlotLanguage::Dmpl ? "DMPL" : "HPGL") +
               "\n";
        out += "PaperWidth=" + FloatText(c.paperWidth) + "\n";
        out += "BlockLength=" + FloatText(c.blockLength) + "\n";
        out += "Resolution=" + std::to_string(c.resolution) + "\n";
        out += "DrawPen=" + std::to_string(c.drawPen) + "\n";
        out += "CutPen=" + std::to_string(c.cutPen) + "\n";
        out += "HalfCutPen=" + std::to_string(c.halfCutPen) + "\n";
        out += "ScaleX=" + FloatText(c.scaleX) + "\n";
        out += "ScaleY=" + FloatText(c.scaleY) + "\n";
        out += std::string("ExtractOnAdd=") + (c.extractOnAdd ? "TRUE" : "FALSE") + "\n";
        out += "ExtractPen=" + std::to_string(c.extractPen) + "\n";
    }
    return out;
}

Status CDeviceList::Parse(const std::string& text, std::vector<DeviceInfo>& devices,
                          std::string& defaultName)
{
    CSimpleIniA ini;
    ini.SetUnicode(true);
    ini.SetMultiKey(false);
    if (ini.LoadData(text.data(), text.size()) < 0)
        return Status::BadInput("the device list cannot be read");
    devices.clear();
    defaultName = ini.GetValue(kListSection, "Default", "");
    const int count = ReadInt(ini, kListSection, "Count", 0);
    if (count < 0 || count > 10000)
        return Status::BadInput("the device list has a bad device count");
    for (int i = 1; i <= count; ++i) {
        const std::string section = "Device" + std::to_string(i);
        const char* sec = section.c_str();
        if (ini.GetSectionSize(sec) < 0)
            continue;
        DeviceInfo d;
        PLOTTERCONFIG& c = d.config;
        d.name = ini.GetValue(sec, "Name", "");
        if (d.name.empty())
            continue;
        const std::string kind = ini.GetValue(sec, "Connection", "Folder");
        for (const KindName& k : kKinds)
            if (EqualNoCase(kind, k.name))
                d.kind = k.kind;
        d.target = ini.GetValue(sec, "Target", "");
        d.serial.baudRate = ReadInt(ini, sec, "BaudRate", d.serial.baudRate);
        d.serial.dataBits = ReadInt(ini, sec, "DataBits", d.serial.dataBits);
        const std::string parity = ini.GetValue(sec, "Parity", "N");
        d.serial.parity = parity.empty() ? 'N' : static_cast<char>(std::toupper(
                                                      static_cast<unsigned char>(parity[0])));
        d.serial.stopBits = ReadInt(ini, sec, "StopBits", d.serial.stopBits);
        const std::string flow = ini.GetValue(sec, "FlowControl", "XON/XOFF");
        for (const FlowName& f : kFlows)
            if (EqualNoCase(flow, f.name))
                d.serial.flow = f.flow;
        d.timeoutMs = ReadInt(ini, sec, "Timeout", d.timeoutMs);
        const std::string language = ini.GetValue(sec, "Language", "HPGL");
        c.language = EqualNoCase(language, "DMPL") ? PlotLanguage::Dmpl : PlotLanguage::Hpgl;
        c.paperWidth = ReadFloat(ini, sec, "PaperWidth", c.paperWidth);
        c.blockLength = ReadFloat(ini, sec, "BlockLength", c.blockLength);
        c.resolution = ReadInt(ini, sec, "Resolution", c.resolution);
        c.drawPen = ReadInt(ini, sec, "DrawPen", c.drawPen);
        c.cutPen = ReadInt(ini, sec, "CutPen", c.cutPen);
        c.halfCutPen = ReadInt(ini, sec, "HalfCutPen", c.halfCutPen);
        c.scaleX = ReadFloat(ini, sec, "ScaleX", c.scaleX);
        c.scaleY = ReadFloat(ini, sec, "ScaleY", c.scaleY);
        c.extractOnAdd = std::string(ini.GetValue(sec, "ExtractOnAdd", "FALSE")) == "TRUE";
        c.extractPen = ReadInt(ini, sec, "ExtractPen", c.extractPen);
        bool duplicate = false;
        for (const DeviceInfo& other : devices)
            duplicate = duplicate || Folded(other.name) == Folded(d.name);
        if (!duplicate)
            devices.push_back(d);
    }
    return Status::Ok();
}

Status CDeviceList::Load()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::string path = IniPathLocked();
    m_devices.clear();
    m_default.clear();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        m_devices.push_back(DefaultFolderDevice());
        m_default = m_devices.front().name;
        UpdateCurrentLocked();
        return SaveLocked();
    }
    std::string text;
    Status s = ReadWholeFile(path, text);
    if (s)
        s = Parse(text, m_devices, m_default);
    if (!s)
        m_devices.clear();
    UpdateCurrentLocked();
    return s;
}

Status CDeviceList::SaveLocked() const
{
    return WriteFileAtomically(IniPathLocked(), Serialize(m_devices, m_default));
}

Status CDeviceList::Save() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return SaveLocked();
}

void CDeviceList::UpdateCurrentLocked()
{
    bool found = false;
    for (const DeviceInfo& d : m_devices) {
        if (d.name == m_default) {
            found = true;
            m_current = d.config;
        }
    }
    if (!found && !m_devices.empty()) {
        m_default = m_devices.front().name;
        m_current = m_devices.front().config;
    } else if (!found) {
        m_default.clear();
        m_current = PLOTTERCONFIG();
    }
}

std::vector<std::string> CDeviceList::Names() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> names;
    for (const DeviceInfo& d : m_devices)
        names.push_back(d.name);
    return names;
}

std::vector<DeviceInfo> CDeviceList::Devices() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_devices;
}

bool CDeviceList::Find(const std::string& name, DeviceInfo& device) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const DeviceInfo& d : m_devices) {
        if (d.name == name) {
            device = d;
            return true;
        }
    }
    return false;
}

std::string CDeviceList::DefaultName() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_default;
}

bool CDeviceList::SetDefault(const std::string& name)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const DeviceInfo& d : m_devices) {
        if (d.name == name) {
            m_default = name;
            UpdateCurrentLocked();
            // The choice still holds for this session if saving fails.
            static_cast<void>(SaveLocked());
            return true;
        }
    }
    return false;
}

Status CDeviceList::Replace(const std::vector<DeviceInfo>& devices, const std::string& defaultName)
{
    std::set<std::string> names;
    for (const DeviceInfo& d : devices) {
        Status s = Validate(d);
        if (!s)
            return s.WithMessage(d.name.empty() ? s.message() : d.name + ": " + s.message());
        // Names differing only in case would be confused in the list.
        if (!names.insert(Folded(d.name)).second)
            return Status::BadInput("Name: there are two devices called \"" + d.name + "\"");
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_devices = devices;
    m_default = defaultName;
    UpdateCurrentLocked();
    return SaveLocked();
}

bool CDeviceList::CurrentDevice(DeviceInfo& device) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const DeviceInfo& d : m_devices) {
        if (d.name == m_default) {
            device = d;
            return true;
        }
    }
    return false;
}

PLOTTERCONFIG* CDeviceList::CurrentConfig() { return &m_current; }
