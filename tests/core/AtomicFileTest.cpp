#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "plotlib/AtomicFile.h"
#include "TempDir.h"

namespace fs = std::filesystem;

TEST(AtomicFile, ReplacesWholeFileAndKeepsPermissions)
{
    TempDir dir;
    const std::string path = dir.File("a.plt");
    ASSERT_TRUE(WriteFileAtomically(path, "old content").ok());
    chmod(path.c_str(), 0600);
    ASSERT_TRUE(WriteFileAtomically(path, "new").ok());
    std::string data;
    ASSERT_TRUE(ReadWholeFile(path, data).ok());
    EXPECT_EQ(data, "new");
    struct stat st {};
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // No temporary files are left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(AtomicFile, FailedWriteLeavesTheOldFileWhole)
{
    TempDir dir;
    const std::string path = dir.File("keep.ini");
    ASSERT_TRUE(WriteFileAtomically(path, "whole").ok());
    {
        // A writer abandoned half way (a crash, a cancelled plot) must not
        // touch the target.
        CAtomicFileWriter writer;
        ASSERT_TRUE(writer.Open(path).ok());
        writer.Write("half");
    }
    std::string data;
    ASSERT_TRUE(ReadWholeFile(path, data).ok());
    EXPECT_EQ(data, "whole");

    // A folder that cannot be written fails with a readable message.
    const Status status = WriteFileAtomically("/proc/no/such/folder/x", "data");
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find("/proc/no/such/folder/x"), std::string::npos);
}

TEST(AtomicFile, ReadingAMissingFileSaysWhy)
{
    std::string data = "stale";
    const Status status = ReadWholeFile("/nonexistent/file.plt", data);
    EXPECT_FALSE(status.ok());
    EXPECT_TRUE(data.empty());
    EXPECT_NE(status.message().find("No such file"), std::string::npos);
}

TEST(AtomicFile, CommitNewNeverReplacesWhatAppearedUnderTheName)
{
    TempDir dir;
    const std::string path = dir.File("job.plt");
    CAtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(path).ok());
    writer.Write("from the station");
    // Another program writes the same name while this writer is busy.
    ASSERT_TRUE(WriteFileAtomically(path, "from the pattern program").ok());
    bool existed = false;
    EXPECT_FALSE(writer.CommitNew(existed).ok());
    EXPECT_TRUE(existed);
    std::string data;
    ASSERT_TRUE(ReadWholeFile(path, data).ok());
    EXPECT_EQ(data, "from the pattern program");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);

    CAtomicFileWriter second;
    ASSERT_TRUE(second.Open(dir.File("free.plt")).ok());
    second.Write("whole");
    ASSERT_TRUE(second.CommitNew(existed).ok());
    EXPECT_FALSE(existed);
    ASSERT_TRUE(ReadWholeFile(dir.File("free.plt"), data).ok());
    EXPECT_EQ(data, "whole");
}
