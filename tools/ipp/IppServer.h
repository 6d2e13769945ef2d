// The PAPPL side of plotvane-ipp: the system object with one IPP Everywhere
// printer per configured plot folder, the "plotfolder" device those
// printers write through, and the job processing that hands each job to
// CPlotJobTracker and keeps the IPP job's state in step with the file.
//
// Job states. Every job is written into the plot folder as soon as its
// document has arrived (before the station's answer, see
// SubmissionCheck.cpp; the queue below catches any that were not). PAPPL
// runs a job until its processing function returns, and usually one job per
// printer at a time. The job being processed stays "processing" while its
// file waits in the plot folder or is being plotted, and becomes
// "completed" when the outcome source says plotted (today: the file left
// the folder), "aborted" with the reason in job-state-message when it says
// failed. The jobs behind it, whose files already wait in the folder too
// (the window lists them and auto plot takes them in any order), show
// "pending" until their turn, and a job whose file is already gone by then
// completes at once. A job cancelled at the station takes its file back
// while it is unchanged; a refused document is answered with its IPP error
// and its job cancelled.
//
// Threads: PAPPL calls the system callback on the main thread and the job
// functions on its job threads; the tracker is shared and locked.
#pragma once

#include <pappl/pappl.h>

#include "PlotJobTracker.h"

// papplMainloop's system callback; `data` is unused.
pappl_system_t* PlotvaneIppCreateSystem(int numOptions, cups_option_t* options, void* data);

// The driver list and callback handed to papplMainloop.
extern pappl_pr_driver_t g_plotvaneIppDrivers[1];
bool PlotvaneIppDriver(pappl_system_t* system, const char* driverName, const char* deviceUri,
                       const char* deviceId, pappl_pr_driver_data_t* data, ipp_t** attrs, void* cbdata);

// The system being served (null before it exists); for the signal thread.
pappl_system_t* PlotvaneIppSystem();

// Delivers a job whose document has just been received (on the client's
// thread, before the answer to Print-Job or Send-Document goes out), so the
// station hears at once when its document is refused. See SubmissionCheck.cpp.
DeliveryResult PlotvaneIppDeliverReceived(pappl_job_t* job);
