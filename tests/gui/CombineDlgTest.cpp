// The combine dialog with real previews: combining public samples, the
// "*** " marks and rotation flags of the list, undo, saving through the
// file selector, the gap setting, and the opening from the main window
// with its title put back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <wx/button.h>
#include <wx/filedlg.h>
#include <wx/frame.h>
#include <wx/listbox.h>
#include <wx/listctrl.h>
#include <wx/textctrl.h>

#include "GuiTestSupport.h"
#include "TempDir.h"
#include "app/IniSettings.h"
#include "app/gui/PlotvaneApp.h"
#include "geometry/gui/CombineDlg.h"
#include "plotlib/Devices.h"
#include "view/gui/PlotterView.h"

namespace fs = std::filesystem;

namespace {

const char* const kSamples[] = {"sds_Basic_Tee_layered.plt",
                                "sds_SCAN-FAT-MAN-001-20260131015852.plt",
                                "sds_Light_Jacket_2D.plt"};

int PolylinesOf(const std::string& path)
{
    CPolylineIArray d;
    EXPECT_TRUE(d.Load(path).ok()) << path;
    return d.GetCount();
}

// Answers the file selector with `path`. The GTK chooser takes a set path
// over only once its folder has loaded, so the answer waits for that.
class ChooseFile : public wxExpectModalBase<wxFileDialog, ChooseFile> {
public:
    explicit ChooseFile(const wxString& path) : m_path(path) {}

protected:
    int OnInvoked(wxFileDialog* dlg) const override
    {
        dlg->SetPath(m_path);
        EXPECT_TRUE(PumpUntil([dlg] { return !dlg->GetPath().empty(); }, 3000))
            << "the file chooser did not take " << m_path.utf8_str();
        return wxID_OK;
    }

private:
    wxString m_path;
};

class CombineDlgTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_savedPlotPath = wxGetApp().m_plotPath;
        m_savedConfig = *GetPlotter();
        m_savedGap = GetIniString("Global", "Gap", "");
        GetPlotter()->paperWidth = 1.8f;
        GetPlotter()->resolution = 1016;
        wxGetApp().m_plotPath = wxString::FromUTF8(m_folder.Path());
        for (const char* sample : kSamples)
            fs::copy_file(fs::path(PLOTVANE_SAMPLES_DIR) / sample, m_folder.File(sample));
        std::ofstream(m_folder.File("notes.plt")) << "\x01\x02 not a plot";

        m_frame = new wxFrame(nullptr, wxID_ANY, "Main title", wxPoint(0, 0), wxSize(900, 700));
        m_frame->Show();
    }

    void TearDown() override
    {
        m_frame->Destroy();
        PumpEvents();
        wxGetApp().m_plotPath = m_savedPlotPath;
        *GetPlotter() = m_savedConfig;
        SetIniString("Global", "Gap", m_savedGap);
    }

    // A dialog shown without a modal loop, so the test can drive it.
    CCombineDlg* ShowDialog()
    {
        auto* dlg = new CCombineDlg(m_frame);
        wxArrayString names;
        for (const char* sample : kSamples)
            names.Add(sample);
        names.Add("notes.plt");
        dlg->SetFileNames(names);
        dlg->Show();
        EXPECT_TRUE(PumpUntil([dlg] {
            return dlg->GetPiecePreview()->HasGLContext() &&
                   dlg->GetResultPreview()->HasGLContext();
        }, 5000)) << "no GL context on the test display";
        PumpEvents();
        return dlg;
    }

    void Select(CCombineDlg* dlg, std::initializer_list<int> items)
    {
        dlg->GetFileList()->DeselectAll();
        for (int item : items)
            dlg->GetFileList()->SetSelection(item);
    }

    wxString Field(CCombineDlg* dlg, int id)
    {
        auto* field = wxDynamicCast(dlg->FindWindow(id), wxTextCtrl);
        return field ? field->GetValue() : wxString("(missing)");
    }

    bool Enabled(CCombineDlg* dlg, int id)
    {
        UpdateUI(dlg);
        wxWindow* w = dlg->FindWindow(id);
        return w && w->IsEnabled();
    }

    TempDir m_folder;
    wxString m_savedPlotPath;
    PLOTTERCONFIG m_savedConfig;
    std::string m_savedGap;
    wxFrame* m_frame = nullptr;
};

} // namespace

