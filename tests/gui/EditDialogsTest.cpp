// The main window's edit commands: the slot and half-cut dialogs and what
// they store in Setting.ini, Broken Line on a sample plot file, and Undo
// and Redo of the previewed file through the accelerator commands.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/spinctrl.h>
#include <wx/textctrl.h>

#include "GuiTestSupport.h"
#include "TempDir.h"
#include "app/IniSettings.h"
#include "app/gui/PlotvaneApp.h"
#include "mainframe/CommandIds.h"
#include "mainframe/gui/MainForm.h"
#include "mainframe/PlotQueue.h"
#include "plotlib/Polyline.h"
#include "view/gui/HalfCutDlg.h"
#include "view/gui/PlotterView.h"
#include "view/gui/SlotDefineDlg.h"

namespace fs = std::filesystem;

namespace {

int PolylinesOf(const std::string& path)
{
    CPolylineIArray drawing;
    EXPECT_TRUE(drawing.Load(path).ok()) << path;
    return drawing.GetCount();
}

// Drives a modal dialog with a test's own steps; answers what they return.
template <class T>
class Operate : public wxExpectModalBase<T, Operate<T>> {
public:
    explicit Operate(std::function<int(T*)> steps) : m_steps(std::move(steps)) {}

protected:
    int OnInvoked(T* dialog) const override { return m_steps(dialog); }

private:
    std::function<int(T*)> m_steps;
};

// A note with the given text (translated), caption "Information", an OK
// button and the information icon.
class ExpectNote : public wxExpectModalBase<wxMessageDialog, ExpectNote> {
public:
    explicit ExpectNote(const char* key) : m_key(key) {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override
    {
        EXPECT_EQ(dialog->GetMessage(), wxGetTranslation(m_key));
        EXPECT_EQ(dialog->GetCaption(), wxGetTranslation("Information"));
        const long style = dialog->GetMessageDialogStyle();
        EXPECT_TRUE(style & wxICON_INFORMATION);
        EXPECT_TRUE(style & wxOK);
        EXPECT_FALSE(style & wxYES_NO);
        return wxID_OK;
    }

private:
    wxString m_key;
};

wxSpinCtrl* Spin(wxWindow* dialog, int id)
{
    auto* spin = wxDynamicCast(dialog->FindWindow(id), wxSpinCtrl);
    EXPECT_NE(spin, nullptr) << id;
    return spin;
}

// Changes a spin control as the arrows do: new value, then the event.
void TurnSpin(wxSpinCtrl* spin, int value)
{
    spin->SetValue(value);
    wxSpinEvent event(wxEVT_SPINCTRL, spin->GetId());
    event.SetPosition(value);
    event.SetEventObject(spin);
    spin->ProcessWindowEvent(event);
}

// A main window whose Setting.ini starts empty (restored afterwards) and
// whose plot folder is a temporary copy of sample files.
class EditCommandsTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_savedIni = ReadFileBytes(GetIniPath());
        fs::remove(GetIniPath());
        for (const char* name : {"sds_Basic_Tee_layered.plt", "hp2xx_fill.plt"})
            fs::copy_file(fs::path(PLOTVANE_SAMPLES_DIR) / name, m_folder.File(name));
        m_savedPlotPath = wxGetApp().m_plotPath;
        wxGetApp().m_plotPath = wxString::FromUTF8(m_folder.Path());
        m_form = CreateMainForm();
        m_form->BindPlotListEvents();
        m_view = m_form->GetPlotterView();
    }

    void TearDown() override
    {
        DestroyMainForm(m_form);
        wxGetApp().m_plotPath = m_savedPlotPath;
        if (m_savedIni == "(missing)")
            fs::remove(GetIniPath());
        else
            std::ofstream(GetIniPath(), std::ios::binary | std::ios::trunc) << m_savedIni;
    }

