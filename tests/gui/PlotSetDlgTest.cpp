#include "GuiTestSupport.h"

#include <string>
#include <vector>

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/listbox.h>
#include <wx/textctrl.h>

#include "plotlib/Devices.h"
#include "plotlib/gui/PlotSetDlg.h"

namespace {

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

std::vector<DeviceInfo> TwoDevices()
{
    DeviceInfo folder;
    folder.name = "Plot output";
    folder.kind = ConnectionKind::Folder;
    folder.target = "/tmp/plots";
    DeviceInfo cutter;
    cutter.name = "Cutter";
    cutter.kind = ConnectionKind::Tcp;
    cutter.target = "10.0.0.5:9100";
    cutter.config.paperWidth = 1.6f;
    return {folder, cutter};
}

class PlotSetDlgTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_dlg = new CPlotSetDlg(nullptr, TwoDevices(), "Plot output", true, true);
        m_dlg->Show();
        PumpEvents();
    }
    void TearDown() override
    {
        m_dlg->Destroy();
        PumpEvents();
    }

    template <class T>
    T* Ctrl(int id)
    {
        T* ctrl = dynamic_cast<T*>(m_dlg->FindWindow(id));
        EXPECT_NE(ctrl, nullptr) << "control " << id;
        return ctrl;
    }
    void Type(int id, const char* text) { Ctrl<wxTextCtrl>(id)->SetValue(text); }
    void Choose(int id, int index)
    {
        wxChoice* choice = Ctrl<wxChoice>(id);
        choice->SetSelection(index);
        wxCommandEvent event(wxEVT_CHOICE, id);
        event.SetInt(index);
        event.SetEventObject(choice);
        choice->ProcessWindowEvent(event);
    }
    void Click(int id)
    {
        wxCommandEvent event(wxEVT_BUTTON, id);
        event.SetEventObject(m_dlg->FindWindow(id));
        m_dlg->FindWindow(id)->ProcessWindowEvent(event);
        PumpEvents();
    }

    CPlotSetDlg* m_dlg = nullptr;
};

} // namespace

TEST_F(PlotSetDlgTest, EditedFieldsComeBackOnOk)
{
    ASSERT_TRUE(m_dlg->SelectDevice(1));
    EXPECT_EQ(Ctrl<wxTextCtrl>(CPlotSetDlg::ID_PAPER_WIDTH)->GetValue(), "1.6");
    EXPECT_EQ(Ctrl<wxComboBox>(CPlotSetDlg::ID_TARGET)->GetValue(), "10.0.0.5:9100");

    Type(CPlotSetDlg::ID_NAME, "Cutter 2");
    Choose(CPlotSetDlg::ID_KIND, static_cast<int>(ConnectionKind::Serial));
    EXPECT_TRUE(Ctrl<wxChoice>(CPlotSetDlg::ID_BAUD)->IsEnabled());
    Ctrl<wxComboBox>(CPlotSetDlg::ID_TARGET)->SetValue("/dev/ttyUSB0");
    Choose(CPlotSetDlg::ID_BAUD, Ctrl<wxChoice>(CPlotSetDlg::ID_BAUD)->FindString("19200"));
    Choose(CPlotSetDlg::ID_PARITY, 1);
    Choose(CPlotSetDlg::ID_FLOW, 2);
    Choose(CPlotSetDlg::ID_LANGUAGE, 1);
    Type(CPlotSetDlg::ID_PAPER_WIDTH, " 1.25 ");
    Type(CPlotSetDlg::ID_BLOCK_LENGTH, "2");
    Type(CPlotSetDlg::ID_RESOLUTION, "1000");
    Type(CPlotSetDlg::ID_DRAW_PEN, "4");
    Type(CPlotSetDlg::ID_CUT_PEN, "5");
    Type(CPlotSetDlg::ID_HALF_CUT_PEN, "6");
    Type(CPlotSetDlg::ID_SCALE_X, "1.01");
    Type(CPlotSetDlg::ID_SCALE_Y, "0.99");
    Ctrl<wxCheckBox>(CPlotSetDlg::ID_EXTRACT_ON_ADD)->SetValue(true);
    Type(CPlotSetDlg::ID_EXTRACT_PEN, "7");
    Type(CPlotSetDlg::ID_TIMEOUT, "2500");
    // The list follows the name as it is typed.
    EXPECT_EQ(Ctrl<wxListBox>(CPlotSetDlg::ID_LIST)->GetString(1), "Cutter 2");
    Click(CPlotSetDlg::ID_DEFAULT);

    Click(wxID_OK);
    EXPECT_FALSE(m_dlg->IsShown());  // accepted: the OK handling closed it
    ASSERT_EQ(m_dlg->GetDevices().size(), 2u);
    EXPECT_EQ(m_dlg->GetDefaultName(), "Cutter 2");
    const DeviceInfo& d = m_dlg->GetDevices()[1];
    EXPECT_EQ(d.name, "Cutter 2");
    EXPECT_EQ(d.kind, ConnectionKind::Serial);
    EXPECT_EQ(d.target, "/dev/ttyUSB0");
    EXPECT_EQ(d.serial.baudRate, 19200);
    EXPECT_EQ(d.serial.parity, 'E');
    EXPECT_EQ(d.serial.flow, FlowControl::RtsCts);
    EXPECT_EQ(d.timeoutMs, 2500);
    EXPECT_EQ(d.config.language, PlotLanguage::Dmpl);
    EXPECT_FLOAT_EQ(d.config.paperWidth, 1.25f);
    EXPECT_FLOAT_EQ(d.config.blockLength, 2.0f);
    EXPECT_EQ(d.config.resolution, 1000);
    EXPECT_EQ(d.config.drawPen, 4);
    EXPECT_EQ(d.config.cutPen, 5);
    EXPECT_EQ(d.config.halfCutPen, 6);
    EXPECT_FLOAT_EQ(d.config.scaleX, 1.01f);
    EXPECT_FLOAT_EQ(d.config.scaleY, 0.99f);
    EXPECT_TRUE(d.config.extractOnAdd);
    EXPECT_EQ(d.config.extractPen, 7);
    // The other device is untouched.
    EXPECT_EQ(m_dlg->GetDevices()[0].target, "/tmp/plots");
}

