// CExtractFrameDlg: the small modal progress dialog of outline extraction.
// Start hands it the drawing, the plot file's name inside the plot folder
// and the pen choice, and starts the worker; ShowModal then runs until the
// worker ends the modal loop with wxID_CANCEL (5101). The worker runs
// COutlineExtractor and, after a complete run, writes the drawing back over
// its plot file. Every window update is posted to the GUI thread.
//
// The close box is refused while the worker runs; Cancel holds the worker
// while the operator answers the question, and a Yes cancels the run
// (which only takes effect while outlines are still being collected).
// GUI thread only, except the worker's own code.
#pragma once

#include <atomic>
#include <string>
#include <thread>

#include <wx/dialog.h>

#include "geometry/ExtractControl.h"
#include "plotlib/PlotterConfig.h"
#include "plotlib/Polyline.h"
#include "plotlib/Status.h"

class wxGauge;
class wxStaticText;

class CExtractFrameDlg : public wxDialog {
public:
    static constexpr long kStyle = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxTAB_TRAVERSAL;

    CExtractFrameDlg() = default;
    CExtractFrameDlg(wxWindow* parent, wxWindowID id, const wxString& title,
                     const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(400, 300),
                     long style = kStyle);
    ~CExtractFrameDlg() override;

    bool Create(wxWindow* parent, wxWindowID id, const wxString& title,
                const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(400, 300),
                long style = kStyle);

    // Lets the worker start once the modal loop runs.
    int ShowModal() override;

    // Stores the run's inputs and starts the worker, which waits until the
    // dialog is modal. `drawing` must outlive the run and stay untouched.
    void Start(CPolylineIArray* drawing, const std::string& fileName, int penChoice,
               const PLOTTERCONFIG& config, const std::string& plotFolder);

    // Opens the dialog modally on one drawing and waits for the end of the
    // run (the main window's command and extraction on adding files).
    static void RunModal(wxWindow* parent, CPolylineIArray* drawing, const std::string& fileName,
                         int penChoice, const PLOTTERCONFIG& config, const std::string& plotFolder);

    // The control of the current run (tests drive cancel and hold with it).
    CExtractControl& GetControl() { return m_control; }
    bool IsWorkerRunning() const { return m_running.load(); }
    // Outcome of the last finished run.
    bool WasCancelled() const { return m_cancelled; }
    const Status& GetWriteStatus() const { return m_writeStatus; }

    // The operator's side of a cancel request: holds the worker, asks, and
    // on Yes cancels. Public so the Cancel button and tests share it.
    void RequestCancel();

private:
    void CreateControls();
    void ExtractOutlines();
    void ShowStep(int step);
    void FinishRun(bool cancelled, Status written);
    void OnCancel(wxCommandEvent& event);
    void OnCancelUpdate(wxUpdateUIEvent& event);
    void OnCloseWindow(wxCloseEvent& event);

    wxStaticText* m_marker1 = nullptr;
    wxStaticText* m_text1 = nullptr;
    wxStaticText* m_marker2 = nullptr;
    wxStaticText* m_text2 = nullptr;
    wxGauge* m_gauge = nullptr;
    CPolylineIArray* m_drawing = nullptr;
    std::string m_fileName;
    std::string m_plotFolder;
    PLOTTERCONFIG m_config;
    std::thread m_worker;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_stopWaiting{false};
    std::atomic<bool> m_modal{false};
    CExtractControl m_control;
    int m_penChoice = 1;
    int m_shownStep = 0;
    bool m_cancelled = false;
    Status m_writeStatus;

    wxDECLARE_DYNAMIC_CLASS(CExtractFrameDlg);
    wxDECLARE_EVENT_TABLE();
};
