// A pattern DXF file in the program: listed and queued from the plot
// folder, shown, plotted to a device with the boundary on the cut pen and
// the notches as slots; edits in the preview are refused instead of
// turning the file into HP-GL; and the DXF layer map in the device
// settings dialog, stored on OK only.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/collpane.h>
#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>

#include "GuiTestSupport.h"
#include "TempDir.h"
#include "app/gui/PlotvaneApp.h"
#include "core/LoopbackPlotter.h"
#include "mainframe/CommandIds.h"
#include "mainframe/gui/MainForm.h"
#include "plotlib/Devices.h"
#include "plotlib/gui/DxfLayerPanel.h"
#include "plotlib/gui/PlotSetDlg.h"
#include "view/DxfSettings.h"
#include "view/gui/PlotterView.h"

namespace fs = std::filesystem;

namespace {

const char* const kPieces = "pieces.dxf";

// Answers a message box with OK and remembers what it said.
class ExpectMessage : public wxExpectModalBase<wxMessageDialog, ExpectMessage> {
public:
    explicit ExpectMessage(std::string* seen) : m_seen(seen) {}

protected:
    int OnInvoked(wxMessageDialog* dlg) const override
    {
        *m_seen = std::string(dlg->GetMessage().utf8_str());
        return wxID_OK;
    }

private:
    std::string* m_seen;
};

class DxfGuiTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_savedDevices = GetDeviceInfos();
        m_savedDefault = GetDefaultDevice();
        m_savedPlotPath = wxGetApp().m_plotPath;
        wxGetApp().m_plotPath = wxString::FromUTF8(m_folder.Path());
        fs::copy_file(std::string(PLOTVANE_SOURCE_DIR) + "/tests/data/dxf/generated/astm-two-pieces.dxf",
                      m_folder.File(kPieces));
    }
    void TearDown() override
    {
        if (m_form) {
            EXPECT_TRUE(PumpUntil([this] { return !m_form->IsPlotting(); }, 60000));
            DestroyMainForm(m_form);
        }
        wxGetApp().m_plotPath = m_savedPlotPath;
        EXPECT_TRUE(SetDeviceInfos(m_savedDevices, m_savedDefault).ok());
    }

    TempDir m_folder;
    MainForm* m_form = nullptr;
    std::vector<DeviceInfo> m_savedDevices;
    std::string m_savedDefault;
    wxString m_savedPlotPath;
};

} // namespace

TEST_F(DxfGuiTest, ADxfFileIsListedQueuedShownAndPlottedWithItsLayersPens)
{
    CLoopbackPlotter plotter;
    DeviceInfo device;
    device.name = "Loopback";
    device.kind = ConnectionKind::Tcp;
    device.target = plotter.Target();
    ASSERT_TRUE(SetDeviceInfos({device}, "Loopback").ok());
    m_form = CreateMainForm();

    ASSERT_TRUE(QueueThroughFileList(m_form, {kPieces}));
    ASSERT_EQ(m_form->GetPlotList()->GetItemCount(), 1);
    CPlotterView* view = m_form->GetPlotterView();
    ASSERT_NE(view, nullptr);
    view->LoadFile(kPieces, false, false);
    EXPECT_TRUE(view->GetLoadStatus().ok()) << view->GetLoadStatus().message();
    EXPECT_GT(view->GetDrawing().GetCount(), 100);

    SendCommand(m_form, cmd::Print);
    ASSERT_TRUE(PumpUntil([this] { return !m_form->IsPlotting(); }, 60000));
    ASSERT_TRUE(plotter.WaitForJobs(1, std::chrono::seconds(20)));
    const std::string job = plotter.Jobs().at(0);
    EXPECT_EQ(job.rfind("IN;", 0), 0u);
    // Draw pen first, then the knife for the boundaries and the slots.
    const size_t draw = job.find("SP1;"), cut = job.find("SP2;");
    ASSERT_NE(draw, std::string::npos) << job.substr(0, 200);
    ASSERT_NE(cut, std::string::npos) << job.substr(0, 200);
    EXPECT_LT(draw, cut);
    EXPECT_TRUE(fs::exists(m_folder.File(kPieces)));
}

