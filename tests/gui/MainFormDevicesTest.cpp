// The device commands of the main window: the settings dialog opens from
// "Plotter config", the device choice is filled again afterwards, and both
// are refused while a plot job runs.
#include "GuiTestSupport.h"

#include <gtest/gtest.h>

#include <wx/choice.h>

#include "mainframe/CommandIds.h"
#include "mainframe/gui/MainForm.h"
#include "plotlib/Devices.h"
#include "plotlib/gui/PlotSetDlg.h"

namespace {

class MainFormDevicesTest : public testing::Test {
protected:
    void SetUp() override { m_form = CreateMainForm(); }
    void TearDown() override { DestroyMainForm(m_form); }

    MainForm* m_form = nullptr;
};

} // namespace

TEST_F(MainFormDevicesTest, PlotterConfigOpensTheDialogAndRefillsTheDeviceChoice)
{
    wxChoice* choice = m_form->GetDeviceChoice();
    ASSERT_NE(choice, nullptr);
    choice->Append("stale entry");

    wxTEST_DIALOG(SendCommand(m_form, cmd::Setup), wxExpectDismissableModal<CPlotSetDlg>(wxID_CANCEL));

    std::vector<std::string> names;
    GetAllDevices(names);
    ASSERT_EQ(choice->GetCount(), names.size());
    EXPECT_EQ(choice->GetStringSelection(), wxString::FromUTF8(GetDefaultDevice()));
}

TEST_F(MainFormDevicesTest, PlotterConfigIsRefusedDuringAJob)
{
    m_form->SimulatePlotJobForTests(true);
    // No dialog may open: a surprise modal fails the test.
    SendCommand(m_form, cmd::Setup);
    m_form->SimulatePlotJobForTests(false);
}
