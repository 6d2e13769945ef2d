// The main window's layout, its enabling rules, the tool group, the help
// line, the About dialog and a start without images.
#include <gtest/gtest.h>

#include <filesystem>

#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/splitter.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

#include "GuiTestSupport.h"
#include "app/gui/AppLook.h"
#include "geometry/gui/AboutDlg.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/gui/MainForm.h"
#include "plotlib/Devices.h"

namespace {

// Answers the About dialog and checks what it holds while it is "shown".
class ExpectAbout : public wxExpectModalBase<CAboutDlg, ExpectAbout> {
protected:
    int OnInvoked(CAboutDlg* dlg) const override
    {
        EXPECT_EQ(dlg->GetId(), cmd::AboutDialog);
        EXPECT_EQ(dlg->GetTitle(), wxGetTranslation("CAboutDlg"));
        auto* close = wxDynamicCast(dlg->FindWindow(wxID_CLOSE), wxButton);
        EXPECT_NE(close, nullptr);
        if (close) {
            EXPECT_EQ(close->GetLabel(), "&Close");
        }
        return wxID_CANCEL;
    }
};

bool SameImage(const wxBitmap& a, const wxBitmap& b)
{
    if (!a.IsOk() || !b.IsOk() || a.GetSize() != b.GetSize())
        return false;
    const wxImage ia = a.ConvertToImage();
    const wxImage ib = b.ConvertToImage();
    return std::equal(ia.GetData(), ia.GetData() + ia.GetWidth() * ia.GetHeight() * 3,
                      ib.GetData());
}

class MainFormTest : public testing::Test {
protected:
    void SetUp() override { m_form = CreateMainForm(); }
    void TearDown() override { DestroyMainForm(m_form); }

    template <class T>
    T* Control(int id)
    {
        return wxDynamicCast(m_form->FindWindow(id), T);
    }

    bool Enabled(int id)
    {
        wxWindow* window = m_form->FindWindow(id);
        return window && window->IsEnabled();
    }

    MainForm* m_form = nullptr;
};

} // namespace

TEST_F(MainFormTest, EveryControlOfTheTableExists)
{
    EXPECT_EQ(m_form->GetId(), cmd::MainWindow);
    for (int id : {cmd::LeftPanel, cmd::TopPanel, cmd::LowerPanel, cmd::PlotPanel})
        EXPECT_NE(Control<wxPanel>(id), nullptr) << id;
    for (int id : {cmd::DeviceChoice, cmd::ExtractPen})
        EXPECT_NE(Control<wxChoice>(id), nullptr) << id;
    for (int id : {cmd::MarkSpace, cmd::FrontSpace, cmd::Search})
        EXPECT_NE(Control<wxTextCtrl>(id), nullptr) << id;
    for (int id : {cmd::AutoPlot, cmd::DeleteFile})
        EXPECT_NE(Control<wxCheckBox>(id), nullptr) << id;
    for (int id : {cmd::FileList, cmd::PlotList})
        EXPECT_NE(Control<wxListCtrl>(id), nullptr) << id;
    EXPECT_NE(Control<wxSplitterWindow>(cmd::Splitter), nullptr);
    for (int id : {cmd::Cancel, cmd::Pause})
        EXPECT_NE(Control<wxButton>(id), nullptr) << id;

    for (const auto* table : {&LeftButtonSpecs(), &WindowButtonSpecs(), &ToolButtonSpecs()}) {
        for (const ButtonSpec& entry : *table) {
            auto* button = Control<wxBitmapButton>(entry.id);
            ASSERT_NE(button, nullptr) << entry.id;
            EXPECT_TRUE(button->GetBitmapLabel().IsOk()) << entry.bitmap;
            if (entry.tooltip) {
                EXPECT_EQ(button->GetToolTipText(), entry.tooltip);
                EXPECT_EQ(button->GetHelpText(), entry.tooltip);
            }
        }
    }
    for (int id : {cmd::Combine, cmd::Slot, cmd::SlotSetup, cmd::Undo, cmd::Redo,
                   cmd::BrokenLine, cmd::Spline})
        EXPECT_NE(m_form->GetEditMenu()->FindItem(id), nullptr) << id;
    EXPECT_EQ(m_form->GetEditMenu()->GetLabelText(cmd::SlotSetup), "Slot Setup");
}

