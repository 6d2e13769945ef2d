// The settings store: every persistent setting lives in Setting.ini beside
// the executable, read and written through these functions with the
// semantics of the Windows private-profile calls:
//   - section and key names match without regard to case;
//   - a missing file, section or key gives the default;
//   - writing creates the file and the section, changes or adds exactly one
//     line and keeps every other line (comments, blank lines, unknown lines,
//     line endings) as it was;
//   - the first section and the first key of a name count, as on Windows;
//   - values are read without surrounding blanks;
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

// The value of an arithmetic expression, or 0 when it does not parse, cannot
// be evaluated, or is not a finite float (NaN, infinity, beyond float range).
float EvaluateNumber(std::string text);

// The private-profile semantics on any INI file; the functions above apply
// them to Setting.ini. The device list uses them for its own file.
// WriteProfileString refuses (returns false, file untouched) an empty
// section or key, a line break in any part, a "]" in the section, a "=" in
// the key, and a file that exists but cannot be read (it would otherwise be
// replaced by the one key).
std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& defaultValue);
bool WriteProfileString(const std::string& path, const std::string& section,
                        const std::string& key, const std::string& value);
