// CTransport: the connection to one output device for the length of one
// job. A plot run opens it, writes the job's bytes in pieces, and finishes
// it; Finish succeeds only when every byte has been handed over to the
// device (or to whatever holds it safely: the committed file, the CUPS
// spool). Each connection kind is a class of its own:
//   CFolderTransport  - each job becomes a new numbered .plt file
//   CFileTransport    - a device node (/dev/usb/lp0) or a plain file
//   CTcpTransport     - raw TCP (host:port, 9100 by default)
//   CSerialTransport  - a serial port with its line settings and flow control
//   CCupsTransport    - a raw job on a CUPS queue
// CreateTransport picks the class for a device.
//
// Waiting. Every blocking wait (connect, a device that does not take bytes,
// a serial port held by XOFF) is done in slices of at most 100 ms, so a
// cancel flag set by another thread is seen at once, and is bounded by the
// stall timeout: when no byte moves for that long the call fails with
// "timed out". A stall timeout of 0 or less waits without limit (cancel
// still works).
//
// Errors are values: every failing call returns a Status whose message
// names the device and the reason ("cannot connect to 127.0.0.1:9100:
// connection refused"). After a failure only Abort may be called.
//
// One thread uses a transport at a time (the plot thread); the cancel flag
// is the only thing another thread touches.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

#include "plotlib/Status.h"

struct DeviceInfo;

class CTransport {
public:
    virtual ~CTransport() = default;

    // Connects (or creates the file) for one job. `jobName` is a short
    // title (the plot file's name) for spoolers that show one.
    virtual Status Open(const std::string& jobName) = 0;
    // Writes all `size` bytes or fails.
    virtual Status Write(const char* data, size_t size) = 0;
    // Ends the job and waits until every byte has left the program.
    virtual Status Finish() = 0;
    // Abandons the job: a folder or file job leaves no file behind, a CUPS
    // job is cancelled, a live connection is closed. Never fails.
    virtual void Abort() = 0;
    // True when the bytes go straight to a running device (TCP, serial, a
    // device node): a cancelled job then still gets a pen lift and the end
    // sequence, so the device is left in a clean state. False for spooled
    // kinds (folder, plain file, CUPS), where a cancelled job is dropped.
    virtual bool IsLive() const = 0;
    // A short text naming the connection for messages ("127.0.0.1:9100").
    virtual std::string Describe() const = 0;

    void SetCancelFlag(const std::atomic<bool>* cancel) { m_cancel = cancel; }
    void SetStallTimeoutMs(int ms) { m_stallTimeoutMs = ms; }
    int StallTimeoutMs() const { return m_stallTimeoutMs; }

protected:
    bool Cancelled() const { return m_cancel && m_cancel->load(); }

    const std::atomic<bool>* m_cancel = nullptr;
    int m_stallTimeoutMs = 10000;
};

// The transport for a device's connection kind, with its stall timeout set
// from the device. Never null.
std::unique_ptr<CTransport> CreateTransport(const DeviceInfo& device);

// Splits "host:port" (or "[v6addr]:port"); a missing port gives
// `defaultPort`. False with a message for an empty host or a bad port.
bool ParseHostPort(const std::string& text, int defaultPort, std::string& host, int& port,
                   std::string& error);