    // Queues the files and previews the row of `shown`, as a click does.
    void QueueAndShow(std::initializer_list<const char*> names, const char* shown)
    {
        wxArrayString list;
        for (const char* name : names)
            list.Add(name);
        m_form->AddFilesToPlotList(list, true);
        wxListCtrl* rows = m_form->GetPlotList();
        const long row = rows->FindItem(-1, shown);
        ASSERT_GE(row, 0);
        rows->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        PumpEvents();
        ASSERT_EQ(m_view->GetFileName(), shown);
    }

    void Menu(int id) { SendCommand(m_form, id, wxEVT_MENU); }

    TempDir m_folder;
    std::string m_savedIni;
    wxString m_savedPlotPath;
    MainForm* m_form = nullptr;
    CPlotterView* m_view = nullptr;
};

} // namespace

TEST_F(EditCommandsTest, SlotSetupShowsStoredSizesCopiesPreSpaceAndStoresOnlyOnOk)
{
    // Fresh Setting.ini: the defaults; A copied into B; Cancel writes
    // nothing even after edits.
    const std::string before = ReadFileBytes(GetIniPath());
    wxTEST_DIALOG(Menu(cmd::SlotSetup), Operate<CSlotDefineDlg>([this](CSlotDefineDlg* dlg) {
                      EXPECT_EQ(dlg->GetId(), 10000);
                      EXPECT_EQ(dlg->GetParent(), m_form);
                      EXPECT_EQ(dlg->GetTitle(), wxGetTranslation("CSlotDefineDlg"));
                      const int expected[] = {6, 10, 3, 3, 3};
                      for (int i = 0; i < 5; ++i) {
                          wxSpinCtrl* spin = Spin(dlg, 10001 + i);
                          EXPECT_EQ(spin->GetValue(), expected[i]) << 10001 + i;
                          EXPECT_EQ(spin->GetMin(), 0);
                          EXPECT_EQ(spin->GetMax(), 100000);
                      }
                      TurnSpin(Spin(dlg, CSlotDefineDlg::ID_PRESPACE_A), 5);
                      EXPECT_EQ(Spin(dlg, CSlotDefineDlg::ID_PRESPACE_B)->GetValue(), 5);
                      TurnSpin(Spin(dlg, CSlotDefineDlg::ID_PRESPACE_B), 8);
                      EXPECT_EQ(Spin(dlg, CSlotDefineDlg::ID_PRESPACE_A)->GetValue(), 5);
                      Spin(dlg, CSlotDefineDlg::ID_WIDTH)->SetValue(9);
                      SendCommand(dlg, wxID_CANCEL);
                      return wxID_CANCEL;
                  }));
    EXPECT_EQ(ReadFileBytes(GetIniPath()), before);

    // OK writes all five; the next opening shows them.
    wxTEST_DIALOG(Menu(cmd::SlotSetup), Operate<CSlotDefineDlg>([](CSlotDefineDlg* dlg) {
                      Spin(dlg, CSlotDefineDlg::ID_WIDTH)->SetValue(7);
                      Spin(dlg, CSlotDefineDlg::ID_LENGTH)->SetValue(0);
                      TurnSpin(Spin(dlg, CSlotDefineDlg::ID_PRESPACE_A), 4);
                      Spin(dlg, CSlotDefineDlg::ID_SPACE)->SetValue(100000);
                      SendCommand(dlg, wxID_OK);
                      return wxID_OK;
                  }));
    EXPECT_EQ(GetIniInt("Global", "Slot_Width", -1), 7);
    EXPECT_EQ(GetIniInt("Global", "Slot_Length", -1), 0);
    EXPECT_EQ(GetIniInt("Global", "Slot_PreSpaceA", -1), 4);
    EXPECT_EQ(GetIniInt("Global", "Slot_PreSpaceB", -1), 4);
    EXPECT_EQ(GetIniInt("Global", "SlotSpace", -1), 100000);
    wxTEST_DIALOG(Menu(cmd::SlotSetup), Operate<CSlotDefineDlg>([](CSlotDefineDlg* dlg) {
                      EXPECT_EQ(Spin(dlg, CSlotDefineDlg::ID_WIDTH)->GetValue(), 7);
                      EXPECT_EQ(Spin(dlg, CSlotDefineDlg::ID_PRESPACE_B)->GetValue(), 4);
                      return wxID_CANCEL;
                  }));
}

