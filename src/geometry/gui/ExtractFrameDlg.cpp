#include "geometry/gui/ExtractFrameDlg.h"

#include <chrono>

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/intl.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "app/gui/AppLook.h"
#include "geometry/OutlineExtractor.h"
#include "geometry/PlotFileWriteBack.h"

namespace {
constexpr int kStaticId = 5105;
constexpr int kGaugeId = 10027;
const wxString kArrow = wxString::FromUTF8("\xE2\x86\x92");  // U+2192
}  // namespace

wxIMPLEMENT_DYNAMIC_CLASS(CExtractFrameDlg, wxDialog);

wxBEGIN_EVENT_TABLE(CExtractFrameDlg, wxDialog)
    EVT_CLOSE(CExtractFrameDlg::OnCloseWindow)
    EVT_BUTTON(wxID_CANCEL, CExtractFrameDlg::OnCancel)
    EVT_UPDATE_UI(wxID_CANCEL, CExtractFrameDlg::OnCancelUpdate)
wxEND_EVENT_TABLE()

CExtractFrameDlg::CExtractFrameDlg(wxWindow* parent, wxWindowID id, const wxString& title,
                                   const wxPoint& pos, const wxSize& size, long style)
{
    Create(parent, id, title, pos, size, style);
}

CExtractFrameDlg::~CExtractFrameDlg()
{
    // A dialog destroyed without its modal run must not leave the worker
    // waiting for a loop that never comes.
    m_stopWaiting.store(true);
    m_control.Release();
    if (m_worker.joinable())
        m_worker.join();
}

bool CExtractFrameDlg::Create(wxWindow* parent, wxWindowID id, const wxString& title,
                              const wxPoint& pos, const wxSize& size, long style)
{
    SetExtraStyle(wxWS_EX_BLOCK_EVENTS);
    if (!wxDialog::Create(parent, id, title, pos, size, style))
        return false;
    CreateControls();
    if (GetSizer())
        GetSizer()->SetSizeHints(this);
    Centre(wxBOTH);
    ApplyAppFont(this);
    return true;
}

