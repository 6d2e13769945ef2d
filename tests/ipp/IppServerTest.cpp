// plotvane-ipp against the real IPP clients, on loopback ports: what a CAD
// station's print does to the plot folder, and what the station is told.
#include <gtest/gtest.h>

#include <cups/ipp.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <thread>
#include <vector>

#include "IppClient.h"
#include "IppServerProcess.h"

namespace fs = std::filesystem;

namespace {

const std::string kPlot = "IN;SP1;PU0,0;PD4000,0,4000,4000,0,4000,0,0;PU;SP0;\n";
const std::string kHpgl = "application/vnd.hp-HPGL";

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Waits (bounded) until `done` holds.
bool Eventually(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(15))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class IppServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(m_server.Start(error)) << error;
    }

    std::string WriteDocument(const std::string& name, const std::string& bytes)
    {
        const std::string path = m_server.Root() + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // ipptool with the Print-Job test, expecting `status`; the result's
    // status is 0 only when ipptool reports the test passed.
    ToolResult IppTool(const std::string& file, const std::string& format, const std::string& jobName,
                       const std::string& status)
    {
        // STATUS takes no variables: the test file gets the status written in.
        std::string test = FileBytes(std::string(PLOTVANE_SOURCE_DIR) + "/tests/ipp/data/print-job.test");
        const size_t at = test.find("STATUS successful-ok");
        if (at != std::string::npos)
            test.replace(at, std::string("STATUS successful-ok").size(), "STATUS " + status);
        const std::string testFile = WriteDocument("print-job-" + status + ".test", test);
        ToolResult r = RunTool({"ipptool", "-tv", "-T", "20", "-d", "format=" + format, "-d", "jobname=" + jobName,
                                "-f", file, m_server.PrinterUri(), testFile});
        fs::remove(testFile);
        if (r.status == 0 && r.out.find("[PASS]") == std::string::npos)
            r.status = 1;
        return r;
    }

    IppServerProcess m_server;
};

}  // namespace

TEST_F(IppServerTest, IpptoolPrintArrivesWholeAndASecondJobOfTheSameNameGetsItsOwnFile)
{
    const std::string doc = WriteDocument("part.plt", kPlot);
    const ToolResult first = IppTool(doc, kHpgl, "part.plt", "successful-ok");
    ASSERT_EQ(first.status, 0) << first.out << m_server.Log();
    // The same name again, sent as application/octet-stream: told apart by
    // content.
    const std::string other = WriteDocument("part2.plt", kPlot + "PU;\n");
    const ToolResult second = IppTool(other, "application/octet-stream", "part.plt", "successful-ok");
    ASSERT_EQ(second.status, 0) << second.out << m_server.Log();

    // A cutter's DM/PL file under its own type.
    const std::string dmpl = ";:H A EC1 U0,0 D100,100,0,100 @\r\n";
    const ToolResult third = IppTool(WriteDocument("cutter.plt", dmpl), "application/x-dmpl", "cutter.plt", "successful-ok");
    ASSERT_EQ(third.status, 0) << third.out << m_server.Log();

    EXPECT_EQ(Names(m_server.PlotFolder()), (std::vector<std::string>{"cutter.plt", "part (2).plt", "part.plt"}));
    EXPECT_EQ(FileBytes(m_server.PlotFolder() + "/cutter.plt"), dmpl);
    EXPECT_EQ(FileBytes(m_server.PlotFolder() + "/part.plt"), kPlot);
    EXPECT_EQ(FileBytes(m_server.PlotFolder() + "/part (2).plt"), kPlot + "PU;\n");
    // The station's copies and rotate went to the sidecar.
    const std::string sidecar = FileBytes(m_server.SettingsFolder() + "/Plotvane/part.plt.ini");
    EXPECT_NE(sidecar.find("Copies=2\n"), std::string::npos) << sidecar;
    EXPECT_NE(sidecar.find("Rotate=TRUE\n"), std::string::npos) << sidecar;
}

