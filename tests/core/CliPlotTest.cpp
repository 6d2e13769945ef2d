// plotvane-cli plot as a real process against devices that misbehave: a
// FIFO whose reader goes away, a slow plotter interrupted with Ctrl+C, a
// plotter that never closes its side. The program is copied into a folder
// of its own, where it reads the device list the test writes.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "LoopbackPlotter.h"
#include "TempDir.h"
#include "TestMarker.h"
#include "core/CliRunner.h"
#include "plotlib/AtomicFile.h"
#include "plotlib/DeviceList.h"
#include "plotlib/PlotRun.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

class CliPlot : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(CliPath()))
            GTEST_SKIP() << "plotvane-cli is not built next to core_tests (" << CliPath() << ")";
        m_exe = m_dir.File("plotvane-cli");
        fs::copy_file(CliPath(), m_exe);
        fs::permissions(m_exe, fs::perms::owner_all);
        m_marker = m_dir.File("marker.plt");
        ASSERT_TRUE(WriteTestMarker(m_marker, 3000));  // about 1.5 MB on the device
    }

    void UseDevice(ConnectionKind kind, const std::string& target, int timeoutMs = 5000)
    {
        DeviceInfo device;
        device.name = "Plotter";
        device.kind = kind;
        device.target = target;
        device.timeoutMs = timeoutMs;
        ASSERT_TRUE(WriteFileAtomically(m_dir.File("Devices.ini"),
                                        CDeviceList::Serialize({device}, device.name)));
    }

    TempDir m_dir;
    std::string m_exe;
    std::string m_marker;
};

}  // namespace

// The reader of a FIFO device goes away part way: a message and a failure
// status, not a silent death by SIGPIPE (exit 141 in a shell).
TEST_F(CliPlot, AFifoWhoseReaderGoesAwayIsAWriteErrorNotSigpipe)
{
    const std::string fifo = m_dir.File("lp0");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    UseDevice(ConnectionKind::File, fifo);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    // The reader takes what comes as fast as it can, then goes: the writer
    // meets it gone with room in the pipe.
    std::thread readSome([reader] {
        size_t got = 0;
        char buffer[65536];
        const auto until = Clock::now() + 20s;
        while (got < 200 * 1000 && Clock::now() < until) {
            pollfd p{reader, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) {
                const ssize_t n = ::read(reader, buffer, sizeof buffer);
                if (n > 0)
                    got += static_cast<size_t>(n);
            }
        }
        ::close(reader);  // the plotter is switched off
    });
    const CliResult r = RunCliAt(m_exe, {"plot", m_marker});
    readSome.join();
    EXPECT_EQ(r.signal, 0) << "killed by signal " << r.signal;
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write to " + fifo + ": the device went away (broken pipe)"),
              std::string::npos)
        << r.err;
}

TEST_F(CliPlot, CtrlCCancelsWithinTheBoundAndEndsOnAPenLift)
{
    CLoopbackPlotter plotter;
    plotter.SetReceiveBuffer(16 * 1024);
    plotter.SetReadRate(200 * 1000);
    UseDevice(ConnectionKind::Tcp, plotter.Target());
    size_t atInterrupt = 0;
    const CliResult r = RunCliAt(m_exe, {"plot", m_marker}, [&](int pid) {
        const auto until = Clock::now() + 20s;
        while (plotter.BytesReceived() < 60 * 1000 && Clock::now() < until)
            std::this_thread::sleep_for(2ms);
        atInterrupt = plotter.BytesReceived();
        ::kill(pid, SIGINT);
    });
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cancelled at"), std::string::npos) << r.err;
    ASSERT_TRUE(plotter.WaitForJobs(1, 20s));
    const std::string sent = plotter.Jobs()[0];
    EXPECT_LE(sent.size() - atInterrupt,
              std::max<size_t>(64 * 1024, static_cast<size_t>(plotter.DeviceBuffer())))
        << "bytes after Ctrl+C";
    const std::string tail = CPlotRun::CancelTail(PlotLanguage::Hpgl, StandardHpglCommandSet());
    ASSERT_GT(sent.size(), tail.size());
    EXPECT_EQ(sent.substr(sent.size() - tail.size()), tail);
}

TEST_F(CliPlot, APlotterThatNeverConfirmsTheJobGetsANote)
{
    CLoopbackPlotter plotter(CLoopbackPlotter::Mode::KeepOpen);
    UseDevice(ConnectionKind::Tcp, plotter.Target(), 300);
    const CliResult r = RunCliAt(m_exe, {"plot", m_marker});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("plotted"), std::string::npos);
    EXPECT_NE(r.err.find("did not confirm"), std::string::npos) << r.err;
}
