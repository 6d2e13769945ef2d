#include "plotlib/FileTransport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "plotlib/AtomicFile.h"
#include "plotlib/PosixIo.h"

CFileTransport::CFileTransport(std::string path) : m_path(std::move(path)) {}

CFileTransport::~CFileTransport() { Abort(); }

namespace {

// A FIFO holds this much at most: what its reader (a plotter's feeder) gets
// after a cancel or a pause is bounded by it.
constexpr int kPipeBytes = 4096;

}  // namespace

Status CFileTransport::Open(const std::string&)
{
    Abort();
    StartJob();
    if (m_path.empty())
        return Status::BadInput("no output file set");
    struct stat st {};
    const bool exists = ::stat(m_path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        return Status::DeviceError("cannot open " + m_path + ": is a folder");
    if (exists && !S_ISREG(st.st_mode)) {
        int fd = ::open(m_path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            const int err = errno;
            if (err == ENXIO)
                return Status::DeviceError("cannot open " + m_path + ": device not connected");
            return Status::FromErrno(err, StatusKind::DeviceError, "cannot open " + m_path + ": " + ErrnoText(err));
        }
        m_fd = fd;
        m_queue = OutputQueueOf(fd);
        if (m_queue == OutputQueue::Pipe)
            static_cast<void>(::fcntl(fd, F_SETPIPE_SZ, kPipeBytes));  // best effort
        return Status::Ok();
    }

    // A plain file: start the new version with the old content.
    m_writer = std::make_unique<CAtomicFileWriter>();
    Status s = m_writer->Open(m_path);
    if (!s) {
        m_writer.reset();
        return s;
    }
    if (exists) {
        std::FILE* in = std::fopen(m_path.c_str(), "rb");
        if (!in) {
            const int err = errno;
            Abort();
            return Status::DeviceError("cannot read " + m_path + ": " + ErrnoText(err));
        }
        char buffer[64 * 1024];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
            m_writer->Write(buffer, n);
        const bool readError = std::ferror(in) != 0;
        std::fclose(in);
        if (readError) {
            Abort();
            return Status::DeviceError("cannot read " + m_path + ": read error");
        }
    }
    return Status::Ok();
}

Status CFileTransport::WriteBytes(const char* data, size_t size, size_t& written)
{
    written = 0;
    if (m_fd >= 0) {
        FdWriteOptions options;
        options.cancel = m_cancel;
        options.stallMs = m_stallTimeoutMs;
        options.what = m_path;
        options.queue = m_queue;
        return WriteAllToFd(m_fd, data, size, options, written);
    }
    if (!m_writer)
        return Status::DeviceError(m_path + " is not open");
    if (Cancelled())
        return Status::Cancelled("writing to " + m_path + ": cancelled");
    m_writer->Write(data, size);
    written = size;
    return Status::Ok();
}

uint64_t CFileTransport::QueuedBytes() const
{
    return m_fd >= 0 ? QueuedOutput(m_fd, m_queue) : 0;
}

Status CFileTransport::Drain()
{
    if (m_fd < 0)
        return Status::Ok();
    return WaitOutputQueueEmpty(m_fd, m_queue, m_cancel, m_stallTimeoutMs, m_path);
}

Status CFileTransport::Finish()
{
    if (m_fd >= 0) {
        Status s = Drain();
        if (s.cancelled())
            return s;  // the caller decides: a pen lift, then Abort
        if (!s && m_queue == OutputQueue::Tty)
            ::tcflush(m_fd, TCOFLUSH);  // close would wait for a stopped tty
        if (::close(m_fd) != 0 && s) {
            const int err = errno;
            if (err != EINTR)
                s = Status::DeviceError("cannot finish writing to " + m_path + ": " + ErrnoText(err));
        }
        m_fd = -1;
        return s;
    }
    if (!m_writer)
        return Status::DeviceError(m_path + " is not open");
    Status s = m_writer->Commit();
    m_writer.reset();
    return s;
}

void CFileTransport::Abort()
{
    if (m_fd >= 0) {
        if (m_queue == OutputQueue::Tty)
            ::tcflush(m_fd, TCOFLUSH);
        ::close(m_fd);
    }
    m_fd = -1;
    if (m_writer)
        m_writer->Abort();
    m_writer.reset();
}
