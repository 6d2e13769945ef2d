// Plot runs of the main window against a real peer: a plotter on the
// loopback interface (CLoopbackPlotter) that records every job it receives.
// The run goes through the window's own commands: Begin plot, Pause and
// Continue, Cancel with its question, the auto-plot timer and the device
// choice.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>

#include "GuiTestSupport.h"
#include "TempDir.h"
#include "app/gui/PlotvaneApp.h"
#include "core/LoopbackPlotter.h"
#include "mainframe/CommandIds.h"
#include "mainframe/gui/MainForm.h"
#include "mainframe/PlotQueue.h"
#include "plotlib/Devices.h"

namespace fs = std::filesystem;

namespace {

const char* const kSamples[] = {"hp2xx_fill.plt", "ezdxf_PLOTFILE.plt", "hp2xx_spectrum.plt"};

// An HP-GL marker of `pieces` pattern pieces: closed outlines of 60 points
// (about 10 cm across), 15 across the paper and as many columns along it as
// needed, as a pattern program lays them out.
void WriteMarkerFile(const std::string& path, int pieces)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> jitter(-80, 80);
    std::ofstream out(path, std::ios::trunc);
    out << "IN;SP1;";
    for (int piece = 0; piece < pieces; ++piece) {
        const int cx = 2500 + (piece / 15) * 4500;
        const int cy = 2500 + (piece % 15) * 4500;
        std::string points;
        int firstX = 0, firstY = 0;
        for (int k = 0; k < 60; ++k) {
            const double angle = k * 2 * 3.14159265358979 / 60;
            const int x = cx + static_cast<int>(2000 * std::cos(angle)) + jitter(rng);
            const int y = cy + static_cast<int>(1500 * std::sin(angle)) + jitter(rng);
            if (k == 0) {
                firstX = x;
                firstY = y;
                out << "PU" << x << ',' << y << ";PD";
            } else {
                out << (k > 1 ? "," : "") << x << ',' << y;
            }
        }
        out << ',' << firstX << ',' << firstY << ';';
    }
    out << "PU;SP0;";
}

class PlotJobTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_savedDevices = GetDeviceInfos();
        m_savedDefault = GetDefaultDevice();
        PlotvaneApp& app = wxGetApp();
        m_savedPlotPath = app.m_plotPath;
        m_savedDelete = app.m_autoDeleteFile;
        m_savedAuto = app.m_autoPlot;
        app.m_plotPath = wxString::FromUTF8(m_folder.Path());
        app.m_autoDeleteFile = false;
        app.m_autoPlot = false;
    }

    void TearDown() override
    {
        if (m_form) {
            wxGetApp().m_autoPlot = false;
            EXPECT_TRUE(WaitForRunEnd()) << "a run was left going";
            DestroyMainForm(m_form);
        }
        PlotvaneApp& app = wxGetApp();
        app.m_plotPath = m_savedPlotPath;
        app.m_autoDeleteFile = m_savedDelete;
        app.m_autoPlot = m_savedAuto;
        EXPECT_TRUE(SetDeviceInfos(m_savedDevices, m_savedDefault).ok());
    }

    static DeviceInfo TcpDevice(const std::string& name, const std::string& target)
    {
        DeviceInfo device;
        device.name = name;
        device.kind = ConnectionKind::Tcp;
        device.target = target;
        device.timeoutMs = 5000;
        return device;
    }

    // The one device of the run; the window is opened afterwards so that
    // its device choice shows it.
    void UseDevice(const std::string& target)
    {
        ASSERT_TRUE(SetDeviceInfos({TcpDevice("Loopback", target)}, "Loopback"));
    }

    void Open()
    {
        m_form = CreateMainForm();
        m_list = m_form->GetPlotList();
    }

    std::string Path(const std::string& name) const { return m_folder.File(name); }

    void CopySamples()
    {
        for (const char* name : kSamples)
            fs::copy_file(fs::path(PLOTVANE_SAMPLES_DIR) / name, Path(name),
                          fs::copy_options::overwrite_existing);
    }

    // Queues `names` (loaded, as the window's add commands do) with the
    // given copies.
    void Queue(const std::vector<std::string>& names, const std::vector<int>& copies)
    {
        wxArrayString list;
        for (const std::string& name : names)
            list.Add(wxString::FromUTF8(name));
        m_form->AddFilesToPlotList(list, true);
        ASSERT_EQ(m_list->GetItemCount(), static_cast<int>(names.size()));
        for (size_t row = 0; row < copies.size(); ++row)
            m_list->SetItem(static_cast<long>(row), ColCopies, wxString::Format("%d", copies[row]));
    }

    std::string Names() const
    {
        std::string names;
        for (long row = 0; row < m_list->GetItemCount(); ++row)
            names += std::string(m_list->GetItemText(row, ColName).utf8_str()) + " ";
        return names;
    }

    bool WaitForRunEnd(int timeoutMs = 60000)
    {
        return PumpUntil([this] { return !m_form->IsPlotting(); }, timeoutMs);
    }

    wxString PauseLabel() const
    {
        return static_cast<wxButton*>(m_form->FindWindow(cmd::Pause))->GetLabel();
    }

    std::string StatusText(int field) const
    {
        return std::string(m_form->GetStatus()->GetStatusText(field).utf8_str());
    }

    TempDir m_folder;
    MainForm* m_form = nullptr;
    wxListCtrl* m_list = nullptr;
    std::vector<DeviceInfo> m_savedDevices;
    std::string m_savedDefault;
    wxString m_savedPlotPath;
    bool m_savedDelete = false;
    bool m_savedAuto = false;
};

} // namespace