TEST_F(DxfGuiTest, AnEditOnADxfPreviewIsRefusedAndTheFileKept)
{
    m_form = CreateMainForm();
    CPlotterView* view = m_form->GetPlotterView();
    ASSERT_NE(view, nullptr);
    view->LoadFile(kPieces, false, false);
    ASSERT_GT(view->GetDrawing().GetCount(), 0);
    const std::string before = ReadFileBytes(m_folder.File(kPieces));

    std::string said;
    wxTEST_DIALOG(SendCommand(m_form, cmd::BrokenLine, wxEVT_MENU), ExpectMessage(&said));
    EXPECT_NE(said.find("DXF"), std::string::npos) << said;
    EXPECT_EQ(ReadFileBytes(m_folder.File(kPieces)), before);
}

TEST(DxfLayerDialog, TheMapIsStoredOnOkOnlyAndABadCrossIsRefused)
{
    StoreDxfLayerMap(DxfLayerMap());
    class Edit : public wxExpectModalBase<CPlotSetDlg, Edit> {
    public:
        Edit(bool accept, const char* cross, bool* refused = nullptr)
            : m_accept(accept), m_cross(cross), m_refused(refused)
        {
        }

    protected:
        int OnInvoked(CPlotSetDlg* dlg) const override
        {
            static_cast<wxCollapsiblePane*>(dlg->FindWindow(CPlotSetDlg::ID_DXF_PANE))->Expand();
            auto* boundary = static_cast<wxChoice*>(
                dlg->FindWindow(CDxfLayerPanel::ID_ROLE + static_cast<int>(DxfRole::Boundary)));
            boundary->SetStringSelection(wxGetTranslation("Half-cut pen"));
            static_cast<wxCheckBox*>(dlg->FindWindow(CDxfLayerPanel::ID_NOTCH_SLOTS))->SetValue(false);
            static_cast<wxTextCtrl*>(dlg->FindWindow(CDxfLayerPanel::ID_DRILL_CROSS))->SetValue(m_cross);
            if (!m_accept)
                return wxID_CANCEL;
            if (m_refused) {
                std::string said;
                bool accepted = true;
                wxTEST_DIALOG(accepted = dlg->TransferDataFromWindow(), ExpectMessage(&said));
                *m_refused = !accepted && said.find("0.5") != std::string::npos;
                return wxID_CANCEL;
            }
            return dlg->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
        }

    private:
        bool m_accept;
        const char* m_cross;
        bool* m_refused;
    };

    // Cancel keeps Setting.ini as it was.
    wxTEST_DIALOG(ShowPlotSetDlg(nullptr, true, true), Edit(false, "3"));
    EXPECT_EQ(ReadDxfLayerMap(), DxfLayerMap());

    // A cross of 0 mm is refused with a message and nothing is stored.
    bool refused = false;
    wxTEST_DIALOG(ShowPlotSetDlg(nullptr, true, true), Edit(true, "0", &refused));
    EXPECT_TRUE(refused);
    EXPECT_EQ(ReadDxfLayerMap(), DxfLayerMap());

    bool stored = false;
    wxTEST_DIALOG(stored = ShowPlotSetDlg(nullptr, true, true), Edit(true, "2.5"));
    EXPECT_TRUE(stored);
    const DxfLayerMap map = ReadDxfLayerMap();
    EXPECT_EQ(map.Action(DxfRole::Boundary), DxfAction::HalfCut);
    EXPECT_FALSE(map.notchSlots);
    EXPECT_EQ(map.drillCrossMm, 2.5);
    EXPECT_EQ(map.Action(DxfRole::Notches), DxfAction::Notch);  // untouched roles keep theirs

    // The next DXF file is read with it.
    EXPECT_EQ(ReadDxfReadOptions().layers, map);
    StoreDxfLayerMap(DxfLayerMap());
}
