// "Plot selected files into file" and "Emulate" on a real temporary plot
// folder: the file written through the save dialog (and nothing written when
// it is cancelled or fails), the replay of the plotter data on the preview
// to its end, Escape stopping it (a posted key and a real one), closing the
// window during a replay, and the "^_^" temporary file gone every time.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <wx/choice.h>
#include <wx/filedlg.h>
#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

#include "GuiTestSupport.h"
#include "TempDir.h"
#include "app/IniSettings.h"
#include "app/gui/PlotvaneApp.h"
#include "mainframe/CommandIds.h"
#include "mainframe/gui/MainForm.h"
#include "mainframe/PlotQueue.h"
#include "plotlib/Devices.h"
#include "plotlib/Polyline.h"
#include "view/gui/PlotterView.h"

namespace fs = std::filesystem;

namespace {

const char* const kSmall = "summa_test.plt";
const char* const kOther = "tgoodhew_feature-exercise.plt";

long Segments(const CPolylineIArray& drawing)
{
    long n = 0;
    for (const CPolylineI& line : drawing.m_lines)
        n += std::max(line.GetCount() - 1, 0);
    return n;
}

// Answers the save dialog with `path` and `answer`. The GTK chooser takes a
// set path over only once its folder has loaded, so the answer waits for
// that (a chooser torn down while it still loads upsets GTK).
class ChooseFile : public wxExpectModalBase<wxFileDialog, ChooseFile> {
public:
    explicit ChooseFile(const std::string& path, int answer = wxID_OK)
        : m_path(wxString::FromUTF8(path)), m_answer(answer)
    {
    }

protected:
    int OnInvoked(wxFileDialog* dlg) const override
    {
        EXPECT_EQ(dlg->GetMessage(), "Choose plotter file name");
        EXPECT_EQ(dlg->GetWildcard(), "HPGL file (*.plt)|*.plt|All files (*.*)|*.*");
        EXPECT_TRUE(dlg->HasFlag(wxFD_SAVE) && dlg->HasFlag(wxFD_OVERWRITE_PROMPT));
        dlg->SetPath(m_path);
        EXPECT_TRUE(PumpUntil([dlg] { return !dlg->GetPath().empty(); }, 3000))
            << "the file chooser did not take " << m_path.utf8_str();
        return m_answer;
    }

private:
    wxString m_path;
    int m_answer;
};

class EmulateTest : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {kSmall, kOther})
            fs::copy_file(fs::path(PLOTVANE_SAMPLES_DIR) / name, fs::path(m_folder.Path()) / name);
        // The temporary folder of this test only, so "^_^" files can be
        // counted.
        if (const char* old = std::getenv("TMPDIR"))
            m_oldTmpDir = old;
        fs::create_directories(m_tmp);
        setenv("TMPDIR", m_tmp.c_str(), 1);
        PlotvaneApp& app = wxGetApp();
        m_savedPlotPath = app.m_plotPath;
        m_savedMarkSpace = app.m_markSpace;
        m_savedFrontSpace = app.m_frontSpace;
        m_savedDelete = app.m_autoDeleteFile;
        app.m_plotPath = wxString::FromUTF8(m_folder.Path());
        app.m_markSpace = 3.0f;
        app.m_frontSpace = 1.0f;
        app.m_autoDeleteFile = false;
        SetIniInt("Emulate", "Speed", 0);
        m_form = CreateMainForm();
        m_list = m_form->GetPlotList();
    }
    void TearDown() override
    {
        // Closing stops the folder watch before the window goes.
        if (m_form)
            m_form->Close(true);
        DestroyMainForm(m_form);
        PlotvaneApp& app = wxGetApp();
        app.m_plotPath = m_savedPlotPath;
        app.m_markSpace = m_savedMarkSpace;
        app.m_frontSpace = m_savedFrontSpace;
        app.m_autoDeleteFile = m_savedDelete;
        SetIniInt("Emulate", "Speed", 10);
        if (m_oldTmpDir.empty())
            unsetenv("TMPDIR");
        else
            setenv("TMPDIR", m_oldTmpDir.c_str(), 1);
    }

    void Queue(std::initializer_list<const char*> names)
    {
        ASSERT_TRUE(QueueThroughFileList(m_form, names));
        ASSERT_EQ(m_list->GetItemCount(), static_cast<int>(names.size()));
    }

    int Leftovers() const
    {
        int n = 0;
        for (const auto& entry : fs::directory_iterator(m_tmp))
            if (entry.path().filename().string().rfind("^_^", 0) == 0)
                ++n;
        return n;
    }

    static wxKeyEvent EscapeHook()
    {
        wxKeyEvent event(wxEVT_CHAR_HOOK);
        event.m_keyCode = WXK_ESCAPE;
        return event;
    }

    TempDir m_folder;
    TempDir m_tmpRoot;
    std::string m_tmp = m_tmpRoot.File("tmp");
    std::string m_oldTmpDir;
    wxString m_savedPlotPath;
    float m_savedMarkSpace = 0, m_savedFrontSpace = 0;
    bool m_savedDelete = false;
    MainForm* m_form = nullptr;
    wxListCtrl* m_list = nullptr;
};

}  // namespace

