// The folder of the running executable. Settings, the device list, the
// images and the catalogs live there, whatever the working directory is.
#pragma once

#include <string>

// The executable's folder without a trailing separator (from
// /proc/self/exe); the override below takes precedence when set.
std::string ProgramDirectory();

// The executable's full path.
std::string ProgramPath();

// Test seam: makes ProgramDirectory() answer `dir` (so Setting.ini and the
// device list go to a temporary folder). An empty text removes the override.
void OverrideProgramDirectoryForTests(const std::string& dir);

// The platform's path separator as text ("/" here, "\\" on Windows).
const char* PathSeparator();

// Joins a folder and a name with the separator.
std::string JoinPath(const std::string& dir, const std::string& name);
