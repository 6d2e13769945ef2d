// Arbitrary bytes as the content of Setting.ini: every reader gives a value
// and a write keeps the file a readable profile in which the other keys
// still read as before.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "app/IniSettings.h"
#include "plotlib/ProgramDir.h"

namespace {

// A fresh folder for each input, removed afterwards. A memory file system
// where there is one: every settings write is synced, which on a disk would
// hold the fuzzer to a few dozen runs a second.
std::string MakeFolder()
{
    char shm[] = "/dev/shm/plotvane-fuzz-settings-XXXXXX";
    if (mkdtemp(shm))
        return shm;
    char tmp[] = "/tmp/plotvane-fuzz-settings-XXXXXX";
    if (mkdtemp(tmp))
        return tmp;
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string folder = MakeFolder();
    OverrideProgramDirectoryForTests(folder);
    const std::string path = GetIniPath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        std::abort();
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    const std::string plotPath = GetIniString("Global", "PlotPath", "");
    if (plotPath.size() > 1023)
        __builtin_trap();
    GetIniBool("Global", "AutoDeleteFile", false);
    GetIniFloat("Global", "MarkSpace", 5.0f);
    GetIniBool("Global", "AutoPlot", false);
    GetIniFloat("Global", "FrontSpace", 0.0f);
    GetIniInt("Global", "Language", 0);
    GetIniInt("Global", "ExtractPen", 1);
    GetIniFloat("HalfCut", "Solid", 2.0f);
    GetIniFloat("HalfCut", "Space", 0.1f);
    const int speed = GetIniInt("Emulate", "Speed", 10);

    // One write: the key reads back, and keys elsewhere are untouched by it.
    SetIniFloat("HalfCut", "Space", 0.25f);
    if (GetIniFloat("HalfCut", "Space", 7.0f) != 0.25f)
        __builtin_trap();
    if (GetIniInt("Emulate", "Speed", 10) != speed)
        __builtin_trap();
    if (GetIniString("Global", "PlotPath", "") != plotPath)
        __builtin_trap();

    unlink(path.c_str());
    rmdir(folder.c_str());
    OverrideProgramDirectoryForTests("");
    return 0;
}