TEST_F(EditCommandsTest, HalfCutSetupShowsStoredLengthsAndStoresOnlyOnOk)
{
    const std::string before = ReadFileBytes(GetIniPath());
    auto field = [](wxDialog* dlg, int id) {
        return wxDynamicCast(dlg->FindWindow(id), wxTextCtrl);
    };
    wxTEST_DIALOG(SendCommand(m_form, cmd::HalfCut), Operate<CHalfCutDlg>([&](CHalfCutDlg* dlg) {
                      EXPECT_EQ(dlg->GetId(), 10030);
                      EXPECT_EQ(dlg->GetParent(), m_form);
                      EXPECT_EQ(dlg->GetTitle(), wxGetTranslation("CHalfCutDlg"));
                      EXPECT_EQ(field(dlg, CHalfCutDlg::ID_SOLID)->GetValue(), "2.000");
                      EXPECT_EQ(field(dlg, CHalfCutDlg::ID_SPACE)->GetValue(), "0.100");
                      field(dlg, CHalfCutDlg::ID_SOLID)->SetValue("5");
                      SendCommand(dlg, wxID_CANCEL);
                      return wxID_CANCEL;
                  }));
    EXPECT_EQ(ReadFileBytes(GetIniPath()), before);

    // A number with a unit after it counts by its number.
    wxTEST_DIALOG(SendCommand(m_form, cmd::HalfCut), Operate<CHalfCutDlg>([&](CHalfCutDlg* dlg) {
                      field(dlg, CHalfCutDlg::ID_SOLID)->SetValue("1.5cm");
                      field(dlg, CHalfCutDlg::ID_SPACE)->SetValue(".25");
                      SendCommand(dlg, wxID_OK);  // a refusal would show a note
                      return wxID_OK;
                  }));
    EXPECT_EQ(GetIniString("HalfCut", "Solid", ""), "1.500000");
    EXPECT_EQ(GetIniString("HalfCut", "Space", ""), "0.250000");
    wxTEST_DIALOG(SendCommand(m_form, cmd::HalfCut), Operate<CHalfCutDlg>([&](CHalfCutDlg* dlg) {
                      EXPECT_EQ(field(dlg, CHalfCutDlg::ID_SOLID)->GetValue(), "1.500");
                      EXPECT_EQ(field(dlg, CHalfCutDlg::ID_SPACE)->GetValue(), "0.250");
                      return wxID_CANCEL;
                  }));
}

TEST(HalfCutDlg, OkIsEnabledWithBothTextsAndRefusesEmptyOrNonPositiveOnes)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "owner", wxPoint(0, 0), wxSize(600, 400));
    frame->Show();
    auto* dlg = new CHalfCutDlg(frame, CHalfCutDlg::kDialogId, "half cut");
    dlg->Show();
    PumpUntil([dlg] { return dlg->IsShownOnScreen(); });
    PumpEvents();
    wxTextCtrl* solid = dlg->GetSolidField();
    wxTextCtrl* space = dlg->GetSpaceField();
    wxWindow* ok = dlg->FindWindow(wxID_OK);
    ASSERT_NE(ok, nullptr);
    auto okEnabled = [&] {
        UpdateUI(dlg);
        return ok->IsEnabled();
    };
    // Focus as the operator would leave it: on the other field.
    auto refused = [&](const char* solidText, const char* spaceText, const char* message,
                       wxTextCtrl* focused) {
        solid->SetValue(solidText);
        space->SetValue(spaceText);
        (focused == solid ? space : solid)->SetFocus();
        PumpEvents();
        wxTEST_DIALOG(SendCommand(dlg, wxID_OK), ExpectNote(message));
        PumpEvents();
        EXPECT_TRUE(dlg->IsShown()) << solidText << " / " << spaceText;
        EXPECT_EQ(wxWindow::FindFocus(), focused) << solidText << " / " << spaceText;
    };

    EXPECT_TRUE(okEnabled());
    solid->SetValue("");
    EXPECT_FALSE(okEnabled());
    solid->SetValue("0");
    EXPECT_TRUE(okEnabled());
    space->SetValue("");
    EXPECT_FALSE(okEnabled());

    // A click that gets through anyway (Enter on the default button) is
    // still checked, in order: emptiness first, length before spacer.
    refused("", "", "The data is empty!", solid);
    refused("0", "", "The data is empty!", space);
    refused("0", "0", "The data must be upper zero!", solid);
    refused("2", "0", "The data must be upper zero!", space);

    solid->SetValue("2");
    space->SetValue("0.5");
    SendCommand(dlg, wxID_OK);
    PumpEvents();
    EXPECT_FALSE(dlg->IsShown());  // ended (hidden, as it is not modal here)
    EXPECT_FLOAT_EQ(dlg->GetValues().solid, 2.0f);
    EXPECT_FLOAT_EQ(dlg->GetValues().space, 0.5f);
    dlg->Destroy();
    frame->Destroy();
    PumpEvents();
}

