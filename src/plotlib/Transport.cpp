#include "plotlib/Transport.h"

#include "plotlib/CupsTransport.h"
#include "plotlib/Devices.h"
#include "plotlib/FileTransport.h"
#include "plotlib/FolderTransport.h"
#include "plotlib/SerialTransport.h"
#include "plotlib/TcpTransport.h"

std::unique_ptr<CTransport> CreateTransport(const DeviceInfo& device)
{
    std::unique_ptr<CTransport> transport;
    switch (device.kind) {
    case ConnectionKind::File:
        transport = std::make_unique<CFileTransport>(device.target);
        break;
    case ConnectionKind::Tcp:
        transport = std::make_unique<CTcpTransport>(device.target);
        break;
    case ConnectionKind::Serial:
        transport = std::make_unique<CSerialTransport>(device.target, device.serial);
        break;
    case ConnectionKind::Cups:
        transport = std::make_unique<CCupsTransport>(device.target);
        break;
    case ConnectionKind::Folder:
    default:
        transport = std::make_unique<CFolderTransport>(device.target);
        break;
    }
    transport->SetStallTimeoutMs(device.timeoutMs);
    return transport;
}

Status CTransport::Write(const char* data, size_t size, size_t* written)
{
    size_t done = 0;
    Status s = size > 0 ? WriteBytes(data, size, done) : Status::Ok();
    m_written += done;
    if (written)
        *written = done;
    return s;
}

uint64_t CTransport::BytesTaken() const
{
    const uint64_t queued = QueuedBytes();
    return queued < m_written ? m_written - queued : 0;
}

Status ParseHostPort(const std::string& text, int defaultPort, std::string& host, int& port)
{
    std::string rest;
    if (!text.empty() && text[0] == '[') {
        const size_t close = text.find(']');
        if (close == std::string::npos)
            return Status::BadInput("missing ']' in the address");
        host = text.substr(1, close - 1);
        rest = text.substr(close + 1);
        if (!rest.empty() && rest[0] != ':')
            return Status::BadInput("unexpected text after the address");
    } else {
        const size_t colon = text.rfind(':');
        if (colon != std::string::npos && text.find(':') == colon) {
            host = text.substr(0, colon);
            rest = text.substr(colon);
        } else {
            host = text;  // no port, or a bare IPv6 address
        }
    }
    while (!host.empty() && (host.back() == ' ' || host.back() == '\t'))
        host.pop_back();
    while (!host.empty() && (host.front() == ' ' || host.front() == '\t'))
        host.erase(host.begin());
    if (host.empty())
        return Status::BadInput("no host given");
    port = defaultPort;
    if (!rest.empty()) {
        const std::string digits = rest.substr(1);
        if (digits.empty() || digits.size() > 5 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return Status::BadInput("bad port \"" + digits + "\"");
        port = std::stoi(digits);
        if (port < 1 || port > 65535)
            return Status::BadInput("bad port \"" + digits + "\"");
    }
    return Status::Ok();
}
