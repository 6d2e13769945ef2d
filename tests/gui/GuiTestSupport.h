// Helpers shared by the GUI tests.
#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include <wx/app.h>
#include <wx/utils.h>

// The temporary program folder of the GUI test run (Setting.ini, devices).
class GuiTestFolder {
public:
    GuiTestFolder()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "plotvane-gui-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        m_path = pattern;
    }
    ~GuiTestFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Runs the event loop until `done` answers true or `timeoutMs` passes;
// returns the last answer.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 2000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return done();
        wxYield();
        wxMilliSleep(5);
    }
    return true;
}

// Lets pending events run (GTK needs a few rounds after each action).
inline void PumpEvents(int rounds = 5)
{
    for (int i = 0; i < rounds; ++i) {
        wxYield();
        wxMilliSleep(2);
    }
}
