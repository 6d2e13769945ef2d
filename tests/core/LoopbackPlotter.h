// A plotter on the loopback interface for tests and benchmarks: a TCP
// server on 127.0.0.1 (a free port) that accepts connections one after
// another and records what each one sends, like a port-9100 plotter.
//
// It behaves like a real device where that matters for job control:
//   - a device buffer: the receive buffer of its connections
//     (SetReceiveBuffer), which is what a plotter holds beyond what it has
//     plotted;
//   - a plotting speed: it reads at a set rate (SetReadRate, bytes per
//     second) and records when each byte arrived, so a test can tell what
//     reached it after a given moment;
//   - the end of a job: it closes its side once the sender has shut down
//     its own (Record), or keeps the connection open (KeepOpen);
//   - faults: it stalls (accepts, never reads), or resets the connection
//     after a number of bytes (DropAfter, optionally after a delay), and it
//     may answer something when a job starts (SetReply).
// Header-only; the server runs on its own thread, which the destructor
// stops and joins. Settings are made before the connection they are meant
// for.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CLoopbackPlotter {
public:
    enum class Mode { Record, Stall, DropAfter, KeepOpen };
    using Clock = std::chrono::steady_clock;

    explicit CLoopbackPlotter(Mode mode = Mode::Record, size_t dropAfter = 0)
        : m_mode(mode), m_dropAfter(dropAfter)
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (mode == Mode::Stall)
            SetReceiveBuffer(4096);  // a stalled peer fills up quickly
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        socklen_t len = sizeof addr;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        ::listen(m_listen, 8);
        m_thread = std::thread([this] { Serve(); });
    }

    ~CLoopbackPlotter()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_listen);
    }

    int Port() const { return m_port; }
    std::string Target() const { return "127.0.0.1:" + std::to_string(m_port); }

    // The device buffer: the kernel receive buffer of the connections
    // accepted from now on (the kernel doubles the request). Returns the
    // size the kernel chose.
    int SetReceiveBuffer(int bytes)
    {
        ::setsockopt(m_listen, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
        return DeviceBuffer();
    }
    int DeviceBuffer() const
    {
        int size = 0;
        socklen_t len = sizeof size;
        ::getsockopt(m_listen, SOL_SOCKET, SO_RCVBUF, &size, &len);
        return size;
    }
    // Reads at most this many bytes per second (0: as fast as it can).
    void SetReadRate(size_t bytesPerSecond) { m_rate = bytesPerSecond; }
    // A held plotter reads nothing (paper change, a full buffer) until
    // released; the read rate then counts from the release.
    void Hold(bool hold) { m_hold = hold; }
    // Slows the reader down: a pause after every read of at most 1 KB.
    void SetReadDelay(std::chrono::milliseconds delay) { m_delayMs = static_cast<int>(delay.count()); }
    // DropAfter: how long the device waits, after its last byte, before
    // it resets the connection.
    void SetResetDelay(std::chrono::milliseconds delay) { m_resetDelayMs = static_cast<int>(delay.count()); }
    // Sent to each connection as soon as it is accepted (a status line).
    void SetReply(std::string reply)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reply = std::move(reply);
    }

    // Bytes received so far on all connections (the one open included).
    size_t BytesReceived() const { return m_bytes.load(); }
    int Connections() const { return m_connections.load(); }
    // When the last byte arrived (the epoch before the first).
    Clock::time_point LastByteTime() const
    {
        return Clock::time_point(Clock::duration(m_lastByte.load()));
    }

    // Waits until `count` connections have ended (KeepOpen: have sent
    // everything); false on timeout.
    bool WaitForJobs(size_t count, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_done.wait_for(lock, timeout, [&] { return m_jobs.size() >= count; });
    }
    std::vector<std::string> Jobs()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_jobs;
    }

private:
    void Serve()
    {
        while (!m_stop) {
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            ++m_connections;
            std::string reply;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                reply = m_reply;
            }
            if (!reply.empty())
                static_cast<void>(::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL));
            if (m_mode == Mode::Stall) {
                while (!m_stop)
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                ::close(fd);
                break;
            }
            std::string data = Receive(fd);
            if (m_mode == Mode::KeepOpen) {
                // Everything is in, but the connection stays until the
                // device is switched off.
                Record(std::move(data));
                while (!m_stop)
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                ::close(fd);
                break;
            }
            ::close(fd);
            Record(std::move(data));
        }
    }

    // Reads one connection until the sender's end (or the reset of
    // DropAfter).
    std::string Receive(int fd)
    {
        std::string data;
        char buffer[65536];
        size_t counted = 0;  // bytes read since `start`
        Clock::time_point start = Clock::now();
        for (;;) {
            if (m_hold) {
                if (m_stop)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                start = Clock::now();
                counted = 0;
                continue;
            }
            size_t want = sizeof buffer;
            if (m_delayMs > 0)
                want = 1024;
            const size_t rate = m_rate.load();
            if (rate > 0) {
                // A reader at `rate` bytes per second: small reads, each
                // once the time for it has come.
                const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
                const double allowed = elapsed * static_cast<double>(rate) - static_cast<double>(counted);
                if (allowed < 1.0) {
                    if (m_stop)
                        break;
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    continue;
                }
                want = std::min<size_t>({want, static_cast<size_t>(allowed), std::max<size_t>(rate / 100, 256)});
            }
            if (m_mode == Mode::DropAfter)
                want = std::min(want, m_dropAfter - data.size());
            pollfd c{fd, POLLIN, 0};
            if (::poll(&c, 1, 20) <= 0) {
                if (m_stop)
                    break;
                continue;
            }
            ssize_t n = ::read(fd, buffer, want);
            if (n <= 0)
                break;
            data.append(buffer, static_cast<size_t>(n));
            counted += static_cast<size_t>(n);
            m_bytes += static_cast<size_t>(n);
            m_lastByte = Clock::now().time_since_epoch().count();
            if (m_mode == Mode::DropAfter && data.size() >= m_dropAfter) {
                std::this_thread::sleep_for(std::chrono::milliseconds(m_resetDelayMs.load()));
                // Reset rather than a clean close: the plotter is gone.
                linger l{1, 0};
                ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
                break;
            }
            if (m_delayMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(m_delayMs));
        }
        return data;
    }

    void Record(std::string data)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(std::move(data));
        m_done.notify_all();
    }

    Mode m_mode;
    size_t m_dropAfter;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<size_t> m_bytes{0};
    std::atomic<int> m_connections{0};
    std::atomic<int> m_delayMs{0};
    std::atomic<int> m_resetDelayMs{0};
    std::atomic<size_t> m_rate{0};
    std::atomic<bool> m_hold{false};
    std::atomic<Clock::rep> m_lastByte{0};
    std::mutex m_mutex;
    std::condition_variable m_done;
    std::vector<std::string> m_jobs;
    std::string m_reply;
    std::thread m_thread;
};
