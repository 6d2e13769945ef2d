#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "mainframe/FolderScan.h"

namespace fs = std::filesystem;

namespace {

void WriteBytes(const std::string& path, std::size_t size)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out << std::string(size, 'x');
}

std::vector<std::string> Names(const FolderScanResult& result)
{
    std::vector<std::string> names;
    for (const FileListRow& row : result.rows)
        names.push_back(row.name);
    return names;
}

const FileListRow* Find(const FolderScanResult& result, const std::string& name)
{
    for (const FileListRow& row : result.rows) {
        if (row.name == name)
            return &row;
    }
    return nullptr;
}

FolderScan::Options Quick()
{
    FolderScan::Options options;
    options.settleLimit = std::chrono::milliseconds(60);
    options.retryPause = std::chrono::milliseconds(10);
    return options;
}

// A child process that opens `path` for writing, writes a little, and keeps
// the file open until told to close it.
class ChildWriter {
public:
    explicit ChildWriter(const std::string& path)
    {
        if (pipe(m_ready) != 0 || pipe(m_release) != 0)
            std::abort();
        m_pid = fork();
        if (m_pid == 0) {
            close(m_ready[0]);
            close(m_release[1]);
            const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const char data[] = "IN;PU0,0;PD100,0;";
            if (fd < 0 || write(fd, data, sizeof data - 1) < 0)
                _exit(1);
            char c = 'r';
            if (write(m_ready[1], &c, 1) != 1)
                _exit(1);
            // Blocks until the parent writes or closes its end.
            if (read(m_release[0], &c, 1) < 0)
                _exit(1);
            close(fd);
            _exit(0);
        }
        close(m_ready[1]);
        close(m_release[0]);
        char c = 0;
        m_started = read(m_ready[0], &c, 1) == 1;
    }
    ~ChildWriter() { Close(); }
    ChildWriter(const ChildWriter&) = delete;
    ChildWriter& operator=(const ChildWriter&) = delete;

    bool Started() const { return m_started; }
    // Lets the child close the file and waits until it has exited.
    void Close()
    {
        if (m_pid <= 0)
            return;
        close(m_release[1]);
        close(m_ready[0]);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
    }

private:
    int m_ready[2] = {-1, -1};
    int m_release[2] = {-1, -1};
    pid_t m_pid = -1;
    bool m_started = false;
};

} // namespace

TEST(FolderScan, ListsSubfoldersWithTheirPathAtEveryDepth)
{
    TempDir dir;
    WriteBytes(dir.File("b.plt"), 1);
    WriteBytes(dir.File("A.plt"), 1);
    WriteBytes(dir.File("sleeve/cuff.plt"), 1);
    WriteBytes(dir.File("sleeve/left/inner/lining.plt"), 1);
    WriteBytes(dir.File("Back/yoke.plt"), 1);
    fs::create_directories(dir.File("empty/deeper"));

    const FolderScanResult result = FolderScan::ScanFolder(dir.Path());
    // Each folder's files come before its subfolders; names ignore case.
    const std::vector<std::string> expected = {"A.plt", "b.plt", "Back/yoke.plt", "sleeve/cuff.plt",
                                               "sleeve/left/inner/lining.plt"};
    EXPECT_EQ(Names(result), expected);
    EXPECT_EQ(result.busy, 0u);

    // A trailing separator on the folder makes no difference.
    EXPECT_EQ(Names(FolderScan::ScanFolder(dir.Path() + "/")), expected);
}

TEST(FolderScan, MissingFolderAndDanglingLinksGiveNoRows)
{
    TempDir dir;
    EXPECT_TRUE(FolderScan::ScanFolder(dir.File("no-such-folder")).rows.empty());

    // A link whose file is gone is not a file; a link to a folder is not
    // followed (here it would loop forever).
    fs::create_symlink(dir.File("gone.plt"), dir.File("dangling.plt"));
    fs::create_directories(dir.File("sub"));
    fs::create_directory_symlink(dir.Path(), dir.File("sub/loop"));
    WriteBytes(dir.File("sub/real.plt"), 3);
    EXPECT_EQ(Names(FolderScan::ScanFolder(dir.Path())), std::vector<std::string>{"sub/real.plt"});
}

