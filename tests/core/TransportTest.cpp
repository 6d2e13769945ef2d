// The connections against real peers on this machine: a loopback TCP
// plotter (recording, stalling, dropping), a pseudo-terminal standing in for
// a serial plotter with XON/XOFF, a FIFO as a device node, plain files and
// folders, and a CUPS raw queue on the local scheduler.
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "LoopbackPlotter.h"
#include "TempDir.h"
#include "plotlib/AtomicFile.h"
#include "plotlib/CupsTransport.h"
#include "plotlib/FileTransport.h"
#include "plotlib/FolderTransport.h"
#include "plotlib/PosixIo.h"
#include "plotlib/SerialTransport.h"
#include "plotlib/TcpTransport.h"

#if PLOTVANE_HAVE_CUPS
#include <cups/cups.h>
#endif

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

std::string Pattern(size_t size)
{
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>('A' + (i * 7 + i / 13) % 26);
    return data;
}

Status WriteJob(CTransport& t, const std::string& data, size_t chunk = 8192)
{
    Status s = t.Open("test job");
    for (size_t at = 0; s && at < data.size(); at += chunk)
        s = t.Write(data.data() + at, std::min(chunk, data.size() - at));
    if (s)
        s = t.Finish();
    else
        t.Abort();
    return s;
}

int FreeClosedPort()
{
    CLoopbackPlotter probe;
    return probe.Port();  // closed again when the probe goes
}

}  // namespace

TEST(TcpTransport, DeliversEveryByteOfConsecutiveJobs)
{
    CLoopbackPlotter plotter;
    CTcpTransport tcp(plotter.Target());
    const std::string first = Pattern(3 * 1024 * 1024 + 17), second = "IN;PU0,0;PD10,10;PU;PG;";
    ASSERT_TRUE(WriteJob(tcp, first)) << "first job";
    ASSERT_TRUE(WriteJob(tcp, second)) << "second job";
    ASSERT_TRUE(plotter.WaitForJobs(2, 10s));
    const auto jobs = plotter.Jobs();
    EXPECT_TRUE(jobs[0] == first);
    EXPECT_EQ(jobs[1], second);
}

TEST(TcpTransport, RefusedConnectionFailsFastWithTheReason)
{
    const int port = FreeClosedPort();
    CTcpTransport tcp("127.0.0.1:" + std::to_string(port));
    const auto start = Clock::now();
    Status s = tcp.Open("job");
    EXPECT_FALSE(s);
    EXPECT_EQ(s.message(), "cannot connect to 127.0.0.1:" + std::to_string(port) +
                               ": connection refused");
    EXPECT_LT(Clock::now() - start, 2s);
}

TEST(TcpTransport, BadTargetsAreRefusedBeforeConnecting)
{
    for (const char* target : {"", ":9100", "127.0.0.1:0", "127.0.0.1:99999", "127.0.0.1:91x"}) {
        CTcpTransport tcp(target);
        Status s = tcp.Open("job");
        EXPECT_FALSE(s) << target;
        EXPECT_NE(s.message().find("cannot connect to"), std::string::npos) << s.message();
    }
}

TEST(TcpTransport, StalledPlotterTimesOut)
{
    CLoopbackPlotter plotter(CLoopbackPlotter::Mode::Stall);
    CTcpTransport tcp(plotter.Target());
    tcp.SetStallTimeoutMs(300);
    const auto start = Clock::now();
    Status s = WriteJob(tcp, Pattern(64 * 1024 * 1024), 1024 * 1024);
    EXPECT_FALSE(s);
    EXPECT_NE(s.message().find("timed out after 300 ms"), std::string::npos) << s.message();
    EXPECT_LT(Clock::now() - start, 10s);
}

TEST(TcpTransport, CancelEndsAStalledWriteAtOnce)
{
    CLoopbackPlotter plotter(CLoopbackPlotter::Mode::Stall);
    std::atomic<bool> cancel{false};
    CTcpTransport tcp(plotter.Target());
    tcp.SetStallTimeoutMs(0);  // would wait for ever
    tcp.SetCancelFlag(&cancel);
    std::thread canceller([&] {
        std::this_thread::sleep_for(300ms);
        cancel = true;
    });
    const auto start = Clock::now();
    Status s = WriteJob(tcp, Pattern(64 * 1024 * 1024), 1024 * 1024);
    canceller.join();
    EXPECT_FALSE(s);
    EXPECT_NE(s.message().find("cancelled"), std::string::npos) << s.message();
    EXPECT_LT(Clock::now() - start, 3s);
}

