// The PAPPL side of plotvane-ipp: the system object with one IPP Everywhere
// printer per configured plot folder, the "plotfolder" device those
// printers write through, and the job processing that hands each job to
// CPlotJobTracker and keeps the IPP job's state in step with the file.
//
// Job states. PAPPL runs one job per printer at a time, and a job stays
// "processing" until its processing function returns. So the job being
// processed is the one whose file came first: it stays "processing" while
// its file waits in the plot folder or is being plotted, and becomes
// "completed" when the outcome source says plotted (today: the file left
// the folder), "aborted" with the reason in job-state-message when it says
// failed. While it waits, the jobs received after it are written into the
// folder too (the window lists them and auto plot takes them in any order);
// they show "pending" until their turn, and a job whose file is already
// gone by then completes at once. A job cancelled at the station takes its
// file back while it is unchanged.
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
