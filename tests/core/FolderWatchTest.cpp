#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "TempDir.h"
#include "mainframe/FolderWatch.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Counts the watch's reports and lets a test wait for the next one.
class Reports {
public:
    std::function<void()> Callback()
    {
        return [this] {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_count;
            m_changed.notify_all();
        };
    }
    // Waits (at most `limit`, generous for a loaded machine) for a report
    // beyond `seen`.
    bool WaitBeyond(int seen, std::chrono::milliseconds limit = 3000ms)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return m_count > seen; });
    }
    int Count()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_count;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_count = 0;
};

void Touch(const std::string& path, const std::string& text = "IN;")
{
    std::ofstream(path) << text;
}

} // namespace

TEST(FolderWatch, MissingFolderHasNoWatch)
{
    TempDir dir;
    FolderWatch watch;
    Reports reports;
    EXPECT_FALSE(watch.Start(dir.File("missing"), reports.Callback(), nullptr).ok());
    EXPECT_FALSE(watch.IsRunning());
    watch.Stop(); // harmless without a watch
}

TEST(FolderWatch, ReportsNamesChangingAtAnyDepth)
{
    TempDir dir;
    fs::create_directories(dir.File("a"));
    FolderWatch watch;
    Reports reports;
    ASSERT_TRUE(watch.Start(dir.Path(), reports.Callback(), nullptr).ok());
    EXPECT_TRUE(watch.IsRunning());

    int seen = reports.Count();
    Touch(dir.File("a/front.plt"));
    EXPECT_TRUE(reports.WaitBeyond(seen)) << "file created in an existing subfolder";

    // Subfolders made after the start are watched as well, with their content.
    seen = reports.Count();
    fs::create_directories(dir.File("b/c"));
    ASSERT_TRUE(reports.WaitBeyond(seen));
    std::this_thread::sleep_for(100ms);
    seen = reports.Count();
    Touch(dir.File("b/c/back.plt"));
    EXPECT_TRUE(reports.WaitBeyond(seen)) << "file created in a new subfolder";

    seen = reports.Count();
    fs::rename(dir.File("b/c/back.plt"), dir.File("b/back.plt"));
    EXPECT_TRUE(reports.WaitBeyond(seen)) << "rename";

    seen = reports.Count();
    fs::remove(dir.File("a/front.plt"));
    EXPECT_TRUE(reports.WaitBeyond(seen)) << "delete";
}

TEST(FolderWatch, ReportsAWriterClosingItsFile)
{
    TempDir dir;
    const std::string path = dir.File("slow.plt");
    std::ofstream writer(path);
    writer << "IN;";
    writer.flush();
    FolderWatch watch;
    Reports reports;
    ASSERT_TRUE(watch.Start(dir.Path(), reports.Callback(), nullptr).ok());
    std::this_thread::sleep_for(100ms);
    const int seen = reports.Count();
    writer << "PU0,0;";
    writer.close();
    EXPECT_TRUE(reports.WaitBeyond(seen));
}

TEST(FolderWatch, HoldsChangesWhilePlottingAndReportsAfterwards)
{
    TempDir dir;
    std::atomic<bool> plotting{true};
    FolderWatch watch;
    Reports reports;
    ASSERT_TRUE(watch.Start(dir.Path(), reports.Callback(), [&] { return plotting.load(); }).ok());
    Touch(dir.File("queued.plt"));
    EXPECT_FALSE(reports.WaitBeyond(0, 600ms));
    plotting = false;
    EXPECT_TRUE(reports.WaitBeyond(0));
}

TEST(FolderWatch, RecheckReportsWithoutAChangeAndStopEndsReports)
{
    TempDir dir;
    FolderWatch watch;
    Reports reports;
    ASSERT_TRUE(watch.Start(dir.Path(), reports.Callback(), nullptr).ok());
    watch.RecheckAfter(50ms);
    EXPECT_TRUE(reports.WaitBeyond(0));

    // Moving to another folder: the old one is no longer watched.
    TempDir other;
    ASSERT_TRUE(watch.Start(other.Path(), reports.Callback(), nullptr).ok());
    EXPECT_EQ(watch.Folder(), other.Path());
    std::this_thread::sleep_for(100ms);
    int seen = reports.Count();
    Touch(dir.File("old.plt"));
    EXPECT_FALSE(reports.WaitBeyond(seen, 400ms));
    Touch(other.File("new.plt"));
    EXPECT_TRUE(reports.WaitBeyond(seen));

    watch.Stop();
    EXPECT_FALSE(watch.IsRunning());
    seen = reports.Count();
    Touch(other.File("late.plt"));
    EXPECT_FALSE(reports.WaitBeyond(seen, 300ms));
}
