// The main window's plot list on a real temporary plot folder holding
// sample plot files: adding from the file list, rotate and mirror, the
// block dialog, removing with its questions, Ctrl moves and the preview of
// the selected row.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include "GuiTestSupport.h"
#include "TempDir.h"
#include "app/gui/PlotvaneApp.h"
#include "mainframe/gui/BlockSetDlg.h"
#include "mainframe/CommandIds.h"
#include "mainframe/gui/MainForm.h"
#include "mainframe/PlotQueue.h"
#include "plotlib/Devices.h"
#include "plotlib/Polyline.h"
#include "view/gui/PlotterView.h"

namespace fs = std::filesystem;

namespace {

const char* const kSampleNames[] = {"hp2xx_fill.plt", "ezdxf_PLOTFILE.plt",
                                    "hp2xx_spectrum.plt"};

// Answers the block dialog by typing into its begin and stop fields.
class TypeBlocks : public wxExpectModalBase<CBlockSetDlg> {
public:
    TypeBlocks(int begin, int stop, int answer) : m_begin(begin), m_stop(stop), m_answer(answer)
    {
    }

protected:
    int OnInvoked(CBlockSetDlg* dialog) const override
    {
        auto* begin = wxDynamicCast(dialog->FindWindow(CBlockSetDlg::ID_BEGIN), wxTextCtrl);
        auto* stop = wxDynamicCast(dialog->FindWindow(CBlockSetDlg::ID_STOP), wxTextCtrl);
        if (begin && stop) {
            begin->SetValue(wxString::Format("%d", m_begin));
            stop->SetValue(wxString::Format("%d", m_stop));
        }
        return m_answer;
    }

private:
    int m_begin;
    int m_stop;
    int m_answer;
};

class PlotListTest : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : kSampleNames)
            fs::copy_file(fs::path(PLOTVANE_SAMPLES_DIR) / name, fs::path(m_folder.Path()) / name);
        std::ofstream(fs::path(m_folder.Path()) / "notes.plt", std::ios::trunc) << "not a plot";
        m_savedPlotPath = wxGetApp().m_plotPath;
        wxGetApp().m_plotPath = wxString::FromUTF8(m_folder.Path());
        m_form = CreateMainForm();
        m_form->BindPlotListEvents();
        m_list = m_form->GetPlotList();
    }
    void TearDown() override
    {
        DestroyMainForm(m_form);
        wxGetApp().m_plotPath = m_savedPlotPath;
    }

    std::string Cell(long row, int column) const
    {
        return std::string(m_list->GetItemText(row, column).utf8_str());
    }

    std::string Names() const
    {
        std::string names;
        for (long row = 0; row < m_list->GetItemCount(); ++row)
            names += Cell(row, ColName) + " ";
        return names;
    }

    // Queues the given names through the file list, as double clicks on
    // the selected file rows do.
    void Queue(std::initializer_list<const char*> names)
    {
        ASSERT_TRUE(QueueThroughFileList(m_form, names));
    }

    void SelectRow(long row)
    {
        for (long r = 0; r < m_list->GetItemCount(); ++r)
            m_list->SetItemState(r, 0, wxLIST_STATE_SELECTED);
        m_list->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        PumpEvents();
    }

    bool PressKey(int key, bool ctrl = false)
    {
        wxKeyEvent event(wxEVT_KEY_DOWN);
        event.m_keyCode = key;
        event.SetControlDown(ctrl);
        event.SetEventObject(m_list);
        const bool handled = m_list->GetEventHandler()->ProcessEvent(event);
        PumpEvents();
        return handled;
    }

    // What the row of a sample should read for the current device.
    PlotMeasure Expected(const char* name, bool rotate, bool mirror) const
    {
        CPolylineIArray drawing;
        return PlotQueue::Measure(PlotQueue::FullPath(m_folder.Path(), name), rotate, mirror,
                                  *GetPlotter(), drawing);
    }

    TempDir m_folder;
    wxString m_savedPlotPath;
    MainForm* m_form = nullptr;
    wxListCtrl* m_list = nullptr;
};

}  // namespace

