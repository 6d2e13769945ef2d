// File names for print jobs that arrive over IPP. A job's document name is
// whatever the sending station chose: a full path of another machine
// ("C:\CAD\jobs\back.plt", "/home/anna/back.plt"), a name with "..", control
// characters or invalid UTF-8, or something far longer than a file name may
// be. CSafeJobName turns it into one plain name inside the plot folder, and
// picks a number when that name is taken.
//
// The rules, in order:
//   - only the last path component counts (after the last '/' or '\');
//   - control characters (below 0x20, 0x7f) are dropped; the characters a
//     Windows share refuses (< > : " | ? *) and bytes that are not UTF-8
//     become '_';
//   - leading dots and blanks and trailing dots and blanks are dropped (no
//     hidden files, no "." or "..");
//   - the name is cut to kMaxBytes at a character boundary, keeping a short
//     extension;
//   - what is left empty becomes the fallback name.
//
// Pure functions; any thread.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

class CSafeJobName {
public:
    // Room is left for " (NNNN)" and the atomic writer's temporary name
    // (".NAME.tmpXXXXXX") within the 255 bytes a file name may have.
    static constexpr size_t kMaxBytes = 200;
    // More numbered names than this are not tried.
    static constexpr int kMaxNumber = 9999;

    // The document name made safe; `fallback` (itself safe) when nothing is
    // left of it.
    static std::string Make(const std::string& documentName, const std::string& fallback);

    // "name.plt", then "name (2).plt", "name (3).plt", ...: the first
    // candidate for which `taken` answers false. Empty when every number up
    // to kMaxNumber is taken.
    static std::string FirstFree(const std::string& safeName,
                                 const std::function<bool(const std::string&)>& taken);

    // The n-th candidate for `safeName` (n = 1 is the name itself).
    static std::string Numbered(const std::string& safeName, int n);
};
