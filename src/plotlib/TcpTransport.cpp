#include "plotlib/TcpTransport.h"

#include <asio.hpp>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <thread>

#include "plotlib/PosixIo.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Lower(std::string text)
{
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

std::string TimeoutText(int ms)
{
    if (ms % 1000 == 0)
        return "timed out after " + std::to_string(ms / 1000) + " s";
    return "timed out after " + std::to_string(ms) + " ms";
}

bool Expired(Clock::time_point since, int stallMs)
{
    return stallMs > 0 && Clock::now() - since >= std::chrono::milliseconds(stallMs);
}

// Closes `fd`, resetting the connection when `reset`: the kernel then drops
// whatever is still queued instead of delivering it.
void CloseSocket(int fd, bool reset)
{
    if (reset) {
        linger l{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    }
    ::close(fd);
}

}  // namespace

CTcpTransport::CTcpTransport(std::string target) : m_target(std::move(target)) {}

CTcpTransport::~CTcpTransport() { Abort(); }

Status CTcpTransport::Open(const std::string&)
{
    Abort();
    StartJob();
    std::string host;
    int port = 0;
    const Status address = ParseHostPort(m_target, kDefaultPort, host, port);
    if (!address)
        return address.WithMessage("cannot connect to " + m_target + ": " + address.message());
    m_what = host + ":" + std::to_string(port);
    return Connect(host, port);
}

Status CTcpTransport::Connect(const std::string& host, int port)
{
    const Clock::time_point start = Clock::now();
    auto failed = [&](const std::string& reason) {
        return Status::DeviceError("cannot connect to " + m_what + ": " + reason);
    };
    auto cancelled = [&] { return Status::Cancelled("cannot connect to " + m_what + ": cancelled"); };

    // Name lookup: asio runs it aside, so a cancel or the timeout need not
    // wait for it.
    std::vector<asio::ip::tcp::endpoint> endpoints;
    {
        asio::io_context io;
        asio::ip::tcp::resolver resolver(io);
        bool finished = false;
        asio::error_code result;
        resolver.async_resolve(host, std::to_string(port), asio::ip::tcp::resolver::numeric_service,
                               [&](const asio::error_code& ec,
                                   asio::ip::tcp::resolver::results_type found) {
                                   result = ec;
                                   for (const auto& entry : found)
                                       endpoints.push_back(entry.endpoint());
                                   finished = true;
                               });
        std::string reason;
        while (!finished) {
            io.run_for(std::chrono::milliseconds(100));
            if (finished)
                break;
            if (Cancelled()) {
                resolver.cancel();
                return cancelled();
            }
            if (Expired(start, m_stallTimeoutMs)) {
                resolver.cancel();
                return failed(TimeoutText(m_stallTimeoutMs));
            }
        }
        if (result)
            return failed(Lower(result.message()));
    }
    if (endpoints.empty())
        return failed("no address found");

    // Each address in turn, within the one stall time.
    std::string lastError = "no address could be reached";
    for (const asio::ip::tcp::endpoint& endpoint : endpoints) {
        const int fd = ::socket(endpoint.protocol().family(),
                                SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            lastError = ErrnoText(errno);
            continue;
        }
        // Before connecting, so the window the connection starts with fits.
        const int sendBuffer = kSendBuffer;
        ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        int error = 0;
        if (::connect(fd, endpoint.data(), static_cast<socklen_t>(endpoint.size())) != 0)
            error = errno;
        while (error == EINPROGRESS || error == EINTR || error == EALREADY) {
            if (Cancelled()) {
                ::close(fd);
                return cancelled();
            }
            if (Expired(start, m_stallTimeoutMs)) {
                ::close(fd);
                return failed(TimeoutText(m_stallTimeoutMs));
            }
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 100) > 0) {
                socklen_t len = sizeof error;
                if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0)
                    error = errno;
            }
        }
        if (error == 0) {
            m_fd = fd;
            return Status::Ok();
        }
        lastError = ErrnoText(error);
        ::close(fd);
    }
    return failed(lastError);
}

Status CTcpTransport::WriteBytes(const char* data, size_t size, size_t& written)
{
    written = 0;
    if (m_fd < 0)
        return Status::DeviceError("not connected to " + m_target);
    FdWriteOptions options;
    options.cancel = m_cancel;
    options.stallMs = m_stallTimeoutMs;
    options.what = m_what;
    options.queue = OutputQueue::Tty;
    return WriteAllToFd(m_fd, data, size, options, written);
}

uint64_t CTcpTransport::QueuedBytes() const
{
    return m_fd >= 0 ? QueuedOutput(m_fd, OutputQueue::Tty) : 0;
}

Status CTcpTransport::Drain()
{
    if (m_fd < 0)
        return Status::DeviceError("not connected to " + m_target);
    return WaitOutputQueueEmpty(m_fd, OutputQueue::Tty, m_cancel, m_stallTimeoutMs, m_what);
}

Status CTcpTransport::Finish()
{
    if (m_fd < 0)
        return Status::DeviceError("not connected to " + m_target);
    // The end of the job: our side is shut down after the last byte; the
    // plotter takes the rest and closes its side.
    const std::string reset = "cannot finish the job on " + m_what +
                              ": the device dropped the connection before it confirmed the job";
    if (::shutdown(m_fd, SHUT_WR) != 0) {
        Abort();
        return Status::DeviceError(reset);
    }
    Clock::time_point lastProgress = Clock::now();
    size_t lastQueued = SIZE_MAX;
    bool peerClosed = false;
    for (;;) {
        const size_t queued = QueuedOutput(m_fd, OutputQueue::Tty);
        if (queued < lastQueued)
            lastProgress = Clock::now();
        lastQueued = queued;
        if (peerClosed && queued == 0)
            break;
        if (Cancelled())
            return Status::Cancelled("writing to " + m_what + ": cancelled");
        // Without a stall limit the bytes may take as long as they take,
        // but the close is not waited for without end.
        const int limit = queued > 0 || m_stallTimeoutMs > 0 ? m_stallTimeoutMs : kConfirmWithoutLimitMs;
        if (Expired(lastProgress, limit)) {
            if (queued > 0) {
                Abort();
                return Status::DeviceError("cannot finish writing to " + m_what + ": " +
                                           TimeoutText(m_stallTimeoutMs) + " with " +
                                           std::to_string(queued) + " bytes not taken");
            }
            // Every byte was taken; the plotter just keeps the connection.
            m_confirmed = false;
            break;
        }
        if (peerClosed) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char answer[4096];
        const ssize_t n = ::recv(m_fd, answer, sizeof answer, 0);
        if (n == 0) {
            peerClosed = true;
        } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            const int err = errno;
            Abort();
            if (err == ECONNRESET || err == EPIPE)
                return Status::DeviceError(reset);
            return Status::DeviceError("cannot finish the job on " + m_what + ": " + ErrnoText(err));
        }
        // Anything the plotter says back (status, echo) is read and dropped.
    }
    ::close(m_fd);
    m_fd = -1;
    return Status::Ok();
}

void CTcpTransport::Abort()
{
    if (m_fd < 0)
        return;
    CloseSocket(m_fd, QueuedOutput(m_fd, OutputQueue::Tty) > 0);
    m_fd = -1;
}