TEST(TcpTransport, DroppedConnectionFailsTheJob)
{
    CLoopbackPlotter plotter(CLoopbackPlotter::Mode::DropAfter, 100000);
    CTcpTransport tcp(plotter.Target());
    tcp.SetStallTimeoutMs(5000);
    Status s = WriteJob(tcp, Pattern(16 * 1024 * 1024), 64 * 1024);
    EXPECT_FALSE(s);
    EXPECT_NE(s.message().find("127.0.0.1:" + std::to_string(plotter.Port())), std::string::npos)
        << s.message();
}

// A plotter that reads the first kilobyte of a job and then drops the
// connection has not plotted it, even though the kernel took every byte.
TEST(TcpTransport, APlotterThatResetsAfterTakingPartOfTheJobFailsIt)
{
    CLoopbackPlotter plotter(CLoopbackPlotter::Mode::DropAfter, 1024);
    plotter.SetResetDelay(300ms);
    CTcpTransport tcp(plotter.Target());
    Status s = WriteJob(tcp, Pattern(3500));
    EXPECT_FALSE(s);
    EXPECT_EQ(s.kind(), StatusKind::DeviceError);
    EXPECT_NE(s.message().find("dropped the connection"), std::string::npos) << s.message();
}

// The end of a job is confirmed by the plotter closing its side after ours;
// what it says meanwhile is read and dropped. One that keeps the connection
// open has the job (it took every byte) but did not confirm it.
TEST(TcpTransport, TheEndOfAJobIsThePlottersCloseOrUnconfirmedAfterTheTimeout)
{
    const std::string job = Pattern(100000);
    {
        CLoopbackPlotter plotter;
        plotter.SetReply(std::string(2000, '@') + "\r\n");
        CTcpTransport tcp(plotter.Target());
        tcp.SetStallTimeoutMs(5000);
        const auto start = Clock::now();
        ASSERT_TRUE(WriteJob(tcp, job));
        EXPECT_LT(Clock::now() - start, 3s);
        EXPECT_TRUE(tcp.DeviceConfirmed());
        EXPECT_EQ(tcp.BytesTaken(), job.size());
        ASSERT_TRUE(plotter.WaitForJobs(1, 10s));
        EXPECT_TRUE(plotter.Jobs()[0] == job);
    }
    {
        CLoopbackPlotter plotter(CLoopbackPlotter::Mode::KeepOpen);
        CTcpTransport tcp(plotter.Target());
        tcp.SetStallTimeoutMs(300);
        const auto start = Clock::now();
        Status s = WriteJob(tcp, job);
        ASSERT_TRUE(s) << s.message();
        EXPECT_GE(Clock::now() - start, 300ms);
        EXPECT_FALSE(tcp.DeviceConfirmed());
        ASSERT_TRUE(plotter.WaitForJobs(1, 10s));
        EXPECT_TRUE(plotter.Jobs()[0] == job);
    }
}

TEST(SerialTransport, HonoursXonXoffFromThePlotter)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string port = ::ptsname(master);
    // The plotter's end of the line sends and receives raw bytes.
    termios raw{};
    ::tcgetattr(master, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(master, TCSANOW, &raw);

    SerialSettings settings;
    settings.baudRate = 19200;
    settings.flow = FlowControl::XonXoff;
    CSerialTransport serial(port, settings);
    serial.SetStallTimeoutMs(0);
    const std::string job = Pattern(8 * 1024 * 1024);
    Status result;
    std::atomic<bool> finished{false};
    std::thread writer([&] {
        result = WriteJob(serial, job, 4096);
        finished = true;
    });

    // No ASSERT from here until the writer is joined.
    std::string received;
    char buffer[4096];
    auto readFor = [&](std::chrono::milliseconds span, size_t enough) {
        const auto until = Clock::now() + span;
        while (Clock::now() < until && received.size() < enough) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) {
                ssize_t n = ::read(master, buffer, sizeof buffer);
                if (n > 0)
                    received.append(buffer, static_cast<size_t>(n));
            }
        }
    };
    readFor(5s, 64 * 1024);  // the job is under way
    EXPECT_GE(received.size(), 64u * 1024u);
    const char xoff = 0x13, xon = 0x11;
    EXPECT_EQ(::write(master, &xoff, 1), 1);
    readFor(200ms, SIZE_MAX);  // what was on its way before the XOFF
    const size_t held = received.size();
    readFor(500ms, SIZE_MAX);
    EXPECT_EQ(received.size(), held) << "output went on after XOFF";
    EXPECT_LT(held, job.size());
    EXPECT_FALSE(finished.load());
    EXPECT_EQ(::write(master, &xon, 1), 1);
    readFor(30s, job.size());
    writer.join();
    ::close(master);
    EXPECT_TRUE(result) << result.message();
    EXPECT_TRUE(received == job) << "received " << received.size() << " of " << job.size();
}

