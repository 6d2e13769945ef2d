#include "mainframe/FolderScan.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <cwctype>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Closes a descriptor on every path out of a function.
class FdGuard {
public:
    explicit FdGuard(int fd) : m_fd(fd) {}
    ~FdGuard()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

std::int64_t NowSeconds()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

// Asks the kernel whether any process holds `fd`'s file open for writing.
// Returns 1 for "no writer", 0 for "a writer has it open", -1 when leases
// cannot answer here.
int LeaseSaysClosed(int fd)
{
    // A lease is broken when someone opens the file for writing while we
    // hold it, and the kernel then signals the holder (SIGIO by default,
    // which would end the program). We hold it for a few microseconds only,
    // but route that signal to SIGURG, whose default is to be ignored.
    if (fcntl(fd, F_SETSIG, SIGURG) != 0)
        return -1;
    if (fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
        fcntl(fd, F_SETLEASE, F_UNLCK);
        return 1;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK)
        return 0;
    return -1; // EACCES (not our file), EINVAL (no lease support), ...
}

// Decodes one UTF-8 sequence at `i` (advancing it) and folds it to lower
// case. A stray byte stands for itself, so any byte string compares.
char32_t NextFolded(const std::string& s, std::size_t& i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    char32_t cp = lead;
    std::size_t len = 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        len = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        len = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        len = 4;
    if (len > 1 && i + len <= s.size()) {
        cp = lead & (0xFF >> (len + 1));
        bool valid = true;
        for (std::size_t k = 1; k < len && valid; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80)
                valid = false;
            else
                cp = (cp << 6) | (byte(i + k) & 0x3F);
        }
        if (!valid) {
            cp = lead;
            len = 1;
        }
    } else {
        len = 1;
    }
    i += len;
    if (cp < 0x80)
        return (cp >= 'A' && cp <= 'Z') ? cp + ('a' - 'A') : cp;
    return static_cast<char32_t>(std::towlower(static_cast<wint_t>(cp)));
}

std::uintmax_t NumberOf(const std::string& text)
{
    std::uintmax_t value = 0;
    for (const char c : text) {
        if (c >= '0' && c <= '9')
            value = value * 10 + static_cast<std::uintmax_t>(c - '0');
        else if (c != ',')
            break;
    }
    return value;
}

struct Candidate {
    std::string path;
    FileListRow row;
    FolderScan::Probe probe = FolderScan::Probe::Vanished;
};

bool NameLess(const std::string& a, const std::string& b)
{
    const int c = FolderScan::CompareNoCase(a, b);
    return c != 0 ? c < 0 : a < b;
}

void Collect(const fs::path& folder, const std::string& prefix, const FolderScan::Options& options,
             std::vector<Candidate>& out, int depth)
{
    // A folder tree deeper than this is a link loop through bind mounts or
    // similar, not a plot folder.
    if (depth > 64)
        return;
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    if (ec)
        return;
    std::vector<std::string> files;
    std::vector<std::string> folders;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        const fs::directory_entry& entry = *it;
        std::error_code typeError;
        const std::string name = entry.path().filename().string();
        if (entry.is_symlink(typeError)) {
            // A link to a file is listed as that file; links to folders are
            // not followed (they may lead back up the tree).
            if (entry.is_regular_file(typeError))
                files.push_back(name);
        } else if (entry.is_directory(typeError)) {
            folders.push_back(name);
        } else if (entry.is_regular_file(typeError)) {
            files.push_back(name);
        }
    }
    std::sort(files.begin(), files.end(), NameLess);
    std::sort(folders.begin(), folders.end(), NameLess);
    for (const std::string& name : files) {
        Candidate c;
        c.path = (folder / name).string();
        c.row.name = prefix + name;
        c.probe = FolderScan::ProbeFile(c.path, options, c.row);
        if (c.probe != FolderScan::Probe::Vanished)
            out.push_back(std::move(c));
    }
    for (const std::string& name : folders)
        Collect(folder / name, prefix + name + '/', options, out, depth + 1);
}

} // namespace

