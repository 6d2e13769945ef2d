// A serial port as an output device (the classic plotter and cutter
// connection): the port is opened for each job, set to raw 8-bit transfer
// with the device's baud rate, data bits, parity, stop bits and flow
// control, written fully, and closed once the kernel has sent every byte.
//
// Flow control is done by the kernel's tty layer, so it is honoured byte
// for byte: XON/XOFF sets IXON (the device's XOFF stops our output until
// its XON), RTS/CTS sets CRTSCTS. While the device holds the output the
// writes wait in 100 ms slices (cancel is seen at once) up to the stall
// timeout; plotters that hold XOFF for long (paper change) want a larger
// timeout, or 0 for none.
#pragma once

#include <string>

#include "plotlib/Devices.h"
#include "plotlib/Transport.h"

class CSerialTransport : public CTransport {
public:
    CSerialTransport(std::string port, const SerialSettings& settings);
    ~CSerialTransport() override;

    Status Open(const std::string& jobName) override;
    Status Write(const char* data, size_t size) override;
    Status Finish() override;
    void Abort() override;
    bool IsLive() const override { return true; }
    std::string Describe() const override { return m_port; }

    // Checks the line settings; the message names the bad one.
    static Status CheckSettings(const SerialSettings& settings);

private:
    std::string m_port;
    SerialSettings m_settings;
    int m_fd = -1;
};