TEST_F(IppServerTest, LpPrintsRawToThePrinterByName)
{
    const std::string doc = WriteDocument("leg.plt", kPlot);
    const ToolResult lp = RunTool({"lp", "-h", "127.0.0.1:" + std::to_string(m_server.Port()), "-d", "Plotvane", "-o",
                                   "raw", "-o", "copies=3", "-o", "mirror", doc});
    ASSERT_EQ(lp.status, 0) << lp.out << m_server.Log();
    EXPECT_NE(lp.out.find("request id is Plotvane-"), std::string::npos) << lp.out;
    ASSERT_TRUE(Eventually([&] { return fs::exists(m_server.PlotFolder() + "/leg.plt"); })) << m_server.Log();
    EXPECT_EQ(FileBytes(m_server.PlotFolder() + "/leg.plt"), kPlot);
    const std::string sidecar = FileBytes(m_server.SettingsFolder() + "/Plotvane/leg.plt.ini");
    EXPECT_NE(sidecar.find("Copies=3\n"), std::string::npos) << sidecar;
    EXPECT_NE(sidecar.find("Mirror=TRUE\n"), std::string::npos) << sidecar;

    // A binary file is refused with the reason, and nothing is written.
    const ToolResult binary = RunTool({"lp", "-h", "127.0.0.1:" + std::to_string(m_server.Port()), "-d", "Plotvane",
                                       "-o", "raw", "/proc/self/exe"});
    EXPECT_NE(binary.status, 0) << binary.out;
    EXPECT_NE(binary.out.find("not a plot file"), std::string::npos) << binary.out;
    EXPECT_EQ(Names(m_server.PlotFolder()), (std::vector<std::string>{"leg.plt"}));
}

TEST_F(IppServerTest, DocumentsThatAreNotWholePlotFilesAreRefusedWithTheirStatus)
{
    std::string binary = "\x7f" "ELF\x02\x01\x01";
    binary.append(4000, '\0');
    const ToolResult asOctets =
        IppTool(WriteDocument("a.bin", binary), "application/octet-stream", "a.bin", "client-error-document-format-not-supported");
    EXPECT_EQ(asOctets.status, 0) << asOctets.out;
    const ToolResult asText = IppTool(WriteDocument("letter.txt", "Dear customer,\nthe pattern follows.\n"),
                                      "text/plain", "letter.txt", "client-error-document-format-not-supported");
    EXPECT_EQ(asText.status, 0) << asText.out;
    const ToolResult cut = IppTool(WriteDocument("cut.plt", "IN;SP1;PU0,0;PD4000,0,40"), kHpgl, "cut.plt",
                                   "client-error-document-format-error");
    EXPECT_EQ(cut.status, 0) << cut.out;
    EXPECT_NE(cut.out.find("ends inside a command"), std::string::npos) << cut.out;
    EXPECT_TRUE(Names(m_server.PlotFolder()).empty());

    // The refused jobs do not linger as pending jobs behind a waiting one.
    IppClient client(m_server.Port());
    EXPECT_TRUE(Eventually([&] { return client.QueuedJobs() == 0; })) << m_server.Log();
}