TEST_F(PlotSetDlgTest, InvalidPaperWidthIsRefusedWithAMessageAtTheField)
{
    Type(CPlotSetDlg::ID_PAPER_WIDTH, "0");
    std::string message;
    wxTEST_DIALOG(Click(wxID_OK), ExpectMessage(&message).Describe("paper width refused"));
    EXPECT_TRUE(m_dlg->IsShown());  // refused: still open
    EXPECT_NE(message.find("paper width must be greater than zero"), std::string::npos) << message;
    EXPECT_EQ(m_dlg->GetLastProblem().field, DeviceField::PaperWidth);
    EXPECT_EQ(wxWindow::FindFocus(), m_dlg->FindWindow(CPlotSetDlg::ID_PAPER_WIDTH));

    // Text that is not a number is refused the same way.
    Type(CPlotSetDlg::ID_PAPER_WIDTH, "1,8");
    wxTEST_DIALOG(Click(wxID_OK), ExpectMessage(&message));
    EXPECT_NE(message.find("Enter a number"), std::string::npos) << message;

    // Leaving the device is refused too, and the list stays on it.
    wxTEST_DIALOG(m_dlg->SelectDevice(1), ExpectMessage(&message));
    EXPECT_EQ(m_dlg->GetSelection(), 0);
    EXPECT_EQ(Ctrl<wxListBox>(CPlotSetDlg::ID_LIST)->GetSelection(), 0);

    Type(CPlotSetDlg::ID_PAPER_WIDTH, "1.8");
    Click(wxID_OK);
    EXPECT_FALSE(m_dlg->IsShown());  // accepted: the OK handling closed it
}

TEST_F(PlotSetDlgTest, EachInvalidFieldIsNamed)
{
    struct Case {
        const char* name;
        int id;
        const char* text;
        DeviceField field;
    };
    const Case cases[] = {
        {"empty name", CPlotSetDlg::ID_NAME, "", DeviceField::Name},
        {"duplicate name, other case", CPlotSetDlg::ID_NAME, "cutter", DeviceField::Name},
        {"negative paper width", CPlotSetDlg::ID_PAPER_WIDTH, "-1", DeviceField::PaperWidth},
        {"zero resolution", CPlotSetDlg::ID_RESOLUTION, "0", DeviceField::Resolution},
        {"fractional resolution", CPlotSetDlg::ID_RESOLUTION, "1016.5", DeviceField::Resolution},
        {"pen 9", CPlotSetDlg::ID_DRAW_PEN, "9", DeviceField::DrawPen},
        {"pen 0", CPlotSetDlg::ID_CUT_PEN, "0", DeviceField::CutPen},
        {"half-cut pen", CPlotSetDlg::ID_HALF_CUT_PEN, "12", DeviceField::HalfCutPen},
        {"extract pen", CPlotSetDlg::ID_EXTRACT_PEN, "-2", DeviceField::ExtractPen},
        {"scale zero", CPlotSetDlg::ID_SCALE_Y, "0", DeviceField::ScaleY},
        {"negative block", CPlotSetDlg::ID_BLOCK_LENGTH, "-0.5", DeviceField::BlockLength},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const wxString before = Ctrl<wxTextCtrl>(c.id)->GetValue();
        Type(c.id, c.text);
        EXPECT_FALSE(m_dlg->CommitCurrent(false));
        EXPECT_EQ(m_dlg->GetLastProblem().field, c.field);
        Type(c.id, before.utf8_str());
        EXPECT_TRUE(m_dlg->CommitCurrent(false)) << m_dlg->GetLastProblem().message;
    }

    // A network device needs a host, and a port in range.
    ASSERT_TRUE(m_dlg->SelectDevice(1));
    for (const char* target : {"", ":9100", "plotter:70000"}) {
        SCOPED_TRACE(target);
        Ctrl<wxComboBox>(CPlotSetDlg::ID_TARGET)->SetValue(target);
        EXPECT_FALSE(m_dlg->CommitCurrent(false));
        EXPECT_EQ(m_dlg->GetLastProblem().field, DeviceField::Target);
    }
    Ctrl<wxComboBox>(CPlotSetDlg::ID_TARGET)->SetValue("plotter");
    EXPECT_TRUE(m_dlg->CommitCurrent(false)) << m_dlg->GetLastProblem().message;
}