TEST_F(EmulateTest, PlotToFileWritesEveryJobSideBySideSeparatedByMarkSpace)
{
    Queue({kSmall, kOther});
    const long small = m_list->FindItem(-1, kSmall);
    m_list->SetItem(small, ColCopies, "2");
    const std::string out = m_folder.File("Plotter.plt");
    wxTEST_DIALOG(SendCommand(m_form, cmd::PlotToFile), ChooseFile(out));
    ASSERT_TRUE(fs::exists(out));
    CPolylineIArray all;
    ASSERT_TRUE(all.Load(out));

    // Three copies along X: front space first, mark space between them,
    // each as wide as its job; across Y as high as the highest job.
    const PLOTTERCONFIG& config = *GetPlotter();
    CPolylineIArray scratch;
    const PlotMeasure a = PlotQueue::Measure(m_folder.File(kSmall), false, false, config, scratch);
    const PlotMeasure b = PlotQueue::Measure(m_folder.File(kOther), false, false, config, scratch);
    ASSERT_TRUE(a.load.ok() && b.load.ok());
    const double unitsPerCm = config.resolution / 2.54;
    int minX = 0, minY = 0, maxX = 0, maxY = 0;
    ASSERT_TRUE(all.GetBoundRect(minX, minY, maxX, maxY));
    EXPECT_NEAR(minX, 1.0 * unitsPerCm, 2);
    EXPECT_NEAR(maxX - minX, 2 * a.width + b.width + 2 * 3.0 * unitsPerCm, 6);
    EXPECT_NEAR(maxY - minY, std::max(a.height, b.height), 2);
    // Between the copies runs a gap of mark space that nothing crosses.
    int inGap = 0;
    const double gapFrom = minX + a.width + 2, gapTo = minX + a.width + 3.0 * unitsPerCm - 2;
    for (const CPolylineI& line : all.m_lines)
        for (const PointI& p : line.m_points)
            if (p.x > gapFrom && p.x < gapTo)
                ++inGap;
    EXPECT_EQ(inGap, 0);

    // The plot list stays, the preview is cleared, the folder is rescanned.
    EXPECT_EQ(m_list->GetItemCount(), 2);
    EXPECT_EQ(m_form->GetPlotterView()->GetFileName(), "");
    EXPECT_GE(m_form->GetFileList()->FindItem(-1, "Plotter.plt"), 0);
    EXPECT_EQ(Leftovers(), 0);
}

TEST_F(EmulateTest, PlotToFileInDeleteModeRemovesTheSourcesAndKeepsTheRows)
{
    Queue({kSmall, kOther});
    wxGetApp().m_autoDeleteFile = true;
    const std::string out = m_folder.File("all.plt");
    wxTEST_DIALOG(SendCommand(m_form, cmd::PlotToFile), ChooseFile(out));
    ASSERT_TRUE(fs::exists(out));
    EXPECT_FALSE(fs::exists(m_folder.File(kSmall)));
    EXPECT_FALSE(fs::exists(m_folder.File(kOther)));
    wxListCtrl* files = m_form->GetFileList();
    EXPECT_EQ(files->FindItem(-1, kSmall), -1);
    EXPECT_GE(files->FindItem(-1, "all.plt"), 0);
    EXPECT_EQ(m_list->GetItemCount(), 2);
}

