// Helpers shared by the GUI tests.
//
// Modal dialogs are answered with wxTEST_DIALOG(code, wxExpectModal<T>(...))
// from wx/testing.h. Its hook class is redefined here so that a missing or
// unexpected dialog is a GoogleTest failure at the test's line. A modal
// dialog shown outside any wxTEST_DIALOG is caught by the runner's guard
// (GuiTestMain.cpp), which fails the test and cancels the dialog instead of
// blocking the run.
#pragma once

#include <initializer_list>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include <wx/app.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/uiaction.h>
#include <wx/utils.h>
#include <wx/window.h>

class wxTestingModalHook;

// Reports wxTEST_DIALOG failures to GoogleTest.
class GTestModalHook;
#ifdef wxTEST_DIALOG_HOOK_CLASS
#undef wxTEST_DIALOG_HOOK_CLASS  // a test included wx/testing.h first
#endif
#define wxTEST_DIALOG_HOOK_CLASS GTestModalHook
#include <wx/testing.h>

class GTestModalHook : public wxTestingModalHook {
public:
    GTestModalHook(const char* file, int line, const char* func)
        : wxTestingModalHook(file, line, func), m_file(file), m_line(line)
    {
    }

protected:
    void ReportFailure(const wxString& msg) override
    {
        ADD_FAILURE_AT(m_file ? m_file : __FILE__, m_line) << msg.utf8_str();
    }

private:
    const char* m_file;
    int m_line;
};

class MainForm;

// The temporary program folder of the GUI test run (Setting.ini, devices,
// and a copy of the images under XPM/).
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

// The program folder of the running test (Setting.ini lives there).
std::string GuiProgramFolder();

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

// Lets pending events run (GTK needs a few rounds after each action), then
// the idle processing that updates controls and deletes closed windows.
inline void PumpEvents(int rounds = 5)
{
    for (int i = 0; i < rounds; ++i) {
        wxYield();
        wxMilliSleep(2);
    }
    wxTheApp->ProcessIdle();
}

// A shown main window as the application builds it, with the window
// waiting for the display to map it.
MainForm* CreateMainForm();

// Closes (if still open) and destroys a main window; pending deletes run.
void DestroyMainForm(MainForm* form);

// Sends a command as the control `id` would: the event starts at the
// control (found in `top`) and travels up to the frame's event table.
void SendCommand(wxWindow* top, int id, wxEventType type = wxEVT_BUTTON, int intValue = 0);

// Queues the files `names` of the file list as the user does: only they are
// selected, then "Add selected file to plot list". False (with a test
// failure) when a name is not in the file list.
bool QueueThroughFileList(MainForm* form, std::initializer_list<const char*> names);

// Runs the enabling rules now instead of at the next idle time.
void UpdateUI(wxWindow* top);

// Real input through wxUIActionSimulator, with wxYield after each step.
void ClickWindow(wxWindow* window, const wxPoint& offset = wxDefaultPosition);