TEST_F(PlotJobTest, EveryCopyIsOneJobInQueueOrderAndRowsLeaveOneByOne)
{
    for (const bool deleteFile : {false, true}) {
        SCOPED_TRACE(deleteFile ? "delete file on" : "delete file off");
        CLoopbackPlotter plotter;
        UseDevice(plotter.Target());
        CopySamples();
        Open();
        wxGetApp().m_autoDeleteFile = deleteFile;
        Queue({kSamples[0], kSamples[1], kSamples[2]}, {2, 1, 3});

        // Each row leaves the list once its copies have reached the plotter
        // and before the next job starts: the plot thread waits for the
        // removal, so the plotter has exactly the jobs so far meanwhile.
        const size_t jobsSoFar[] = {2, 3, 6};
        std::vector<size_t> jobsAtRemoval;
        m_list->Bind(wxEVT_LIST_DELETE_ITEM, [&](wxListEvent& event) {
            EXPECT_EQ(event.GetIndex(), 0);
            const size_t expected = jobsSoFar[std::min<size_t>(jobsAtRemoval.size(), 2)];
            // The plotter's own thread may still be reading the last one.
            EXPECT_TRUE(plotter.WaitForJobs(expected, std::chrono::seconds(20)));
            jobsAtRemoval.push_back(plotter.Jobs().size());
            event.Skip();
        });

        SendCommand(m_form, cmd::Print);
        EXPECT_TRUE(m_form->IsPlotting());
        ASSERT_TRUE(WaitForRunEnd());
        ASSERT_TRUE(plotter.WaitForJobs(6, std::chrono::seconds(20)));

        const std::vector<std::string> jobs = plotter.Jobs();
        ASSERT_EQ(jobs.size(), 6u);
        for (const std::string& job : jobs)
            EXPECT_EQ(job.rfind("IN;", 0), 0u) << "every job is a whole HP-GL job";
        // Copies of one file are the same bytes; the files differ.
        EXPECT_EQ(jobs[0], jobs[1]);
        EXPECT_EQ(jobs[3], jobs[4]);
        EXPECT_EQ(jobs[4], jobs[5]);
        EXPECT_NE(jobs[0], jobs[2]);
        EXPECT_NE(jobs[2], jobs[3]);
        EXPECT_NE(jobs[0], jobs[3]);

        EXPECT_EQ(jobsAtRemoval, (std::vector<size_t>{2, 3, 6}));
        EXPECT_EQ(m_list->GetItemCount(), 0);
        for (const char* name : kSamples)
            EXPECT_EQ(fs::exists(Path(name)), !deleteFile) << name;
        // The file list was scanned again when the run ended.
        EXPECT_EQ(m_form->GetFileList()->GetItemCount(), deleteFile ? 0 : 3);
        // The last progress report stays on the status line.
        EXPECT_EQ(StatusText(5), " 100.0% - 100.0%");
        EXPECT_EQ(PauseLabel(), _("Pause"));

        DestroyMainForm(m_form);
        m_form = nullptr;
    }
}

