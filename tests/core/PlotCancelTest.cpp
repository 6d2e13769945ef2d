// Cancel, Pause and progress of a plot run against devices that take their
// time: a loopback TCP plotter with a small device buffer reading at a set
// rate, a pseudo-terminal as a serial plotter, a FIFO as a device node.
// What counts is what the device receives after the operator's command.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "LoopbackPlotter.h"
#include "TempDir.h"
#include "TestMarker.h"
#include "plotlib/AtomicFile.h"
#include "plotlib/PlotEncoder.h"
#include "plotlib/PlotRun.h"
#include "plotlib/SafeCut.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

std::string WriteMarker(const TempDir& dir, int pieces)
{
    const std::string path = dir.File("marker.plt");
    EXPECT_TRUE(WriteTestMarker(path, pieces));
    return path;
}

PLOTFILE Job(const std::string& path)
{
    PLOTFILE job;
    job.path = path;
    job.beginBlock = 0;
    job.stopBlock = CPlotJob::kMaxBlocks;
    return job;
}

DeviceInfo Device(ConnectionKind kind, const std::string& target)
{
    DeviceInfo device;
    device.name = "Plotter";
    device.kind = kind;
    device.target = target;
    device.timeoutMs = 5000;
    return device;
}

// A plot run on its own thread, as the window and the CLI run it.
class BackgroundRun {
public:
    BackgroundRun(const DeviceInfo& device, const std::string& path, CPlotCommand* command = nullptr,
        PlotProgressFn progress = nullptr, void* context = nullptr)
    {
        m_thread = std::thread([=] {
            PlotControl control;
            control.cancel = &m_cancel;
            control.command = command;
            control.progress = progress;
            control.context = context;
            m_status = CPlotRun::Plot(device, Job(path), PlotSpacing(),
                                      PackCommandSet(StandardHpglCommandSet()),
                                      PackCommandSet(StandardDmplCommandSet()), control, &m_receipt);
            m_done = true;
        });
    }
    ~BackgroundRun()
    {
        m_cancel = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    void Cancel() { m_cancel = true; }
    bool Done() const { return m_done; }
    // Joins the run and hands its status back.
    Status Wait()
    {
        m_thread.join();
        return m_status;
    }
    const PlotReceipt& Receipt() const { return m_receipt; }

private:
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_done{false};
    Status m_status;
    PlotReceipt m_receipt;
    std::thread m_thread;
};

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds timeout)
{
    const auto until = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() >= until)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// Waits until `count()` has not changed for `quiet`; its value then.
template <typename Count>
size_t WhenQuiet(Count count, std::chrono::milliseconds quiet, std::chrono::milliseconds timeout)
{
    const auto until = Clock::now() + timeout;
    size_t last = count();
    auto since = Clock::now();
    while (Clock::now() < until) {
        std::this_thread::sleep_for(10ms);
        const size_t now = count();
        if (now != last) {
            last = now;
            since = Clock::now();
        } else if (Clock::now() - since >= quiet) {
            break;
        }
    }
    return last;
}

// Every pen-up and pen-down list of an HP-GL stream is made of whole
// coordinate pairs: a cut never left half a coordinate for the device.
std::string BrokenCoordinateList(const std::string& stream)
{
    size_t start = 0;
    while (start < stream.size()) {
        size_t end = stream.find_first_of(";\n", start);
        if (end == std::string::npos)
            end = stream.size();
        const std::string command = stream.substr(start, end - start);
        if (command.size() > 2 && (command.compare(0, 2, "PU") == 0 || command.compare(0, 2, "PD") == 0)) {
            const auto numbers = std::count(command.begin(), command.end(), ',') + 1;
            if (numbers % 2 != 0)
                return command;
        }
        start = end + 1;
    }
    return std::string();
}

size_t Bound(const CLoopbackPlotter& plotter)
{
    return std::max<size_t>(64 * 1024, static_cast<size_t>(plotter.DeviceBuffer()));
}

}  // namespace

