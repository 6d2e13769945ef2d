#include "plotlib/CupsTransport.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#if PLOTVANE_HAVE_CUPS
#include <cups/cups.h>
#endif

namespace {

std::string LowerFirst(std::string text)
{
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    while (!text.empty() && (text.back() == '.' || text.back() == '\n'))
        text.pop_back();
    return text;
}

}  // namespace

#if PLOTVANE_HAVE_CUPS

namespace {

using Clock = std::chrono::steady_clock;

// The state of one call into libcups: when it began, its deadline, and why
// we told libcups to stop waiting, if we did.
struct CallState {
    enum class Stop { None, Cancelled, TimedOut };

    const std::atomic<bool>* cancel = nullptr;
    int deadlineMs = CCupsTransport::kDefaultDeadlineMs;
    Clock::time_point start = Clock::now();
    Stop stopped = Stop::None;

    void Begin()
    {
        start = Clock::now();
        stopped = Stop::None;
    }

    // libcups calls this each time a wait slice passes without an answer;
    // 1 keeps waiting.
    static int KeepWaiting(http_t*, void* user)
    {
        CallState* call = static_cast<CallState*>(user);
        if (call->cancel && call->cancel->load()) {
            call->stopped = Stop::Cancelled;
            return 0;
        }
        if (Clock::now() - call->start >= std::chrono::milliseconds(call->deadlineMs)) {
            call->stopped = Stop::TimedOut;
            return 0;
        }
        return 1;
    }
};

// Seconds of a wait slice: how soon libcups asks CallState again.
constexpr double kSliceSeconds = 0.1;

// libcups' connect watches a plain int for a cancel; while this object
// lives a watcher thread raises it once the program's cancel flag is set.
class ConnectCancel {
public:
    explicit ConnectCancel(const std::atomic<bool>* cancel) : m_cancel(cancel)
    {
        if (!m_cancel)
            return;
        m_thread = std::thread([this] {
            std::unique_lock<std::mutex> lock(m_mutex);
            while (!m_done) {
                if (m_cancel->load()) {
                    __atomic_store_n(&m_flag, 1, __ATOMIC_RELEASE);
                    return;
                }
                m_wake.wait_for(lock, std::chrono::milliseconds(20));
            }
        });
    }
    ~ConnectCancel()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }
    ConnectCancel(const ConnectCancel&) = delete;
    ConnectCancel& operator=(const ConnectCancel&) = delete;

    int* Flag() { return &m_flag; }

private:
    const std::atomic<bool>* m_cancel;
    int m_flag = 0;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::thread m_thread;
};

std::string Seconds(int ms)
{
    if (ms % 1000 == 0)
        return std::to_string(ms / 1000) + " s";
    return std::to_string(ms) + " ms";
}

http_t* ConnectToScheduler(int deadlineMs, const std::atomic<bool>* cancel)
{
    ConnectCancel watch(cancel);
    return httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                        deadlineMs, watch.Flag());
}

}  // namespace

struct CCupsTransport::Impl {
    http_t* http = nullptr;
    bool documentOpen = false;
    CallState call;

    ~Impl()
    {
        if (http)
            httpClose(http);
    }

    // The status for a call that failed: why we stopped it, or what CUPS
    // said. `doing` is "cannot ... on CUPS queue \"q\"".
    Status Failure(const std::string& doing, const std::string& queue) const
    {
        if (call.stopped == CallState::Stop::Cancelled)
            return Status::Cancelled(doing + ": cancelled");
        if (call.stopped == CallState::Stop::TimedOut)
            return Status::DeviceError("CUPS server did not answer within " + Seconds(call.deadlineMs) +
                                       " (" + cupsServer() + ", queue \"" + queue + "\")");
        if (cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND)
            return Status::NotFound("CUPS queue \"" + queue + "\" not found");
        return Status::DeviceError(doing + ": " + LowerFirst(cupsLastErrorString()));
    }
};

CCupsTransport::CCupsTransport(std::string queue) : m_queue(std::move(queue)) {}

CCupsTransport::~CCupsTransport() { Abort(); }

