// A plotter on the loopback interface for tests and benchmarks: a TCP
// server on 127.0.0.1 (a free port) that accepts connections one after
// another and records what each one sends, like a port-9100 plotter. It can
// also misbehave: stall (accept, never read) or drop the connection after a
// number of bytes. Header-only; the server runs on its own thread, which the
// destructor stops and joins.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CLoopbackPlotter {
public:
    enum class Mode { Record, Stall, DropAfter };

    explicit CLoopbackPlotter(Mode mode = Mode::Record, size_t dropAfter = 0)
        : m_mode(mode), m_dropAfter(dropAfter)
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (mode == Mode::Stall) {
            // Small buffers so a stalled peer fills up quickly.
            int small = 4096;
            ::setsockopt(m_listen, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        }
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

    // Bytes received so far on all connections (the one open included).
    size_t BytesReceived() const { return m_bytes.load(); }
    int Connections() const { return m_connections.load(); }

    // Waits until `count` connections have ended; false on timeout.
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
    // Slows the reader down: a pause after every read of at most 1 KB.
    void SetReadDelay(std::chrono::milliseconds delay) { m_delayMs = static_cast<int>(delay.count()); }

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
            std::string data;
            if (m_mode == Mode::Stall) {
                while (!m_stop)
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                ::close(fd);
                break;
            }
            char buffer[65536];
            for (;;) {
                pollfd c{fd, POLLIN, 0};
                if (::poll(&c, 1, 50) <= 0) {
                    if (m_stop)
                        break;
                    continue;
                }
                size_t want = sizeof buffer;
                if (m_delayMs > 0)
                    want = 1024;
                if (m_mode == Mode::DropAfter)
                    want = std::min(want, m_dropAfter - data.size());
                ssize_t n = ::read(fd, buffer, want);
                if (n <= 0)
                    break;
                data.append(buffer, static_cast<size_t>(n));
                m_bytes += static_cast<size_t>(n);
                if (m_mode == Mode::DropAfter && data.size() >= m_dropAfter) {
                    // Reset rather than a clean close: the plotter is gone.
                    linger l{1, 0};
                    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
                    break;
                }
                if (m_delayMs > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(m_delayMs));
            }
            ::close(fd);
            std::lock_guard<std::mutex> lock(m_mutex);
            m_jobs.push_back(std::move(data));
            m_done.notify_all();
        }
    }

    Mode m_mode;
    size_t m_dropAfter;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<size_t> m_bytes{0};
    std::atomic<int> m_connections{0};
    std::atomic<int> m_delayMs{0};
    std::mutex m_mutex;
    std::condition_variable m_done;
    std::vector<std::string> m_jobs;
    std::thread m_thread;
};