TEST(PlotCancel, ASlowPlotterGetsLittleAfterCancelAndEndsOnAPenLift)
{
    TempDir dir;
    const std::string marker = WriteMarker(dir, 3000);  // about 1.5 MB
    CLoopbackPlotter plotter;
    plotter.SetReceiveBuffer(16 * 1024);
    plotter.SetReadRate(200 * 1000);
    BackgroundRun run(Device(ConnectionKind::Tcp, plotter.Target()), marker);
    ASSERT_TRUE(WaitFor([&] { return plotter.BytesReceived() >= 60 * 1000; }, 20s));
    const size_t atCancel = plotter.BytesReceived();
    run.Cancel();
    const Status s = run.Wait();
    EXPECT_TRUE(s.cancelled()) << s.message();
    ASSERT_TRUE(plotter.WaitForJobs(1, 20s));
    const std::string sent = plotter.Jobs()[0];
    EXPECT_LE(sent.size() - atCancel, Bound(plotter)) << "bytes after Cancel";
    const std::string tail = CPlotRun::CancelTail(PlotLanguage::Hpgl, StandardHpglCommandSet());
    ASSERT_GT(sent.size(), tail.size());
    EXPECT_EQ(sent.substr(sent.size() - tail.size()), tail) << "pen lift and end sequence";
    EXPECT_EQ(BrokenCoordinateList(sent), "");
    // The receipt says how far the device got.
    EXPECT_EQ(run.Receipt().bytesTaken, sent.size());
    EXPECT_GT(run.Receipt().jobFraction, 0.0);
    EXPECT_LT(run.Receipt().jobFraction, 0.5);
}

// A plotter that stops reading (its buffer full) and a cancel: the pen lift
// cannot get through, so the connection is reset and what the kernel still
// held for it is dropped; the plotter only plots what it already had.
TEST(PlotCancel, WhatAHeldPlotterHasNotTakenIsDroppedOnCancel)
{
    TempDir dir;
    const std::string marker = WriteMarker(dir, 3000);
    CLoopbackPlotter plotter;
    plotter.SetReceiveBuffer(16 * 1024);
    plotter.SetReadRate(100 * 1000);
    DeviceInfo device = Device(ConnectionKind::Tcp, plotter.Target());
    device.timeoutMs = 700;  // also the limit for the pen lift
    BackgroundRun run(device, marker);
    ASSERT_TRUE(WaitFor([&] { return plotter.BytesReceived() >= 30 * 1000; }, 10s));
    plotter.Hold(true);
    // Every buffer on the way fills up and the output stands still.
    const size_t atCancel = WhenQuiet([&] { return plotter.BytesReceived(); }, 50ms, 500ms);
    const auto cancelled = Clock::now();
    run.Cancel();
    EXPECT_TRUE(run.Wait().cancelled());
    EXPECT_LT(Clock::now() - cancelled, 3s);
    plotter.SetReadRate(0);
    plotter.Hold(false);
    ASSERT_TRUE(plotter.WaitForJobs(1, 10s));
    EXPECT_LE(plotter.Jobs()[0].size() - atCancel, static_cast<size_t>(plotter.DeviceBuffer()))
        << "only the plotter's own buffer, nothing of the queue";
}

TEST(PlotCancel, PauseHoldsWithinTheBoundAndContinueResumesWithNothingLostOrRepeated)
{
    TempDir dir;
    const std::string marker = WriteMarker(dir, 400);  // about 200 KB
    CLoopbackPlotter plotter;
    plotter.SetReceiveBuffer(16 * 1024);
    const DeviceInfo device = Device(ConnectionKind::Tcp, plotter.Target());
    {
        BackgroundRun reference(device, marker);
        ASSERT_TRUE(reference.Wait());
    }
    ASSERT_TRUE(plotter.WaitForJobs(1, 10s));

    plotter.SetReadRate(300 * 1000);
    CPlotCommand command;
    BackgroundRun run(device, marker, &command);
    ASSERT_TRUE(WaitFor([&] { return plotter.BytesReceived() - plotter.Jobs()[0].size() >= 60 * 1000; }, 20s));
    const size_t atPause = plotter.BytesReceived();
    command.Set("PP");
    const size_t held = WhenQuiet([&] { return plotter.BytesReceived(); }, 200ms, 5s);
    EXPECT_LE(held - atPause, Bound(plotter)) << "bytes after Pause";
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(plotter.BytesReceived(), held) << "output went on while paused";
    EXPECT_FALSE(run.Done());
    command.Set("PS");
    const Status s = run.Wait();
    ASSERT_TRUE(s) << s.message();
    ASSERT_TRUE(plotter.WaitForJobs(2, 10s));

    // The paused job is the reference with one pen lift where it held.
    const auto jobs = plotter.Jobs();
    const std::string& reference = jobs[0];
    const std::string& paused = jobs[1];
    ASSERT_EQ(paused.size(), reference.size() + 3);
    const size_t at = static_cast<size_t>(
        std::mismatch(reference.begin(), reference.end(), paused.begin()).first - reference.begin());
    bool resumed = false;
    for (size_t lift = at >= 3 ? at - 3 : 0; lift <= at && !resumed; ++lift)
        resumed = paused.compare(lift, 3, "PU;") == 0 &&
                  paused.compare(lift + 3, std::string::npos, reference, lift) == 0;
    EXPECT_TRUE(resumed) << "the paused job is not the reference with a pen lift at byte " << at;
}