TEST_F(CombineDlgTest, CombinesUndoesAndSavesALayoutThatLoadsBack)
{
    SetIniFloat("Global", "Gap", 2.0f);
    GetPlotter()->scaleX = 1.5f;  // must not reach the saved file
    CCombineDlg* dlg = ShowDialog();
    EXPECT_EQ(dlg->GetId(), 10036);
    EXPECT_EQ(dlg->GetTitle(), wxGetTranslation("CCombineDlg"));
    EXPECT_EQ(Field(dlg, CCombineDlg::ID_PIECEGAP), "2.00");
    EXPECT_EQ(Field(dlg, CCombineDlg::ID_PLOTWIDTH), "1800");
    EXPECT_EQ(Field(dlg, CCombineDlg::ID_SPACE), "1800");
    EXPECT_FALSE(Enabled(dlg, CCombineDlg::ID_COMBINE));
    EXPECT_FALSE(Enabled(dlg, CCombineDlg::ID_SAVE));
    EXPECT_FALSE(Enabled(dlg, CCombineDlg::ID_UNDO));

    int counts[3];
    for (int i = 0; i < 3; ++i)
        counts[i] = PolylinesOf(m_folder.File(kSamples[i]));

    Select(dlg, {0, 1});
    EXPECT_TRUE(Enabled(dlg, CCombineDlg::ID_COMBINE));
    SendCommand(dlg, CCombineDlg::ID_COMBINE);
    EXPECT_EQ(dlg->GetLayout().GetLayout().GetCount(), counts[0] + counts[1]);
    EXPECT_EQ(dlg->GetFileList()->GetString(0), wxString("*** ") + kSamples[0]);
    EXPECT_EQ(dlg->GetFileList()->GetString(1), wxString("*** ") + kSamples[1]);
    EXPECT_EQ(dlg->GetFileList()->GetString(2), kSamples[2]);

    Select(dlg, {2});
    SendCommand(dlg, CCombineDlg::ID_COMBINE);
    const int all = counts[0] + counts[1] + counts[2];
    EXPECT_EQ(dlg->GetLayout().GetLayout().GetCount(), all);
    EXPECT_EQ(dlg->GetResultPreview()->GetDrawing().GetCount(), all);
    long space = 0;
    EXPECT_TRUE(Field(dlg, CCombineDlg::ID_SPACE).ToLong(&space));
    EXPECT_LT(space, 1800);

    // Undo takes the last combine back; the marks stay as they are.
    ASSERT_TRUE(Enabled(dlg, CCombineDlg::ID_UNDO));
    SendCommand(dlg, CCombineDlg::ID_UNDO);
    EXPECT_EQ(dlg->GetLayout().GetLayout().GetCount(), counts[0] + counts[1]);
    EXPECT_EQ(dlg->GetResultPreview()->GetDrawing().GetCount(), counts[0] + counts[1]);
    EXPECT_EQ(dlg->GetFileList()->GetString(2), wxString("*** ") + kSamples[2]);
    EXPECT_FALSE(Enabled(dlg, CCombineDlg::ID_UNDO));

    // A marked item is combined again under its bare name.
    SendCommand(dlg, CCombineDlg::ID_COMBINE);
    EXPECT_EQ(dlg->GetLayout().GetLayout().GetCount(), all);
    EXPECT_EQ(dlg->GetFileList()->GetString(2), wxString("*** ") + kSamples[2]);

    const std::string saved = m_folder.File("combined.plt");
    ASSERT_TRUE(Enabled(dlg, CCombineDlg::ID_SAVE));
    wxTEST_DIALOG(SendCommand(dlg, CCombineDlg::ID_SAVE),
                  ChooseFile(wxString::FromUTF8(saved)));
    CPolylineIArray back;
    const Status loaded = back.Load(saved);
    std::string listing;
    for (const auto& entry : fs::recursive_directory_iterator(m_folder.Path()))
        listing += entry.path().string() + "\n";
    ASSERT_TRUE(loaded.ok()) << loaded.message() << "\n" << listing;
    EXPECT_EQ(back.GetCount(), all);
    int a0, a1, a2, a3, b0, b1, b2, b3;
    dlg->GetLayout().GetLayout().GetBoundRect(a0, a1, a2, a3);
    back.GetBoundRect(b0, b1, b2, b3);
    EXPECT_EQ(a2, b2);
    EXPECT_EQ(a3, b3);
    EXPECT_EQ(GetPlotter()->scaleX, 1.5f);

    // The same name typed without ".plt" means the file just written: it is
    // replaced only when the operator says so.
    const std::string bytes = ReadFileBytes(saved);
    wxTEST_DIALOG(SendCommand(dlg, CCombineDlg::ID_SAVE),
                  ChooseFile(wxString::FromUTF8(m_folder.File("combined"))),
                  wxExpectModal<wxMessageDialog>(wxNO));
    EXPECT_EQ(ReadFileBytes(saved), bytes);
    EXPECT_FALSE(fs::exists(m_folder.File("combined")));

    // Saving where nothing can be written says so.
    wxTEST_DIALOG(SendCommand(dlg, CCombineDlg::ID_SAVE),
                  ChooseFile("/proc/combined.plt"),
                  wxExpectModal<wxMessageDialog>(wxOK));

    // Clear, then undo brings the cleared layout back.
    SendCommand(dlg, CCombineDlg::ID_CLEAR);
    EXPECT_EQ(dlg->GetLayout().GetLayout().GetCount(), 0);
    EXPECT_EQ(Field(dlg, CCombineDlg::ID_SPACE), "1800");
    SendCommand(dlg, CCombineDlg::ID_UNDO);
    EXPECT_EQ(dlg->GetLayout().GetLayout().GetCount(), all);
    dlg->Destroy();
}

