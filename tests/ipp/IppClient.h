// A small IPP client on libcups for the plotvane-ipp tests: exact bytes in
// job names and documents, many jobs from several threads.
#pragma once

#include <string>

struct IppAnswer {
    int status = -1;  // ipp_status_t
    std::string message;
    int jobId = 0;
    int jobState = 0;  // ipp_jstate_t
    std::string jobStateMessage;
    std::string jobStateReasons;
};

class IppClient {
public:
    explicit IppClient(int port);
    ~IppClient();
    IppClient(const IppClient&) = delete;
    IppClient& operator=(const IppClient&) = delete;

    IppAnswer PrintJob(const std::string& jobName, const std::string& format, const std::string& document);
    IppAnswer GetJob(int jobId);
    IppAnswer CancelJob(int jobId);
    // The printer's queued-job-count (-1 when it cannot be asked).
    int QueuedJobs();

private:
    std::string m_uri;
    void* m_http = nullptr;
};
