// A file or device node as an output device.
//
// A device node (a character device such as /dev/usb/lp0, or a FIFO) is
// opened for each job with O_NOCTTY and O_NONBLOCK, written fully (EINTR and
// EAGAIN are waited out in short slices, so cancel works and a printer that
// stops taking bytes fails after the stall timeout), and closed after its
// output queue has drained. A FIFO's buffer is made small (4 KB), so what
// its reader gets after a cancel or a pause is bounded; a tty's output is
// flushed when a job is cancelled or stalls.
//
// A plain file (or a path that does not exist yet) collects the jobs: each
// job is appended to what the file already holds. The append is done as a
// whole new file (old content, then the job) renamed over the old one, so a
// crash or a cancelled job never leaves half a job in it.
#pragma once

#include <memory>
#include <string>

#include "plotlib/PosixIo.h"
#include "plotlib/Transport.h"

class CAtomicFileWriter;

class CFileTransport : public CTransport {
public:
    explicit CFileTransport(std::string path);
    ~CFileTransport() override;

    Status Open(const std::string& jobName) override;
    Status Finish() override;
    Status Drain() override;
    void Abort() override;
    bool IsLive() const override { return m_fd >= 0; }
    std::string Describe() const override { return m_path; }

protected:
    Status WriteBytes(const char* data, size_t size, size_t& written) override;
    uint64_t QueuedBytes() const override;

private:
    std::string m_path;
    int m_fd = -1;
    OutputQueue m_queue = OutputQueue::None;
    std::unique_ptr<CAtomicFileWriter> m_writer;
};