TEST_F(IppServerTest, HostileDocumentNamesStayInsideThePlotFolder)
{
    IppClient client(m_server.Port());
    std::string longName;
    for (int i = 0; i < 80; ++i)
        longName += "片";
    const std::string names[] = {"../../etc/x", "/tmp/absolute.plt", std::string("ctl\x01\x1b[2J\n.plt"),
                                 longName + ".plt", "..", "C:\\CAD\\..\\..\\win.plt"};
    for (const std::string& name : names) {
        const IppAnswer answer = client.PrintJob(name, kHpgl, kPlot);
        EXPECT_EQ(answer.status, IPP_STATUS_OK) << name << ": " << answer.message << m_server.Log();
    }
    const std::vector<std::string> inFolder = Names(m_server.PlotFolder());
    ASSERT_EQ(inFolder.size(), 6u);
    for (const std::string& name : inFolder) {
        EXPECT_LE(name.size(), 200u) << name;
        EXPECT_EQ(name.find('/'), std::string::npos);
        EXPECT_NE(name[0], '.') << name;
        EXPECT_TRUE(std::none_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
            << name;
        EXPECT_EQ(FileBytes(m_server.PlotFolder() + "/" + name), kPlot) << name;
    }
    EXPECT_TRUE(std::count(inFolder.begin(), inFolder.end(), "x"));
    // Nothing landed beside the plot folder.
    for (const std::string& name : Names(m_server.Root()))
        EXPECT_TRUE(name == "job-settings" || name == "plots" || name == "spool" || name.rfind("server.", 0) == 0 ||
                    name.rfind("plotvane-ipp-test-", 0) == 0)
            << name;
    EXPECT_FALSE(fs::exists("/tmp/absolute.plt"));
}

TEST_F(IppServerTest, JobStaysProcessingUntilItsFileLeftTheFolder)
{
    IppClient client(m_server.Port());
    const IppAnswer first = client.PrintJob("first.plt", kHpgl, kPlot);
    const IppAnswer second = client.PrintJob("second.plt", kHpgl, kPlot);
    ASSERT_EQ(first.status, IPP_STATUS_OK) << first.message;
    ASSERT_EQ(second.status, IPP_STATUS_OK) << second.message;
    // Both files wait in the folder at once, for the window to list.
    EXPECT_EQ(Names(m_server.PlotFolder()), (std::vector<std::string>{"first.plt", "second.plt"}));
    ASSERT_TRUE(Eventually([&] { return client.GetJob(first.jobId).jobState == IPP_JSTATE_PROCESSING; }));
    // Nothing was plotted: nothing is reported done, however long it waits.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(client.GetJob(first.jobId).jobState, IPP_JSTATE_PROCESSING);
    EXPECT_NE(client.GetJob(first.jobId).jobStateMessage.find("first.plt"), std::string::npos);
    // PAPPL usually runs one job at a time, so the second waits its turn
    // (pending), but it may also start it beside the first; either way
    // it is not done.
    const int secondState = client.GetJob(second.jobId).jobState;
    EXPECT_TRUE(secondState == IPP_JSTATE_PENDING || secondState == IPP_JSTATE_PROCESSING) << secondState;

    // The second is plotted first (the operator's order): the first is not
    // done for that.
    fs::remove(m_server.PlotFolder() + "/second.plt");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(client.GetJob(first.jobId).jobState, IPP_JSTATE_PROCESSING);
    fs::remove(m_server.PlotFolder() + "/first.plt");
    EXPECT_TRUE(Eventually([&] { return client.GetJob(first.jobId).jobState == IPP_JSTATE_COMPLETED; }));
    EXPECT_TRUE(Eventually([&] { return client.GetJob(second.jobId).jobState == IPP_JSTATE_COMPLETED; }));
    EXPECT_FALSE(fs::exists(m_server.SettingsFolder() + "/Plotvane/first.plt.ini"));
}

TEST_F(IppServerTest, CancelTakesBackAFileNotYetTouched)
{
    IppClient client(m_server.Port());
    const IppAnswer head = client.PrintJob("head.plt", kHpgl, kPlot);
    const IppAnswer queued = client.PrintJob("queued.plt", kHpgl, kPlot);
    ASSERT_EQ(queued.status, IPP_STATUS_OK);
    ASSERT_TRUE(fs::exists(m_server.PlotFolder() + "/queued.plt"));
    EXPECT_EQ(client.CancelJob(queued.jobId).status, IPP_STATUS_OK);
    EXPECT_TRUE(Eventually([&] { return !fs::exists(m_server.PlotFolder() + "/queued.plt"); })) << m_server.Log();
    EXPECT_EQ(client.CancelJob(head.jobId).status, IPP_STATUS_OK);
    EXPECT_TRUE(Eventually([&] { return !fs::exists(m_server.PlotFolder() + "/head.plt"); })) << m_server.Log();
    EXPECT_EQ(client.GetJob(head.jobId).jobState, IPP_JSTATE_CANCELED);
}

TEST_F(IppServerTest, StoppingTheServiceLeavesWaitingFilesForTheWindow)
{
    IppClient client(m_server.Port());
    ASSERT_EQ(client.PrintJob("stays.plt", kHpgl, kPlot).status, IPP_STATUS_OK);
    ASSERT_EQ(client.PrintJob("stays.plt", kHpgl, kPlot).status, IPP_STATUS_OK);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(m_server.Stop(), 0);
    // Not PAPPL's minute of waiting for jobs that wait for a plotter (the
    // bound is loose: a loaded machine must not fail this).
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(40));
    EXPECT_EQ(Names(m_server.PlotFolder()), (std::vector<std::string>{"stays (2).plt", "stays.plt"}));
}

