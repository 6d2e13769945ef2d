#include "IppServer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "IppConfig.h"
#include "PlotDocumentCheck.h"
#include "PlotJobTracker.h"
#include "app/IniSettings.h"
#include "plotlib/ProgramDir.h"

pappl_pr_driver_t g_plotvaneIppDrivers[1] = {
    {"plotvane", "Plotvane plot folder", "MFG:Plotvane;MDL:Plot folder;CMD:HPGL,DMPL;", nullptr},
};

namespace {

constexpr const char* kCupsRawMime = "application/vnd.cups-raw";
constexpr auto kPollPause = std::chrono::milliseconds(50);

struct App {
    IppConfig config;
    std::unique_ptr<CPlotJobTracker> tracker;
    std::atomic<pappl_system_t*> system{nullptr};
    std::mutex mutex;
    // Jobs written into the folder ahead of their turn, per printer.
    std::map<std::string, std::set<int>> early;
};

App& TheApp()
{
    static App app;
    return app;
}

std::string FolderOf(const std::string& printer)
{
    for (const IppPrinterConfig& p : TheApp().config.printers)
        if (p.name == printer)
            return p.folder;
    return std::string();
}

bool BoolValue(ipp_attribute_t* attr)
{
    if (!attr)
        return false;
    switch (ippGetValueTag(attr)) {
    case IPP_TAG_BOOLEAN: return ippGetBoolean(attr, 0) != 0;
    case IPP_TAG_INTEGER:
    case IPP_TAG_ENUM: return ippGetInteger(attr, 0) != 0;
    default: {
        const char* text = ippGetString(attr, 0, nullptr);
        if (!text)
            return false;
        const std::string value(text);
        return value == "true" || value == "yes" || value == "on" || value == "1" || value == "90";
    }
    }
}

JobDocument DocumentOf(pappl_job_t* job)
{
    JobDocument doc;
    pappl_printer_t* printer = papplJobGetPrinter(job);
    doc.printer = papplPrinterGetName(printer);
    doc.jobId = papplJobGetID(job);
    doc.folder = FolderOf(doc.printer);
    const char* name = papplJobGetName(job);
    doc.documentName = name && std::strcmp(name, "Untitled") != 0 ? name : "";
    const char* file = papplJobGetFilename(job);
    doc.spoolPath = file ? file : "";
    const char* user = papplJobGetUsername(job);
    doc.user = user ? user : "";
    if (ipp_attribute_t* copies = papplJobGetAttribute(job, "copies")) {
        const int n = ippGetInteger(copies, 0);
        doc.settings.copies = n < 1 ? 1 : (n > 1000 ? 1000 : n);
    }
    doc.settings.rotate = BoolValue(papplJobGetAttribute(job, "rotate"));
    doc.settings.mirror = BoolValue(papplJobGetAttribute(job, "mirror"));
    return doc;
}

// Writes the received jobs queued behind the running one into the folder
// and takes back the files of those cancelled meanwhile.
struct QueueVisit {
    std::vector<JobDocument> waiting;
    int self = 0;
};

void CollectWaiting(pappl_job_t* job, void* data)
{
    auto* visit = static_cast<QueueVisit*>(data);
    if (papplJobGetID(job) == visit->self || papplJobGetState(job) != IPP_JSTATE_PENDING ||
        !papplJobGetFilename(job))
        return;
    visit->waiting.push_back(DocumentOf(job));
}

void DeliverQueued(pappl_printer_t* printer, int self)
{
    App& app = TheApp();
    const std::string name = papplPrinterGetName(printer);
    QueueVisit visit;
    visit.self = self;
    papplPrinterIterateActiveJobs(printer, CollectWaiting, &visit, 1, 0);
    for (const JobDocument& doc : visit.waiting) {
        if (app.tracker->Known(doc.printer, doc.jobId))
            continue;
        (void)app.tracker->Deliver(doc);  // a refusal is reported when the job's turn comes
        std::lock_guard<std::mutex> lock(app.mutex);
        app.early[name].insert(doc.jobId);
    }
    std::vector<int> gone;
    {
        std::lock_guard<std::mutex> lock(app.mutex);
        for (const int id : app.early[name]) {
            pappl_job_t* job = papplPrinterFindJob(printer, id);
            const ipp_jstate_t state = job ? papplJobGetState(job) : IPP_JSTATE_CANCELED;
            if (state == IPP_JSTATE_CANCELED || state == IPP_JSTATE_ABORTED)
                gone.push_back(id);
        }
        for (const int id : gone)
            app.early[name].erase(id);
    }
    for (const int id : gone) {
        app.tracker->Withdraw(name, id);
        app.tracker->Forget(name, id);
    }
}

pappl_jreason_t ReasonFor(DeliveryResult::Kind kind)
{
    switch (kind) {
    case DeliveryResult::Kind::NotPlot: return PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR;
    case DeliveryResult::Kind::Cut: return PAPPL_JREASON_DOCUMENT_FORMAT_ERROR;
    case DeliveryResult::Kind::Failed:
    case DeliveryResult::Kind::Delivered: break;
    }
    return PAPPL_JREASON_ABORTED_BY_SYSTEM;
}

// The processing of one job; see the header for the states it gives.
bool ProcessJob(pappl_job_t* job)
{
    App& app = TheApp();
    pappl_printer_t* printer = papplJobGetPrinter(job);
    const JobDocument doc = DocumentOf(job);
    {
        std::lock_guard<std::mutex> lock(app.mutex);
        app.early[doc.printer].erase(doc.jobId);
    }
    const DeliveryResult delivery = app.tracker->Deliver(doc);
    if (delivery.kind != DeliveryResult::Kind::Delivered) {
        papplJobSetReasons(job, ReasonFor(delivery.kind), PAPPL_JREASON_NONE);
        papplJobSetMessage(job, "%s", delivery.message.c_str());
        papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "Refused: %s", delivery.message.c_str());
        return false;
    }
    papplLogJob(job, PAPPL_LOGLEVEL_INFO, "Written into the plot folder as \"%s\".", delivery.file.path.c_str());
    papplJobSetMessage(job, "Waiting in the plot folder as %s", delivery.file.name.c_str());

