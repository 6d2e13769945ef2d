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
// Little is held between the program and a live device (TCP, serial, a
// device node): the kernel's queue is kept small, so that what reaches the
// device after a cancel or a pause is bounded (a few kilobytes beyond the
// device's own buffer), and BytesTaken counts what the device has really
// taken, not what the program has written into the queue.
//
// Waiting. Every blocking wait (connect, a device that does not take bytes,
// a serial port held by XOFF) is done in slices of at most 100 ms, so a
// cancel flag set by another thread is seen at once, and is bounded by the
// stall timeout: when no byte moves for that long the call fails with
// "timed out". A stall timeout of 0 or less waits without limit (cancel
// still works).
//
// Cancel. A write that sees the cancel flag stops where it is and returns
// a Cancelled status; the connection stays open, so that the caller can
// still send a pen lift (with the flag cleared and a short stall timeout)
// and Drain it, then end the job with Finish, or, when the device does not
// take the lift, with Abort, which drops whatever the device has not taken.
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
#include <cstdint>
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
    // Writes all `size` bytes or fails. `written`, when given, receives how
    // many of them were handed on, also when the write failed or was
    // cancelled part way.
    Status Write(const char* data, size_t size, size_t* written = nullptr);
    // Ends the job and waits until every byte has left the program (and,
    // where the link can tell, has been confirmed by the device).
    virtual Status Finish() = 0;
    // Waits until the device has taken every byte written so far, within
    // the stall timeout. Kinds without a queue of their own answer at once.
    virtual Status Drain() { return Status::Ok(); }
    // Ends the job at once, dropping whatever the device has not taken: a
    // folder or file job leaves no file behind, a CUPS job is cancelled on
    // the server, a serial port's output is flushed, a TCP connection with
    // bytes still queued is reset. Never fails.
    virtual void Abort() = 0;
    // True when the bytes go straight to a running device (TCP, serial, a
    // device node): a cancelled job then still gets a pen lift and the end
    // sequence, so the device is left in a clean state. False for spooled
    // kinds (folder, plain file, CUPS), where a cancelled job is dropped.
    virtual bool IsLive() const = 0;
    // A short text naming the connection for messages ("127.0.0.1:9100").
    virtual std::string Describe() const = 0;

    // Bytes of this job the device (or its spool) has taken: those written
    // less those still waiting in the kernel's queue.
    uint64_t BytesTaken() const;
    // False when the job was sent but the device did not confirm its end
    // (a TCP device that kept the connection open past the stall timeout).
    // Meaningful after a successful Finish.
    bool DeviceConfirmed() const { return m_confirmed; }

    void SetCancelFlag(const std::atomic<bool>* cancel) { m_cancel = cancel; }
    void SetStallTimeoutMs(int ms) { m_stallTimeoutMs = ms; }
    int StallTimeoutMs() const { return m_stallTimeoutMs; }

protected:
    // Writes the bytes; see Write.
    virtual Status WriteBytes(const char* data, size_t size, size_t& written) = 0;
    // Bytes written but not yet taken by the device (0 when unknown).
    virtual uint64_t QueuedBytes() const { return 0; }
    // Called by Open implementations: a new job starts.
    void StartJob()
    {
        m_written = 0;
        m_confirmed = true;
    }

    bool Cancelled() const { return m_cancel && m_cancel->load(); }

    const std::atomic<bool>* m_cancel = nullptr;
    int m_stallTimeoutMs = 10000;
    bool m_confirmed = true;

private:
    uint64_t m_written = 0;
};

// The transport for a device's connection kind, with its stall timeout set
// from the device. Never null.
std::unique_ptr<CTransport> CreateTransport(const DeviceInfo& device);

// Splits "host:port" (or "[v6addr]:port"); a missing port gives
// `defaultPort`. BadInput with the reason for an empty host or a bad port.
Status ParseHostPort(const std::string& text, int defaultPort, std::string& host, int& port);