TEST_F(IppServerTest, WebInterfaceShowsThePrinterAndItsJobs)
{
    IppClient client(m_server.Port());
    ASSERT_EQ(client.PrintJob("shown.plt", kHpgl, kPlot).status, IPP_STATUS_OK);
    const std::string base = "http://127.0.0.1:" + std::to_string(m_server.Port());
    const ToolResult home = RunTool({"curl", "-sf", base + "/"});
    EXPECT_EQ(home.status, 0) << home.out;
    EXPECT_NE(home.out.find("Plotvane"), std::string::npos);
    const ToolResult jobs = RunTool({"curl", "-sf", base + "/Plotvane/jobs"});
    EXPECT_EQ(jobs.status, 0) << jobs.out;
    EXPECT_NE(jobs.out.find("shown.plt"), std::string::npos);
}

// 200 jobs from 4 clients at once, all with the same document name: every
// one arrives once, whole, under its own name.
TEST_F(IppServerTest, LoadOf200JobsFrom4ClientsLosesAndDuplicatesNothing)
{
    constexpr int kClients = 4, kJobsEach = 50;
    std::map<std::string, int> sent;  // content -> times sent
    std::vector<std::vector<std::string>> documents(kClients);
    for (int c = 0; c < kClients; ++c) {
        for (int j = 0; j < kJobsEach; ++j) {
            std::string doc = "IN;SP1;PU" + std::to_string(c) + "," + std::to_string(j) + ";";
            // Sizes from a few bytes to about 400 KB.
            const int lines = (j % 10 == 0) ? 20000 : j * 3;
            for (int k = 0; k < lines; ++k)
                doc += "PD" + std::to_string(k) + "," + std::to_string(c * 1000 + j) + ";\n";
            doc += "PU;SP0;\n";
            documents[c].push_back(doc);
            ++sent[doc];
        }
    }
    std::vector<std::thread> threads;
    std::vector<int> failures(kClients, 0);
    for (int c = 0; c < kClients; ++c) {
        threads.emplace_back([&, c] {
            IppClient client(m_server.Port());
            for (const std::string& doc : documents[c])
                if (client.PrintJob("load.plt", kHpgl, doc).status != IPP_STATUS_OK)
                    ++failures[c];
        });
    }
    for (std::thread& t : threads)
        t.join();
    for (int c = 0; c < kClients; ++c)
        EXPECT_EQ(failures[c], 0) << "client " << c;

    const std::vector<std::string> names = Names(m_server.PlotFolder());
    EXPECT_EQ(names.size(), static_cast<size_t>(kClients * kJobsEach));
    std::map<std::string, int> arrived;
    for (const std::string& name : names)
        ++arrived[FileBytes(m_server.PlotFolder() + "/" + name)];
    EXPECT_EQ(arrived, sent);  // each whole, none twice, none missing

    // Plotted (removed) by the window: every job completes.
    for (const std::string& name : names)
        fs::remove(m_server.PlotFolder() + "/" + name);
    IppClient client(m_server.Port());
    EXPECT_TRUE(Eventually([&] { return client.QueuedJobs() == 0; }, std::chrono::seconds(30))) << m_server.Log();
}
