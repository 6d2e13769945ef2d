// The output device, plot jobs and their control: the device choice, the
// plotter configuration, starting a job, plotting into a file, emulation,
// Cancel and Pause in the status bar and the auto-plot timer. Also the
// enabling rules of the commands, which depend mostly on the plot list and
// on whether a job runs.
#include <wx/button.h>
#include <wx/choice.h>

#include "mainframe/CommandIds.h"
#include "mainframe/MainForm.h"
#include "plotlib/Devices.h"
#include "plotlib/PlotSetDlg.h"

void MainForm::SetPlotThread(std::unique_ptr<std::thread> thread)
{
    m_plotThread = std::move(thread);
    m_plotting = m_plotThread != nullptr;
}

void MainForm::JoinPlotThread()
{
    if (m_plotThread && m_plotThread->joinable())
        m_plotThread->join();
    m_plotThread.reset();
    m_plotting = false;
}

void MainForm::OnDeviceChoice(wxCommandEvent&)
{
    if (IsPlotting())
        return;
    const wxString name = m_deviceChoice->GetStringSelection();
    if (!name.empty())
        SetDefaultDevice(std::string(name.utf8_str()));
    SelectExtractPen();
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
}

void MainForm::StartPlot(wxCommandEvent&) {}

void MainForm::CancelPlot(wxCommandEvent&) {}

void MainForm::PauseOrContinue(wxCommandEvent&) {}

void MainForm::OnAutoPlotTimer(wxTimerEvent&) {}

void MainForm::OnUpdateCommand(wxUpdateUIEvent& event)
{
    event.Enable(IsCommandEnabled(event.GetId(), GatherCommandState()));
}

void MainForm::OnUpdateStatusButton(wxUpdateUIEvent& event)
{
    event.Enable(IsCommandEnabled(event.GetId(), GatherCommandState()));
    PlaceStatusButtons();
}