TEST_F(PlotListTest, QueuedFilesShowTotalsAndExtentsOfTheDevice)
{
    ASSERT_NE(GetPlotter(), nullptr);
    Queue({"hp2xx_fill.plt", "ezdxf_PLOTFILE.plt"});
    ASSERT_EQ(m_list->GetItemCount(), 2);
    const int resolution = GetPlotter()->resolution;
    for (long row = 0; row < 2; ++row) {
        const std::string name = Cell(row, ColName);
        const PlotMeasure want = Expected(name.c_str(), false, false);
        ASSERT_TRUE(want.load.ok()) << name;
        EXPECT_GT(want.blocks, 0) << name;
        EXPECT_EQ(Cell(row, ColTotal), std::to_string(want.blocks)) << name;
        EXPECT_EQ(Cell(row, ColBegin), "1") << name;
        EXPECT_EQ(Cell(row, ColStop), std::to_string(want.blocks)) << name;
        EXPECT_EQ(Cell(row, ColRotate), "No");
        EXPECT_EQ(Cell(row, ColMirror), "No");
        EXPECT_EQ(Cell(row, ColExtent),
                  PlotQueue::FormatExtent(want.width, want.height, resolution));
        EXPECT_EQ(Cell(row, ColCopies), "1");
    }
    EXPECT_EQ(m_list->GetItemBackgroundColour(1), wxColour(255, 255, 204));

    // The same file again (the plot job settings of the row stay).
    const long fill = m_list->FindItem(-1, "hp2xx_fill.plt");
    ASSERT_GE(fill, 0);
    m_list->SetItem(fill, ColCopies, "4");
    m_list->SetItem(fill, ColBegin, "2");
    Queue({"hp2xx_fill.plt"});
    EXPECT_EQ(m_list->GetItemCount(), 2);
    EXPECT_EQ(Cell(fill, ColCopies), "4");
    EXPECT_EQ(Cell(fill, ColBegin), "1");
}

TEST_F(PlotListTest, UnreadableFileIsNamedOnTheStatusLine)
{
    Queue({"notes.plt"});
    ASSERT_EQ(m_list->GetItemCount(), 1);
    EXPECT_EQ(Cell(0, ColTotal), "0");
    EXPECT_EQ(Cell(0, ColExtent), "0 x 0");
    EXPECT_NE(m_form->GetStatus()->GetStatusText(0).Find("notes.plt"), wxNOT_FOUND);
    // No blocks: Enter opens no dialog (a surprise dialog fails the test).
    SelectRow(0);
    PressKey(WXK_RETURN);
}

TEST_F(PlotListTest, RotateRecomputesTheRowAndShowsTheRotatedDrawing)
{
    Queue({"hp2xx_fill.plt"});
    SelectRow(0);
    SendCommand(m_form, cmd::Rotate);
    PumpEvents();
    const PlotMeasure want = Expected("hp2xx_fill.plt", true, false);
    EXPECT_EQ(Cell(0, ColRotate), "Yes");
    EXPECT_EQ(Cell(0, ColTotal), std::to_string(want.blocks));
    EXPECT_EQ(Cell(0, ColExtent),
              PlotQueue::FormatExtent(want.width, want.height, GetPlotter()->resolution));
    int minX = 0, minY = 0, maxX = 0, maxY = 0;
    m_form->GetPlotterView()->GetDrawing().GetBoundRect(minX, minY, maxX, maxY);
    EXPECT_EQ(maxX - minX, want.width);
    EXPECT_EQ(maxY - minY, want.height);

    // Mirror flips only its flag; blocks and extent stay.
    const std::string total = Cell(0, ColTotal);
    const std::string extent = Cell(0, ColExtent);
    SendCommand(m_form, cmd::Mirror);
    PumpEvents();
    EXPECT_EQ(Cell(0, ColMirror), "Yes");
    EXPECT_EQ(Cell(0, ColRotate), "Yes");
    EXPECT_EQ(Cell(0, ColTotal), total);
    EXPECT_EQ(Cell(0, ColExtent), extent);
    EXPECT_EQ(m_form->GetPlotterView()->GetFileName(), "hp2xx_fill.plt");

    // Refused while a plot job runs.
    m_form->SimulatePlotJobForTests(true);
    SendCommand(m_form, cmd::Rotate);
    SendCommand(m_form, cmd::Mirror);
    m_form->SimulatePlotJobForTests(false);
    EXPECT_EQ(Cell(0, ColRotate), "Yes");
    EXPECT_EQ(Cell(0, ColMirror), "Yes");
}

