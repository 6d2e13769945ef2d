// The left panel's settings: auto plot and delete file with their labels,
// the mark and front space fields, and what the window writes to
// Setting.ini when it is created.
#include <gtest/gtest.h>

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/textctrl.h>

#include "GuiTestSupport.h"
#include "TempDir.h"
#include "app/IniSettings.h"
#include "app/gui/PlotvaneApp.h"
#include "mainframe/CommandIds.h"
#include "mainframe/gui/MainForm.h"
#include "mainframe/gui/MainFormLabel.h"

namespace {

class MainFormSettingsTest : public testing::Test {
protected:
    void SetUp() override
    {
        PlotvaneApp& app = wxGetApp();
        // Auto plot is switched on here: its timer plots (and deletes) what
        // the plot folder holds, so that is an empty folder of the test's
        // own, not the program's folder.
        m_savedPlotPath = app.m_plotPath;
        app.m_plotPath = wxString::FromUTF8(m_plotFolder.Path());
        app.m_autoPlot = false;
        app.m_autoDeleteFile = false;
        app.m_markSpace = 5.0f;
        app.m_frontSpace = 0.0f;
        m_form = CreateMainForm();
    }
    void TearDown() override
    {
        wxGetApp().m_autoPlot = false;
        DestroyMainForm(m_form);
        wxGetApp().m_plotPath = m_savedPlotPath;
    }

    wxCheckBox* Box(int id) { return wxDynamicCast(m_form->FindWindow(id), wxCheckBox); }

    // The label window beside a check box (the next child after it).
    MainFormLabel* LabelOf(int id)
    {
        wxWindow* box = m_form->FindWindow(id);
        const wxWindowList& siblings = box->GetParent()->GetChildren();
        for (auto it = siblings.begin(); it != siblings.end(); ++it) {
            if (*it == box && std::next(it) != siblings.end())
                return dynamic_cast<MainFormLabel*>(*std::next(it));
        }
        return nullptr;
    }

    void LeaveField(int id, const wxString& text)
    {
        auto* field = wxDynamicCast(m_form->FindWindow(id), wxTextCtrl);
        field->ChangeValue(text);
        wxFocusEvent leave(wxEVT_KILL_FOCUS, id);
        leave.SetEventObject(field);
        field->ProcessWindowEvent(leave);
    }

    wxString FieldText(int id)
    {
        return wxDynamicCast(m_form->FindWindow(id), wxTextCtrl)->GetValue();
    }

    TempDir m_plotFolder;
    wxString m_savedPlotPath;
    MainForm* m_form = nullptr;
};

} // namespace

TEST_F(MainFormSettingsTest, AutoPlotLabelTurnsOnDeleteFileWithANote)
{
    PlotvaneApp& app = wxGetApp();
    MainFormLabel* autoLabel = LabelOf(cmd::AutoPlot);
    MainFormLabel* deleteLabel = LabelOf(cmd::DeleteFile);
    ASSERT_NE(autoLabel, nullptr);
    ASSERT_NE(deleteLabel, nullptr);
    EXPECT_EQ(autoLabel->GetLabel(), "Auto plot");
    EXPECT_EQ(deleteLabel->GetLabel(), "Delete file");

    // A real click on the label, with delete-file off: the note, then both on.
    wxTEST_DIALOG(ClickWindow(autoLabel), wxExpectModal<wxMessageDialog>(wxOK).Describe(
                                              "the auto plot note"));
    EXPECT_TRUE(app.m_autoPlot);
    EXPECT_TRUE(app.m_autoDeleteFile);
    UpdateUI(m_form);
    EXPECT_TRUE(Box(cmd::AutoPlot)->GetValue());
    EXPECT_TRUE(Box(cmd::DeleteFile)->GetValue());
    EXPECT_FALSE(Box(cmd::DeleteFile)->IsEnabled());
    EXPECT_FALSE(deleteLabel->IsEnabled());

    // While auto plot holds it, the delete-file label changes nothing.
    ClickWindow(deleteLabel);
    EXPECT_TRUE(app.m_autoDeleteFile);

    // Again: auto plot off, no note, delete-file stays on and is free again.
    ClickWindow(autoLabel);
    EXPECT_FALSE(app.m_autoPlot);
    EXPECT_TRUE(app.m_autoDeleteFile);
    UpdateUI(m_form);
    EXPECT_TRUE(Box(cmd::DeleteFile)->IsEnabled());
    EXPECT_TRUE(deleteLabel->IsEnabled());

    ClickWindow(deleteLabel);
    EXPECT_FALSE(app.m_autoDeleteFile);
}