TEST_F(MainFormTest, ListsChoicesSplitterAndStatusBarAreSetUp)
{
    wxListCtrl* files = m_form->GetFileList();
    ASSERT_EQ(files->GetColumnCount(), 3);
    wxListItem column;
    column.SetMask(wxLIST_MASK_TEXT | wxLIST_MASK_FORMAT);
    files->GetColumn(1, column);
    EXPECT_EQ(column.GetText(), "File size");
    EXPECT_EQ(column.GetAlign(), wxLIST_FORMAT_RIGHT);
    ASSERT_EQ(m_form->GetPlotList()->GetColumnCount(), 8);
    m_form->GetPlotList()->GetColumn(7, column);
    EXPECT_EQ(column.GetText(), "Copys");

    wxChoice* pens = m_form->GetExtractPenChoice();
    ASSERT_EQ(pens->GetCount(), 2u);
    EXPECT_EQ(pens->GetString(0), "SP2");
    EXPECT_EQ(pens->GetString(1), "SP3");
    EXPECT_NE(pens->GetSelection(), wxNOT_FOUND);

    // The device choice lists the library's devices and selects its default.
    std::vector<std::string> devices;
    GetAllDevices(devices);
    wxChoice* deviceChoice = m_form->GetDeviceChoice();
    ASSERT_EQ(deviceChoice->GetCount(), devices.size());
    if (!devices.empty()) {
        EXPECT_EQ(deviceChoice->GetStringSelection(), wxString::FromUTF8(GetDefaultDevice()));
    }

    auto* splitter = Control<wxSplitterWindow>(cmd::Splitter);
    EXPECT_TRUE(splitter->IsSplit());
    EXPECT_EQ(splitter->GetSplitMode(), wxSPLIT_HORIZONTAL);
    EXPECT_EQ(splitter->GetWindow1(), m_form->GetPlotList()->GetParent());
    EXPECT_EQ(splitter->GetWindow2(), m_form->GetPreview());
    EXPECT_EQ(splitter->GetSashPosition(), 155);

    wxStatusBar* status = m_form->GetStatus();
    ASSERT_EQ(status->GetFieldsCount(), 7);
    UpdateUI(m_form);
    wxRect field;
    ASSERT_TRUE(status->GetFieldRect(6, field));
    const wxRect cancel = Control<wxButton>(cmd::Cancel)->GetRect();
    const wxRect pause = Control<wxButton>(cmd::Pause)->GetRect();
    EXPECT_EQ(cancel.GetTopLeft(), field.GetTopLeft());
    EXPECT_EQ(pause.x, cancel.GetRight() + 2);
    EXPECT_EQ(cancel.GetSize(), wxSize(50, 26));

    m_form->SetStatusPosition(1016, 508, 2.0);
    EXPECT_EQ(status->GetStatusText(1), "25.4000");
    EXPECT_EQ(status->GetStatusText(2), "12.7000");
    EXPECT_EQ(status->GetStatusText(3), "2.0000:1");
}

TEST_F(MainFormTest, CommandsAreEnabledByTheListsAndTheJob)
{
    UpdateUI(m_form);
    for (int id : {cmd::Rotate, cmd::Mirror, cmd::Copies, cmd::Blocks, cmd::Remove, cmd::Outline,
                   cmd::AddSelected, cmd::Print, cmd::PlotToFile, cmd::Emulate, cmd::Cancel,
                   cmd::Pause})
        EXPECT_FALSE(Enabled(id)) << id;
    for (int id : {cmd::PlotPath, cmd::Refresh, cmd::AddAll, cmd::RemoveAll, cmd::About,
                   cmd::ToolZoom, cmd::DeleteFile})
        EXPECT_TRUE(Enabled(id)) << id;

    // A row in the plot list enables the job commands; selecting it the
    // row commands.
    wxListCtrl* plots = m_form->GetPlotList();
    plots->InsertItem(0, "a.plt");
    UpdateUI(m_form);
    EXPECT_TRUE(Enabled(cmd::Print));
    EXPECT_TRUE(Enabled(cmd::Emulate));
    EXPECT_FALSE(Enabled(cmd::Rotate));
    plots->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    UpdateUI(m_form);
    for (int id : {cmd::Rotate, cmd::Mirror, cmd::Copies, cmd::Blocks, cmd::Remove, cmd::Outline})
        EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_FALSE(Enabled(cmd::AddSelected));

    wxListCtrl* files = m_form->GetFileList();
    files->InsertItem(0, "b.plt");
    files->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    UpdateUI(m_form);
    EXPECT_TRUE(Enabled(cmd::AddSelected));

    m_form->SimulatePlotJobForTests(true);
    UpdateUI(m_form);
    EXPECT_TRUE(Enabled(cmd::Cancel));
    EXPECT_TRUE(Enabled(cmd::Pause));
    m_form->SimulatePlotJobForTests(false);
    UpdateUI(m_form);
    EXPECT_FALSE(Enabled(cmd::Cancel));
}