TEST_F(PlotListTest, BlockDialogWritesBeginAndStop)
{
    ASSERT_NE(GetPlotter(), nullptr);
    PLOTTERCONFIG& config = *GetPlotter();
    const PLOTTERCONFIG saved = config;
    config.paperWidth = 0.05f;  // a narrow band gives several blocks
    Queue({"hp2xx_fill.plt"});
    config = saved;
    const int total = PlotQueue::ParseNumber(Cell(0, ColTotal));
    ASSERT_GE(total, 3);
    SelectRow(0);

    wxTEST_DIALOG(PressKey(WXK_RETURN), TypeBlocks(2, 3, wxID_OK));
    EXPECT_EQ(Cell(0, ColBegin), "2");
    EXPECT_EQ(Cell(0, ColStop), "3");

    // A double click opens it too; Cancel changes nothing.
    wxListEvent activated(wxEVT_LIST_ITEM_ACTIVATED, m_list->GetId());
    activated.m_itemIndex = 0;
    activated.SetEventObject(m_list);
    wxTEST_DIALOG(m_list->GetEventHandler()->ProcessEvent(activated),
                  TypeBlocks(1, 1, wxID_CANCEL));
    EXPECT_EQ(Cell(0, ColBegin), "2");
    EXPECT_EQ(Cell(0, ColStop), "3");
}

TEST_F(PlotListTest, BlockDialogEnablesOkOnlyForAValidRange)
{
    CBlockSetDlg dialog(m_form);
    dialog.SetBlocks(5, 7, 2);
    EXPECT_EQ(dialog.m_begin, 5);
    EXPECT_EQ(dialog.m_stop, 5);
    auto* begin = wxDynamicCast(dialog.FindWindow(CBlockSetDlg::ID_BEGIN), wxTextCtrl);
    ASSERT_NE(begin, nullptr);
    EXPECT_EQ(begin->GetValue(), "5");
    wxWindow* ok = dialog.FindWindow(wxID_OK);
    begin->SetValue("6");
    UpdateUI(&dialog);
    EXPECT_FALSE(ok->IsEnabled());
    begin->SetValue("4");
    UpdateUI(&dialog);
    EXPECT_TRUE(ok->IsEnabled());
    EXPECT_EQ(dialog.m_begin, 4);
}

TEST_F(PlotListTest, RemovingAsksAndObeysNo)
{
    Queue({"hp2xx_fill.plt", "ezdxf_PLOTFILE.plt", "hp2xx_spectrum.plt"});
    ASSERT_EQ(m_list->GetItemCount(), 3);
    const std::string first = Cell(0, ColName) + " ", last = Cell(2, ColName) + " ";
    SelectRow(1);
    wxTEST_DIALOG(PressKey(WXK_DELETE), wxExpectModal<wxMessageDialog>(wxNO));
    EXPECT_EQ(m_list->GetItemCount(), 3);
    wxTEST_DIALOG(PressKey(WXK_DELETE), wxExpectModal<wxMessageDialog>(wxYES));
    EXPECT_EQ(Names(), first + last);
    EXPECT_EQ(m_form->GetPlotterView()->GetFileName(), "");
    // The stripes follow the positions again.
    EXPECT_EQ(m_list->GetItemBackgroundColour(1), wxColour(255, 255, 204));

    wxTEST_DIALOG(SendCommand(m_form, cmd::RemoveAll), wxExpectModal<wxMessageDialog>(wxNO));
    EXPECT_EQ(m_list->GetItemCount(), 2);
    wxTEST_DIALOG(SendCommand(m_form, cmd::RemoveAll), wxExpectModal<wxMessageDialog>(wxYES));
    EXPECT_EQ(m_list->GetItemCount(), 0);
    // An empty list asks nothing.
    SendCommand(m_form, cmd::RemoveAll);
}

