#include "plotlib/PosixIo.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
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

}  // namespace

std::string ErrnoText(int error)
{
    std::string text = std::strerror(error);
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

Status WriteAllToFd(int fd, const char* data, size_t size, const std::atomic<bool>* cancel,
                    int stallMs, const std::string& what)
{
    Clock::time_point lastProgress = Clock::now();
    while (size > 0) {
        if (cancel && cancel->load())
            return Status::Cancelled("writing to " + what + ": cancelled");
        ssize_t n = ::write(fd, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<size_t>(n);
            lastProgress = Clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return Status::DeviceError("cannot write to " + what + ": " + ErrnoText(errno));
        // The device takes no more bytes for now (full buffer, XOFF, a
        // stopped tty that answers 0): wait for room in short slices.
        if (StallExpired(lastProgress, stallMs))
            return Status::DeviceError("cannot write to " + what + ": " + TimeoutText(stallMs));
        pollfd p{fd, POLLOUT, 0};
        int r = ::poll(&p, 1, 100);
        if (r < 0 && errno != EINTR)
            return Status::DeviceError("cannot write to " + what + ": " + ErrnoText(errno));
        if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p.revents & POLLOUT))
            return Status::DeviceError("cannot write to " + what + ": device disconnected");
        if (r > 0 && n == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));  // ready yet stopped
    }
    return Status::Ok();
}

Status WaitOutputQueueEmpty(int fd, const std::atomic<bool>* cancel, int stallMs,
                            const std::string& what)
{
    Clock::time_point lastProgress = Clock::now();
    int last = -1;
    for (;;) {
        int pending = 0;
        if (::ioctl(fd, TIOCOUTQ, &pending) != 0)
            return Status::Ok();  // no output queue to wait for
        if (pending <= 0)
            return Status::Ok();
        // A connection reset or an unplugged device ends the wait at once.
        pollfd p{fd, 0, 0};
        if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
            int soError = 0;
            socklen_t len = sizeof soError;
            if ((p.revents & POLLERR) &&
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) == 0 && soError != 0)
                return Status::DeviceError("cannot finish writing to " + what + ": " +
                                     ErrnoText(soError));
            return Status::DeviceError("cannot finish writing to " + what + ": device disconnected");
        }
        if (pending != last) {
            if (last < 0 || pending < last)
                lastProgress = Clock::now();
            last = pending;
        }
        if (cancel && cancel->load())
            return Status::Cancelled("writing to " + what + ": cancelled");
        if (StallExpired(lastProgress, stallMs))
            return Status::DeviceError("cannot finish writing to " + what + ": " +
                                 TimeoutText(stallMs) + " with " + std::to_string(pending) +
                                 " bytes not taken");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}