TEST_F(EditCommandsTest, BrokenLineRewritesTheShownFileAndSaysComplete)
{
    // Nothing shown: nothing to do and nothing to say.
    Menu(cmd::BrokenLine);

    const char kName[] = "sds_Basic_Tee_layered.plt";
    QueueAndShow({kName}, kName);
    const std::string path = m_folder.File(kName);
    const std::string original = ReadFileBytes(path);
    const int before = m_view->GetDrawing().GetCount();
    const int position = m_view->GetUndo().GetPosition();

    wxTEST_DIALOG(Menu(cmd::BrokenLine), ExpectNote("Complete"));
    const int after = m_view->GetDrawing().GetCount();
    EXPECT_GT(after, before);  // the pieces have corners
    EXPECT_NE(ReadFileBytes(path), original);
    EXPECT_EQ(PolylinesOf(path), after);
    for (int i = 0; i < after; ++i)
        EXPECT_GE(m_view->GetDrawing().GetPolyline(i)->GetCount(), 2) << i;
    EXPECT_EQ(m_view->GetUndo().GetPosition(), position);  // not an undo step

    // Nothing left to break: rewritten all the same, and still "Complete".
    wxTEST_DIALOG(Menu(cmd::BrokenLine), ExpectNote("Complete"));
    EXPECT_EQ(m_view->GetDrawing().GetCount(), after);

    // While a plot job runs, the shown file is the job's: left alone.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << original;
    m_form->SimulatePlotJobForTests(true);
    Menu(cmd::BrokenLine);
    m_form->SimulatePlotJobForTests(false);
    EXPECT_EQ(ReadFileBytes(path), original);
}

TEST_F(EditCommandsTest, UndoAndRedoWriteTheCopiesBackAndReloadThePreview)
{
    const char kName[] = "sds_Basic_Tee_layered.plt";
    QueueAndShow({kName, "hp2xx_fill.plt"}, kName);
    const std::string path = m_folder.File(kName);
    const std::string original = ReadFileBytes(path);
    const int originalCount = m_view->GetDrawing().GetCount();
    EXPECT_FALSE(m_form->CanvasCanUndo());

    // An edit, then its undo copy, as the slot and spline tools do.
    wxTEST_DIALOG(Menu(cmd::BrokenLine), ExpectNote("Complete"));
    m_view->GetUndo().Push();
    const std::string edited = ReadFileBytes(path);
    const int editedCount = m_view->GetDrawing().GetCount();
    ASSERT_NE(editedCount, originalCount);
    ASSERT_TRUE(m_form->CanvasCanUndo());
    EXPECT_FALSE(m_form->CanvasCanRedo());

    // Ctrl+Z on the window, as the operator presses it.
    m_form->Raise();
    m_view->SetFocus();
    PumpEvents();
    wxUIActionSimulator keys;
    keys.Char('z', wxMOD_CONTROL);
    PumpUntil([&] { return ReadFileBytes(path) == original; });
    EXPECT_EQ(ReadFileBytes(path), original);
    EXPECT_EQ(m_view->GetFileName(), kName);
    EXPECT_EQ(m_view->GetDrawing().GetCount(), originalCount);
    EXPECT_FALSE(m_form->CanvasCanUndo());
    EXPECT_TRUE(m_form->CanvasCanRedo());

    // Nothing more to undo: nothing changes.
    Menu(cmd::Undo);
    EXPECT_EQ(ReadFileBytes(path), original);

    keys.Char('y', wxMOD_CONTROL);
    PumpUntil([&] { return ReadFileBytes(path) == edited; });
    EXPECT_EQ(ReadFileBytes(path), edited);
    EXPECT_EQ(m_view->GetDrawing().GetCount(), editedCount);
    EXPECT_FALSE(m_form->CanvasCanRedo());

    // While a plot job runs the file is the job's: no undo.
    m_form->SimulatePlotJobForTests(true);
    Menu(cmd::Undo);
    m_form->SimulatePlotJobForTests(false);
    EXPECT_EQ(ReadFileBytes(path), edited);
    EXPECT_TRUE(m_form->CanvasCanUndo());
}