TEST_F(PlotListTest, CtrlKeysMoveTheSelectedRow)
{
    Queue({"hp2xx_fill.plt", "ezdxf_PLOTFILE.plt", "hp2xx_spectrum.plt"});
    ASSERT_EQ(m_list->GetItemCount(), 3);
    const std::string a = Cell(0, ColName) + " ", b = Cell(1, ColName) + " ",
                      c = Cell(2, ColName) + " ";
    SelectRow(2);
    EXPECT_TRUE(PressKey(WXK_HOME, true));
    EXPECT_EQ(Names(), c + a + b);
    EXPECT_EQ(m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED), 0);
    // Ctrl+Up on the first row moves nothing and passes the key on.
    EXPECT_FALSE(PressKey(WXK_UP, true));
    EXPECT_EQ(Names(), c + a + b);
    PressKey(WXK_DOWN, true);
    EXPECT_EQ(Names(), a + c + b);
    PressKey(WXK_END, true);
    EXPECT_EQ(Names(), a + b + c);
    EXPECT_FALSE(PressKey(WXK_DOWN, true));
    PressKey(WXK_UP, true);
    EXPECT_EQ(Names(), a + c + b);
    // Without Ctrl the keys only navigate.
    PressKey(WXK_HOME);
    EXPECT_EQ(Names(), a + c + b);
}

TEST_F(PlotListTest, SelectingARowPreviewsItsFile)
{
    Queue({"hp2xx_fill.plt", "ezdxf_PLOTFILE.plt"});
    const long row = m_list->FindItem(-1, "ezdxf_PLOTFILE.plt");
    ASSERT_GE(row, 0);
    m_list->SetItem(row, ColRotate, "Yes");
    SelectRow(row);
    CPlotterView* view = m_form->GetPlotterView();
    EXPECT_EQ(view->GetFileName(), "ezdxf_PLOTFILE.plt");
    const PlotMeasure want = Expected("ezdxf_PLOTFILE.plt", true, false);
    int minX = 0, minY = 0, maxX = 0, maxY = 0;
    view->GetDrawing().GetBoundRect(minX, minY, maxX, maxY);
    EXPECT_EQ(maxX - minX, want.width);
    EXPECT_EQ(maxY - minY, want.height);
}

TEST_F(PlotListTest, WindowHandlesEventsWhileFilesAreAdded)
{
    // A request posted before the adding starts runs between two files.
    long rowsWhenHandled = -1;
    m_form->CallAfter([&] { rowsWhenHandled = m_list->GetItemCount(); });
    SendCommand(m_form, cmd::AddAll);
    EXPECT_EQ(m_list->GetItemCount(), 4);
    EXPECT_GE(rowsWhenHandled, 0);
    EXPECT_LT(rowsWhenHandled, 4);
}

// A measurement, not a check: run with --gtest_also_run_disabled_tests.
TEST_F(PlotListTest, DISABLED_AddingFiveHundredFilesTakes)
{
    const char* samples[] = {"hp2xx_fill.plt", "ezdxf_PLOTFILE.plt", "hp2xx_spectrum.plt",
                             "ezdxf_BF_ISO.plt"};
    for (int i = 0; i < 500; ++i)
        fs::copy_file(fs::path(PLOTVANE_SAMPLES_DIR) / samples[i % 4],
                      fs::path(m_folder.Path()) / ("many" + std::to_string(i) + ".plt"));
    SendCommand(m_form, cmd::Refresh);
    PumpUntil([this] { return m_form->GetFileList()->GetItemCount() >= 500; }, 10000);
    const long files = m_form->GetFileList()->GetItemCount();

    int ticks = 0;
    double longestGap = 0;
    auto last = std::chrono::steady_clock::now();
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        const auto now = std::chrono::steady_clock::now();
        longestGap =
            std::max(longestGap, std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
        ++ticks;
    });
    timer.Start(20);
    const auto start = std::chrono::steady_clock::now();
    last = start;
    SendCommand(m_form, cmd::AddAll);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    timer.Stop();
    EXPECT_EQ(m_list->GetItemCount(), files);
    std::printf("%ld files added in %.0f ms; a 20 ms timer ticked %d times, longest gap %.1f ms\n",
                files, ms, ticks, longestGap);
}