TEST_F(PlotJobTest, PauseHoldsTheByteStreamAndContinueResumesIt)
{
    CLoopbackPlotter plotter;
    UseDevice(plotter.Target());
    WriteMarkerFile(Path("big.plt"), 3000);
    Open();
    Queue({"big.plt"}, {1});

    // Paused before the plot thread gets to its first polyline.
    SendCommand(m_form, cmd::Print);
    SendCommand(m_form, cmd::Pause);
    EXPECT_EQ(PauseLabel(), _("Continue"));

    ASSERT_TRUE(PumpUntil([&] { return plotter.BytesReceived() > 0; }, 20000));
    // Held: however long we wait, the job does not go on.
    PumpUntil([] { return false; }, 700);
    const size_t held = plotter.BytesReceived();
    EXPECT_TRUE(plotter.Jobs().empty());
    EXPECT_TRUE(m_form->IsPlotting());
    EXPECT_LT(held, 1000u) << "only the start of the job went out";

    SendCommand(m_form, cmd::Pause);
    EXPECT_EQ(PauseLabel(), _("Pause"));
    ASSERT_TRUE(WaitForRunEnd());
    ASSERT_TRUE(plotter.WaitForJobs(1, std::chrono::seconds(20)));
    EXPECT_GT(plotter.Jobs()[0].size(), 100 * held);
    EXPECT_EQ(m_list->GetItemCount(), 0);
}

TEST_F(PlotJobTest, CancelAnsweredYesStopsTheJobAndKeepsTheRestQueued)
{
    CLoopbackPlotter plotter;
    UseDevice(plotter.Target());
    CopySamples();
    Open();
    wxGetApp().m_autoDeleteFile = true;
    Queue({kSamples[0], kSamples[1], kSamples[2]}, {1, 1, 1});

    // Paused, so that the first job is surely still running when asked.
    SendCommand(m_form, cmd::Print);
    SendCommand(m_form, cmd::Pause);
    ASSERT_TRUE(PumpUntil([&] { return plotter.BytesReceived() > 0; }, 20000));

    wxTEST_DIALOG(SendCommand(m_form, cmd::Cancel),
                  wxExpectModal<wxMessageDialog>(wxNO).Describe("cancel question, No"));
    PumpEvents();
    EXPECT_TRUE(m_form->IsPlotting()) << "No keeps the job going";

    wxTEST_DIALOG(SendCommand(m_form, cmd::Cancel),
                  wxExpectModal<wxMessageDialog>(wxYES).Describe("cancel question, Yes"));
    ASSERT_TRUE(WaitForRunEnd());

    EXPECT_EQ(Names(), std::string(kSamples[1]) + " " + kSamples[2] + " ");
    for (const char* name : kSamples)
        EXPECT_TRUE(fs::exists(Path(name))) << name << ": a cancelled job keeps its file";
    ASSERT_TRUE(plotter.WaitForJobs(1, std::chrono::seconds(20)));
    EXPECT_EQ(plotter.Jobs().size(), 1u);
    EXPECT_EQ(PauseLabel(), _("Pause"));
}

// Cancel on a slow plotter (a cutter at work, its own small buffer): the
// answer Yes stops the device within a bound, not seconds later when the
// kernel's buffers run dry, and the job ends on a pen lift.
TEST_F(PlotJobTest, CancelOnASlowPlotterStopsItWithinTheBoundAndEndsOnAPenLift)
{
    CLoopbackPlotter plotter;
    plotter.SetReceiveBuffer(16 * 1024);
    plotter.SetReadRate(200 * 1000);
    UseDevice(plotter.Target());
    WriteMarkerFile(Path("big.plt"), 3000);
    Open();
    Queue({"big.plt"}, {1});

    SendCommand(m_form, cmd::Print);
    ASSERT_TRUE(PumpUntil([&] { return plotter.BytesReceived() >= 60 * 1000; }, 30000));
    wxTEST_DIALOG(SendCommand(m_form, cmd::Cancel),
                  wxExpectModal<wxMessageDialog>(wxYES).Describe("cancel question, Yes"));
    const size_t atCancel = plotter.BytesReceived();
    ASSERT_TRUE(WaitForRunEnd());
    ASSERT_TRUE(plotter.WaitForJobs(1, std::chrono::seconds(20)));

    const std::string sent = plotter.Jobs()[0];
    EXPECT_LE(sent.size() - atCancel,
              std::max<size_t>(64 * 1024, static_cast<size_t>(plotter.DeviceBuffer())))
        << "bytes after Cancel";
    const std::string tail = ";PU;PU;PG;\n";  // the cut command ended, pen up, end sequence
    ASSERT_GT(sent.size(), tail.size());
    EXPECT_EQ(sent.substr(sent.size() - tail.size()), tail);
    EXPECT_TRUE(fs::exists(Path("big.plt"))) << "a cancelled job keeps its file";
}