TEST(SerialTransport, RefusesBadPortsAndLineSettings)
{
    SerialSettings bad;
    bad.baudRate = 12345;
    CSerialTransport odd("/dev/null", bad);
    Status s = odd.Open("job");
    EXPECT_FALSE(s);
    EXPECT_NE(s.message().find("baud rate 12345"), std::string::npos) << s.message();

    CSerialTransport missing("/dev/ttyPLOTVANE-MISSING", SerialSettings());
    s = missing.Open("job");
    EXPECT_FALSE(s);
    EXPECT_EQ(s.message(), "cannot open /dev/ttyPLOTVANE-MISSING: no such file or directory");

    CSerialTransport notATty("/dev/null", SerialSettings());
    s = notATty.Open("job");
    EXPECT_FALSE(s);
    EXPECT_NE(s.message().find("not a serial port"), std::string::npos) << s.message();
}

TEST(FileTransport, WritesADeviceNodeFully)
{
    TempDir dir;
    const std::string fifo = dir.File("lp0");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] {
        std::ifstream in(fifo, std::ios::binary);
        received.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    });
    // Opening a FIFO without a reader fails (ENXIO); wait until it has one.
    CFileTransport device(fifo);
    const std::string job = Pattern(1024 * 1024);
    Status s;
    for (int i = 0; i < 100; ++i) {
        s = device.Open("job");
        if (s)
            break;
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_TRUE(s) << s.message();
    EXPECT_TRUE(device.IsLive());
    for (size_t at = 0; s && at < job.size(); at += 10000)
        s = device.Write(job.data() + at, std::min<size_t>(10000, job.size() - at));
    EXPECT_TRUE(s) << s.message();
    EXPECT_TRUE(device.Finish());
    reader.join();
    EXPECT_TRUE(received == job);
}

TEST(FileTransport, DeviceNodeWithoutDeviceFailsWithTheReason)
{
    TempDir dir;
    const std::string fifo = dir.File("lp0");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    CFileTransport device(fifo);
    Status s = device.Open("job");
    EXPECT_FALSE(s);
    EXPECT_EQ(s.message(), "cannot open " + fifo + ": device not connected");
}

TEST(FileTransport, PlainFileCollectsJobsAndKeepsThemOnAbort)
{
    TempDir dir;
    const std::string path = dir.File("spool.plt");
    CFileTransport file(path);
    ASSERT_TRUE(WriteJob(file, "IN;one;"));
    ASSERT_TRUE(WriteJob(file, "IN;two;"));
    ASSERT_TRUE(file.Open("three"));
    ASSERT_TRUE(file.Write("IN;thr", 6));
    file.Abort();
    std::string content;
    ASSERT_TRUE(ReadWholeFile(path, content));
    EXPECT_EQ(content, "IN;one;IN;two;");
    EXPECT_FALSE(file.IsLive());
}

TEST(FolderTransport, AFolderThatCannotBeCreatedSaysWhy)
{
    // sysfs refuses new folders (permission, or a read-only file system),
    // even to root.
    const std::string folder = "/sys/plotvane-test-" + std::to_string(::getpid()) + "/plots";
    if (::mkdir(folder.substr(0, folder.rfind('/')).c_str(), 0755) == 0 || errno == ENOENT)
        GTEST_SKIP() << "no sysfs that refuses folders here";
    const int refused = errno;
    CFolderTransport out(folder);
    Status s = out.Open("job");
    EXPECT_FALSE(s);
    EXPECT_EQ(s.message(), "cannot use folder " + folder + ": " + ErrnoText(refused));
}

TEST(FolderTransport, NumbersJobsAndLeavesNothingForAnAbortedOne)
{
    TempDir dir;
    const std::string folder = dir.File("out/plots");  // created on demand
    CFolderTransport out(folder);
    ASSERT_TRUE(WriteJob(out, "first"));
    EXPECT_EQ(out.CurrentFile(), folder + "/000001.plt");
    ASSERT_TRUE(out.Open("second"));
    ASSERT_TRUE(out.Write("half", 4));
    out.Abort();
    // Files of other programs, and higher numbers, are respected.
    std::ofstream(folder + "/000041.plt") << "x";
    std::ofstream(folder + "/notes.txt") << "x";
    ASSERT_TRUE(WriteJob(out, "third"));
    EXPECT_EQ(out.CurrentFile(), folder + "/000042.plt");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 4);
    std::string content;
    ASSERT_TRUE(ReadWholeFile(folder + "/000042.plt", content));
    EXPECT_EQ(content, "third");
}