    for (;;) {
        if (papplJobIsCanceled(job)) {
            app.tracker->Withdraw(doc.printer, doc.jobId);
            app.tracker->Forget(doc.printer, doc.jobId);
            return false;
        }
        if (papplSystemIsShutdown(app.system.load())) {
            // The file stays and is plotted; only this service stops
            // following it.
            papplJobSetMessage(job, "Plotvane's print service stopped; %s waits in the plot folder",
                               delivery.file.name.c_str());
            app.tracker->Forget(doc.printer, doc.jobId);
            return false;
        }
        const OutcomeReport report = app.tracker->Poll(doc.printer, doc.jobId);
        if (report.outcome == PlotOutcome::Plotted) {
            papplJobSetMessage(job, "Plotted");
            app.tracker->Forget(doc.printer, doc.jobId);
            return true;
        }
        if (report.outcome == PlotOutcome::Failed) {
            papplJobSetReasons(job, PAPPL_JREASON_ABORTED_BY_SYSTEM, PAPPL_JREASON_NONE);
            papplJobSetMessage(job, "%s", report.reason.c_str());
            app.tracker->Forget(doc.printer, doc.jobId);
            return false;
        }
        DeliverQueued(printer, doc.jobId);
        std::this_thread::sleep_for(kPollPause);
    }
}

bool PrintFile(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*) { return ProcessJob(job); }

bool FilterJob(pappl_job_t* job, pappl_device_t*, void*) { return ProcessJob(job); }

// Raster pages (what a driverless client renders documents into) are not
// plot files.
bool RefuseRaster(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*)
{
    papplJobSetReasons(job, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR, PAPPL_JREASON_NONE);
    papplJobSetMessage(job, "Plotvane takes plot files (HP-GL, DM/PL), not rendered pages; print the plot file raw");
    return false;
}
bool RefuseRasterPage(pappl_job_t*, pappl_pr_options_t*, pappl_device_t*, unsigned) { return false; }
bool RefuseRasterLine(pappl_job_t*, pappl_pr_options_t*, pappl_device_t*, unsigned, const unsigned char*)
{
    return false;
}

void Identify(pappl_printer_t* printer, pappl_identify_actions_t, const char* message)
{
    papplLogPrinter(printer, PAPPL_LOGLEVEL_INFO, "Identify: %s", message ? message : "");
}

const char* SniffMime(const unsigned char* header, size_t size, void*)
{
    return CPlotDocumentCheck::SniffMimeType(header, size);
}