TEST_F(MainFormSettingsTest, AutoPlotBoxWithDeleteFileOnShowsNoNote)
{
    PlotvaneApp& app = wxGetApp();
    SendCommand(m_form, cmd::DeleteFile, wxEVT_CHECKBOX, 1);
    EXPECT_TRUE(app.m_autoDeleteFile);
    SendCommand(m_form, cmd::AutoPlot, wxEVT_CHECKBOX, 1);  // no dialog expected
    EXPECT_TRUE(app.m_autoPlot);
    EXPECT_TRUE(app.m_autoDeleteFile);
}

TEST_F(MainFormSettingsTest, SpaceFieldsTakeTheLeadingNumberOnLeaving)
{
    PlotvaneApp& app = wxGetApp();
    EXPECT_EQ(FieldText(cmd::MarkSpace), "5.00");
    EXPECT_EQ(FieldText(cmd::FrontSpace), "0.00");

    LeaveField(cmd::MarkSpace, "abc");
    EXPECT_FLOAT_EQ(app.m_markSpace, 0.0f);
    EXPECT_EQ(FieldText(cmd::MarkSpace), "0.00");  // shows what is used

    LeaveField(cmd::FrontSpace, "2.5cm");
    EXPECT_FLOAT_EQ(app.m_frontSpace, 2.5f);
    LeaveField(cmd::MarkSpace, "2*3");  // no expressions here
    EXPECT_FLOAT_EQ(app.m_markSpace, 2.0f);

    // While a job plots the change is not taken.
    m_form->SimulatePlotJobForTests(true);
    LeaveField(cmd::MarkSpace, "9");
    EXPECT_FLOAT_EQ(app.m_markSpace, 2.0f);
    EXPECT_EQ(FieldText(cmd::MarkSpace), "2.00");
    m_form->SimulatePlotJobForTests(false);
}

TEST_F(MainFormSettingsTest, TypingIntoTheFieldAndTabbingAway)
{
    auto* field = wxDynamicCast(m_form->FindWindow(cmd::FrontSpace), wxTextCtrl);
    field->SetFocus();
    field->SelectAll();
    PumpEvents();
    wxUIActionSimulator sim;
    sim.Text("1.75");
    PumpEvents();
    m_form->FindWindow(cmd::Search)->SetFocus();
    PumpUntil([] { return wxGetApp().m_frontSpace != 0.0f; });
    EXPECT_FLOAT_EQ(wxGetApp().m_frontSpace, 1.75f);
}

TEST(MainFormStart, SpeedIsWrittenOnlyWhenMissing)
{
    SetIniString("Emulate", "Speed", "");
    WriteProfileString(GetIniPath(), "Emulate", "Speed", "");
    SetIniInt("Emulate", "Speed", -1);
    MainForm* form = CreateMainForm();
    EXPECT_EQ(GetIniInt("Emulate", "Speed", 0), 10);
    DestroyMainForm(form);

    SetIniInt("Emulate", "Speed", 4);
    form = CreateMainForm();
    EXPECT_EQ(GetIniInt("Emulate", "Speed", 0), 4);
    DestroyMainForm(form);
}

TEST(MainFormStart, BadStoredExtractPenKeepsTheDefault)
{
    SetIniInt("Global", "ExtractPen", 7);  // no such item
    MainForm* form = CreateMainForm();
    EXPECT_NE(form->GetExtractPenChoice()->GetSelection(), wxNOT_FOUND);
    DestroyMainForm(form);
}
