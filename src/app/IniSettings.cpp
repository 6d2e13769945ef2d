#include "app/IniSettings.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

// Setting.ini is 8-bit text kept as it is: no character conversion.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include "geometry/Expression.h"
#include "plotlib/AtomicFile.h"
#include "plotlib/ProgramDir.h"

namespace {

// The Windows profile functions read into a 1024-character buffer.
constexpr size_t kMaxValueLength = 1023;

std::mutex& ProfileMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Case-insensitive names, one value per key, "key=value" lines like the
// Windows profile writer; comments stay attached to the line they precede.
struct Profile {
    CSimpleIniCaseA ini{false, false, true};
    Profile() { ini.SetSpaces(false); }
};

bool LoadProfile(const std::string& path, Profile& profile)
{
    std::string data;
    if (!ReadWholeFile(path, data))
        return false;
    return profile.ini.LoadData(data.data(), data.size()) >= 0;
}

std::string FloatText(float value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%f", static_cast<double>(value));
    return buffer;
}

} // namespace

std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& defaultValue)
{
    std::lock_guard<std::mutex> lock(ProfileMutex());
    Profile profile;
    std::string value = defaultValue;
    if (LoadProfile(path, profile)) {
        const char* stored = profile.ini.GetValue(section.c_str(), key.c_str(), nullptr);
        if (stored)
            value = stored;
    }
    if (value.size() > kMaxValueLength)
        value.resize(kMaxValueLength);
    return value;
}

bool WriteProfileString(const std::string& path, const std::string& section,
                        const std::string& key, const std::string& value)
{
    std::lock_guard<std::mutex> lock(ProfileMutex());
    Profile profile;
    LoadProfile(path, profile);  // a missing file starts empty
    if (profile.ini.SetValue(section.c_str(), key.c_str(), value.c_str()) < 0)
        return false;
    std::string data;
    if (profile.ini.Save(data) < 0)
        return false;
    return WriteFileAtomically(path, data).ok();
}

std::string GetIniPath() { return JoinPath(ProgramDirectory(), "Setting.ini"); }

std::string GetIniString(std::string section, std::string key, std::string defaultValue)
{
    return ReadProfileString(GetIniPath(), section, key, defaultValue);
}

void SetIniString(std::string section, std::string key, std::string value)
{
    WriteProfileString(GetIniPath(), section, key, value);
}

int GetIniInt(std::string section, std::string key, int defaultValue)
{
    const std::string text =
        ReadProfileString(GetIniPath(), section, key, std::to_string(defaultValue));
    return std::atoi(text.c_str());
}

void SetIniInt(std::string section, std::string key, int value)
{
    WriteProfileString(GetIniPath(), section, key, std::to_string(value));
}

float GetIniFloat(std::string section, std::string key, float defaultValue)
{
    return EvaluateNumber(ReadProfileString(GetIniPath(), section, key, FloatText(defaultValue)));
}

void SetIniFloat(std::string section, std::string key, float value)
{
    WriteProfileString(GetIniPath(), section, key, FloatText(value));
}

bool GetIniBool(std::string section, std::string key, bool defaultValue)
{
    return ReadProfileString(GetIniPath(), section, key, defaultValue ? "TRUE" : "FALSE") ==
           "TRUE";
}

void SetIniBool(std::string section, std::string key, bool value)
{
    WriteProfileString(GetIniPath(), section, key, value ? "TRUE" : "FALSE");
}

float EvaluateNumber(std::string text)
{
    CExpression expression;
    double value = 0.0;
    if (!expression.SetExpression(text) || !expression.Evaluate(value))
        return 0.0f;
    return static_cast<float>(value);
}