FolderScan::Probe FolderScan::ProbeFile(const std::string& path, const Options& options,
                                        FileListRow& row)
{
    // O_NONBLOCK: if another program holds a lease on the file, the open
    // fails at once instead of waiting for the lease to be broken.
    const FdGuard fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0 && (errno == EWOULDBLOCK || errno == EAGAIN))
        return Probe::Busy;
    // A file we may not read is still listed (the operator sees it and the
    // plot list reports the failure); only its writer check falls back.
    const bool readable = fd.get() >= 0;
    if (!readable && errno != EACCES && errno != EPERM)
        return Probe::Vanished;

    struct statx sx {};
    const int statResult = readable
        ? statx(fd.get(), "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx)
        : statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx);
    if (statResult != 0 || !S_ISREG(sx.stx_mode))
        return Probe::Vanished;

    const int lease = options.useLease && readable ? LeaseSaysClosed(fd.get()) : -1;
    if (lease == 0)
        return Probe::Busy;
    if (lease < 0) {
        // No lease: the content must have been quiet for a while.
        const std::int64_t quiet = std::chrono::duration_cast<std::chrono::seconds>(
                                       options.quietPeriod + std::chrono::milliseconds(999))
                                       .count();
        const std::int64_t lastChange =
            std::max<std::int64_t>(sx.stx_mtime.tv_sec, sx.stx_ctime.tv_sec);
        if (NowSeconds() - lastChange < quiet)
            return Probe::Unsettled;
    }

    // A read-only file could not be rewritten by the preview's edits, nor
    // does it look deletable to the operator; give the owner write access.
    if ((sx.stx_mode & S_IWUSR) == 0) {
        const mode_t mode = (sx.stx_mode & 07777) | S_IWUSR;
        if (readable)
            fchmod(fd.get(), mode);
        else
            chmod(path.c_str(), mode);
    }

    row.size = sx.stx_size;
    row.sizeText = GroupDigits(row.size);
    row.created = (sx.stx_mask & STATX_BTIME) && sx.stx_btime.tv_sec != 0
                      ? static_cast<std::int64_t>(sx.stx_btime.tv_sec)
                      : static_cast<std::int64_t>(sx.stx_mtime.tv_sec);
    row.createdText = FormatLocalTime(row.created);
    return Probe::Ready;
}

FolderScanResult FolderScan::ScanFolder(const std::string& folder, const Options& options)
{
    FolderScanResult result;
    std::vector<Candidate> candidates;
    Collect(folder.empty() ? fs::path(".") : fs::path(folder), std::string(), options, candidates, 0);

    // Files still being written get a few more looks, all together within
    // the settle bound, so one slow writer costs the scan at most that.
    const auto deadline = std::chrono::steady_clock::now() + options.settleLimit;
    const auto anyBusy = [&] {
        return std::any_of(candidates.begin(), candidates.end(), [](const Candidate& c) {
            return c.probe == Probe::Busy || c.probe == Probe::Unsettled;
        });
    };
    while (anyBusy() && std::chrono::steady_clock::now() + options.retryPause < deadline) {
        std::this_thread::sleep_for(options.retryPause);
        for (Candidate& c : candidates) {
            if (c.probe == Probe::Busy || c.probe == Probe::Unsettled)
                c.probe = ProbeFile(c.path, options, c.row);
        }
    }

    result.rows.reserve(candidates.size());
    for (Candidate& c : candidates) {
        if (c.probe == Probe::Ready)
            result.rows.push_back(std::move(c.row));
        else if (c.probe == Probe::Busy)
            ++result.busy;
        else if (c.probe == Probe::Unsettled) {
            ++result.busy;
            ++result.unsettled;
        }
    }
    return result;
}

std::string FolderScan::GroupDigits(std::uintmax_t value)
{
    const std::string digits = std::to_string(value);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

std::string FolderScan::FormatLocalTime(std::int64_t secondsSinceEpoch)
{
    const std::time_t t = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm local {};
    if (!localtime_r(&t, &local))
        return std::string();
    char buffer[32];
    const std::size_t n = std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
    return std::string(buffer, n);
}

int FolderScan::CompareNoCase(const std::string& a, const std::string& b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t ca = NextFolded(a, i);
        const char32_t cb = NextFolded(b, j);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

int FolderScan::CompareColumn(int column, const std::string& a, const std::string& b)
{
    if (column == 1) {
        const std::uintmax_t x = NumberOf(a);
        const std::uintmax_t y = NumberOf(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    return CompareNoCase(a, b);
}

void FolderScan::SortRows(std::vector<FileListRow>& rows, int sortColumn)
{
    if (sortColumn == 0)
        return;
    const int column = (sortColumn < 0 ? -sortColumn : sortColumn) - 1;
    const bool descending = sortColumn < 0;
    const auto text = [column](const FileListRow& row) -> const std::string& {
        return column == 0 ? row.name : (column == 1 ? row.sizeText : row.createdText);
    };
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const FileListRow& a, const FileListRow& b) {
                         const int result = CompareColumn(column, text(a), text(b));
                         return descending ? result > 0 : result < 0;
                     });
}

bool FolderScan::StartsWithNoCase(const std::string& text, const std::string& prefix)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (j < prefix.size()) {
        if (i >= text.size())
            return false;
        if (NextFolded(text, i) != NextFolded(prefix, j))
            return false;
    }
    return true;
}

long FolderScan::FindByPrefix(const std::vector<std::string>& names, const std::string& prefix)
{
    if (prefix.empty())
        return -1;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (StartsWithNoCase(names[i], prefix))
            return static_cast<long>(i);
    }
    return -1;
}
