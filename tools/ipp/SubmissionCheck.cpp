// The answer to Print-Job and Send-Document tells the station whether its
// document was taken.
//
// PAPPL 1.3 answers successful-ok as soon as a document is spooled, and
// checks its format only later, in the job; a document Plotvane cannot use
// then ends as an aborted job the station learns of only if it looks. IPP
// has answers for this (RFC 8011): client-error-document-format-not-supported
// for a document that is not a plot file, client-error-document-format-error
// for one that is cut off. PAPPL offers no callback between receiving a
// document and answering, so this file hooks the two public PAPPL functions
// that frame that moment on the client's thread:
//   - papplJobOpenFile, which PAPPL calls to create the spool file of the
//     document it is about to receive: the job is noted for this thread;
//   - papplClientRespondIPP, which PAPPL calls to answer: when it answers
//     successful-ok to Print-Job or Send-Document for that job, the job is
//     delivered into the plot folder first (CPlotJobTracker, which the job
//     itself asks again later and gets the same result), and a refusal
//     changes the answer.
// Both are defined here and forward to PAPPL's own (found with dlsym
// RTLD_NEXT); an executable's definitions take precedence over a shared
// library's for calls the library makes through the dynamic linker, as
// libpappl 1.3 does. Should a PAPPL build stop doing so, nothing breaks:
// the answer is successful-ok again and the job is aborted with the same
// reason and message (the IPP tests check the answers, so it is noticed).
#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "IppServer.h"

namespace {

thread_local pappl_job_t* t_receiving = nullptr;

using OpenFileFn = int (*)(pappl_job_t*, char*, size_t, const char*, const char*, const char*);
using RespondFn = ipp_t* (*)(pappl_client_t*, ipp_status_t, const char*, ...);

template <typename Fn>
Fn Next(const char* name)
{
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int papplJobOpenFile(pappl_job_t* job, char* fname, size_t fnamesize, const char* directory,
                                const char* ext, const char* mode)
{
    static const OpenFileFn next = Next<OpenFileFn>("papplJobOpenFile");
    if (!next)
        return -1;
    const int fd = next(job, fname, fnamesize, directory, ext, mode);
    if (fd >= 0 && mode && std::strcmp(mode, "w") == 0)
        t_receiving = job;
    return fd;
}

extern "C" ipp_t* papplClientRespondIPP(pappl_client_t* client, ipp_status_t status, const char* message, ...)
{
    static const RespondFn next = Next<RespondFn>("papplClientRespondIPP");
    std::string text;
    if (message) {
        va_list args;
        va_start(args, message);
        char buffer[2048];
        std::vsnprintf(buffer, sizeof buffer, message, args);
        va_end(args);
        text = buffer;
    }
    // The job noted for this thread belongs to this answer only.
    pappl_job_t* job = t_receiving;
    t_receiving = nullptr;
    const ipp_op_t op = papplClientGetOperation(client);
    if (job && status == IPP_STATUS_OK && (op == IPP_OP_PRINT_JOB || op == IPP_OP_SEND_DOCUMENT)) {
        const DeliveryResult result = PlotvaneIppDeliverReceived(job);
        switch (result.kind) {
        case DeliveryResult::Kind::Delivered: break;
        case DeliveryResult::Kind::NotPlot:
            status = IPP_STATUS_ERROR_DOCUMENT_FORMAT_NOT_SUPPORTED;
            text = result.message;
            break;
        case DeliveryResult::Kind::Cut:
            status = IPP_STATUS_ERROR_DOCUMENT_FORMAT_ERROR;
            text = result.message;
            break;
        case DeliveryResult::Kind::Failed:
            status = IPP_STATUS_ERROR_INTERNAL;
            text = result.message;
            break;
        }
    }
    if (!next)
        return nullptr;
    if (text.empty() && !message)
        return next(client, status, nullptr);
    return next(client, status, "%s", text.c_str());
}