void CExtractFrameDlg::CreateControls()
{
    auto* top = new wxBoxSizer(wxVERTICAL);
    SetSizer(top);

    auto* grid = new wxFlexGridSizer(2, 2, 0, 0);
    grid->AddGrowableCol(1);
    top->Add(grid, 0, wxEXPAND | wxALL, 5);

    m_marker1 = new wxStaticText(this, kStaticId, wxEmptyString, wxDefaultPosition,
                                 wxSize(15, -1), 0);
    grid->Add(m_marker1, 0, wxALIGN_CENTER_HORIZONTAL | wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_text1 = new wxStaticText(this, kStaticId, _("Step 1: Findout all closed polygons."));
    grid->Add(m_text1, 0, wxEXPAND | wxALL, 5);
    m_marker2 = new wxStaticText(this, kStaticId, wxEmptyString, wxDefaultPosition,
                                 wxSize(15, -1), 0);
    grid->Add(m_marker2, 0, wxALIGN_CENTER_HORIZONTAL | wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_text2 = new wxStaticText(this, kStaticId, _("Step 2: Ignore all contained polygons."));
    grid->Add(m_text2, 0, wxEXPAND | wxALL, 5);

    auto* box = new wxBoxSizer(wxVERTICAL);
    top->Add(box, 1, wxEXPAND | wxALL, 5);
    m_gauge = new wxGauge(this, kGaugeId, 100, wxDefaultPosition, wxDefaultSize,
                          wxGA_HORIZONTAL | wxGA_SMOOTH);
    m_gauge->SetValue(0);
    box->Add(m_gauge, 1, wxEXPAND | wxALL, 5);
    auto* cancel = new wxButton(this, wxID_CANCEL, _("Cancel"));
    box->Add(cancel, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, 5);
}

void CExtractFrameDlg::Start(CPolylineIArray* drawing, const std::string& fileName, int penChoice,
                             const PLOTTERCONFIG& config, const std::string& plotFolder)
{
    if (m_worker.joinable())
        return;  // one run per dialog
    m_drawing = drawing;
    m_fileName = fileName;
    m_penChoice = penChoice;
    m_config = config;
    m_plotFolder = plotFolder;
    m_cancelled = false;
    m_writeStatus = Status::Ok();
    m_running.store(true);
    m_worker = std::thread([this] { ExtractOutlines(); });
}

void CExtractFrameDlg::RunModal(wxWindow* parent, CPolylineIArray* drawing,
                                const std::string& fileName, int penChoice,
                                const PLOTTERCONFIG& config, const std::string& plotFolder)
{
    CExtractFrameDlg dialog(parent, 10064, _("CExtractFrameDlg"), wxDefaultPosition,
                            wxSize(400, 300), kStyle);
    dialog.Start(drawing, fileName, penChoice, config, plotFolder);
    dialog.ShowModal();
}

int CExtractFrameDlg::ShowModal()
{
    // Posted now, handled once the modal loop dispatches events: from then on
    // the worker may end the loop.
    CallAfter([this] { m_modal.store(true); });
    return wxDialog::ShowModal();
}

// Worker thread: no wx calls here except CallAfter.
void CExtractFrameDlg::ExtractOutlines()
{
    while (!m_modal.load() && !m_stopWaiting.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(100));

    bool cancelled = false;
    Status written = Status::Ok();
    if (!m_stopWaiting.load() && m_drawing && m_drawing->GetCount() > 0) {
        COutlineExtractor extractor;
        extractor.SetControl(&m_control);
        extractor.SetProgress([this](int step, int value, int range) {
            CallAfter([this, step, value, range] {
                ShowStep(step);
                if (m_gauge->GetRange() != range)
                    m_gauge->SetRange(range > 0 ? range : 1);
                m_gauge->SetValue(value);
            });
        });
        const ExtractResult result =
            extractor.Run(*m_drawing, ExtractPenForChoice(m_config, m_penChoice));
        cancelled = result.cancelled;
        if (!cancelled)
            written = WriteDrawingToPlotFolder(*m_drawing, m_plotFolder, m_fileName, m_config);
    }
    if (m_stopWaiting.load())
        return;
    CallAfter([this, cancelled, written] { FinishRun(cancelled, written); });
}

void CExtractFrameDlg::ShowStep(int step)
{
    if (step == m_shownStep)
        return;
    m_shownStep = step;
    wxStaticText* on1 = step == 1 ? m_marker1 : m_marker2;
    wxStaticText* onText = step == 1 ? m_text1 : m_text2;
    wxStaticText* off1 = step == 1 ? m_marker2 : m_marker1;
    wxStaticText* offText = step == 1 ? m_text2 : m_text1;
    off1->SetForegroundColour(*wxBLACK);
    offText->SetForegroundColour(*wxBLACK);
    off1->SetLabel(wxEmptyString);
    on1->SetForegroundColour(*wxRED);
    onText->SetForegroundColour(*wxRED);
    on1->SetLabel(kArrow);
    m_text1->Refresh();
    m_text2->Refresh();
}

void CExtractFrameDlg::FinishRun(bool cancelled, Status written)
{
    if (m_worker.joinable())
        m_worker.join();
    m_running.store(false);
    m_cancelled = cancelled;
    m_writeStatus = written;
    if (!written.ok())
        wxMessageBox(wxString::FromUTF8(written.message()), _("Information"),
                     wxOK | wxICON_ERROR, this);
    if (IsModal())
        EndModal(wxID_CANCEL);
}

void CExtractFrameDlg::RequestCancel()
{
    m_control.Hold();
    const int answer = wxMessageBox(_("Be sure to cancel current task ?"), _("Information"),
                                    wxYES_NO | wxICON_QUESTION, this);
    if (answer == wxYES)
        m_control.RequestCancel();
    m_control.Release();
}

void CExtractFrameDlg::OnCancel(wxCommandEvent&) { RequestCancel(); }

void CExtractFrameDlg::OnCancelUpdate(wxUpdateUIEvent& event)
{
    event.Enable(!m_control.IsCancelRequested());
}

void CExtractFrameDlg::OnCloseWindow(wxCloseEvent& event)
{
    if (m_running.load()) {
        if (event.CanVeto())
            event.Veto();
        return;
    }
    event.Skip();
}