TEST_F(CombineDlgTest, RotationFlagsMarksAndUnreadableFiles)
{
    CCombineDlg* dlg = ShowDialog();
    wxListBox* list = dlg->GetFileList();

    Select(dlg, {1});
    SendCommand(dlg, CCombineDlg::ID_FILELIST, wxEVT_LISTBOX, 1);
    const wxString width = Field(dlg, CCombineDlg::ID_WIDTH);
    const wxString height = Field(dlg, CCombineDlg::ID_HEIGHT);
    EXPECT_NE(width, height);

    // Turning swaps width and height; turning again brings the file's own
    // orientation back.
    SendCommand(dlg, CCombineDlg::ID_ROTATE);
    EXPECT_TRUE(dlg->IsRotated(1));
    EXPECT_EQ(Field(dlg, CCombineDlg::ID_WIDTH), height);
    EXPECT_EQ(Field(dlg, CCombineDlg::ID_HEIGHT), width);
    SendCommand(dlg, CCombineDlg::ID_ROTATE);
    EXPECT_FALSE(dlg->IsRotated(1));
    EXPECT_EQ(Field(dlg, CCombineDlg::ID_WIDTH), width);

    // A turned file stays turned once it is marked, and a marked item loads
    // under its bare name.
    SendCommand(dlg, CCombineDlg::ID_ROTATE);
    SendCommand(dlg, CCombineDlg::ID_COMBINE);
    EXPECT_EQ(list->GetString(1), wxString("*** ") + kSamples[1]);
    EXPECT_TRUE(dlg->IsRotated(1));
    SendCommand(dlg, CCombineDlg::ID_FILELIST, wxEVT_LISTBOX, 1);
    EXPECT_EQ(dlg->GetPiecePreview()->GetFileName(), kSamples[1]);
    EXPECT_TRUE(dlg->GetPiecePreview()->GetLoadStatus().ok());
    EXPECT_GT(dlg->GetPiecePreview()->GetDrawing().GetCount(), 0);
    EXPECT_EQ(Field(dlg, CCombineDlg::ID_WIDTH), height);

    // No item: an empty preview and no size.
    SendCommand(dlg, CCombineDlg::ID_FILELIST, wxEVT_LISTBOX, -1);
    EXPECT_EQ(dlg->GetPiecePreview()->GetDrawing().GetCount(), 0);
    EXPECT_EQ(Field(dlg, CCombineDlg::ID_WIDTH), "");

    // A file that is no plot file is not marked, and the operator is told.
    Select(dlg, {3});
    const int before = dlg->GetLayout().GetLayout().GetCount();
    wxTEST_DIALOG(SendCommand(dlg, CCombineDlg::ID_COMBINE),
                  wxExpectModal<wxMessageDialog>(wxOK));
    EXPECT_EQ(list->GetString(3), "notes.plt");
    EXPECT_EQ(dlg->GetLayout().GetLayout().GetCount(), before);

    // Too tall for the plot width: dropped silently, still unmarked.
    GetPlotter()->paperWidth = 0.05f;
    Select(dlg, {0});
    SendCommand(dlg, CCombineDlg::ID_COMBINE);
    EXPECT_EQ(list->GetString(0), kSamples[0]);
    EXPECT_EQ(dlg->GetLayout().GetLayout().GetCount(), before);
    EXPECT_TRUE(dlg->GetLayout().CanUndo());
    dlg->Destroy();
}