// The "plotfolder" device: jobs are written by ProcessJob itself, so the
// device only has to open.
bool DeviceOpen(pappl_device_t*, const char*, const char*) { return true; }
void DeviceClose(pappl_device_t*) {}
ssize_t DeviceRead(pappl_device_t*, void*, size_t) { return 0; }
ssize_t DeviceWrite(pappl_device_t*, const void*, size_t bytes) { return static_cast<ssize_t>(bytes); }
pappl_preason_t DeviceStatus(pappl_device_t*) { return PAPPL_PREASON_NONE; }

bool SaveNothing(pappl_system_t*, void*) { return true; }

// On shutdown PAPPL waits up to a minute for active jobs. Jobs that wait
// for a plotter end by themselves (ProcessJob sees the shutdown, and their
// files stay in the folder); jobs that would never move are cancelled so
// the service stops at once: held jobs and jobs still without a document
// (a Create-Job whose Send-Document never came). Neither has a file in the
// folder.
void CancelStalled(pappl_job_t* job, void*)
{
    const ipp_jstate_t state = papplJobGetState(job);
    if (state == IPP_JSTATE_HELD || (state == IPP_JSTATE_PENDING && !papplJobGetFilename(job)))
        papplJobCancel(job);
}

void CancelStalledOf(pappl_printer_t* printer, void*)
{
    papplPrinterIterateActiveJobs(printer, CancelStalled, nullptr, 1, 0);
}

bool WatchShutdown(pappl_system_t* system, void*)
{
    if (!papplSystemIsShutdown(system))
        return true;
    papplSystemIteratePrinters(system, CancelStalledOf, nullptr);
    return true;
}

std::string EscapeUri(const std::string& path)
{
    std::string out;
    for (const unsigned char c : path) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || std::strchr("/-_.~", c)) {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

pappl_loglevel_t LogLevel(const std::string& text)
{
    if (text == "debug") return PAPPL_LOGLEVEL_DEBUG;
    if (text == "warn") return PAPPL_LOGLEVEL_WARN;
    if (text == "error") return PAPPL_LOGLEVEL_ERROR;
    if (text == "fatal") return PAPPL_LOGLEVEL_FATAL;
    return PAPPL_LOGLEVEL_INFO;
}

}  // namespace

pappl_system_t* PlotvaneIppSystem() { return TheApp().system.load(); }

DeliveryResult PlotvaneIppDeliverReceived(pappl_job_t* job)
{
    App& app = TheApp();
    if (papplJobGetState(job) == IPP_JSTATE_HELD) {
        // A held job goes into the folder when it is released and runs.
        DeliveryResult later;
        later.kind = DeliveryResult::Kind::Delivered;
        return later;
    }
    const JobDocument doc = DocumentOf(job);
    if (doc.spoolPath.empty() && !app.tracker->Known(doc.printer, doc.jobId)) {
        DeliveryResult result;
        if (papplJobGetState(job) == IPP_JSTATE_ABORTED) {
            // PAPPL ended the job before this answer without handing it to
            // us: it had no way to print the document's format.
            result.kind = DeliveryResult::Kind::NotPlot;
            result.message = (doc.documentName.empty() ? std::string("the document") : doc.documentName) +
                             " is not a plot file (HP-GL, DM/PL or DXF)";
        } else {
            result.kind = DeliveryResult::Kind::Delivered;  // nothing to add to the answer
        }
        return result;
    }
    // The job's thread may have delivered (or refused) it already and the
    // spool file may be gone: the tracker then gives its first result.
    const DeliveryResult result = app.tracker->Deliver(doc);
    if (result.kind == DeliveryResult::Kind::Delivered) {
        std::lock_guard<std::mutex> lock(app.mutex);
        app.early[doc.printer].insert(doc.jobId);
    } else if (papplJobGetState(job) == IPP_JSTATE_PENDING) {
        // The station is told at once; the job need not wait for its turn
        // behind a file that may wait for hours, only to be refused then.
        papplJobSetReasons(job, ReasonFor(result.kind), PAPPL_JREASON_NONE);
        papplJobSetMessage(job, "%s", result.message.c_str());
        papplJobCancel(job);
    }
    return result;
}

