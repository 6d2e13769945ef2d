#include "plotlib/CupsTransport.h"

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

struct CCupsTransport::Impl {
    http_t* http = nullptr;
    bool documentOpen = false;
    const std::atomic<bool>* cancel = nullptr;

    ~Impl()
    {
        if (http)
            httpClose(http);
    }

    // Called by libcups while it waits on the server: 1 keeps waiting.
    static int KeepWaiting(http_t*, void* user)
    {
        const Impl* self = static_cast<const Impl*>(user);
        return self->cancel && self->cancel->load() ? 0 : 1;
    }
};

CCupsTransport::CCupsTransport(std::string queue) : m_queue(std::move(queue)) {}

CCupsTransport::~CCupsTransport() { Abort(); }

Status CCupsTransport::Open(const std::string& jobName)
{
    Abort();
    m_jobId = 0;
    if (m_queue.empty())
        return Status::BadInput("no CUPS queue set");
    m_impl = std::make_unique<Impl>();
    m_impl->cancel = m_cancel;
    int cancelConnect = 0;
    const int msec = m_stallTimeoutMs > 0 ? m_stallTimeoutMs : 30000;
    m_impl->http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                msec, &cancelConnect);
    if (!m_impl->http) {
        m_impl.reset();
        return Status::DeviceError(std::string("cannot connect to the CUPS scheduler at ") +
                             cupsServer() + ": " + LowerFirst(cupsLastErrorString()));
    }
    httpSetTimeout(m_impl->http, msec / 1000.0, &Impl::KeepWaiting, m_impl.get());

    cups_dest_t* dest = cupsGetNamedDest(m_impl->http, m_queue.c_str(), nullptr);
    if (!dest) {
        m_impl.reset();
        return Status::NotFound("CUPS queue \"" + m_queue + "\" not found");
    }
    cupsFreeDests(1, dest);

    const std::string title = jobName.empty() ? std::string("Plotvane job") : jobName;
    m_jobId = cupsCreateJob(m_impl->http, m_queue.c_str(), title.c_str(), 0, nullptr);
    if (m_jobId <= 0) {
        const std::string reason = LowerFirst(cupsLastErrorString());
        m_impl.reset();
        m_jobId = 0;
        return Status::DeviceError("cannot create a job on CUPS queue \"" + m_queue + "\": " + reason);
    }
    if (cupsStartDocument(m_impl->http, m_queue.c_str(), m_jobId, title.c_str(), CUPS_FORMAT_RAW,
                          1) != HTTP_STATUS_CONTINUE) {
        const std::string reason = LowerFirst(cupsLastErrorString());
        Abort();
        return Status::DeviceError("cannot send to CUPS queue \"" + m_queue + "\": " + reason);
    }
    m_impl->documentOpen = true;
    return Status::Ok();
}

Status CCupsTransport::Write(const char* data, size_t size)
{
    if (!m_impl || !m_impl->documentOpen)
        return Status::DeviceError("CUPS queue \"" + m_queue + "\" is not open");
    if (Cancelled())
        return Status::Cancelled("writing to CUPS queue \"" + m_queue + "\": cancelled");
    if (size == 0)
        return Status::Ok();
    if (cupsWriteRequestData(m_impl->http, data, size) != HTTP_STATUS_CONTINUE) {
        const std::string reason = Cancelled() ? std::string("cancelled")
                                               : LowerFirst(cupsLastErrorString());
        Abort();
        return Status::DeviceError("cannot write to CUPS queue \"" + m_queue + "\": " + reason);
    }
    return Status::Ok();
}

Status CCupsTransport::Finish()
{
    if (!m_impl || !m_impl->documentOpen)
        return Status::DeviceError("CUPS queue \"" + m_queue + "\" is not open");
    m_impl->documentOpen = false;
    ipp_status_t status = cupsFinishDocument(m_impl->http, m_queue.c_str());
    if (status > IPP_STATUS_OK_CONFLICTING) {
        const std::string reason = LowerFirst(cupsLastErrorString());
        Abort();
        return Status::DeviceError("CUPS did not accept the job on queue \"" + m_queue + "\": " + reason);
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
        // connection (the document's own connection is mid-request).
        http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC,
                                    cupsEncryption(), 1, 5000, nullptr);
        if (http) {
            cupsCancelJob2(http, m_queue.c_str(), m_jobId, 0);
            httpClose(http);
        }
    }
    m_impl.reset();
}

std::vector<std::string> ListCupsQueues()
{
    std::vector<std::string> names;
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    for (int i = 0; i < count; ++i) {
        if (!dests[i].instance)
            names.emplace_back(dests[i].name);
    }
    cupsFreeDests(count, dests);
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
Status CCupsTransport::Write(const char*, size_t)
{
    return Status::BadInput("CUPS support is not built into this program");
}
Status CCupsTransport::Finish()
{
    return Status::BadInput("CUPS support is not built into this program");
}
void CCupsTransport::Abort() {}

std::vector<std::string> ListCupsQueues() { return {}; }

#endif
