// FolderScan: reads the plot folder and its subfolders into the plain rows
// the main window's file list shows (name relative to the plot folder, size
// with comma groups, creation time), and the text rules the file list sorts
// and searches by.
//
// A file is listed only once its writer has closed it: a pattern program
// may still be writing when the folder watch reports the new name. On Linux
// "no one has it open for writing" is asked of the kernel with a read lease,
// which cannot be taken while any process holds a writable descriptor of
// the file. Where leases are not available (a file of another user, a file
// system without lease support) a file counts as closed once its content
// has been quiet for a moment. A file that does not settle within a short
// bound is left out of this scan and reported as busy, so the caller can
// look again shortly; a scan never waits long.
//
// Everything here is independent of the GUI and safe to call from any
// thread; the scan touches nothing but the files it reads (and the owner
// write bit of read-only files, which it restores so that the file can be
// rewritten or deleted after plotting).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// One row of the file list.
struct FileListRow {
    std::string name;         // relative path, subfolders joined with '/'
    std::uintmax_t size = 0;  // bytes
    std::string sizeText;     // "1,234,567"
    std::int64_t created = 0; // seconds since the epoch: birth time, else modification time
    std::string createdText;  // local time, "%Y-%m-%d %H:%M:%S"
};

struct FolderScanResult {
    std::vector<FileListRow> rows;
    // Files seen but left out because a writer still had them open when the
    // settle bound ran out; they appear on a later scan once closed.
    std::size_t busy = 0;
    // Of those, the ones judged without a lease (their content changed
    // within the quiet period): no close will be reported for them, so a
    // caller that follows the folder looks again after a while.
    std::size_t unsettled = 0;
};

class FolderScan {
public:
    struct Options {
        // How long one scan keeps retrying files whose writer is still busy,
        // all files together, and the pause between two attempts.
        std::chrono::milliseconds settleLimit{250};
        std::chrono::milliseconds retryPause{20};
        // Without leases: how long a file's content must have been unchanged
        // before it counts as closed.
        std::chrono::milliseconds quietPeriod{1000};
        // Tests switch leases off to exercise the fallback.
        bool useLease = true;
    };

    // Busy: a writer holds the file open. Unsettled: no lease could tell,
    // and the content changed within the quiet period.
    enum class Probe { Ready, Busy, Unsettled, Vanished };

    // Scans `folder` (empty means the working folder) and all its
    // subfolders: in each folder its files first, in name order ignoring
    // case, then its subfolders in the same order. A missing or unreadable
    // folder gives no rows. Symbolic links to folders are not followed.
    static FolderScanResult ScanFolder(const std::string& folder, const Options& options);
    static FolderScanResult ScanFolder(const std::string& folder) { return ScanFolder(folder, Options()); }

    // Looks at one file: Vanished if it is gone (or is not a regular file),
    // Busy or Unsettled while it is being written, otherwise Ready with `row`'s size
    // and time fields filled. A Ready file that was read-only gets its
    // owner's write permission back.
    static Probe ProbeFile(const std::string& path, const Options& options, FileListRow& row);

    // 1234567 -> "1,234,567"
    static std::string GroupDigits(std::uintmax_t value);
    // Local time, "%Y-%m-%d %H:%M:%S".
    static std::string FormatLocalTime(std::int64_t secondsSinceEpoch);

    // The file list's sort order for one column: column 1 (the size) by the
    // number its text shows, every other column by text ignoring case.
    // Negative, zero or positive like strcmp.
    static int CompareColumn(int column, const std::string& a, const std::string& b);
    // Puts `rows` in the file list's order `sortColumn`: column + 1 for
    // ascending, its negative for descending, 0 for the scan's own order.
    // Rows that compare equal keep their order.
    static void SortRows(std::vector<FileListRow>& rows, int sortColumn);
    // Text comparison ignoring case (UTF-8, by the C library's case rules).
    static int CompareNoCase(const std::string& a, const std::string& b);
    // Whether `text` begins with `prefix`, ignoring case.
    static bool StartsWithNoCase(const std::string& text, const std::string& prefix);
    // The first of `names` that begins with `prefix` ignoring case, or -1.
    // An empty prefix finds nothing.
    static long FindByPrefix(const std::vector<std::string>& names, const std::string& prefix);
};