bool PlotvaneIppDriver(pappl_system_t*, const char* driverName, const char*, const char*,
                       pappl_pr_driver_data_t* data, ipp_t** attrs, void*)
{
    if (!driverName || std::strcmp(driverName, "plotvane") != 0)
        return false;
    data->printfile_cb = PrintFile;
    data->rstartjob_cb = RefuseRaster;
    data->rstartpage_cb = RefuseRasterPage;
    data->rwriteline_cb = RefuseRasterLine;
    data->rendpage_cb = RefuseRasterPage;
    data->rendjob_cb = RefuseRaster;
    data->identify_cb = Identify;
    data->identify_supported = PAPPL_IDENTIFY_ACTIONS_DISPLAY;
    data->identify_default = PAPPL_IDENTIFY_ACTIONS_DISPLAY;
    data->format = CPlotDocumentCheck::kHpglMime;
    std::snprintf(data->make_and_model, sizeof data->make_and_model, "Plotvane plot folder");
    data->kind = static_cast<pappl_kind_t>(PAPPL_KIND_LARGE_FORMAT | PAPPL_KIND_ROLL);
    data->ppm = 1;
    data->color_supported = PAPPL_COLOR_MODE_MONOCHROME;
    data->color_default = PAPPL_COLOR_MODE_MONOCHROME;
    data->raster_types = PAPPL_PWG_RASTER_TYPE_BLACK_1;
    data->num_resolution = 1;
    data->x_resolution[0] = data->y_resolution[0] = 300;
    data->x_default = data->y_default = 300;
    data->sides_supported = PAPPL_SIDES_ONE_SIDED;
    data->sides_default = PAPPL_SIDES_ONE_SIDED;
    data->orient_default = IPP_ORIENT_NONE;
    data->quality_default = IPP_QUALITY_NORMAL;
    static const char* const media[] = {"iso_a0_841x1189mm", "iso_a1_594x841mm", "iso_a2_420x594mm"};
    data->num_media = 3;
    for (int i = 0; i < data->num_media; ++i)
        data->media[i] = media[i];
    data->num_source = 1;
    data->source[0] = "main-roll";
    data->num_type = 1;
    data->type[0] = "stationery";
    if (pwg_media_t* pwg = pwgMediaForPWG(media[0])) {
        pappl_media_col_t& ready = data->media_ready[0];
        std::snprintf(ready.size_name, sizeof ready.size_name, "%s", media[0]);
        ready.size_width = pwg->width;
        ready.size_length = pwg->length;
        std::snprintf(ready.source, sizeof ready.source, "%s", data->source[0]);
        std::snprintf(ready.type, sizeof ready.type, "%s", data->type[0]);
        data->media_default = ready;
    }
    // The plot row settings a station may ask for.
    data->num_vendor = 2;
    data->vendor[0] = "rotate";
    data->vendor[1] = "mirror";
    *attrs = ippNew();
    ippAddBoolean(*attrs, IPP_TAG_PRINTER, "rotate-supported", 1);
    ippAddBoolean(*attrs, IPP_TAG_PRINTER, "rotate-default", 0);
    ippAddBoolean(*attrs, IPP_TAG_PRINTER, "mirror-supported", 1);
    ippAddBoolean(*attrs, IPP_TAG_PRINTER, "mirror-default", 0);
    return true;
}

