// A CUPS queue as an output device: each job is sent as one raw document
// (application/vnd.cups-raw), so CUPS passes the plot language through to
// the plotter untouched. Finish succeeds once CUPS has accepted the whole
// document into its spool; CUPS then owns delivery (and retries when the
// plotter is off). A cancelled or failed job is cancelled on the server,
// so nothing of it is plotted.
//
// The connection goes to the local scheduler (cupsServer(): the
// CUPS_SERVER environment or client.conf, normally /run/cups/cups.sock),
// with the device's stall timeout for connecting and for each write.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "plotlib/Transport.h"

class CCupsTransport : public CTransport {
public:
    explicit CCupsTransport(std::string queue);
    ~CCupsTransport() override;

    Status Open(const std::string& jobName) override;
    Status Write(const char* data, size_t size) override;
    Status Finish() override;
    void Abort() override;
    bool IsLive() const override { return false; }
    std::string Describe() const override { return "CUPS queue \"" + m_queue + "\""; }

    // The CUPS job number of the open or last finished job (0: none).
    int JobId() const { return m_jobId; }

private:
    struct Impl;
    std::string m_queue;
    int m_jobId = 0;
    std::unique_ptr<Impl> m_impl;
};

// The queues (printers and classes) the local CUPS scheduler offers, by
// name, for the device settings dialog. Empty when CUPS is not running or
// the program was built without it.
std::vector<std::string> ListCupsQueues();
