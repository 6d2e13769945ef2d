#include "app/PlotvaneApp.h"

#include <wx/cshelp.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/intl.h>
#include <wx/stdpaths.h>
#include <wx/translation.h>

#include "app/IniSettings.h"
#include "mainframe/CommandIds.h"
#include "mainframe/MainForm.h"
#include "plotlib/Devices.h"

namespace {

wxString ExecutablePath() { return wxStandardPaths::Get().GetExecutablePath(); }

wxString ExecutableDirectory() { return wxFileName(ExecutablePath()).GetPath(); }

std::string ToStd(const wxString& s) { return std::string(s.utf8_str()); }

} // namespace

PlotvaneApp::PlotvaneApp()
{
    m_locale = new wxLocale();
    // The face name is SimSun's Chinese name, as the pattern room's Windows
    // machines know it; where it is missing the toolkit picks a sans face.
    const char simSun[] = "\xCB\xCE\xCC\xE5";
    m_font = wxFont(9, wxFONTFAMILY_SWISS, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL, false,
                    wxString(simSun, wxCSConv("GBK")), wxFONTENCODING_DEFAULT);
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

void PlotvaneApp::SelectLanguage(bool startup)
{
    if (!startup)
        return;  // the interactive choice comes with the language dialog
    const int language = GetIniInt("Global", "Language", 0);
    delete m_locale;
    m_locale = new wxLocale();
    {
        wxLogNull noLog;  // a missing locale or catalog leaves English texts
        // Unicode build: encodings convert by themselves; only skip the
        // toolkit's own catalog.
        m_locale->Init(language, wxLOCALE_DONT_LOAD_DEFAULT);
        m_locale->AddCatalog("Plotter");
    }
}

void PlotvaneApp::ApplyAppFont(wxWindow* window) const
{
    if (window)
        window->SetFont(m_font);
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
}

void PlotvaneApp::WriteSharedSettings() const
{
    SetIniString("Global", "PlotPath", ToStd(m_plotPath));
    SetIniBool("Global", "AutoDeleteFile", m_autoDeleteFile);
    SetIniFloat("Global", "MarkSpace", m_markSpace);
    SetIniBool("Global", "AutoPlot", m_autoPlot);
    SetIniFloat("Global", "FrontSpace", m_frontSpace);
}
