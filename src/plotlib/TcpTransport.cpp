#include "plotlib/TcpTransport.h"

#include <asio.hpp>

#include <cctype>
#include <chrono>

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

}  // namespace

struct CTcpTransport::Impl {
    asio::io_context io;
    asio::ip::tcp::socket socket{io};
    std::string host;
    int port = 0;
    std::string what;  // "host:port" for messages

    // Runs the io_context until `done` is set, the cancel flag is raised or
    // the stall time passes without `progress` moving. On cancel or timeout
    // the socket is closed so the pending operation ends, and the reason is
    // returned; an empty text means the operation completed.
    template <typename Done>
    std::string RunUntil(Done done, const std::atomic<bool>* cancel, int stallMs,
                         const Clock::time_point& lastProgress)
    {
        std::string reason;
        while (!done()) {
            if (io.stopped())
                io.restart();
            io.run_for(std::chrono::milliseconds(100));
            if (done())
                break;
            if (cancel && cancel->load())
                reason = "cancelled";
            else if (stallMs > 0 && Clock::now() - lastProgress >= std::chrono::milliseconds(stallMs))
                reason = TimeoutText(stallMs);
            if (!reason.empty()) {
                asio::error_code ignored;
                socket.close(ignored);
                io.restart();
                io.run_for(std::chrono::milliseconds(500));  // let the aborted handler run
                return reason;
            }
        }
        return std::string();
    }
};

CTcpTransport::CTcpTransport(std::string target) : m_target(std::move(target)) {}

CTcpTransport::~CTcpTransport() { Abort(); }

Status CTcpTransport::Open(const std::string&)
{
    Abort();
    std::string host;
    int port = 0;
    std::string error;
    if (!ParseHostPort(m_target, kDefaultPort, host, port, error))
        return Status::DeviceError("cannot connect to " + m_target + ": " + error);
    m_impl = std::make_unique<Impl>();
    Impl& d = *m_impl;
    d.host = host;
    d.port = port;
    d.what = host + ":" + std::to_string(port);

    // Name lookup and connect as one timed step.
    std::string reason;
    {
        asio::ip::tcp::resolver resolver(d.io);
        bool finished = false;
        asio::error_code result;
        const Clock::time_point start = Clock::now();
        resolver.async_resolve(
            host, std::to_string(port),
            [&](const asio::error_code& ec, asio::ip::tcp::resolver::results_type endpoints) {
                if (ec) {
                    result = ec;
                    finished = true;
                    return;
                }
                asio::async_connect(
                    d.socket, endpoints,
                    [&](const asio::error_code& cec, const asio::ip::tcp::endpoint&) {
                        result = cec;
                        finished = true;
                    });
            });
        reason = d.RunUntil([&] { return finished; }, m_cancel, m_stallTimeoutMs, start);
        if (reason.empty() && result)
            reason = Lower(result.message());
        if (!reason.empty())
            resolver.cancel();
    }
    if (!reason.empty()) {
        m_impl.reset();
        return Status::DeviceError("cannot connect to " + host + ":" + std::to_string(port) + ": " +
                             reason);
    }
    asio::error_code ignored;
    d.socket.set_option(asio::ip::tcp::no_delay(true), ignored);
    return Status::Ok();
}

Status CTcpTransport::Write(const char* data, size_t size)
{
    if (!m_impl || !m_impl->socket.is_open())
        return Status::DeviceError("not connected to " + m_target);
    Impl& d = *m_impl;
    const std::string what = d.what;
    Clock::time_point lastProgress = Clock::now();
    while (size > 0) {
        bool finished = false;
        asio::error_code result;
        size_t written = 0;
        d.socket.async_write_some(asio::buffer(data, size),
                                  [&](const asio::error_code& ec, size_t n) {
                                      result = ec;
                                      written = n;
                                      finished = true;
                                  });
        std::string reason =
            d.RunUntil([&] { return finished; }, m_cancel, m_stallTimeoutMs, lastProgress);
        if (!reason.empty()) {
            m_impl.reset();
            return Status::DeviceError("cannot write to " + what + ": " + reason);
        }
        if (result) {
            std::string text = result == asio::error::broken_pipe ||
                                       result == asio::error::connection_reset ||
                                       result == asio::error::eof
                                   ? "connection closed by the device"
                                   : Lower(result.message());
            m_impl.reset();
            return Status::DeviceError("cannot write to " + what + ": " + text);
        }
        data += written;
        size -= written;
        if (written > 0)
            lastProgress = Clock::now();
    }
    return Status::Ok();
}

Status CTcpTransport::Finish()
{
    if (!m_impl || !m_impl->socket.is_open())
        return Status::DeviceError("not connected to " + m_target);
    Impl& d = *m_impl;
    // Every byte acknowledged by the peer, then an orderly close.
    Status s = WaitOutputQueueEmpty(d.socket.native_handle(), m_cancel, m_stallTimeoutMs, d.what);
    if (s) {
        // A peer that reset the connection after our last write shows up as
        // an error on the socket.
        int soError = 0;
        socklen_t len = sizeof soError;
        if (::getsockopt(d.socket.native_handle(), SOL_SOCKET, SO_ERROR, &soError, &len) == 0 &&
            soError != 0)
            s = Status::DeviceError("cannot write to " + d.what + ": " + ErrnoText(soError));
    }
    asio::error_code ignored;
    d.socket.shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
    d.socket.close(ignored);
    m_impl.reset();
    return s;
}

void CTcpTransport::Abort()
{
    if (!m_impl)
        return;
    asio::error_code ignored;
    m_impl->socket.close(ignored);
    m_impl.reset();
}