TEST(FolderScan, SizesShowCommaGroups)
{
    struct Case {
        std::uintmax_t value;
        const char* text;
    };
    const Case cases[] = {{0, "0"},           {123, "123"},           {999, "999"},
                          {1000, "1,000"},    {99999, "99,999"},      {100000, "100,000"},
                          {1234567, "1,234,567"}, {18446744073709551615ull, "18,446,744,073,709,551,615"}};
    for (const Case& c : cases)
        EXPECT_EQ(FolderScan::GroupDigits(c.value), c.text) << c.value;

    // And the same texts come out of a real scan.
    TempDir dir;
    WriteBytes(dir.File("small.plt"), 999);
    WriteBytes(dir.File("thousand.plt"), 1000);
    WriteBytes(dir.File("large.plt"), 1234567);
    const FolderScanResult result = FolderScan::ScanFolder(dir.Path());
    ASSERT_EQ(result.rows.size(), 3u);
    EXPECT_EQ(Find(result, "small.plt")->sizeText, "999");
    EXPECT_EQ(Find(result, "thousand.plt")->sizeText, "1,000");
    EXPECT_EQ(Find(result, "large.plt")->sizeText, "1,234,567");
    EXPECT_EQ(Find(result, "large.plt")->size, 1234567u);
}

TEST(FolderScan, CreationTimeIsLocalAndRecent)
{
    TempDir dir;
    WriteBytes(dir.File("new.plt"), 10);
    const std::int64_t now = std::time(nullptr);
    const FolderScanResult result = FolderScan::ScanFolder(dir.Path());
    ASSERT_EQ(result.rows.size(), 1u);
    const FileListRow& row = result.rows[0];
    EXPECT_LE(std::abs(row.created - now), 5);
    EXPECT_EQ(row.createdText, FolderScan::FormatLocalTime(row.created));

    // Setting the modification time back does not change a recorded birth
    // time; without one, the modification time is what is shown.
    struct timespec times[2] = {{0, UTIME_OMIT}, {now - 86400 * 400, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, dir.File("new.plt").c_str(), times, 0), 0);
    const std::int64_t shown = FolderScan::ScanFolder(dir.Path()).rows.at(0).created;
    EXPECT_TRUE(shown == row.created || shown == now - 86400 * 400) << shown;

    const char* oldTz = std::getenv("TZ");
    const std::string savedTz = oldTz ? oldTz : "";
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(FolderScan::FormatLocalTime(0), "1970-01-01 00:00:00");
    EXPECT_EQ(FolderScan::FormatLocalTime(1700000000), "2023-11-14 22:13:20");
    if (oldTz)
        setenv("TZ", savedTz.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(FolderScan, FileHeldOpenByAWriterIsListedOnlyAfterItCloses)
{
    TempDir dir;
    WriteBytes(dir.File("done.plt"), 5);
    const std::string busyPath = dir.File("sub/writing.plt");
    fs::create_directories(dir.File("sub"));
    ChildWriter writer(busyPath);
    ASSERT_TRUE(writer.Started());

    FolderScanResult result = FolderScan::ScanFolder(dir.Path(), Quick());
    EXPECT_EQ(Names(result), std::vector<std::string>{"done.plt"});
    EXPECT_EQ(result.busy, 1u);
    EXPECT_EQ(result.unsettled, 0u);  // the lease knows; its close will be reported

    writer.Close();
    result = FolderScan::ScanFolder(dir.Path(), Quick());
    EXPECT_EQ(Names(result), (std::vector<std::string>{"done.plt", "sub/writing.plt"}));
    EXPECT_EQ(result.busy, 0u);
    EXPECT_EQ(Find(result, "sub/writing.plt")->size, 17u);
}

TEST(FolderScan, WithoutLeasesAFileMustBeQuietFirst)
{
    TempDir dir;
    WriteBytes(dir.File("fresh.plt"), 5);
    FolderScan::Options options = Quick();
    options.useLease = false;
    options.quietPeriod = std::chrono::milliseconds(5000);
    FolderScanResult result = FolderScan::ScanFolder(dir.Path(), options);
    EXPECT_TRUE(result.rows.empty());
    EXPECT_EQ(result.busy, 1u);
    EXPECT_EQ(result.unsettled, 1u);

    options.quietPeriod = std::chrono::milliseconds(0);
    result = FolderScan::ScanFolder(dir.Path(), options);
    EXPECT_EQ(Names(result), std::vector<std::string>{"fresh.plt"});
}

TEST(FolderScan, ReadOnlyFileBecomesWritable)
{
    TempDir dir;
    const std::string path = dir.File("locked.plt");
    WriteBytes(path, 5);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    ASSERT_EQ(FolderScan::ScanFolder(dir.Path()).rows.size(), 1u);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(FolderScan, VanishedFileIsSkipped)
{
    TempDir dir;
    const std::string path = dir.File("gone.plt");
    WriteBytes(path, 5);
    FileListRow row;
    EXPECT_EQ(FolderScan::ProbeFile(path, FolderScan::Options(), row), FolderScan::Probe::Ready);
    fs::remove(path);
    row = FileListRow();
    EXPECT_EQ(FolderScan::ProbeFile(path, FolderScan::Options(), row), FolderScan::Probe::Vanished);
    EXPECT_TRUE(row.sizeText.empty());
    // A folder is not a file either.
    EXPECT_EQ(FolderScan::ProbeFile(dir.Path(), FolderScan::Options(), row),
              FolderScan::Probe::Vanished);
}

TEST(FolderScan, SizeColumnSortsByNumberOthersByTextIgnoringCase)
{
    std::vector<std::string> sizes = {"1,000", "999", "1,234,567", "12", "0"};
    std::sort(sizes.begin(), sizes.end(), [](const std::string& a, const std::string& b) {
        return FolderScan::CompareColumn(1, a, b) < 0;
    });
    EXPECT_EQ(sizes, (std::vector<std::string>{"0", "12", "999", "1,000", "1,234,567"}));

    std::vector<std::string> names = {"sleeve.plt", "Back.plt", "back2.plt", "FRONT.plt"};
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return FolderScan::CompareColumn(0, a, b) < 0;
    });
    EXPECT_EQ(names, (std::vector<std::string>{"Back.plt", "back2.plt", "FRONT.plt", "sleeve.plt"}));

    EXPECT_EQ(FolderScan::CompareColumn(2, "2024-01-02 10:00:00", "2024-01-02 09:59:59"), 1);
    EXPECT_EQ(FolderScan::CompareNoCase("ABC", "abc"), 0);
    EXPECT_LT(FolderScan::CompareNoCase("ab", "abc"), 0);
    // Bytes that are not UTF-8 still compare consistently.
    EXPECT_LT(FolderScan::CompareNoCase("a\xff", "a\xff" "b"), 0);
    EXPECT_NE(FolderScan::CompareNoCase("\xc3", "\xc3\xa4"), 0);
}

TEST(FolderScan, SearchFindsTheFirstNameStartingWithTheText)
{
    const std::vector<std::string> names = {"back.plt", "Sleeve-left.plt", "sleeve-right.plt",
                                            "sub/collar.plt"};
    EXPECT_EQ(FolderScan::FindByPrefix(names, "SLEEVE"), 1);
    EXPECT_EQ(FolderScan::FindByPrefix(names, "sleeve-r"), 2);
    EXPECT_EQ(FolderScan::FindByPrefix(names, "sub/c"), 3);
    EXPECT_EQ(FolderScan::FindByPrefix(names, "collar"), -1);  // prefix, not substring
    EXPECT_EQ(FolderScan::FindByPrefix(names, "back.plt.old"), -1);
    EXPECT_EQ(FolderScan::FindByPrefix(names, ""), -1);
    EXPECT_EQ(FolderScan::FindByPrefix({}, "a"), -1);
}
