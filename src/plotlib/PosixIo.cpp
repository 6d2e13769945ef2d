#include "plotlib/PosixIo.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cctype>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

bool StallExpired(Clock::time_point lastProgress, int stallMs)
{
    return stallMs > 0 && Clock::now() - lastProgress >= std::chrono::milliseconds(stallMs);
}

std::string TimeoutText(int stallMs)
{
    if (stallMs % 1000 == 0)
        return "timed out after " + std::to_string(stallMs / 1000) + " s";
    return "timed out after " + std::to_string(stallMs) + " ms";
}

bool IsSocket(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode);
}

// Keeps SIGPIPE from this thread's writes: the signal is blocked while the
// guard lives, and one raised by our own write is taken back before it is
// unblocked. Whatever was pending before stays pending.
class SigPipeGuard {
public:
    SigPipeGuard()
    {
        sigemptyset(&m_set);
        sigaddset(&m_set, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &m_set, &m_old);
        sigset_t pending;
        sigemptyset(&pending);
        m_wasPending = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
    }
    ~SigPipeGuard() { pthread_sigmask(SIG_SETMASK, &m_old, nullptr); }
    void Swallow()
    {
        if (m_wasPending)
            return;
        const timespec none{0, 0};
        while (sigtimedwait(&m_set, nullptr, &none) < 0 && errno == EINTR) {
        }
    }

private:
    sigset_t m_set;
    sigset_t m_old;
    bool m_wasPending = false;
};

std::string WriteErrorText(int fd, int error)
{
    if ((error == EPIPE || error == ECONNRESET) && IsSocket(fd))
        return "connection closed by the device";
    if (error == EPIPE)
        return "the device went away (" + ErrnoText(error) + ")";
    return ErrnoText(error);
}

}  // namespace

std::string ErrnoText(int error)
{
    std::string text = std::strerror(error);
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

OutputQueue OutputQueueOf(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return OutputQueue::None;
    if (S_ISFIFO(st.st_mode))
        return OutputQueue::Pipe;
    int pending = 0;
    if (::ioctl(fd, TIOCOUTQ, &pending) == 0)
        return OutputQueue::Tty;
    return OutputQueue::None;
}

size_t QueuedOutput(int fd, OutputQueue queue)
{
    int pending = 0;
    switch (queue) {
    case OutputQueue::Tty:
        if (::ioctl(fd, TIOCOUTQ, &pending) != 0)
            return 0;
        break;
    case OutputQueue::Pipe:
        if (::ioctl(fd, FIONREAD, &pending) != 0)
            return 0;
        break;
    case OutputQueue::None:
        return 0;
    }
    return pending > 0 ? static_cast<size_t>(pending) : 0;
}

Status WriteAllToFd(int fd, const char* data, size_t size, const FdWriteOptions& o, size_t& written)
{
    written = 0;
    SigPipeGuard guard;
    Clock::time_point lastProgress = Clock::now();
    size_t lastQueued = SIZE_MAX;
    while (size > 0) {
        if (o.cancel && o.cancel->load())
            return Status::Cancelled("writing to " + o.what + ": cancelled");
        if (o.maxQueued > 0) {
            const size_t queued = QueuedOutput(fd, o.queue);
            if (queued < lastQueued)
                lastProgress = Clock::now();
            lastQueued = queued;
            if (queued >= o.maxQueued) {
                if (StallExpired(lastProgress, o.stallMs))
                    return Status::DeviceError("cannot write to " + o.what + ": " +
                                               TimeoutText(o.stallMs));
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
        }
        size_t piece = size;
        if (o.maxQueued > 0) {
            const size_t room = o.maxQueued - lastQueued;
            piece = std::min(piece, room);
        }
        ssize_t n = ::write(fd, data, piece);
        if (n > 0) {
            data += n;
            size -= static_cast<size_t>(n);
            written += static_cast<size_t>(n);
            lastProgress = Clock::now();
            lastQueued = SIZE_MAX;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            const int err = errno;
            if (err == EPIPE)
                guard.Swallow();
            return Status::DeviceError("cannot write to " + o.what + ": " + WriteErrorText(fd, err));
        }
        // The device takes no more bytes for now (full buffer, XOFF, a
        // stopped tty that answers 0): wait for room in short slices.
        if (StallExpired(lastProgress, o.stallMs))
            return Status::DeviceError("cannot write to " + o.what + ": " + TimeoutText(o.stallMs));
        pollfd p{fd, POLLOUT, 0};
        int r = ::poll(&p, 1, 100);
        if (r < 0 && errno != EINTR)
            return Status::DeviceError("cannot write to " + o.what + ": " + ErrnoText(errno));
        if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p.revents & POLLOUT)) {
            // The next write tells why (a reset connection, a reader gone);
            // a device node that was unplugged just says so.
            ssize_t probe = ::write(fd, data, 1);
            if (probe == 1) {
                ++data;
                --size;
                ++written;
                lastProgress = Clock::now();
                continue;
            }
            const int err = probe < 0 ? errno : EIO;
            if (err == EPIPE)
                guard.Swallow();
            if (err == EAGAIN || err == EWOULDBLOCK || err == EIO)
                return Status::DeviceError("cannot write to " + o.what + ": device disconnected");
            return Status::DeviceError("cannot write to " + o.what + ": " + WriteErrorText(fd, err));
        }
        if (r > 0 && n == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));  // ready yet stopped
    }
    return Status::Ok();
}

Status WaitOutputQueueEmpty(int fd, OutputQueue queue, const std::atomic<bool>* cancel,
                            int stallMs, const std::string& what)
{
    if (queue == OutputQueue::None)
        return Status::Ok();
    Clock::time_point lastProgress = Clock::now();
    size_t last = SIZE_MAX;
    for (;;) {
        const size_t pending = QueuedOutput(fd, queue);
        if (pending == 0)
            return Status::Ok();
        // A connection reset, a reader gone or an unplugged device ends the
        // wait at once.
        pollfd p{fd, 0, 0};
        if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
            int soError = 0;
            socklen_t len = sizeof soError;
            if ((p.revents & POLLERR) &&
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) == 0 && soError != 0)
                return Status::DeviceError("cannot finish writing to " + what + ": " +
                                           WriteErrorText(fd, soError));
            return Status::DeviceError("cannot finish writing to " + what + ": device disconnected");
        }
        if (pending < last)
            lastProgress = Clock::now();
        last = pending;
        if (cancel && cancel->load())
            return Status::Cancelled("writing to " + what + ": cancelled");
        if (StallExpired(lastProgress, stallMs))
            return Status::DeviceError("cannot finish writing to " + what + ": " +
                                       TimeoutText(stallMs) + " with " + std::to_string(pending) +
                                       " bytes not taken");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
