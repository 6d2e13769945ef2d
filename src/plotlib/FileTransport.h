// A file or device node as an output device.
//
// A device node (a character device such as /dev/usb/lp0, or a FIFO) is
// opened for each job with O_NOCTTY and O_NONBLOCK, written fully (EINTR and
// EAGAIN are waited out in short slices, so cancel works and a printer that
// stops taking bytes fails after the stall timeout), and closed after its
// output queue has drained.
//
// A plain file (or a path that does not exist yet) collects the jobs: each
// job is appended to what the file already holds. The append is done as a
// whole new file (old content, then the job) renamed over the old one, so a
// crash or a cancelled job never leaves half a job in it.
#pragma once

#include <memory>
#include <string>

#include "plotlib/Transport.h"

class CAtomicFileWriter;

class CFileTransport : public CTransport {
public:
    explicit CFileTransport(std::string path);
    ~CFileTransport() override;

    Status Open(const std::string& jobName) override;
    Status Write(const char* data, size_t size) override;
    Status Finish() override;
    void Abort() override;
    bool IsLive() const override { return m_fd >= 0; }
    std::string Describe() const override { return m_path; }

private:
    std::string m_path;
    int m_fd = -1;
    std::unique_ptr<CAtomicFileWriter> m_writer;
};