namespace {

// Drives the dialog while ShowFor "shows" it modally.
class OperateCombine : public wxExpectModalBase<CCombineDlg, OperateCombine> {
public:
    explicit OperateCombine(wxFrame* mainWindow) : m_mainWindow(mainWindow) {}

protected:
    int OnInvoked(CCombineDlg* dlg) const override
    {
        EXPECT_EQ(dlg->GetId(), 10036);
        EXPECT_EQ(dlg->GetParent(), m_mainWindow);
        wxListBox* list = dlg->GetFileList();
        EXPECT_EQ(list->GetCount(), 2u);
        if (list->GetCount() == 2) {
            EXPECT_EQ(list->GetString(0), kSamples[0]);
            EXPECT_EQ(list->GetString(1), kSamples[2]);
        }
        EXPECT_FALSE(dlg->IsRotated(0));
        // As a preview may do with the main window's title.
        m_mainWindow->SetTitle("a file - CMainFrame");
        auto* gap = wxDynamicCast(dlg->FindWindow(CCombineDlg::ID_PIECEGAP), wxTextCtrl);
        if (gap)
            gap->SetValue("3.5");
        dlg->Close();  // the close box stores the gap
        return wxID_CANCEL;
    }

private:
    wxFrame* m_mainWindow;
};

} // namespace

TEST_F(CombineDlgTest, OpensFromTheMainWindowsFileListAndPutsTheTitleBack)
{
    auto* files = new wxListCtrl(m_frame, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                 wxLC_REPORT);
    files->AppendColumn("Name");
    files->AppendColumn("Size");
    files->InsertItem(0, kSamples[0]);
    files->SetItem(0, 1, "4552");
    files->InsertItem(1, kSamples[2]);
    SetIniFloat("Global", "Gap", 0.0f);

    wxTEST_DIALOG(CCombineDlg::ShowFor(m_frame, files), OperateCombine(m_frame));
    EXPECT_EQ(m_frame->GetTitle(), "Main title");
    EXPECT_FLOAT_EQ(GetIniFloat("Global", "Gap", 0.0f), 3.5f);
}
