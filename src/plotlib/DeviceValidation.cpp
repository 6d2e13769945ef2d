#include "plotlib/DeviceValidation.h"

#include <cctype>
#include <locale>
#include <cmath>
#include <sstream>

#include "plotlib/TextMark.h"
#include "plotlib/Transport.h"

namespace {

DeviceProblem Problem(DeviceField field, std::string message)
{
    return DeviceProblem{field, std::move(message)};
}

bool HasControlCharacters(const std::string& text)
{
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7f)
            return true;
    return false;
}

std::string Lower(const std::string& text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Lengths in metres become plotter units in 32-bit coordinates; a length
// whose conversion would not fit is a typing slip, not a real paper.
bool FitsInUnits(double metres, int resolution)
{
    return metres * 100.0 / 2.54 * resolution < 1.0e9;
}

bool IsPen(int pen) { return pen >= kMinPen && pen <= kMaxPen; }

} // namespace

Status ParseDecimal(const std::string& text, double& value)
{
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double v = 0;
    in >> v;
    if (in.fail())
        return Status::BadInput("\"" + text + "\" is not a number");
    in >> std::ws;
    if (!in.eof())
        return Status::BadInput("\"" + text + "\" is not a number");
    if (!std::isfinite(v))
        return Status::BadInput("\"" + text + "\" is out of range");
    value = v;
    return Status::Ok();
}

DeviceProblem CheckDeviceFields(const DeviceInfo& d)
{
    if (d.name.empty())
        return Problem(DeviceField::Name, N_("The device needs a name."));
    if (HasControlCharacters(d.name) || d.name.front() == ' ' || d.name.back() == ' ' ||
        d.name.front() == '[')
        return Problem(DeviceField::Name,
                       N_("The name must not start with '[', start or end with a blank, or hold "
                          "control characters."));

    if (d.target.empty()) {
        switch (d.kind) {
        case ConnectionKind::Folder:
            return Problem(DeviceField::Target, N_("Choose the output folder."));
        case ConnectionKind::File:
            return Problem(DeviceField::Target, N_("Enter the file or device path."));
        case ConnectionKind::Tcp:
            return Problem(DeviceField::Target, N_("Enter the plotter's host name or address."));
        case ConnectionKind::Serial:
            return Problem(DeviceField::Target, N_("Enter the serial port."));
        case ConnectionKind::Cups:
            return Problem(DeviceField::Target, N_("Choose a CUPS queue."));
        }
    }
    if (HasControlCharacters(d.target))
        return Problem(DeviceField::Target, N_("The connection target holds control characters."));
    if (d.kind == ConnectionKind::Tcp) {
        std::string host;
        int port = 0;
        if (!ParseHostPort(d.target, 9100, host, port))
            return Problem(DeviceField::Target,
                           N_("Enter the plotter as host or host:port (port 1 to 65535)."));
    }
    if (d.kind == ConnectionKind::Serial) {
        if (d.serial.baudRate <= 0)
            return Problem(DeviceField::BaudRate, N_("Choose a baud rate."));
        if (d.serial.dataBits < 5 || d.serial.dataBits > 8)
            return Problem(DeviceField::DataBits, N_("Data bits must be 5 to 8."));
        if (d.serial.parity != 'N' && d.serial.parity != 'E' && d.serial.parity != 'O')
            return Problem(DeviceField::Parity, N_("Parity must be none, even or odd."));
        if (d.serial.stopBits != 1 && d.serial.stopBits != 2)
            return Problem(DeviceField::StopBits, N_("Stop bits must be 1 or 2."));
    }
    if (d.timeoutMs < kMinTimeoutMs || d.timeoutMs > kMaxTimeoutMs)
        return Problem(DeviceField::Timeout, N_("The timeout must be 100 to 3600000 ms."));

    const PLOTTERCONFIG& c = d.config;
    if (c.resolution < kMinResolution || c.resolution > kMaxResolution)
        return Problem(DeviceField::Resolution,
                       N_("The resolution must be 1 to 100000 plotter units per inch."));
    if (!std::isfinite(c.paperWidth) || c.paperWidth <= 0.0f)
        return Problem(DeviceField::PaperWidth, N_("The paper width must be greater than zero."));
    if (!FitsInUnits(c.paperWidth, c.resolution))
        return Problem(DeviceField::PaperWidth,
                       N_("The paper width is too large for this resolution."));
    if (!std::isfinite(c.blockLength) || c.blockLength < 0.0f)
        return Problem(DeviceField::BlockLength,
                       N_("The block length must be 0 (no blocks) or greater."));
    if (!FitsInUnits(c.blockLength, c.resolution))
        return Problem(DeviceField::BlockLength,
                       N_("The block length is too large for this resolution."));
    if (!IsPen(c.drawPen))
        return Problem(DeviceField::DrawPen, N_("The draw pen must be 1 to 8."));
    if (!IsPen(c.cutPen))
        return Problem(DeviceField::CutPen, N_("The cut pen must be 1 to 8."));
    if (!IsPen(c.halfCutPen))
        return Problem(DeviceField::HalfCutPen, N_("The half-cut pen must be 1 to 8."));
    if (!IsPen(c.extractPen))
        return Problem(DeviceField::ExtractPen, N_("The extract pen must be 1 to 8."));
    if (!std::isfinite(c.scaleX) || c.scaleX <= 0.0f || c.scaleX > 100.0f)
        return Problem(DeviceField::ScaleX,
                       N_("The scale factor must be greater than 0 and at most 100."));
    if (!std::isfinite(c.scaleY) || c.scaleY <= 0.0f || c.scaleY > 100.0f)
        return Problem(DeviceField::ScaleY,
                       N_("The scale factor must be greater than 0 and at most 100."));

    // Whatever the device list itself refuses (an unsupported baud rate,
    // for one) is refused here too.
    const Status s = ValidateDevice(d);
    if (!s)
        return Problem(DeviceField::None, s.message());
    return DeviceProblem{};
}

DeviceProblem CheckDeviceInList(const std::vector<DeviceInfo>& devices, size_t index)
{
    if (index >= devices.size())
        return Problem(DeviceField::None, N_("There is no such device."));
    DeviceProblem p = CheckDeviceFields(devices[index]);
    if (!p.ok())
        return p;
    const std::string name = Lower(devices[index].name);
    for (size_t i = 0; i < devices.size(); ++i) {
        if (i != index && Lower(devices[i].name) == name)
            return Problem(DeviceField::Name, N_("Another device already has this name."));
    }
    return DeviceProblem{};
}
