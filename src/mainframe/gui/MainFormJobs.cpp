// The output device, plot runs and their control: the device choice, the
// plotter configuration, starting a run, Cancel and Pause in the status
// bar and the auto-plot timer. Also the enabling rules of the commands,
// which depend mostly on the plot list and on whether a job runs.
//
// A run is PlotRunner (core) on the plot thread, with RunHost as its link
// to this window. The plot thread only calls the output library and waits;
// whatever it needs of the windows (the plot list's head row, removing it,
// the status line, the auto-plot box) runs on the GUI thread through
// CallAfter. Where it needs an answer it waits in short slices that watch
// m_plotClosing, so that JoinPlotThread, which waits for the thread on the
// GUI thread, can never deadlock with it.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <system_error>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/filefn.h>
#include <wx/choice.h>
#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include "app/IniSettings.h"
#include "app/gui/PlotvaneApp.h"
#include "mainframe/CommandIds.h"
#include "plotlib/CommandSets.h"
#include "mainframe/gui/MainForm.h"
#include "mainframe/PlotRunner.h"
#include "plotlib/Devices.h"
#include "plotlib/PlotOutput.h"
#include "plotlib/gui/PlotSetDlg.h"
#include "view/gui/PlotterView.h"

// One run's side of the window. Created on the GUI thread when the run
// starts; the plot thread calls the PlotRunner::Host functions. Shared
// between the window (m_runHost), the thread and queued progress updates.
class MainForm::RunHost : public PlotRunner::Host,
                          public std::enable_shared_from_this<MainForm::RunHost> {
public:
    RunHost(MainForm* form, const PlotRunSettings& settings)
        : m_form(form), m_view(form->GetPlotterView()), m_settings(settings),
          m_plotFolder(std::string(wxGetApp().m_plotPath.utf8_str()))
    {
    }

    bool IsCancelled() override { return m_form->m_cancelPlot || m_form->m_plotClosing; }

    bool NextJob(PLOTFILE& job) override
    {
        bool found = false;
        PLOTFILE head;
        if (!OnGuiThread([&] { found = m_form->TakeNextJob(head, false); }))
            return false;
        if (found)
            job = head;
        return found;
    }

    void FinishJob(const PLOTFILE& job, bool deleteFile) override
    {
        OnGuiThread([&] {
            // Plot-list commands are refused during a run, so the head row
            // is the job's; checked all the same, since a wrong row would
            // lose a queued job (and maybe its file).
            PLOTFILE head;
            if (!m_form->TakeNextJob(head, false) || head.path != job.path)
                return;
            const wxString name = m_form->m_plotList->GetItemText(0, 0);
            m_form->RemovePlotRow(0, deleteFile);
            if (deleteFile && wxFileExists(wxString::FromUTF8(job.path))) {
                // A plotted file that stays would be queued and plotted
                // again by every auto-plot tick.
                m_form->m_statusBar->SetStatusText(
                    wxString::Format(_("Cannot delete %s after plotting"), name), 0);
                if (wxGetApp().m_autoPlot)
                    SwitchOffAutoPlot();
            }
        });
    }

    void ShowJob(const PLOTFILE& job) override
    {
        if (!m_view)
            return;
        m_view->SetProgressMode(true, &m_form->m_cancelPlot);
        m_view->StartProgress(0.0f, &job);
    }

    bool WaitJobShown(int timeoutMs) override
    {
        return !m_view || m_view->GetProgressEvent().Wait(timeoutMs);
    }

    bool PlotCopy(const PLOTFILE& job, const PlotRunSettings& s, std::string& error) override
    {
        const PlotSpacing& sp = s.spacing;
        return Plotter(job, sp.markSpace, false, sp.halfSolid, sp.halfSpace, sp.frontSpace, s.hpglSet,
                       s.alternateSet, &m_form->m_cancelPlot, &MainForm::OnPlotProgress, this,
                       &m_plotCommand, &error);
    }

    void ReportFailure(const PLOTFILE& job, const std::string& reason) override
    {
        // The name as the lists show it: relative to the plot folder.
        std::string name = job.path;
        std::string folder = m_plotFolder;
        if (!folder.empty() && folder.back() != '/')
            folder += '/';
        if (!folder.empty() && name.compare(0, folder.size(), folder) == 0)
            name.erase(0, folder.size());
        MainForm* form = m_form;
        form->CallAfter([form, name, reason] {
            form->m_statusBar->SetStatusText(wxString::Format(_("Plotting %s failed: %s"),
                                                              wxString::FromUTF8(name),
                                                              wxString::FromUTF8(reason)),
                                             0);
        });
    }

    void SwitchOffAutoPlot() override
    {
        // Handled as a click that clears the box, so the box, the setting
        // and the delete-file box follow as they do for the user's click.
        auto* click = new wxCommandEvent(wxEVT_CHECKBOX, cmd::AutoPlot);
        click->SetInt(0);
        click->SetEventObject(m_form->m_autoPlotBox);
        wxQueueEvent(m_form, click);
    }

    void Sleep(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    void EndRun() override
    {
        if (!m_view)
            return;
        m_view->SetProgressMode(false, &m_form->m_cancelPlot);
        m_view->StartProgress(0.0f, nullptr);
    }

    // Progress for the status line: the latest report is kept and one
    // update at a time is queued to the GUI thread, however often the
    // library reports.
    void QueueProgressText(double job, double block)
    {
        m_progressJob = job;
        m_progressBlock = block;
        if (m_progressQueued.exchange(true))
            return;
        std::shared_ptr<RunHost> self = shared_from_this();
        m_form->CallAfter([self] {
            self->m_progressQueued = false;
            self->m_form->m_statusBar->SetStatusText(
                wxString::Format(" %.1f%% - %.1f%%", self->m_progressJob * 100.0,
                                 self->m_progressBlock * 100.0),
                5);
        });
    }

    MainForm* const m_form;
    CPlotterView* const m_view;  // null only without a preview
    const PlotRunSettings m_settings;
    const std::string m_plotFolder;
    // "PP" holds the output between polylines, "PS" resumes it.
    CPlotCommand m_plotCommand;

private:
    // The state of one request to the GUI thread. Once the plot thread has
    // given up on a request (the window is closing), the GUI thread must
    // not start it any more: its work refers to the thread's locals.
    struct GuiCall {
        std::mutex mutex;
        std::condition_variable finished;
        bool started = false;
        bool done = false;
        bool abandoned = false;
    };

    // Runs `work` on the GUI thread and waits for it; false when it will
    // not run because the window is closing.
    bool OnGuiThread(const std::function<void()>& work)
    {
        auto call = std::make_shared<GuiCall>();
        const std::function<void()>* job = &work;
        m_form->CallAfter([call, job] {
            {
                std::lock_guard<std::mutex> lock(call->mutex);
                if (call->abandoned)
                    return;
                call->started = true;
            }
            (*job)();
            {
                std::lock_guard<std::mutex> lock(call->mutex);
                call->done = true;
            }
            call->finished.notify_all();
        });
        std::unique_lock<std::mutex> lock(call->mutex);
        while (!call->done) {
            // A request the GUI thread has started is finished without a
            // wait on this thread, so only one not started is given up.
            if (m_form->m_plotClosing && !call->started) {
                call->abandoned = true;
                return false;
            }
            call->finished.wait_for(lock,
                                    std::chrono::milliseconds(PlotRunner::kWaitSliceMs));
        }
        return true;
    }

    std::atomic<double> m_progressJob{0.0};
    std::atomic<double> m_progressBlock{0.0};
    std::atomic<bool> m_progressQueued{false};
};

void MainForm::SetPlotThread(std::unique_ptr<std::thread> thread)
{
    m_plotThread = std::move(thread);
    m_plotting = m_plotThread != nullptr;
}

// The window is going: the run is cancelled, and the thread stops waiting
// for answers from the window, which is blocked here.
void MainForm::JoinPlotThread()
{
    if (m_plotThread && m_plotThread->joinable()) {
        m_cancelPlot = true;
        m_plotClosing = true;
        m_plotThread->join();
        m_plotClosing = false;
    }
    m_plotThread.reset();
    m_runHost.reset();
    m_plotting = false;
}

void MainForm::PlotThreadProc(std::shared_ptr<RunHost> host)
{
    PlotRunner::Run(*host, host->m_settings);
    MainForm* form = host->m_form;
    const std::thread::id self = std::this_thread::get_id();
    form->CallAfter([form, self] { form->OnPlotRunEnded(self); });
}

void MainForm::OnPlotProgress(double job, double block, void* context)
{
    auto* host = static_cast<RunHost*>(context);
    if (job < 0) {
        if (host->m_view)
            host->m_view->UpdateProgress(static_cast<float>(block));
        return;
    }
    host->QueueProgressText(job, block);
}

void MainForm::OnPlotRunEnded(std::thread::id thread)
{
    // A run that JoinPlotThread already ended has nothing left to do.
    if (!m_plotThread || m_plotThread->get_id() != thread)
        return;
    m_plotThread->join();  // the thread has nothing left but to return
    SetPlotThread(nullptr);
    m_runHost.reset();
    m_pauseButton->SetLabel(_("Pause"));
    PlaceStatusButtons();
    // Plotted files may be gone, and files that arrived meanwhile were
    // held back while the run had the folder.
    RefreshFileList(false);
}

void MainForm::ReloadForDevice()
{
    wxArrayString names;
    for (long row = 0; row < m_plotList->GetItemCount(); ++row)
        names.Add(m_plotList->GetItemText(row, 0));
    wxWeakRef<MainForm> self(this);
    AddFilesToPlotList(names, true);
    // Adding lets the window run events; it may have been closed.
    if (!self || IsBeingDeleted())
        return;
    if (CPlotterView* view = GetPlotterView()) {
        // The paper and the block grid follow the new device.
        const CPolylineIArray drawing = view->GetDrawing();
        const CDrawingPlacement placement = view->GetPlacement();
        view->SetDrawing(view->GetFileName(), drawing, placement);
    }
}

void MainForm::OnDeviceChoice(wxCommandEvent&)
{
    if (IsPlotting()) {
        // The running job holds the device; the choice shows it again.
        const int index = m_deviceChoice->FindString(wxString::FromUTF8(GetDefaultDevice()));
        if (index != wxNOT_FOUND)
            m_deviceChoice->SetSelection(index);
        return;
    }
    const wxString name = m_deviceChoice->GetStringSelection();
    if (!name.empty())
        SetDefaultDevice(std::string(name.utf8_str()));
    SelectExtractPen();
    wxWeakRef<MainForm> self(this);
    ReloadForDevice();
    if (self && m_preview)
        m_preview->SetFocus();
}

// The device settings dialog. Refused while a job runs: the running job
// holds the device and its configuration.
void MainForm::OnPlotterConfig(wxCommandEvent&)
{
    if (IsPlotting())
        return;
    ShowPlotSetDlg(this, true, true);
    m_deviceChoice->Clear();
    FillDeviceChoice();
    SelectExtractPen();
    ReloadForDevice();
}

PlotSpacing MainForm::CurrentPlotSpacing()
{
    const PlotvaneApp& app = wxGetApp();
    PlotSpacing spacing;
    spacing.markSpace = app.m_markSpace;
    spacing.frontSpace = app.m_frontSpace;
    spacing.halfSolid = GetIniFloat("HalfCut", "Solid", 2.0f);
    spacing.halfSpace = GetIniFloat("HalfCut", "Space", 0.1f);
    return spacing;
}

void MainForm::StartPlot(wxCommandEvent&)
{
    BeginPlotRun();
}

void MainForm::BeginPlotRun()
{
    if (m_plotList->GetItemCount() == 0)
        return;
    if (m_deviceChoice->GetSelection() == wxNOT_FOUND) {
        wxMessageBox(_("Not selected device!"), _("Information"),
                     wxOK | wxCENTRE | wxICON_INFORMATION, this);
        return;
    }
    // A replay on the preview keeps it until it ends; a run would load its
    // jobs into the preview underneath it. The auto-plot tick tries again.
    if (IsPlotting() || IsEmulating())
        return;

    // Read here, on the GUI thread that writes them, once for the run.
    const PlotvaneApp& app = wxGetApp();
    PlotRunSettings settings;
    settings.spacing = CurrentPlotSpacing();
    settings.deleteAfter = app.m_autoDeleteFile || app.m_autoPlot;
    settings.autoPlot = app.m_autoPlot;
    settings.hpglSet = HpglCommandSet();
    settings.alternateSet = AlternateCommandSet();

    m_cancelPlot = false;
    m_plotClosing = false;
    auto host = std::make_shared<RunHost>(this, settings);
    m_runHost = host;
    m_pauseButton->SetLabel(_("Pause"));
    try {
        SetPlotThread(std::make_unique<std::thread>(&MainForm::PlotThreadProc, host));
    } catch (const std::system_error& error) {
        m_runHost.reset();
        SetPlotThread(nullptr);
        m_statusBar->SetStatusText(wxString::FromUTF8(error.what()), 0);
    }
}

void MainForm::CancelPlot(wxCommandEvent&)
{
    if (!IsPlotting() || m_cancelPlot)
        return;
    const int answer = wxMessageBox(_("Are you sure cancel current plot task ?"),
                                    _("Information"), wxYES_NO | wxICON_QUESTION, this);
    // The run may have ended while the question was open.
    if (answer != wxNO && IsPlotting())
        m_cancelPlot = true;
}

void MainForm::PauseOrContinue(wxCommandEvent&)
{
    if (!IsPlotting() || m_cancelPlot || !m_runHost)
        return;
    if (m_pauseButton->GetLabel() == _("Pause")) {
        m_runHost->m_plotCommand.Set("PP");
        m_pauseButton->SetLabel(_("Continue"));
    } else {
        m_runHost->m_plotCommand.Set("PS");
        m_pauseButton->SetLabel(_("Pause"));
    }
    PlaceStatusButtons();
}

// Auto plot: each second, when no job runs, every file of the plot folder
// is queued (unloaded; queued files keep their rows) and plotting starts.
void MainForm::OnAutoPlotTimer(wxTimerEvent& event)
{
    event.Skip();
    // A message of an earlier tick may still be open: its modal loop runs
    // the timer too, and the ticks must not stack message boxes.
    if (IsPlotting() || IsEmulating() || !wxGetApp().m_autoPlot || m_autoPlotTicking)
        return;
    m_autoPlotTicking = true;
    RefreshFileList(false);
    wxArrayString names;
    for (long row = 0; row < m_fileList->GetItemCount(); ++row)
        names.Add(m_fileList->GetItemText(row, 0));
    AddFilesToPlotList(names, false);
    wxWeakRef<MainForm> self(this);
    BeginPlotRun();
    if (self)
        m_autoPlotTicking = false;
}

void MainForm::OnUpdateCommand(wxUpdateUIEvent& event)
{
    event.Enable(IsCommandEnabled(event.GetId(), GatherCommandState()));
}

void MainForm::OnUpdateStatusButton(wxUpdateUIEvent& event)
{
    event.Enable(IsCommandEnabled(event.GetId(), GatherCommandState()));
    PlaceStatusButtons();
}