TEST_F(EmulateTest, PlotToFileCancelledOrFailedWritesNothing)
{
    Queue({kSmall});
    m_list->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    PumpEvents();
    ASSERT_EQ(m_form->GetPlotterView()->GetFileName(), kSmall);
    const std::string out = m_folder.File("cancelled.plt");
    wxTEST_DIALOG(SendCommand(m_form, cmd::PlotToFile), ChooseFile(out, wxID_CANCEL));
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(m_form->GetPlotterView()->GetFileName(), kSmall);

    // A queued file as the output: refused with the reason on the status
    // line, and the source is left whole.
    const std::string source = m_folder.File(kSmall);
    const auto sourceSize = fs::file_size(source);
    wxTEST_DIALOG(SendCommand(m_form, cmd::PlotToFile), ChooseFile(source));
    EXPECT_EQ(fs::file_size(source), sourceSize);
    const wxString status = m_form->GetStatus()->GetStatusText(0);
    EXPECT_NE(status.Find(kSmall), wxNOT_FOUND) << status;
    EXPECT_EQ(m_list->GetItemCount(), 1);

    // A name typed without extension gets ".plt"; an existing file under
    // that name is asked about, and No keeps it.
    const std::string typed = m_folder.File("typed");
    wxTEST_DIALOG(SendCommand(m_form, cmd::PlotToFile), ChooseFile(typed));
    ASSERT_TRUE(fs::exists(typed + ".plt"));
    EXPECT_FALSE(fs::exists(typed));
    fs::resize_file(typed + ".plt", 3);
    wxTEST_DIALOG(SendCommand(m_form, cmd::PlotToFile), ChooseFile(typed),
                  wxExpectModal<wxMessageDialog>(wxNO));
    EXPECT_EQ(fs::file_size(typed + ".plt"), 3u);
}

TEST_F(EmulateTest, NothingWithoutADeviceOrWhileAJobRuns)
{
    Queue({kSmall});
    wxChoice* devices = m_form->GetDeviceChoice();
    const int selected = devices->GetSelection();
    devices->SetSelection(wxNOT_FOUND);
    wxTEST_DIALOG(SendCommand(m_form, cmd::PlotToFile), wxExpectModal<wxMessageDialog>(wxOK));
    wxTEST_DIALOG(SendCommand(m_form, cmd::Emulate), wxExpectModal<wxMessageDialog>(wxOK));
    devices->SetSelection(selected);
    EXPECT_EQ(m_form->EmulatedSegments(), 0);

    // While a job runs neither command does anything (a dialog would fail
    // the test).
    m_form->SimulatePlotJobForTests(true);
    SendCommand(m_form, cmd::PlotToFile);
    SendCommand(m_form, cmd::Emulate);
    m_form->SimulatePlotJobForTests(false);
    EXPECT_FALSE(m_form->IsEmulating());
    EXPECT_EQ(m_form->GetPlotterView()->GetFileName(), "");
}

