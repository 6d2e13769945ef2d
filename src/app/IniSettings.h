// The settings store: every persistent setting lives in Setting.ini beside
// the executable, read and written through these functions with the
// semantics of the Windows private-profile calls:
//   - section and key names match without regard to case;
//   - a missing file, section or key gives the default;
//   - writing creates the file and the section, and keeps every other line
//     (and its comments) in place and in order;
//   - a value longer than 1023 characters comes back cut to 1023.
// Text forms: integers "%d"; floats "%f" (0.1 -> "0.100000"), read back as
// an expression (2*3 reads 6, letters read 0); bools "TRUE"/"FALSE", and
// only the exact "TRUE" reads true.
//
// Every call opens the file anew. Calls are serialised by a process-wide
// lock, so the GUI and plot threads may both use them. Writes go to a
// temporary file renamed over Setting.ini; a failed write leaves the old
// file whole and is otherwise ignored.
#pragma once

#include <string>

std::string GetIniPath();

std::string GetIniString(std::string section, std::string key, std::string defaultValue);
void SetIniString(std::string section, std::string key, std::string value);
int GetIniInt(std::string section, std::string key, int defaultValue);
void SetIniInt(std::string section, std::string key, int value);
float GetIniFloat(std::string section, std::string key, float defaultValue);
void SetIniFloat(std::string section, std::string key, float value);
bool GetIniBool(std::string section, std::string key, bool defaultValue);
void SetIniBool(std::string section, std::string key, bool value);

// The value of an arithmetic expression, or 0 when it does not parse or
// cannot be evaluated.
float EvaluateNumber(std::string text);

// The private-profile semantics on any INI file; the functions above apply
// them to Setting.ini. The device list uses them for its own file.
std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& defaultValue);
bool WriteProfileString(const std::string& path, const std::string& section,
                        const std::string& key, const std::string& value);