pappl_system_t* PlotvaneIppCreateSystem(int numOptions, cups_option_t* options, void*)
{
    App& app = TheApp();
    std::map<std::string, std::string> values;
    for (int i = 0; i < numOptions; ++i)
        values[options[i].name] = options[i].value ? options[i].value : "";
    const Status status = IppConfig::Load(GetIniPath(), values, ProgramDirectory(), app.config);
    if (!status) {
        std::fprintf(stderr, "plotvane-ipp: %s\n", status.message().c_str());
        return nullptr;
    }
    const IppConfig& config = app.config;
    app.tracker = std::make_unique<CPlotJobTracker>(std::make_shared<CFolderRemovalOutcome>(),
                                                    config.jobSettingsFolder);

    const pappl_soptions_t soptions = static_cast<pappl_soptions_t>(
        PAPPL_SOPTIONS_MULTI_QUEUE | PAPPL_SOPTIONS_WEB_INTERFACE | PAPPL_SOPTIONS_WEB_LOG |
        (config.LoopbackOnly() ? 0 : PAPPL_SOPTIONS_WEB_REMOTE));
    const std::string logFile = config.logFile.empty() ? "-" : config.logFile;
    // PAPPL's own default is a new folder per process under /tmp, left
    // behind at every stop; one folder per port is reused instead.
    std::string spool = config.spoolDirectory;
    if (spool.empty()) {
        const char* tmp = getenv("TMPDIR");
        const std::string base = getuid() == 0 ? std::string("/var/spool/plotvane-ipp")
                                               : std::string(tmp && *tmp ? tmp : "/tmp") + "/plotvane-ipp-" +
                                                     std::to_string(getuid());
        mkdir(base.c_str(), 0700);
        spool = base + "/" + std::to_string(config.port);
    }
    mkdir(spool.c_str(), 0700);
    pappl_system_t* system = papplSystemCreate(
        soptions, "Plotvane", config.port, "_print", spool.c_str(),
        logFile.c_str(), LogLevel(config.logLevel), config.authService.empty() ? nullptr : config.authService.c_str(),
        false);
    if (!system)
        return nullptr;

    bool listening = false;
    if (config.LoopbackOnly()) {
        listening = papplSystemAddListeners(system, "127.0.0.1");
        papplSystemSetHostName(system, "localhost");
    } else if (config.listen == "any") {
        listening = papplSystemAddListeners(system, nullptr);
    } else {
        listening = papplSystemAddListeners(system, config.listen.c_str());
    }
    if (!listening) {
        std::fprintf(stderr, "plotvane-ipp: cannot listen on %s port %d (is it in use?)\n",
                     config.LoopbackOnly() ? "127.0.0.1" : config.listen.c_str(), config.port);
        papplSystemDelete(system);
        return nullptr;
    }
    // Loopback only: nothing to announce to the network.
    if (config.LoopbackOnly())
        papplSystemSetDNSSDName(system, nullptr);

    // PAPPL 1.3's web pages crash without a footer.
    papplSystemSetFooterHTML(system, "Plotvane &middot; plot files go to the plot folder");
    // The configuration lives in Setting.ini; PAPPL keeps no state of its own.
    papplSystemSetSaveCallback(system, SaveNothing, nullptr);
    papplSystemSetPrinterDrivers(system, 1, g_plotvaneIppDrivers, nullptr, nullptr, PlotvaneIppDriver, nullptr);
    papplSystemSetMIMECallback(system, SniffMime, nullptr);
    papplSystemAddMIMEFilter(system, CPlotDocumentCheck::kDmplMime, CPlotDocumentCheck::kHpglMime, FilterJob, nullptr);
    papplSystemAddMIMEFilter(system, CPlotDocumentCheck::kDxfMime, CPlotDocumentCheck::kHpglMime, FilterJob, nullptr);
    papplSystemAddMIMEFilter(system, kCupsRawMime, CPlotDocumentCheck::kHpglMime, FilterJob, nullptr);
    // Documents the sniffer did not recognise: the job is refused through
    // the tracker (which remembers why), not aborted by PAPPL before the
    // station's answer could say why.
    papplSystemAddMIMEFilter(system, "application/octet-stream", CPlotDocumentCheck::kHpglMime, FilterJob,
                             nullptr);
    papplDeviceAddScheme("plotfolder", PAPPL_DEVTYPE_CUSTOM_LOCAL, nullptr, DeviceOpen, DeviceClose, DeviceRead,
                         DeviceWrite, DeviceStatus, nullptr);

    for (const IppPrinterConfig& p : config.printers) {
        const std::string uri = "plotfolder://" + EscapeUri(p.folder);
        pappl_printer_t* printer =
            papplPrinterCreate(system, 0, p.name.c_str(), "plotvane", g_plotvaneIppDrivers[0].device_id, uri.c_str());
        if (!printer) {
            std::fprintf(stderr, "plotvane-ipp: cannot create printer \"%s\"\n", p.name.c_str());
            papplSystemDelete(system);
            return nullptr;
        }
        if (config.LoopbackOnly())
            papplPrinterSetDNSSDName(printer, nullptr);
        if (&p == &config.printers.front())
            papplSystemSetDefaultPrinterID(system, papplPrinterGetID(printer));
    }
    papplSystemAddTimerCallback(system, 0, 1, WatchShutdown, nullptr);
    app.system.store(system);
    return system;
}