namespace {

struct ProgressLog {
    const CLoopbackPlotter* plotter = nullptr;
    std::vector<std::pair<double, size_t>> reports;  // job fraction, bytes the plotter had
};

void LogProgress(double job, double, void* context)
{
    auto* log = static_cast<ProgressLog*>(context);
    if (job >= 0)
        log->reports.emplace_back(job, log->plotter->BytesReceived());
}

}  // namespace

TEST(PlotCancel, ProgressFollowsWhatThePlotterTookAndOneHundredPercentMeansSent)
{
    TempDir dir;
    const std::string marker = WriteMarker(dir, 300);  // about 150 KB
    CLoopbackPlotter plotter;
    plotter.SetReceiveBuffer(16 * 1024);
    plotter.SetReadRate(400 * 1000);
    ProgressLog log;
    log.plotter = &plotter;
    BackgroundRun run(Device(ConnectionKind::Tcp, plotter.Target()), marker, nullptr, LogProgress, &log);
    ASSERT_TRUE(run.Wait());
    ASSERT_TRUE(plotter.WaitForJobs(1, 10s));
    const size_t total = plotter.Jobs()[0].size();
    ASSERT_FALSE(log.reports.empty());
    for (const auto& report : log.reports)
        EXPECT_GE(static_cast<double>(report.second) + static_cast<double>(Bound(plotter)),
                  report.first * static_cast<double>(total))
            << "reported " << report.first * 100 << "% when the plotter had " << report.second
            << " of " << total << " bytes";
    EXPECT_EQ(log.reports.back().first, 1.0);
    EXPECT_EQ(log.reports.back().second, total) << "100 % before the plotter had everything";
    EXPECT_TRUE(run.Receipt().deviceConfirmed);
    EXPECT_EQ(run.Receipt().bytesTaken, total);
}

// A serial plotter that holds the line with XOFF when Cancel comes: the pen
// lift cannot go out, so the port's queue is flushed before it is closed
// (close does not wait for the plotter), and after its XON the plotter gets
// no more than what was already in its own buffer.
TEST(PlotCancel, ASerialPlotterHoldingXoffGetsNothingQueuedAfterCancel)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    termios raw{};
    ::tcgetattr(master, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(master, TCSANOW, &raw);
    TempDir dir;
    const std::string marker = WriteMarker(dir, 3000);
    DeviceInfo device = Device(ConnectionKind::Serial, ::ptsname(master));
    device.serial.baudRate = 115200;
    device.serial.flow = FlowControl::XonXoff;
    device.timeoutMs = 700;  // also the limit for the pen lift
    std::string received;
    auto readFor = [&](std::chrono::milliseconds span, size_t enough) {
        char buffer[1024];
        const auto until = Clock::now() + span;
        while (Clock::now() < until && received.size() < enough) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0) {
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                if (n > 0)
                    received.append(buffer, static_cast<size_t>(n));
            }
        }
    };
    {
        BackgroundRun run(device, marker);
        readFor(10s, 32 * 1024);  // the job is under way
        const size_t before = received.size();
        ASSERT_GE(before, 32u * 1024u);
        const char xoff = 0x13, xon = 0x11;
        EXPECT_EQ(::write(master, &xoff, 1), 1);
        std::this_thread::sleep_for(100ms);  // the line fills up meanwhile
        const auto cancelled = Clock::now();
        run.Cancel();
        const Status s = run.Wait();
        EXPECT_TRUE(s.cancelled()) << s.message();
        EXPECT_LT(Clock::now() - cancelled, 3s);
        EXPECT_EQ(::write(master, &xon, 1), 1);
        readFor(200ms, SIZE_MAX);
        // The pseudo-terminal's own line buffer (4 KB) stays; what the
        // port held beyond it is gone.
        EXPECT_LE(received.size() - before, 6u * 1024u) << "the queue reached the plotter after Cancel";
    }
    ::close(master);
}

