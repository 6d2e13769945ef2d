// A CUPS queue as an output device: each job is sent as one raw document
// (application/vnd.cups-raw), so CUPS passes the plot language through to
// the plotter untouched. Finish succeeds once CUPS has accepted the whole
// document into its spool; CUPS then owns delivery (and retries when the
// plotter is off). CUPS starts a job only when its document is complete,
// so nothing of a cancelled or failed job reaches the plotter: it is
// cancelled on the server (cupsCancelJob2).
//
// The connection goes to the local scheduler (cupsServer(): the
// CUPS_SERVER environment or client.conf, normally /run/cups/cups.sock).
// Every call has a deadline, the device's stall timeout (30 s when it has
// none), and ends early on cancel: libcups waits in 100 ms slices and asks
// us whether to go on (after a first wait of its own of up to a second). The
// connect itself watches the cancel flag too. A
// scheduler that takes the connection but never answers fails the job
// with "CUPS server did not answer".
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
    Status Finish() override;
    void Abort() override;
    bool IsLive() const override { return false; }
    std::string Describe() const override { return "CUPS queue \"" + m_queue + "\""; }

    // The CUPS job number of the open or last finished job (0: none).
    int JobId() const { return m_jobId; }

    // Deadline of each call when the device has no stall timeout.
    static constexpr int kDefaultDeadlineMs = 30000;
    // Deadline of the request that cancels a job on the server.
    static constexpr int kAbortDeadlineMs = 5000;
    // Deadline of the request for the list of queues.
    static constexpr int kListDeadlineMs = 5000;

protected:
    Status WriteBytes(const char* data, size_t size, size_t& written) override;

private:
    struct Impl;
    std::string m_queue;
    int m_jobId = 0;
    std::unique_ptr<Impl> m_impl;
};

// The queues (printers and classes) the local CUPS scheduler offers, by
// name, for the device settings dialog. Empty when CUPS is not running, does
// not answer within kListDeadlineMs, or the program was built without it.
std::vector<std::string> ListCupsQueues();