// A close that cannot be refused (the session ends) cancels the run and
// waits for the plot thread, which at that moment wants the window to
// remove the job's row: it must give up instead of waiting for a window
// that waits for it.
TEST_F(PlotJobTest, AForcedCloseDuringARunEndsItWithoutADeadlock)
{
    CLoopbackPlotter plotter;
    UseDevice(plotter.Target());
    CopySamples();
    Open();
    wxGetApp().m_autoDeleteFile = true;
    Queue({kSamples[0], kSamples[1]}, {1, 1});
    SendCommand(m_form, cmd::Print);
    SendCommand(m_form, cmd::Pause);
    ASSERT_TRUE(PumpUntil([&] { return plotter.BytesReceived() > 0; }, 20000));

    EXPECT_TRUE(m_form->Close(true));
    EXPECT_FALSE(m_form->IsPlotting());
    PumpEvents();
    m_form = nullptr;  // destroyed by the close

    ASSERT_TRUE(plotter.WaitForJobs(1, std::chrono::seconds(20)));
    EXPECT_EQ(plotter.Jobs().size(), 1u);
    for (const char* name : {kSamples[0], kSamples[1]})
        EXPECT_TRUE(fs::exists(Path(name))) << name;
}

TEST_F(PlotJobTest, ARefusedConnectionFailsTheJobKeepsItsFileAndSaysWhy)
{
    std::string target;
    {
        CLoopbackPlotter probe;  // a port that was free a moment ago
        target = probe.Target();
    }
    UseDevice(target);
    CopySamples();
    Open();
    wxGetApp().m_autoDeleteFile = true;
    Queue({kSamples[0], kSamples[1]}, {2, 1});

    SendCommand(m_form, cmd::Print);
    ASSERT_TRUE(WaitForRunEnd());
    PumpEvents();

    // Both jobs were tried (the run goes on after a failure) and left.
    EXPECT_EQ(m_list->GetItemCount(), 0);
    EXPECT_TRUE(fs::exists(Path(kSamples[0])));
    EXPECT_TRUE(fs::exists(Path(kSamples[1])));
    EXPECT_EQ(StatusText(0), std::string("Plotting ") + kSamples[1] + " failed: cannot connect to " +
                                 target + ": connection refused");
}

TEST_F(PlotJobTest, AutoPlotQueuesPlotsAndDeletesANewFile)
{
    CLoopbackPlotter plotter;
    UseDevice(plotter.Target());
    Open();
    wxGetApp().m_autoDeleteFile = true;
    SendCommand(m_form, cmd::AutoPlot, wxEVT_CHECKBOX, 1);
    ASSERT_TRUE(wxGetApp().m_autoPlot);
    PumpUntil([] { return false; }, 1200);  // ticks with an empty folder do nothing
    EXPECT_EQ(plotter.Connections(), 0);

    fs::copy_file(fs::path(PLOTVANE_SAMPLES_DIR) / kSamples[0], Path(kSamples[0]));
    ASSERT_TRUE(PumpUntil(
        [&] {
            return plotter.Jobs().size() == 1 && !fs::exists(Path(kSamples[0])) &&
                   !m_form->IsPlotting();
        },
        20000));
    EXPECT_EQ(m_list->GetItemCount(), 0);
    EXPECT_TRUE(wxGetApp().m_autoPlot);
}

TEST_F(PlotJobTest, AFailureSwitchesAutoPlotOff)
{
    std::string target;
    {
        CLoopbackPlotter probe;
        target = probe.Target();
    }
    UseDevice(target);
    Open();
    wxGetApp().m_autoDeleteFile = true;
    SendCommand(m_form, cmd::AutoPlot, wxEVT_CHECKBOX, 1);
    ASSERT_TRUE(wxGetApp().m_autoPlot);

    fs::copy_file(fs::path(PLOTVANE_SAMPLES_DIR) / kSamples[0], Path(kSamples[0]));
    ASSERT_TRUE(PumpUntil([&] { return !wxGetApp().m_autoPlot && !m_form->IsPlotting(); }, 20000));
    PumpEvents();
    auto* box = static_cast<wxCheckBox*>(m_form->FindWindow(cmd::AutoPlot));
    EXPECT_FALSE(box->GetValue());
    EXPECT_TRUE(fs::exists(Path(kSamples[0])));
    EXPECT_NE(StatusText(0).find("failed"), std::string::npos);
    // It stays off: the next ticks queue nothing.
    PumpUntil([] { return false; }, 1200);
    EXPECT_FALSE(m_form->IsPlotting());
    EXPECT_EQ(m_list->GetItemCount(), 0);
}

