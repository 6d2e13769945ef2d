// Raw TCP output ("port 9100" printing): one connection per job to
// host:port, the job's bytes, and the end of the job as print systems do
// it on that port. Used by network plotters, cutters and print servers
// that take the plot language as it is.
//
// The name lookup runs on asio's resolver (so it can be given up on);
// connecting and writing are plain non-blocking socket calls that wait in
// 100 ms slices for the cancel flag and give up after the stall timeout.
//
// Small queue: the socket's send buffer is kept small (kSendBuffer), so at
// any time only a few kilobytes have been written but not yet taken by the
// plotter; BytesTaken counts only what the plotter has acknowledged.
//
// End of a job (Finish): after the last byte the sending side is shut
// down, then the plotter is given the stall timeout to take every byte and
// close its side; whatever it sends back meanwhile is read and dropped. A
// reset or an error before that fails the job with the reason (a plotter
// that takes 1 KB of a job and drops the connection has not plotted it).
// A plotter that took every byte but keeps the connection open past the
// timeout: the job counts as sent and DeviceConfirmed() is false.
//
// Abort ends the connection at once: with bytes still queued it is reset
// (SO_LINGER 0), so the kernel drops them instead of delivering them after
// a cancel; with nothing queued it is closed normally.
#pragma once

#include <memory>
#include <string>

#include "plotlib/Transport.h"

class CTcpTransport : public CTransport {
public:
    // `target` is "host:port" or "host" (port 9100).
    explicit CTcpTransport(std::string target);
    ~CTcpTransport() override;

    Status Open(const std::string& jobName) override;
    Status Finish() override;
    Status Drain() override;
    void Abort() override;
    bool IsLive() const override { return true; }
    std::string Describe() const override { return m_target; }

    static constexpr int kDefaultPort = 9100;
    // Requested send buffer; the kernel doubles it for its bookkeeping and
    // queues about that many bytes.
    static constexpr int kSendBuffer = 8 * 1024;
    // How long Finish waits for the plotter to close its side when the
    // device has no stall timeout.
    static constexpr int kConfirmWithoutLimitMs = 10000;

protected:
    Status WriteBytes(const char* data, size_t size, size_t& written) override;
    uint64_t QueuedBytes() const override;

private:
    Status Connect(const std::string& host, int port);

    std::string m_target;
    std::string m_what;  // "host:port" for messages
    int m_fd = -1;
};
