#include "IppClient.h"

#include <cups/cups.h>

namespace {

http_t* Http(void* p) { return static_cast<http_t*>(p); }

void Fill(ipp_t* response, IppAnswer& answer)
{
    answer.status = static_cast<int>(cupsLastError());
    answer.message = cupsLastErrorString();
    if (!response)
        return;
    if (ipp_attribute_t* a = ippFindAttribute(response, "job-id", IPP_TAG_INTEGER))
        answer.jobId = ippGetInteger(a, 0);
    if (ipp_attribute_t* a = ippFindAttribute(response, "job-state", IPP_TAG_ENUM))
        answer.jobState = ippGetInteger(a, 0);
    if (ipp_attribute_t* a = ippFindAttribute(response, "job-state-message", IPP_TAG_TEXT))
        answer.jobStateMessage = ippGetString(a, 0, nullptr);
    if (ipp_attribute_t* a = ippFindAttribute(response, "job-state-reasons", IPP_TAG_KEYWORD))
        for (int i = 0; i < ippGetCount(a); ++i)
            answer.jobStateReasons += std::string(i ? "," : "") + ippGetString(a, i, nullptr);
    ippDelete(response);
}

ipp_t* Request(ipp_op_t op, const std::string& uri)
{
    ipp_t* request = ippNewRequest(op);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, "anna");
    return request;
}

}  // namespace

IppClient::IppClient(int port)
    : m_uri("ipp://127.0.0.1:" + std::to_string(port) + "/ipp/print/Plotvane")
{
    m_http = httpConnect2("127.0.0.1", port, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 30000, nullptr);
}

IppClient::~IppClient()
{
    if (m_http)
        httpClose(Http(m_http));
}

IppAnswer IppClient::PrintJob(const std::string& jobName, const std::string& format, const std::string& document)
{
    IppAnswer answer;
    if (!m_http)
        return answer;
    ipp_t* request = Request(IPP_OP_PRINT_JOB, m_uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, jobName.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, format.c_str());
    // Chunked, as the CUPS clients send files: with a fixed length and
    // "Expect: 100-continue", libcups 2.4 against PAPPL now and then gets
    // "400 Bad Request" before the server has read the request.
    if (cupsSendRequest(Http(m_http), request, "/ipp/print/Plotvane", CUPS_LENGTH_VARIABLE) == HTTP_STATUS_CONTINUE)
        cupsWriteRequestData(Http(m_http), document.data(), document.size());
    ipp_t* response = cupsGetResponse(Http(m_http), "/ipp/print/Plotvane");
    ippDelete(request);
    Fill(response, answer);
    return answer;
}

IppAnswer IppClient::GetJob(int jobId)
{
    IppAnswer answer;
    if (!m_http)
        return answer;
    ipp_t* request = Request(IPP_OP_GET_JOB_ATTRIBUTES, m_uri);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId);
    Fill(cupsDoRequest(Http(m_http), request, "/ipp/print/Plotvane"), answer);
    return answer;
}

IppAnswer IppClient::CancelJob(int jobId)
{
    IppAnswer answer;
    if (!m_http)
        return answer;
    ipp_t* request = Request(IPP_OP_CANCEL_JOB, m_uri);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId);
    Fill(cupsDoRequest(Http(m_http), request, "/ipp/print/Plotvane"), answer);
    return answer;
}

int IppClient::QueuedJobs()
{
    if (!m_http)
        return -1;
    ipp_t* request = Request(IPP_OP_GET_PRINTER_ATTRIBUTES, m_uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "queued-job-count");
    ipp_t* response = cupsDoRequest(Http(m_http), request, "/ipp/print/Plotvane");
    int count = -1;
    if (ipp_attribute_t* a = ippFindAttribute(response, "queued-job-count", IPP_TAG_INTEGER))
        count = ippGetInteger(a, 0);
    ippDelete(response);
    return count;
}
