// Writing files so that a crash or a full disk never leaves half a file: the
// bytes go to a temporary file in the target's folder, are flushed to disk,
// and the temporary file is renamed over the target. On any failure the
// temporary file is removed and the target keeps its old content.
//
// All functions are safe to call from any thread; concurrent writers of the
// same target each produce a whole file, the last rename wins.
#pragma once

#include <cstdio>
#include <string>

#include "plotlib/Status.h"

// Replaces (or creates) `path` with `data`. Keeps the permission bits of an
// existing target.
Status WriteFileAtomically(const std::string& path, const std::string& data);

// Reads a whole file into `data`. Fails with a readable message.
Status ReadWholeFile(const std::string& path, std::string& data);

// A streaming writer for large outputs (plot files): Open creates the
// temporary file, Write appends, Commit flushes, syncs and renames over the
// target. A writer destroyed without Commit removes its temporary file.
class CAtomicFileWriter {
public:
    CAtomicFileWriter() = default;
    ~CAtomicFileWriter();
    CAtomicFileWriter(const CAtomicFileWriter&) = delete;
    CAtomicFileWriter& operator=(const CAtomicFileWriter&) = delete;

    Status Open(const std::string& path);
    bool IsOpen() const { return m_file != nullptr; }
    // Buffered append; a write error is remembered and reported by Commit.
    void Write(const char* data, size_t size);
    void Write(const std::string& text) { Write(text.data(), text.size()); }
    Status Commit();
    // Like Commit, but never replaces anything: when a file, link or folder
    // already has the target's name, the temporary file is removed, the
    // existing entry is left as it was and `existed` is set (the status then
    // carries the kind IoError). For writers that pick a free name and must
    // not overwrite a file that appeared under it meanwhile.
    Status CommitNew(bool& existed);
    void Abort();

    const std::string& TargetPath() const { return m_path; }

private:
    Status Flush();

    std::FILE* m_file = nullptr;
    std::string m_path;
    std::string m_tempPath;
    bool m_failed = false;
    int m_errno = 0;
};
