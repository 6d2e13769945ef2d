#include <gtest/gtest.h>

#include <wx/choice.h>
#include <wx/cshelp.h>
#include <wx/frame.h>
#include <wx/textctrl.h>

#include "GuiTestSupport.h"
#include "app/IniSettings.h"
#include "app/gui/PlotvaneApp.h"
#include "mainframe/CommandIds.h"
#include "mainframe/gui/MainForm.h"

TEST(PlotvaneApp, SharedSettingsRoundTripThroughSettingIni)
{
    PlotvaneApp& app = wxGetApp();
    app.m_plotPath = "/tmp/plots";
    app.m_autoDeleteFile = true;
    app.m_markSpace = 2.5f;
    app.m_autoPlot = false;
    app.m_frontSpace = 1.0f;
    app.WriteSharedSettings();
    EXPECT_EQ(GetIniString("Global", "MarkSpace", ""), "2.500000");
    EXPECT_EQ(GetIniString("Global", "AutoDeleteFile", ""), "TRUE");

    SetIniString("Global", "MarkSpace", "2*3");
    SetIniString("Global", "PlotPath", "");
    app.ReadSharedSettings();
    EXPECT_FLOAT_EQ(app.m_markSpace, 6.0f);
    EXPECT_TRUE(app.m_autoDeleteFile);
    // An empty plot folder means the executable's folder.
    EXPECT_FALSE(app.m_plotPath.empty());
    EXPECT_NE(app.m_plotPath, "/tmp/plots");
}

namespace {

void LeaveField(wxWindow* top, int id, const wxString& text)
{
    auto* field = wxDynamicCast(top->FindWindow(id), wxTextCtrl);
    ASSERT_NE(field, nullptr);
    field->ChangeValue(text);
    wxFocusEvent leave(wxEVT_KILL_FOCUS, id);
    leave.SetEventObject(field);
    field->ProcessWindowEvent(leave);
}

} // namespace

// The whole life of the program: start-up builds and shows the main window,
// the user changes the settings in it and closes it, and the exit writes
// everything to Setting.ini.
TEST(PlotvaneApp, SettingsChangedInTheWindowAreSavedByCloseAndExit)
{
    PlotvaneApp& app = wxGetApp();
    app.m_autoPlot = false;
    app.m_autoDeleteFile = false;
    app.WriteSharedSettings();

    ASSERT_TRUE(app.OnInit());
    auto* form = dynamic_cast<MainForm*>(app.GetTopWindow());
    ASSERT_NE(form, nullptr);
    PumpUntil([form] { return form->IsShownOnScreen(); });
    EXPECT_EQ(form->GetId(), cmd::MainWindow);
    EXPECT_EQ(form->GetTitle(), wxGetTranslation("CMainFrame"));

    SendCommand(form, cmd::DeleteFile, wxEVT_CHECKBOX, 1);
    SendCommand(form, cmd::AutoPlot, wxEVT_CHECKBOX, 1);
    LeaveField(form, cmd::MarkSpace, "3.5");
    LeaveField(form, cmd::FrontSpace, "1.25");
    form->GetExtractPenChoice()->SetSelection(0);

    SendCommand(form, cmd::Close);
    PumpEvents();
    EXPECT_EQ(GetIniString("Global", "ExtractPen", ""), "0");
    app.OnExit();

    EXPECT_EQ(GetIniString("Global", "AutoPlot", ""), "TRUE");
    EXPECT_EQ(GetIniString("Global", "AutoDeleteFile", ""), "TRUE");
    EXPECT_EQ(GetIniString("Global", "MarkSpace", ""), "3.500000");
    EXPECT_EQ(GetIniString("Global", "FrontSpace", ""), "1.250000");
    EXPECT_FALSE(GetIniString("Global", "PlotPath", "").empty());

    // Back to the state the other tests run in.
    wxHelpProvider::Set(new wxSimpleHelpProvider);
    app.SelectLanguage(true);
    app.m_autoPlot = false;
    app.m_autoDeleteFile = false;
}
