// Raw TCP output ("port 9100" printing): one connection per job to
// host:port, the job's bytes, a clean close. Used by network plotters,
// cutters and print servers that take the plot language as it is.
//
// Built on standalone asio. Connecting (name lookup included) and every
// write wait in 100 ms slices for the cancel flag and give up after the
// stall timeout. Finish waits until the peer has acknowledged every byte
// (the socket's unacknowledged output queue is empty), so a plotter that
// drops the connection before taking the whole job makes the job fail
// instead of silently losing its tail.
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
    Status Write(const char* data, size_t size) override;
    Status Finish() override;
    void Abort() override;
    bool IsLive() const override { return true; }
    std::string Describe() const override { return m_target; }

    static constexpr int kDefaultPort = 9100;

private:
    struct Impl;
    std::string m_target;
    std::unique_ptr<Impl> m_impl;
};
