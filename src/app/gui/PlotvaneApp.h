// PlotvaneApp: the application object. Fixes the working directory, sets up
// the locale and the "Plotter" catalog, initialises the output devices,
// reads the five shared settings and creates the main window; at exit it
// writes those settings back to Setting.ini.
//
// The shared settings are public members: the main window writes them
// directly, the plot thread reads them (plain values, no lock). Everything
// else runs on the GUI thread.
#pragma once

#include <functional>

#include <wx/app.h>
#include <wx/string.h>

class wxLocale;
class wxWindow;

class PlotvaneApp : public wxApp {
public:
    PlotvaneApp();

    bool OnInit() override;
    int OnExit() override;

    // true at start-up: the stored language; false: the interactive choice
    // (stores the choice and offers to restart the program).
    void SelectLanguage(bool startup);

    // The toolkit language for a stored Global/Language id (the stored ids
    // are fixed numbers of the settings file, not the toolkit's enumeration);
    // 0 and unknown ids give the system default.
    static int ToolkitLanguage(int storedId);

    // Test seam: when set, a restart hands the executable it would start to
    // this function instead of ending the main loop and starting it.
    std::function<void(const wxString& executable)> m_restartHook;

    wxString GetPlotPath() const { return m_plotPath; }
    void SetPlotPath(const wxString& path) { m_plotPath = path; }

    // Reads the five shared settings from Setting.ini.
    void ReadSharedSettings();
    // Writes the five shared settings to Setting.ini.
    void WriteSharedSettings() const;

    wxLocale* m_locale = nullptr;
    wxString m_plotPath;
    bool m_autoDeleteFile = false;
    float m_markSpace = 5.0f;
    float m_frontSpace = 0.0f;
    bool m_autoPlot = false;
};

wxDECLARE_APP(PlotvaneApp);
