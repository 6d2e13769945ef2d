// Field-by-field checks of the device list as the settings dialog edits it:
// each problem names the field it belongs to, so the dialog can put the
// keyboard focus there, and carries an English message (a catalog key) that
// says what is wrong and what is allowed.
//
// These are checks the dialog needs beyond ValidateDevice (Devices.h),
// which the dialog also applies: names unique in the list, target formats
// by connection kind, numeric ranges that keep unit conversions inside
// 32-bit plotter coordinates. Plain functions, any thread.
#pragma once

#include <string>
#include <vector>

#include "plotlib/Devices.h"

enum class DeviceField : int {
    None = 0,
    Name,
    Target,
    BaudRate,
    DataBits,
    Parity,
    StopBits,
    Timeout,
    PaperWidth,
    BlockLength,
    Resolution,
    DrawPen,
    CutPen,
    HalfCutPen,
    ExtractPen,
    ScaleX,
    ScaleY,
};

struct DeviceProblem {
    DeviceField field = DeviceField::None;
    std::string message;
    bool ok() const { return field == DeviceField::None && message.empty(); }
};

// Pens a device can hold.
constexpr int kMinPen = 1;
constexpr int kMaxPen = 8;
// Plotter units per inch the program accepts.
constexpr int kMinResolution = 1;
constexpr int kMaxResolution = 100000;
// Connect and write timeouts, milliseconds.
constexpr int kMinTimeoutMs = 100;
constexpr int kMaxTimeoutMs = 3600000;

// Checks the fields of one device by itself (not its name's uniqueness).
DeviceProblem CheckDeviceFields(const DeviceInfo& device);

// Checks device `index` of `devices`: its fields, and that its name is not
// used by another device of the list (names compare without regard to
// case, as the device list file does).
DeviceProblem CheckDeviceInList(const std::vector<DeviceInfo>& devices, size_t index);

// Parses a decimal number that fills the whole text (surrounding blanks
// allowed), independent of the locale. BadInput for anything else; `value`
// is then left as it was.
Status ParseDecimal(const std::string& text, double& value);
