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
//
// The kernel's output queue is kept to about half a second of output
// (QueueLimit), so a cancel or a pause holds the plotter soon; a job that
// is cancelled or stalls has its queue flushed (tcflush) before the port
// is closed, so close never waits for a plotter that holds XOFF.
#pragma once

#include <string>

#include "plotlib/Devices.h"
#include "plotlib/Transport.h"

class CSerialTransport : public CTransport {
public:
    CSerialTransport(std::string port, const SerialSettings& settings);
    ~CSerialTransport() override;

    Status Open(const std::string& jobName) override;
    Status Finish() override;
    Status Drain() override;
    void Abort() override;
    bool IsLive() const override { return true; }
    std::string Describe() const override { return m_port; }

    // Checks the line settings; the message names the bad one.
    static Status CheckSettings(const SerialSettings& settings);
    // Bytes the kernel may hold for the port at `baudRate`: about half a
    // second of output, so a pen lift after a cancel or pause goes out soon.
    static size_t QueueLimit(int baudRate);

protected:
    Status WriteBytes(const char* data, size_t size, size_t& written) override;
    uint64_t QueuedBytes() const override;

private:
    std::string m_port;
    SerialSettings m_settings;
    int m_fd = -1;
};
