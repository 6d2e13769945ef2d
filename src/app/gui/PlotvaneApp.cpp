#include "app/gui/PlotvaneApp.h"

#include <wx/choicdlg.h>
#include <wx/cshelp.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/intl.h>
#include <wx/msgdlg.h>
#include <wx/stdpaths.h>
#include <wx/translation.h>
#include <wx/utils.h>

#include "app/IniSettings.h"
#include "mainframe/CommandIds.h"
#include "mainframe/gui/MainForm.h"
#include "plotlib/Devices.h"
#include "view/DxfSettings.h"

namespace {

wxString ExecutablePath() { return wxStandardPaths::Get().GetExecutablePath(); }

wxString ExecutableDirectory() { return wxFileName(ExecutablePath()).GetPath(); }

std::string ToStd(const wxString& s) { return std::string(s.utf8_str()); }

// The languages offered, in the order shown, with the ids stored in
// Setting.ini for them.
struct LanguageItem {
    const char* label;
    int storedId;
    int toolkitLanguage;
};
const LanguageItem kLanguages[] = {
    {wxTRANSLATE("English"), 56, wxLANGUAGE_ENGLISH},
    {wxTRANSLATE("Chinese Simplified"), 44, wxLANGUAGE_CHINESE_SIMPLIFIED},
    {wxTRANSLATE("Chinese Traditional"), 45, wxLANGUAGE_CHINESE_TRADITIONAL},
    {wxTRANSLATE("Japanese"), 110, wxLANGUAGE_JAPANESE},
    {wxTRANSLATE("Turkish"), 210, wxLANGUAGE_TURKISH},
};

// True while some main window runs a plot job.
bool AnyPlotJobRunning()
{
    for (wxWindow* window : wxTopLevelWindows) {
        const auto* form = dynamic_cast<const MainForm*>(window);
        if (form && !form->IsBeingDeleted() && form->IsPlotting())
            return true;
    }
    return false;
}

} // namespace

PlotvaneApp::PlotvaneApp()
{
    m_locale = new wxLocale();
}

bool PlotvaneApp::OnInit()
{
    // Relative paths of the program (XPM/, the catalog prefixes) resolve
    // against the executable's folder.
    wxSetWorkingDirectory(ExecutableDirectory());

    SetVendorName("Plotvane");
    SetAppName("Plotvane");

    wxFileTranslationsLoader::AddCatalogLookupPathPrefix("Language");
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(".." + wxString(wxFILE_SEP_PATH) +
                                                         "Language");
    SelectLanguage(true);

    wxHelpProvider::Set(new wxSimpleHelpProvider);

    InitDevices();
    ReadSharedSettings();

    wxImage::AddHandler(new wxXPMHandler);
    wxImage::AddHandler(new wxPNGHandler);
    wxImage::AddHandler(new wxJPEGHandler);
    wxImage::AddHandler(new wxGIFHandler);

    auto* mainForm = new MainForm(nullptr, cmd::MainWindow, wxGetTranslation("CMainFrame"),
                                  wxPoint(10, 10), wxSize(1024, 768), MainForm::DefaultStyle());
    mainForm->Show(true);
    return true;
}

int PlotvaneApp::OnExit()
{
    WriteSharedSettings();
    delete m_locale;
    m_locale = nullptr;
    delete wxHelpProvider::Set(nullptr);
    return wxApp::OnExit();
}

int PlotvaneApp::ToolkitLanguage(int storedId)
{
    for (const LanguageItem& item : kLanguages)
        if (item.storedId == storedId)
            return item.toolkitLanguage;
    return wxLANGUAGE_DEFAULT;
}

void PlotvaneApp::SelectLanguage(bool startup)
{
    if (startup) {
        const int language = ToolkitLanguage(GetIniInt("Global", "Language", 0));
        delete m_locale;
        m_locale = new wxLocale();
        wxLogNull noLog;  // a missing locale or catalog leaves English texts
        // Unicode build: encodings convert by themselves; only skip the
        // toolkit's own catalog.
        m_locale->Init(language, wxLOCALE_DONT_LOAD_DEFAULT);
        m_locale->AddCatalog("Plotter");
        return;
    }

    wxArrayString items;
    for (const LanguageItem& item : kLanguages)
        items.Add(wxGetTranslation(item.label));
    const int index = wxGetSingleChoiceIndex(_("Please choose language:"), _("Language"), items,
                                             nullptr, -1, -1, true, 200, 150);
    if (index < 0 || index >= static_cast<int>(items.size()))
        return;  // cancelled: nothing changes
    const LanguageItem& chosen = kLanguages[index];

    delete m_locale;
    m_locale = new wxLocale();
    {
        wxLogNull noLog;  // a missing locale or catalog leaves English texts
        m_locale->Init(chosen.toolkitLanguage, wxLOCALE_LOAD_DEFAULT);
    }
    SetIniInt("Global", "Language", chosen.storedId);
    {
        wxLogNull noLog;
        m_locale->AddCatalog("Plotter");
    }

    const int answer =
        wxMessageBox(_("Would you restart the application now?"), _("Restart Application"),
                     wxYES_NO | wxICON_QUESTION, nullptr);
    if (answer == wxNO)
        return;  // the new language is used fully from the next start

    // Ending the main loop under a running plot thread would destroy the
    // window it reports to: refused the way closing the window is.
    if (AnyPlotJobRunning()) {
        wxMessageBox(_("can not exit because ploting"), _("Information"),
                     wxOK | wxICON_INFORMATION, nullptr);
        return;
    }

    const wxString executable = ExecutablePath();
    if (m_restartHook) {
        m_restartHook(executable);
        return;
    }
    // Leaving the main loop runs OnExit (the shared settings are written);
    // the window's close handling does not run on this path.
    ExitMainLoop();
    // The path goes as one argument, whatever characters it holds; no
    // further arguments. A failed start: the running program still ends.
    wxLogNull noLog;
    const std::wstring path = executable.ToStdWstring();
    const wchar_t* const argv[] = {path.c_str(), nullptr};
    wxExecute(argv, wxEXEC_ASYNC);
}

void PlotvaneApp::ReadSharedSettings()
{
    m_plotPath = wxString::FromUTF8(GetIniString("Global", "PlotPath", ""));
    if (m_plotPath.empty())
        m_plotPath = ExecutableDirectory();
    m_autoDeleteFile = GetIniBool("Global", "AutoDeleteFile", false);
    m_markSpace = GetIniFloat("Global", "MarkSpace", 5.0f);
    m_autoPlot = GetIniBool("Global", "AutoPlot", false);
    m_frontSpace = GetIniFloat("Global", "FrontSpace", 0.0f);
    // DXF files are read with the layer map and slot sizes of Setting.ini.
    SetDxfOptionsSource(ReadDxfReadOptions);
}

void PlotvaneApp::WriteSharedSettings() const
{
    SetIniString("Global", "PlotPath", ToStd(m_plotPath));
    SetIniBool("Global", "AutoDeleteFile", m_autoDeleteFile);
    SetIniFloat("Global", "MarkSpace", m_markSpace);
    SetIniBool("Global", "AutoPlot", m_autoPlot);
    SetIniFloat("Global", "FrontSpace", m_frontSpace);
}
