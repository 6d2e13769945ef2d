#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "PlotJobTracker.h"
#include "TempDir.h"

namespace fs = std::filesystem;

namespace {

const std::string kPlot = "IN;SP1;PU0,0;PD4000,0,4000,4000,0,4000,0,0;PU;SP0;\n";

class PlotJobTrackerTest : public ::testing::Test {
protected:
    PlotJobTrackerTest()
        : m_tracker(std::make_shared<CFolderRemovalOutcome>(), m_settings.Path())
    {
        fs::create_directory(Folder());
    }

    std::string Folder() const { return m_root.File("plots"); }

    JobDocument Job(int id, const std::string& name, const std::string& bytes = kPlot)
    {
        const std::string spool = m_root.File("spool-" + std::to_string(id));
        std::ofstream(spool, std::ios::binary) << bytes;
        JobDocument job;
        job.printer = "Plotvane";
        job.jobId = id;
        job.folder = Folder();
        job.documentName = name;
        job.spoolPath = spool;
        job.user = "anna";
        return job;
    }

    std::vector<std::string> FolderNames() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(Folder()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir m_root;
    TempDir m_settings;
    CPlotJobTracker m_tracker;
};

std::string Bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST_F(PlotJobTrackerTest, SameNameTwiceGivesTwoFilesAndNothingIsReplaced)
{
    // A file the pattern program put there itself must survive.
    std::ofstream(Folder() + "/back.plt") << "IN;SP1;PD1,1;";
    const DeliveryResult first = m_tracker.Deliver(Job(1, "back.plt"));
    const DeliveryResult second = m_tracker.Deliver(Job(2, "C:\\jobs\\back.plt", kPlot + "PU;"));
    ASSERT_EQ(first.kind, DeliveryResult::Kind::Delivered) << first.message;
    ASSERT_EQ(second.kind, DeliveryResult::Kind::Delivered) << second.message;
    EXPECT_EQ(first.file.name, "back (2).plt");
    EXPECT_EQ(second.file.name, "back (3).plt");
    EXPECT_EQ(Bytes(Folder() + "/back.plt"), "IN;SP1;PD1,1;");
    EXPECT_EQ(Bytes(first.file.path), kPlot);
    EXPECT_EQ(Bytes(second.file.path), kPlot + "PU;");
    // No temporary files stay behind.
    EXPECT_EQ(FolderNames(), (std::vector<std::string>{"back (2).plt", "back (3).plt", "back.plt"}));
    // Asking again does not deliver again.
    EXPECT_EQ(m_tracker.Deliver(Job(1, "back.plt")).file.name, "back (2).plt");
    EXPECT_EQ(FolderNames().size(), 3u);
}

TEST_F(PlotJobTrackerTest, AFileJustPlottedDoesNotLendItsNameBeforeItsEndIsSeen)
{
    const DeliveryResult first = m_tracker.Deliver(Job(1, "leg.plt"));
    ASSERT_EQ(first.kind, DeliveryResult::Kind::Delivered);
    // Plotted and removed, but the first job's end has not been polled: a
    // new job with the same name must not take the name, or the first job
    // would wait for the second one's file.
    fs::remove(first.file.path);
    const DeliveryResult second = m_tracker.Deliver(Job(2, "leg.plt"));
    EXPECT_EQ(second.file.name, "leg (2).plt");
    EXPECT_EQ(m_tracker.Poll("Plotvane", 1).outcome, PlotOutcome::Plotted);
    EXPECT_EQ(m_tracker.Poll("Plotvane", 2).outcome, PlotOutcome::Waiting);
}

TEST_F(PlotJobTrackerTest, StateFollowsTheFileAndTheSidecarGoesWithIt)
{
    JobDocument job = Job(5, "front.plt");
    job.settings.copies = 3;
    job.settings.mirror = true;
    const DeliveryResult r = m_tracker.Deliver(job);
    ASSERT_EQ(r.kind, DeliveryResult::Kind::Delivered);
    const std::string sidecar = CJobSidecar::PathFor(m_settings.Path(), r.file);
    const std::string text = Bytes(sidecar);
    EXPECT_NE(text.find("File=front.plt\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Copies=3\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Rotate=FALSE\nMirror=TRUE\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Size=" + std::to_string(kPlot.size()) + "\n"), std::string::npos) << text;

    // Waiting while the file is there, also after the preview rewrote it.
    EXPECT_EQ(m_tracker.Poll("Plotvane", 5).outcome, PlotOutcome::Waiting);
    std::ofstream(r.file.path + ".new") << kPlot << "PU;";
    fs::rename(r.file.path + ".new", r.file.path);
    EXPECT_EQ(m_tracker.Poll("Plotvane", 5).outcome, PlotOutcome::Waiting);

    fs::remove(r.file.path);
    EXPECT_EQ(m_tracker.Poll("Plotvane", 5).outcome, PlotOutcome::Plotted);
    EXPECT_FALSE(fs::exists(sidecar));
}

TEST_F(PlotJobTrackerTest, AFolderThatIsNotThereSaysNothingAboutThePlot)
{
    const DeliveryResult r = m_tracker.Deliver(Job(1, "a.plt"));
    ASSERT_EQ(r.kind, DeliveryResult::Kind::Delivered);
    // An unmounted share looks like an empty or missing folder: the file
    // is not plotted for that.
    fs::rename(Folder(), m_root.File("elsewhere"));
    EXPECT_EQ(m_tracker.Poll("Plotvane", 1).outcome, PlotOutcome::Waiting);
    // The folder back (same device) without the file: plotted.
    fs::create_directory(Folder());
    EXPECT_EQ(m_tracker.Poll("Plotvane", 1).outcome, PlotOutcome::Plotted);
}

TEST_F(PlotJobTrackerTest, CancelTakesBackOnlyAnUntouchedFile)
{
    const DeliveryResult untouched = m_tracker.Deliver(Job(1, "a.plt"));
    const DeliveryResult edited = m_tracker.Deliver(Job(2, "b.plt"));
    ASSERT_EQ(untouched.kind, DeliveryResult::Kind::Delivered);
    ASSERT_EQ(edited.kind, DeliveryResult::Kind::Delivered);
    // The operator's edit in the preview rewrites the file.
    std::ofstream(edited.file.path + ".new") << "IN;SP2;PD5,5;";
    fs::rename(edited.file.path + ".new", edited.file.path);

    m_tracker.Withdraw("Plotvane", 1);
    m_tracker.Withdraw("Plotvane", 2);
    EXPECT_FALSE(fs::exists(untouched.file.path));
    EXPECT_TRUE(fs::exists(edited.file.path));
    EXPECT_FALSE(fs::exists(CJobSidecar::PathFor(m_settings.Path(), untouched.file)));
    EXPECT_FALSE(fs::exists(CJobSidecar::PathFor(m_settings.Path(), edited.file)));
}

TEST_F(PlotJobTrackerTest, RefusedDocumentsLeaveTheFolderAlone)
{
    const DeliveryResult binary = m_tracker.Deliver(Job(1, "ls", std::string("\x7f" "ELF\x02\x01\0\0", 8)));
    const DeliveryResult cut = m_tracker.Deliver(Job(2, "cut.plt", "IN;SP1;PU0,0;PD100,2"));
    EXPECT_EQ(binary.kind, DeliveryResult::Kind::NotPlot);
    EXPECT_EQ(cut.kind, DeliveryResult::Kind::Cut);
    EXPECT_NE(cut.message.find("cut.plt ends inside a command"), std::string::npos) << cut.message;
    EXPECT_TRUE(FolderNames().empty());
    EXPECT_EQ(m_tracker.Poll("Plotvane", 2).outcome, PlotOutcome::Failed);

    JobDocument missing = Job(3, "a.plt");
    missing.folder = m_root.File("gone");
    const DeliveryResult failed = m_tracker.Deliver(missing);
    EXPECT_EQ(failed.kind, DeliveryResult::Kind::Failed);
    EXPECT_NE(failed.message.find("gone"), std::string::npos) << failed.message;
}

TEST_F(PlotJobTrackerTest, ConcurrentDeliveriesOfOneJobWriteOneFile)
{
    // The receiving client thread and the queue may reach a job together.
    const JobDocument job = Job(9, "same.plt");
    std::vector<std::thread> threads;
    std::vector<std::string> names(8);
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&, i] { names[i] = m_tracker.Deliver(job).file.name; });
    for (std::thread& t : threads)
        t.join();
    for (const std::string& n : names)
        EXPECT_EQ(n, "same.plt");
    EXPECT_EQ(FolderNames(), (std::vector<std::string>{"same.plt"}));
}