TEST_F(PlotSetDlgTest, AddCopyRemoveAndDefault)
{
    Click(CPlotSetDlg::ID_ADD);
    ASSERT_EQ(m_dlg->GetDevices().size(), 3u);
    EXPECT_EQ(m_dlg->GetSelection(), 2);
    // A new device still needs its folder before it is accepted.
    std::string message;
    wxTEST_DIALOG(Click(wxID_OK), ExpectMessage(&message));
    EXPECT_EQ(m_dlg->GetLastProblem().field, DeviceField::Target);
    Ctrl<wxComboBox>(CPlotSetDlg::ID_TARGET)->SetValue("/tmp/other");

    Click(CPlotSetDlg::ID_COPY);
    ASSERT_EQ(m_dlg->GetDevices().size(), 4u);
    EXPECT_NE(m_dlg->GetDevices()[3].name, m_dlg->GetDevices()[2].name);
    EXPECT_EQ(m_dlg->GetDevices()[3].target, "/tmp/other");

    // Removing the default device makes the first remaining one the default.
    ASSERT_TRUE(m_dlg->SelectDevice(0));
    Click(CPlotSetDlg::ID_REMOVE);
    ASSERT_EQ(m_dlg->GetDevices().size(), 3u);
    EXPECT_EQ(m_dlg->GetDefaultName(), "Cutter");
    EXPECT_EQ(Ctrl<wxListBox>(CPlotSetDlg::ID_LIST)->GetCount(), 3u);

    Click(wxID_OK);
    EXPECT_FALSE(m_dlg->IsShown());  // accepted: the OK handling closed it
}

TEST(ShowPlotSetDlg, StoresTheEditedListAndDefault)
{
    const std::vector<DeviceInfo> saved = GetDeviceInfos();
    const std::string savedDefault = GetDefaultDevice();

    class EditAndAccept : public wxExpectModalBase<CPlotSetDlg, EditAndAccept> {
    protected:
        int OnInvoked(CPlotSetDlg* dlg) const override
        {
            wxCommandEvent add(wxEVT_BUTTON, CPlotSetDlg::ID_ADD);
            dlg->FindWindow(CPlotSetDlg::ID_ADD)->ProcessWindowEvent(add);
            static_cast<wxTextCtrl*>(dlg->FindWindow(CPlotSetDlg::ID_NAME))->SetValue("Dialog test");
            static_cast<wxComboBox*>(dlg->FindWindow(CPlotSetDlg::ID_TARGET))->SetValue("/tmp/dlg");
            wxCommandEvent def(wxEVT_BUTTON, CPlotSetDlg::ID_DEFAULT);
            dlg->FindWindow(CPlotSetDlg::ID_DEFAULT)->ProcessWindowEvent(def);
            // What the OK button does before it ends the dialog.
            return dlg->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
        }
    };
    bool stored = false;
    wxTEST_DIALOG(stored = ShowPlotSetDlg(nullptr, true, true), EditAndAccept());
    EXPECT_TRUE(stored);
    EXPECT_EQ(GetDefaultDevice(), "Dialog test");
    DeviceInfo device;
    ASSERT_TRUE(GetDeviceInfo("Dialog test", device));
    EXPECT_EQ(device.target, "/tmp/dlg");
    EXPECT_EQ(GetDeviceInfos().size(), saved.size() + 1);

    // Cancel stores nothing.
    wxTEST_DIALOG(stored = ShowPlotSetDlg(nullptr, true, true),
                  wxExpectDismissableModal<CPlotSetDlg>(wxID_CANCEL));
    EXPECT_FALSE(stored);

    ASSERT_TRUE(SetDeviceInfos(saved, savedDefault).ok());
}
