// The caption-less window's own behaviour: closing (refused while a job
// plots), the tray's Exit, maximise and minimise, size limits and moving.
#include <gtest/gtest.h>

#include <wx/bmpbuttn.h>
#include <wx/choice.h>
#include <wx/display.h>
#include <wx/panel.h>

#include "GuiTestSupport.h"
#include "app/IniSettings.h"
#include "app/gui/AppLook.h"
#include "app/gui/PlotvaneTaskBarIcon.h"
#include "mainframe/CommandIds.h"
#include "mainframe/gui/MainForm.h"

namespace {

class MainFormWindowTest : public testing::Test {
protected:
    void SetUp() override { m_form = CreateMainForm(); }
    void TearDown() override { DestroyMainForm(m_form); }

    bool Closing() { return m_form->IsBeingDeleted() || wxPendingDelete.Member(m_form); }

    MainForm* m_form = nullptr;
};

} // namespace

TEST_F(MainFormWindowTest, CloseIsRefusedWhilePlotting)
{
    m_form->SimulatePlotJobForTests(true);
    wxTEST_DIALOG(SendCommand(m_form, cmd::Close),
                  wxExpectModal<wxMessageDialog>(wxOK).Describe("can not exit because ploting"));
    EXPECT_FALSE(Closing());

    // The tray's Exit is the same vetoable request.
    wxCommandEvent exitItem(wxEVT_MENU, cmd::TrayExit);
    wxTEST_DIALOG(m_form->GetTaskBarIcon()->ProcessEvent(exitItem),
                  wxExpectModal<wxMessageDialog>(wxOK));
    EXPECT_FALSE(Closing());
    EXPECT_TRUE(m_form->IsShown());
}

TEST_F(MainFormWindowTest, CloseWritesTheExtractPen)
{
    SetIniInt("Global", "ExtractPen", 1);
    m_form->GetExtractPenChoice()->SetSelection(0);
    SendCommand(m_form, cmd::Close);
    EXPECT_TRUE(Closing());
    EXPECT_EQ(GetIniString("Global", "ExtractPen", ""), "0");
    PumpEvents();
    m_form = nullptr;  // destroyed by the close
}

TEST_F(MainFormWindowTest, ForcedCloseDuringAJobEndsTheJobFirst)
{
    m_form->SimulatePlotJobForTests(true);
    EXPECT_TRUE(m_form->Close(true));  // no dialog: it cannot be refused
    EXPECT_TRUE(Closing());
    EXPECT_FALSE(m_form->IsPlotting());
    PumpEvents();
    m_form = nullptr;
}

TEST_F(MainFormWindowTest, MaximiseFillsTheWorkAreaAndRestores)
{
    const wxRect area = wxDisplay(0u).GetClientArea();
    // Start from a smaller window so that filling is visible.
    m_form->SetSize(wxRect(40, 30, 800, 600));
    PumpEvents();
    const wxRect before = m_form->GetRect();
    auto* button = wxDynamicCast(m_form->FindWindow(cmd::Maximise), wxBitmapButton);

    SendCommand(m_form, cmd::Maximise);
    PumpEvents();
    EXPECT_TRUE(m_form->IsFilled());
    EXPECT_EQ(m_form->GetSize(), area.GetSize());
    const wxImage restore = LoadBitmapFile("XPM/restore.xpm").ConvertToImage();
    const wxImage shown = button->GetBitmapLabel().ConvertToImage();
    ASSERT_TRUE(shown.IsOk());
    EXPECT_EQ(memcmp(shown.GetData(), restore.GetData(), restore.GetWidth() * restore.GetHeight() * 3),
              0);

    SendCommand(m_form, cmd::Maximise);
    PumpEvents();
    EXPECT_FALSE(m_form->IsFilled());
    EXPECT_EQ(m_form->GetSize(), before.GetSize());
}

TEST_F(MainFormWindowTest, SizeStaysWithinLimits)
{
    const wxRect area = wxDisplay(0u).GetClientArea();
    EXPECT_EQ(m_form->GetMinSize(), wxSize(640, 480));
    EXPECT_EQ(m_form->GetMaxSize(), area.GetSize());
    m_form->SetSize(100, 100);
    PumpEvents();
    EXPECT_GE(m_form->GetSize().x, 640);
    EXPECT_GE(m_form->GetSize().y, 480);
    m_form->SetSize(area.width + 500, area.height + 500);
    PumpEvents();
    EXPECT_LE(m_form->GetSize().x, area.width);
    EXPECT_LE(m_form->GetSize().y, area.height);
}

TEST_F(MainFormWindowTest, MinimiseWithoutATrayKeepsAWayBack)
{
    SendCommand(m_form, cmd::Minimise);
    PumpEvents();
    if (MainForm::HasTray()) {
        EXPECT_FALSE(m_form->IsShown());
    } else {
        // Hiding without a tray would leave no way back to the window.
        EXPECT_TRUE(m_form->IsShown());
    }
    m_form->RestoreFromTray();
    PumpEvents();
    EXPECT_TRUE(m_form->IsShown());
    EXPECT_FALSE(m_form->IsIconized());
}

TEST_F(MainFormWindowTest, PressOnThePanelMovesTheWindow)
{
    m_form->SetSize(wxRect(100, 100, 800, 600));
    PumpUntil([&] { return m_form->GetPosition() == wxPoint(100, 100); });
    const wxPoint before = m_form->GetScreenPosition();
    wxWindow* top = m_form->FindWindow(cmd::TopPanel);
    // A free spot of the top panel, left of the window buttons.
    const wxPoint start = top->ClientToScreen(wxPoint(top->GetSize().x / 2, 4));
    wxUIActionSimulator sim;
    sim.MouseMove(start);
    PumpEvents();
    sim.MouseDown();
    PumpEvents();
    for (int step = 1; step <= 5; ++step) {
        sim.MouseMove(start + wxPoint(10 * step, 8 * step));
        PumpEvents(3);
    }
    sim.MouseUp();
    PumpUntil([&] { return m_form->GetScreenPosition() != before; }, 2000);
    EXPECT_EQ(m_form->GetScreenPosition(), before + wxPoint(50, 40));
}