TEST_F(PlotJobTest, DeviceChoiceMeasuresTheRowsAgainAndIsRefusedDuringARun)
{
    DeviceInfo blocks = TcpDevice("Blocks", "127.0.0.1:9");
    blocks.config.blockLength = 0.05f;  // short blocks: several per file
    DeviceInfo whole = TcpDevice("Whole", "127.0.0.1:9");
    whole.config.blockLength = 0.0f;    // one block per band
    ASSERT_TRUE(SetDeviceInfos({blocks, whole}, "Whole"));
    CopySamples();
    Open();
    Queue({kSamples[2]}, {1});
    const wxString wholeTotal = m_list->GetItemText(0, ColTotal);

    wxChoice* choice = m_form->GetDeviceChoice();
    choice->SetStringSelection("Blocks");
    SendCommand(m_form, cmd::DeviceChoice, wxEVT_CHOICE);
    EXPECT_EQ(GetDefaultDevice(), "Blocks");
    EXPECT_NE(m_list->GetItemText(0, ColTotal), wholeTotal);

    m_form->SimulatePlotJobForTests(true);
    choice->SetStringSelection("Whole");
    SendCommand(m_form, cmd::DeviceChoice, wxEVT_CHOICE);
    EXPECT_EQ(GetDefaultDevice(), "Blocks");
    EXPECT_EQ(choice->GetStringSelection(), "Blocks") << "the choice shows the device in use";
    m_form->SimulatePlotJobForTests(false);
}

TEST_F(PlotJobTest, StartingWithoutADeviceChoiceSaysSo)
{
    CLoopbackPlotter plotter;
    UseDevice(plotter.Target());
    CopySamples();
    Open();
    Queue({kSamples[0]}, {1});
    m_form->GetDeviceChoice()->SetSelection(wxNOT_FOUND);
    wxTEST_DIALOG(SendCommand(m_form, cmd::Print),
                  wxExpectModal<wxMessageDialog>(wxOK).Describe("Not selected device!"));
    EXPECT_FALSE(m_form->IsPlotting());
    EXPECT_EQ(m_list->GetItemCount(), 1);
}

// Throughput of a run from the window to the loopback plotter: a large
// generated marker plotted once. Timed from Begin plot to the run's end
// (preview load included) and from the first byte to the end (the output
// alone). Run it with
//   --gtest_also_run_disabled_tests --gtest_filter='*Throughput*'
// and PLOTVANE_BENCH_PIECES=<pieces> for another size (default 4000).
TEST_F(PlotJobTest, DISABLED_ThroughputToALoopbackPlotter)
{
    const char* size = std::getenv("PLOTVANE_BENCH_PIECES");
    const int pieces = size ? std::atoi(size) : 4000;
    CLoopbackPlotter plotter;
    UseDevice(plotter.Target());
    WriteMarkerFile(Path("marker.plt"), pieces);
    Open();
    Queue({"marker.plt"}, {1});

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    SendCommand(m_form, cmd::Print);
    ASSERT_TRUE(PumpUntil([&] { return plotter.BytesReceived() > 0; }, 600000));
    const auto firstByte = Clock::now();
    ASSERT_TRUE(WaitForRunEnd(600000));
    const auto end = Clock::now();
    ASSERT_TRUE(plotter.WaitForJobs(1, std::chrono::seconds(20)));
    const double bytes = static_cast<double>(plotter.Jobs()[0].size());
    const double total = std::chrono::duration<double>(end - start).count();
    const double output = std::chrono::duration<double>(end - firstByte).count();
    std::printf("plot run of %d pieces (file %.0f bytes): %.0f bytes sent; click to end %.3f s "
                "(%.2f MB/s); first byte to end %.3f s (%.2f MB/s)\n",
                pieces, static_cast<double>(fs::file_size(Path("marker.plt"))), bytes, total,
                bytes / total / 1e6, output, bytes / output / 1e6);
}