TEST_F(MainFormTest, ToolButtonsActAsOneRadioGroup)
{
    EXPECT_EQ(m_form->GetCanvasTool(), cmd::ToolZoom);
    auto bitmapOf = [&](int id) { return Control<wxBitmapButton>(id)->GetBitmapLabel(); };
    EXPECT_TRUE(SameImage(bitmapOf(cmd::ToolZoom),
                          LoadBitmapFile("XPM/Zoom_Selected.xpm")));

    ClickWindow(m_form->FindWindow(cmd::ToolCutPen));
    EXPECT_EQ(m_form->GetCanvasTool(), cmd::ToolCutPen);
    EXPECT_TRUE(SameImage(bitmapOf(cmd::ToolCutPen),
                          LoadBitmapFile("XPM/SP2_Selected.xpm")));
    EXPECT_TRUE(SameImage(bitmapOf(cmd::ToolZoom), LoadBitmapFile("XPM/Zoom.xpm")));
    EXPECT_TRUE(SameImage(bitmapOf(cmd::ToolDrawPen), LoadBitmapFile("XPM/SP1.xpm")));

    SendCommand(m_form, cmd::Spline, wxEVT_MENU);
    EXPECT_EQ(m_form->GetCanvasTool(), cmd::Spline);
}

TEST_F(MainFormTest, HelpTextOfTheButtonUnderThePointer)
{
    wxWindow* path = m_form->FindWindow(cmd::PlotPath);
    wxMouseEvent enter(wxEVT_ENTER_WINDOW);
    enter.SetEventObject(path);
    path->ProcessWindowEvent(enter);
    EXPECT_EQ(m_form->GetStatus()->GetStatusText(0), "Setup plotter files path");

    // F1 shows the help of the window under the pointer.
    wxWindow* about = m_form->FindWindow(cmd::About);
    const wxPoint centre = about->ClientToScreen(wxPoint(about->GetSize().x / 2,
                                                         about->GetSize().y / 2));
    EXPECT_EQ(m_form->HelpTextAt(centre), "About Plotvane");
    EXPECT_EQ(m_form->HelpTextAt(m_form->GetPreview()->GetScreenRect().GetTopLeft() +
                                 wxPoint(5, 5)),
              "");
}

TEST_F(MainFormTest, AboutOpensAsModalDialogAndCloses)
{
    wxTEST_DIALOG(SendCommand(m_form, cmd::About), ExpectAbout());

    // Its Close button ends it (shown modeless here, so it hides).
    CAboutDlg dialog(m_form, cmd::AboutDialog, "CAboutDlg");
    dialog.Show();
    PumpUntil([&] { return dialog.IsShownOnScreen(); });
    EXPECT_FALSE(CAboutDlg::ProductLine().empty());
    ClickWindow(dialog.FindWindow(wxID_CLOSE));
    PumpUntil([&] { return !dialog.IsShown(); });
    EXPECT_FALSE(dialog.IsShown());
}

TEST(MainFormImages, MissingImageFolderStillOpensTheWindow)
{
    const std::filesystem::path images = GuiProgramFolder() + "/XPM";
    const std::filesystem::path away = GuiProgramFolder() + "/XPM.away";
    std::filesystem::rename(images, away);
    MainForm* form = CreateMainForm();
    EXPECT_TRUE(form->IsShown());
    EXPECT_FALSE(LoadBitmapFile("XPM/Path.xpm").IsOk());
    EXPECT_FALSE(LoadIconFile("XPM/Plotter.ico").IsOk());
    auto* button = wxDynamicCast(form->FindWindow(cmd::PlotPath), wxBitmapButton);
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->GetBitmapLabel().IsOk());
    // The window still works: a tool click and a refresh of the look.
    SendCommand(form, cmd::ToolDrawPen);
    EXPECT_EQ(form->GetCanvasTool(), cmd::ToolDrawPen);
    form->Refresh();
    PumpEvents();
    DestroyMainForm(form);
    std::filesystem::rename(away, images);
}

TEST(MainFormImages, OnlyTheProgramIconLoadsAsIcon)
{
    EXPECT_TRUE(LoadIconFile("XPM/Plotter.ico").IsOk());
    EXPECT_FALSE(LoadIconFile("XPM/Other.ico").IsOk());
    EXPECT_TRUE(LoadBitmapFile("XPM/Icon.jpg").IsOk());
    EXPECT_TRUE(LoadBitmapFile("XPM\\left_bg.jpg").IsOk());
    EXPECT_FALSE(LoadBitmapFile("XPM/none.xpm").IsOk());
}