TEST(PlotCancel, AFifoReaderGetsLittleAfterCancelAndThePenLift)
{
    TempDir dir;
    const std::string marker = WriteMarker(dir, 3000);
    const std::string fifo = dir.File("lp0");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<size_t> bytes{0};
    std::atomic<bool> slow{true};
    std::string received;
    std::thread reader([&] {
        const int fd = ::open(fifo.c_str(), O_RDONLY);
        char buffer[512];
        ssize_t n = 0;
        while (fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0) {
            received.append(buffer, static_cast<size_t>(n));
            bytes += static_cast<size_t>(n);
            if (slow)
                std::this_thread::sleep_for(2ms);  // about 250 KB/s
        }
        if (fd >= 0)
            ::close(fd);
    });
    {
        BackgroundRun run(Device(ConnectionKind::File, fifo), marker);
        EXPECT_TRUE(WaitFor([&] { return bytes.load() >= 60 * 1000; }, 20s));
        const size_t atCancel = bytes.load();
        run.Cancel();
        EXPECT_TRUE(run.Wait().cancelled());
        slow = false;
        reader.join();
        EXPECT_LE(received.size() - atCancel, 16u * 1024u) << "bytes after Cancel";
        const std::string tail = CPlotRun::CancelTail(PlotLanguage::Hpgl, StandardHpglCommandSet());
        ASSERT_GT(received.size(), tail.size());
        EXPECT_EQ(received.substr(received.size() - tail.size()), tail);
        EXPECT_EQ(BrokenCoordinateList(received), "");
    }
}

// Where a stream cut short by a cancel may end: after a command, or after
// a whole coordinate pair inside a list; never inside a number or after
// the X of a pair.
TEST(SafeCut, CompletesTheCommandOrCoordinatePairACancelCutShort)
{
    struct Case {
        const char* name;
        PlotLanguage language;
        const char* before;  // pieces already sent whole
        const char* piece;
        size_t sent;
        const char* rest;  // what still has to go out
    };
    const Case cases[] = {
        {"at a command end", PlotLanguage::Hpgl, "", "IN;PU0,0;SP1;", 9, ""},
        {"inside a number", PlotLanguage::Hpgl, "", "PU10,20;PD4620,915,30,40;", 13, "0,915"},
        {"after the X of a pair", PlotLanguage::Hpgl, "", "PD100,200,300,400;", 5, ",200"},
        {"inside the pen select", PlotLanguage::Hpgl, "", "SP12;PU1,2;", 3, "2;"},
        {"a list going on from the last piece", PlotLanguage::Hpgl, "PD1,2,3,4", ",55,66,77,88;", 2,
         "5,66"},
        {"negative numbers", PlotLanguage::Hpgl, "", "PU-10,-20;", 4, "0,-20"},
        {"DMPL list", PlotLanguage::Dmpl, ";:ECN \n", "U100,200 D300,400,500,600 ", 13, ",400"},
        {"DMPL command end", PlotLanguage::Dmpl, "", "SP2 U1,2 ", 4, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CSafeCut cut(c.language);
        cut.Consume(c.before, std::strlen(c.before));
        const size_t size = std::strlen(c.piece);
        const size_t end = cut.SafeEnd(c.piece, size, c.sent);
        EXPECT_EQ(std::string(c.piece + c.sent, end - c.sent), c.rest);
    }
}