TEST_F(EditCommandsTest, UndoReloadsTheShownFileWithItsRowsTurnEvenWhenItIsNotRowZero)
{
    const char kName[] = "sds_Basic_Tee_layered.plt";
    QueueAndShow({"hp2xx_fill.plt", kName}, kName);
    wxListCtrl* rows = m_form->GetPlotList();
    const long row = rows->FindItem(-1, kName);
    ASSERT_EQ(row, 1);
    rows->SetItem(row, ColRotate, "Yes");
    const std::string path = m_folder.File(kName);
    const std::string original = ReadFileBytes(path);

    wxTEST_DIALOG(Menu(cmd::BrokenLine), ExpectNote("Complete"));
    m_view->GetUndo().Push();
    Menu(cmd::Undo);
    EXPECT_EQ(ReadFileBytes(path), original);
    EXPECT_EQ(m_view->GetFileName(), kName);  // not row 0's file

    CPolylineIArray turned;
    ASSERT_TRUE(turned.Load(path).ok());
    turned.Rotate(90.0);
    int a0, a1, a2, a3, b0, b1, b2, b3;
    turned.GetBoundRect(a0, a1, a2, a3);
    m_view->GetDrawing().GetBoundRect(b0, b1, b2, b3);
    EXPECT_EQ(a2 - a0, b2 - b0);
    EXPECT_EQ(a3 - a1, b3 - b1);
    EXPECT_EQ(m_view->GetDrawing().GetCount(), turned.GetCount());
}

TEST(SlotDefineDlg, TypingIntoPreSpaceACopiesItIntoB)
{
    // Fresh sizes: the dialog loads them when it is created.
    const std::string savedIni = ReadFileBytes(GetIniPath());
    fs::remove(GetIniPath());
    auto* frame = new wxFrame(nullptr, wxID_ANY, "owner", wxPoint(0, 0), wxSize(600, 400));
    frame->Show();
    auto* dlg = new CSlotDefineDlg(frame, 10000, "slots");
    dlg->Show();
    PumpUntil([dlg] { return dlg->IsShownOnScreen(); });
    PumpEvents();
    wxSpinCtrl* a = Spin(dlg, CSlotDefineDlg::ID_PRESPACE_A);
    wxSpinCtrl* b = Spin(dlg, CSlotDefineDlg::ID_PRESPACE_B);
    EXPECT_EQ(b->GetValue(), 3);

    a->SetFocus();
    a->SetSelection(-1, -1);
    PumpEvents();
    wxUIActionSimulator keys;
    keys.Text("12");
    PumpUntil([b] { return b->GetValue() == 12; });
    EXPECT_EQ(b->GetValue(), 12);
    // B stays editable; A keeps what was typed.
    TurnSpin(b, 2);
    EXPECT_EQ(a->GetValue(), 12);
    EXPECT_EQ(b->GetValue(), 2);

    dlg->Destroy();
    frame->Destroy();
    PumpEvents();
    if (savedIni == "(missing)")
        fs::remove(GetIniPath());
    else
        std::ofstream(GetIniPath(), std::ios::binary | std::ios::trunc) << savedIni;
}