TEST_F(EmulateTest, EmulationReplaysEverySegmentAndRemovesItsTemporaryFile)
{
    Queue({kSmall});
    m_list->SetItem(0, ColCopies, "2");
    CPlotterView* view = m_form->GetPlotterView();
    bool emulatingInside = false, previewEnabledInside = true;
    wxString shownInside;
    int leftoversInside = 0;
    bool plotStartedInside = false;
    wxString shownAfterSelect;
    m_form->CallAfter([&] {
        emulatingInside = m_form->IsEmulating();
        previewEnabledInside = view->IsEnabled();
        shownInside = view->GetFileName();
        leftoversInside = Leftovers();
        // A plot run would load its jobs into the preview under the replay,
        // selecting a row would load its file, and a pen reset would ask and
        // rewrite a file: none of them while the replay holds the preview.
        SendCommand(m_form, cmd::Print);
        plotStartedInside = m_form->IsPlotting();
        wxListEvent select(wxEVT_LIST_ITEM_SELECTED, m_list->GetId());
        select.SetEventObject(m_list);
        select.m_itemIndex = 0;
        m_list->ProcessWindowEvent(select);
        SendCommand(m_form, cmd::ResetPen);
        shownAfterSelect = view->GetFileName();
    });
    SendCommand(m_form, cmd::Emulate);

    EXPECT_TRUE(emulatingInside);
    EXPECT_FALSE(previewEnabledInside);
    EXPECT_EQ(shownInside, "Emulate plotter");
    EXPECT_EQ(leftoversInside, 0);  // read back and removed before the replay
    EXPECT_FALSE(plotStartedInside);
    EXPECT_EQ(shownAfterSelect, "Emulate plotter");
    EXPECT_FALSE(m_form->IsEmulating());
    EXPECT_TRUE(view->IsEnabled());
    EXPECT_EQ(view->GetFileName(), "Emulate plotter");
    const long total = Segments(view->GetDrawing());
    ASSERT_GT(total, 0);
    EXPECT_EQ(m_form->EmulatedSegments(), total);
    EXPECT_EQ(Leftovers(), 0);
    EXPECT_EQ(m_list->GetItemCount(), 1);
    // The replayed drawing is no plot file: an edit is never written into
    // the plot folder under the replay's name.
    EXPECT_FALSE(view->SaveDrawingToFile().ok());
    EXPECT_FALSE(wxFileExists(wxGetApp().m_plotPath + "/" + view->GetFileName()));

    // The pointer ends on the last point drawn.
    const CPolylineIArray& drawing = view->GetDrawing();
    const CPolylineI* last = nullptr;
    for (const CPolylineI& line : drawing.m_lines)
        if (line.GetCount() > 1)
            last = &line;
    ASSERT_NE(last, nullptr);
    float x = static_cast<float>(last->GetPoint(last->GetCount() - 1).x);
    float y = static_cast<float>(last->GetPoint(last->GetCount() - 1).y);
    if (view->WorldToScreen(x, y)) {
        const wxPoint expected = view->ClientToScreen(
            wxPoint(static_cast<int>(RoundHalfAway(std::trunc(x))),
                    static_cast<int>(RoundHalfAway(std::trunc(y)))));
        PumpEvents();
        EXPECT_EQ(wxGetMousePosition(), expected);
    }

    // Escape with no emulation running is passed on.
    wxKeyEvent escape = EscapeHook();
    EXPECT_FALSE(m_form->ProcessWindowEvent(escape));
}

TEST_F(EmulateTest, EscapeStopsTheReplay)
{
    Queue({kSmall, kOther});
    // A posted Escape, arriving at the first step: consumed, nothing drawn.
    bool consumed = false;
    m_form->CallAfter([&] {
        wxKeyEvent escape = EscapeHook();
        consumed = m_form->ProcessWindowEvent(escape);
    });
    SendCommand(m_form, cmd::Emulate);
    EXPECT_TRUE(consumed);
    EXPECT_FALSE(m_form->IsEmulating());
    EXPECT_EQ(m_form->EmulatedSegments(), 0);
    EXPECT_TRUE(m_form->GetPlotterView()->IsEnabled());
    EXPECT_EQ(Leftovers(), 0);
    const long total = Segments(m_form->GetPlotterView()->GetDrawing());
    ASSERT_GT(total, 1);

    // A real key press, typed while the replay runs at 5 ms per pixel.
    SetIniInt("Emulate", "Speed", 5);
    m_form->CallAfter([] {
        wxUIActionSimulator sim;
        sim.Char(WXK_ESCAPE);
    });
    SendCommand(m_form, cmd::Emulate);
    EXPECT_FALSE(m_form->IsEmulating());
    EXPECT_LT(m_form->EmulatedSegments(), total);
    EXPECT_EQ(Leftovers(), 0);
}

TEST_F(EmulateTest, ClosingDuringTheReplayStopsItAndClosesAfterwards)
{
    Queue({kSmall, kOther});
    wxWeakRef<MainForm> form(m_form);
    bool closed = true;
    m_form->CallAfter([&] { closed = m_form->Close(false); });
    SendCommand(m_form, cmd::Emulate);
    // The window outlived the replay that ran inside it.
    ASSERT_TRUE(form);
    EXPECT_FALSE(closed);
    EXPECT_FALSE(m_form->IsEmulating());
    EXPECT_EQ(m_form->EmulatedSegments(), 0);
    EXPECT_EQ(Leftovers(), 0);
    PumpUntil([&] { return !form; });
    EXPECT_FALSE(form);
    if (!form)
        m_form = nullptr;
}