#if PLOTVANE_HAVE_CUPS

namespace {

// True when a CUPS scheduler answers (tools/start-services.sh starts one).
bool SchedulerRuns()
{
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC,
                                HTTP_ENCRYPTION_IF_REQUESTED, 1, 2000, nullptr);
    if (!http)
        return false;
    httpClose(http);
    return true;
}

int RunQuietly(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

}  // namespace

TEST(CupsTransport, RawJobReachesThePlotterBehindTheQueue)
{
    if (!SchedulerRuns())
        GTEST_SKIP() << "no CUPS scheduler at " << cupsServer()
                     << " (run tools/start-services.sh as root)";
    CLoopbackPlotter plotter;
    const std::string queue = "plotvane-test-" + std::to_string(::getpid());
    if (RunQuietly("lpadmin -p " + queue + " -E -v socket://" + plotter.Target()) != 0)
        GTEST_SKIP() << "lpadmin cannot create a queue here";
    struct RemoveQueue {
        std::string name;
        ~RemoveQueue() { RunQuietly("lpadmin -x " + name); }
    } cleanup{queue};

    const auto names = ListCupsQueues();
    EXPECT_NE(std::find(names.begin(), names.end(), queue), names.end());

    CCupsTransport cups(queue);
    const std::string job = "IN;SP1;PU0,0;PD400,0,400,400;\x01\xff raw bytes;PU;PG;\n" +
                            Pattern(200000);
    Status s = WriteJob(cups, job, 50000);
    ASSERT_TRUE(s) << s.message();
    EXPECT_GT(cups.JobId(), 0);
    ASSERT_TRUE(plotter.WaitForJobs(1, 60s)) << "CUPS did not deliver the job";
    EXPECT_TRUE(plotter.Jobs()[0] == job) << "raw job changed on its way";
}

// A scheduler that takes the connection and never answers: the job fails
// after the device's timeout, saying so, and a cancel ends the wait at once.
// The stand-in is a loopback listener that accepts and never answers;
// libcups in the thread that runs the transport is pointed at it.
TEST(CupsTransport, ASchedulerThatNeverAnswersTimesOutAndCancelEndsTheWait)
{
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancel" : "timeout");
        auto silent = std::make_unique<CLoopbackPlotter>(CLoopbackPlotter::Mode::Stall);
        const std::string server = silent->Target();
        std::atomic<bool> cancelFlag{false};
        std::atomic<bool> done{false};
        Status s;
        std::thread run([&] {
            cupsSetServer(server.c_str());
            CCupsTransport cups("plotter");
            cups.SetStallTimeoutMs(cancel ? 60000 : 400);
            cups.SetCancelFlag(&cancelFlag);
            s = cups.Open("job");
            cupsSetServer(nullptr);
            done = true;
        });
        const auto start = Clock::now();
        if (cancel) {
            std::this_thread::sleep_for(300ms);
            cancelFlag = true;
        }
        while (!done && Clock::now() - start < 10s)
            std::this_thread::sleep_for(10ms);
        EXPECT_TRUE(done.load()) << "the transport still waits for the scheduler";
        silent.reset();  // its close ends a wait that nothing else would
        run.join();
        // libcups adds a wait of its own of up to a second.
        EXPECT_LT(Clock::now() - start, 5s);
        EXPECT_FALSE(s);
        if (cancel) {
            EXPECT_TRUE(s.cancelled()) << s.message();
        } else {
            EXPECT_EQ(s.kind(), StatusKind::DeviceError);
            EXPECT_EQ(s.message().rfind("CUPS server did not answer", 0), 0u) << s.message();
        }
    }
}

TEST(CupsTransport, MissingQueueIsNamed)
{
    if (!SchedulerRuns())
        GTEST_SKIP() << "no CUPS scheduler at " << cupsServer()
                     << " (run tools/start-services.sh as root)";
    CCupsTransport cups("plotvane-no-such-queue");
    Status s = cups.Open("job");
    EXPECT_FALSE(s);
    EXPECT_EQ(s.message(), "CUPS queue \"plotvane-no-such-queue\" not found");
}

#endif