Status CCupsTransport::Open(const std::string& jobName)
{
    Abort();
    StartJob();
    m_jobId = 0;
    if (m_queue.empty())
        return Status::BadInput("no CUPS queue set");
    const std::string server = cupsServer();
    if (Cancelled())
        return Status::Cancelled("cannot connect to the CUPS scheduler at " + server + ": cancelled");
    m_impl = std::make_unique<Impl>();
    Impl& d = *m_impl;
    d.call.cancel = m_cancel;
    d.call.deadlineMs = m_stallTimeoutMs > 0 ? m_stallTimeoutMs : kDefaultDeadlineMs;
    d.http = ConnectToScheduler(d.call.deadlineMs, m_cancel);
    if (!d.http) {
        const std::string reason = Cancelled() ? std::string("cancelled")
                                               : LowerFirst(cupsLastErrorString());
        m_impl.reset();
        const std::string message = "cannot connect to the CUPS scheduler at " + server + ": " + reason;
        return Cancelled() ? Status::Cancelled(message) : Status::DeviceError(message);
    }
    httpSetTimeout(d.http, kSliceSeconds, &CallState::KeepWaiting, &d.call);

    // The queue is asked for first: CUPS answers a job for a missing queue
    // with a bare HTTP error, this request with "not found".
    d.call.Begin();
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", m_queue.c_str());
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "printer-state");
    ippDelete(cupsDoRequest(d.http, request, "/"));
    if (d.call.stopped != CallState::Stop::None || cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
        const Status failed = d.Failure("cannot use CUPS queue \"" + m_queue + "\"", m_queue);
        m_impl.reset();
        return failed;
    }

    const std::string title = jobName.empty() ? std::string("Plotvane job") : jobName;
    d.call.Begin();
    m_jobId = cupsCreateJob(d.http, m_queue.c_str(), title.c_str(), 0, nullptr);
    if (m_jobId <= 0) {
        m_jobId = 0;
        const Status failed =
            d.Failure("cannot create a job on CUPS queue \"" + m_queue + "\"", m_queue);
        m_impl.reset();
        return failed;
    }
    d.call.Begin();
    if (cupsStartDocument(d.http, m_queue.c_str(), m_jobId, title.c_str(), CUPS_FORMAT_RAW, 1) !=
        HTTP_STATUS_CONTINUE) {
        const Status failed = d.Failure("cannot send to CUPS queue \"" + m_queue + "\"", m_queue);
        Abort();
        return failed;
    }
    d.documentOpen = true;
    return Status::Ok();
}

Status CCupsTransport::WriteBytes(const char* data, size_t size, size_t& written)
{
    written = 0;
    if (!m_impl || !m_impl->documentOpen)
        return Status::DeviceError("CUPS queue \"" + m_queue + "\" is not open");
    if (Cancelled())
        return Status::Cancelled("writing to CUPS queue \"" + m_queue + "\": cancelled");
    m_impl->call.Begin();
    if (cupsWriteRequestData(m_impl->http, data, size) != HTTP_STATUS_CONTINUE) {
        const Status failed =
            m_impl->Failure("cannot write to CUPS queue \"" + m_queue + "\"", m_queue);
        Abort();
        return failed;
    }
    written = size;
    return Status::Ok();
}

Status CCupsTransport::Finish()
{
    if (!m_impl || !m_impl->documentOpen)
        return Status::DeviceError("CUPS queue \"" + m_queue + "\" is not open");
    m_impl->documentOpen = false;
    m_impl->call.Begin();
    const ipp_status_t status = cupsFinishDocument(m_impl->http, m_queue.c_str());
    if (m_impl->call.stopped != CallState::Stop::None || status > IPP_STATUS_OK_CONFLICTING) {
        Status failed = m_impl->Failure("CUPS did not accept the job on queue \"" + m_queue + "\"",
                                        m_queue);
        Abort();
        return failed;
    }
    m_impl.reset();
    return Status::Ok();
}

void CCupsTransport::Abort()
{
    if (!m_impl)
        return;
    if (m_jobId > 0) {
        // The half-sent document must not be plotted: cancel it on a fresh
        // connection (the document's own connection is mid-request). The
        // cancel flag is set by now, so only the deadline bounds this.
        CallState call;
        call.deadlineMs = std::min(m_impl->call.deadlineMs, kAbortDeadlineMs);
        if (http_t* http = ConnectToScheduler(call.deadlineMs, nullptr)) {
            httpSetTimeout(http, kSliceSeconds, &CallState::KeepWaiting, &call);
            call.Begin();
            cupsCancelJob2(http, m_queue.c_str(), m_jobId, 0);
            httpClose(http);
        }
    }
    m_impl.reset();
}

std::vector<std::string> ListCupsQueues()
{
    std::vector<std::string> names;
    // A scheduler that does not answer leaves the list empty after the
    // deadline instead of holding the settings dialog.
    CallState call;
    call.deadlineMs = CCupsTransport::kListDeadlineMs;
    http_t* http = ConnectToScheduler(call.deadlineMs, nullptr);
    if (!http)
        return names;
    httpSetTimeout(http, kSliceSeconds, &CallState::KeepWaiting, &call);
    call.Begin();
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(http, &dests);
    for (int i = 0; i < count; ++i) {
        if (!dests[i].instance)
            names.emplace_back(dests[i].name);
    }
    cupsFreeDests(count, dests);
    httpClose(http);
    return names;
}

#else  // built without CUPS

struct CCupsTransport::Impl {};

CCupsTransport::CCupsTransport(std::string queue) : m_queue(std::move(queue)) {}
CCupsTransport::~CCupsTransport() = default;

Status CCupsTransport::Open(const std::string&)
{
    return Status::BadInput(LowerFirst("CUPS support is not built into this program"));
}
Status CCupsTransport::WriteBytes(const char*, size_t, size_t& written)
{
    written = 0;
    return Status::BadInput("CUPS support is not built into this program");
}
Status CCupsTransport::Finish()
{
    return Status::BadInput("CUPS support is not built into this program");
}
void CCupsTransport::Abort() {}

std::vector<std::string> ListCupsQueues() { return {}; }

#endif
