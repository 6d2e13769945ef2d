#include "mainframe/gui/BlockSetDlg.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/gui/AppLook.h"
#include "mainframe/PlotQueue.h"

CBlockSetDlg::CBlockSetDlg(wxWindow* parent, wxWindowID id, const wxString& title,
                           const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style)
{
    auto* grid = new wxFlexGridSizer(2, 8, 8);
    grid->AddGrowableCol(1);
    auto addField = [&](const char* label, int fieldId, long fieldStyle) {
        grid->Add(new wxStaticText(this, wxID_ANY, wxGetTranslation(label)), 0,
                  wxALIGN_CENTER_VERTICAL);
        auto* field = new wxTextCtrl(this, fieldId, wxEmptyString, wxDefaultPosition,
                                     wxDefaultSize, fieldStyle);
        grid->Add(field, 1, wxEXPAND);
        return field;
    };
    m_totalField = addField(wxTRANSLATE("Total block"), ID_TOTAL, wxTE_READONLY);
    m_beginField = addField(wxTRANSLATE("Begin block"), ID_BEGIN, 0);
    m_stopField = addField(wxTRANSLATE("Stop block"), ID_STOP, 0);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->AddStretchSpacer();
    buttons->Add(new wxButton(this, wxID_OK, _("&OK")), 0, wxRIGHT, 8);
    buttons->Add(new wxButton(this, wxID_CANCEL, _("&Cancel")));

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(grid, 0, wxEXPAND | wxALL, 16);
    top->AddStretchSpacer();
    top->Add(new wxStaticLine(this), 0, wxEXPAND | wxLEFT | wxRIGHT, 16);
    top->Add(buttons, 0, wxEXPAND | wxALL, 16);
    SetSizer(top);

    m_beginField->Bind(wxEVT_TEXT, &CBlockSetDlg::OnBeginText, this);
    m_stopField->Bind(wxEVT_TEXT, &CBlockSetDlg::OnStopText, this);
    Bind(wxEVT_UPDATE_UI, &CBlockSetDlg::OnUpdateOk, this, wxID_OK);
    Bind(wxEVT_BUTTON, &CBlockSetDlg::OnOk, this, wxID_OK);
    ApplyAppFont(this);
}

void CBlockSetDlg::SetBlocks(int total, int begin, int stop)
{
    const BlockRange range = PlotQueue::ClampBlocks(total, begin, stop);
    m_total = range.total;
    m_begin = range.begin;
    m_stop = range.stop;
    // ChangeValue sends no text event, so the members stay as set here.
    m_totalField->ChangeValue(wxString::Format("%d", m_total));
    m_beginField->ChangeValue(wxString::Format("%d", m_begin));
    m_stopField->ChangeValue(wxString::Format("%d", m_stop));
}

void CBlockSetDlg::OnBeginText(wxCommandEvent&)
{
    m_begin = PlotQueue::ParseNumber(std::string(m_beginField->GetValue().utf8_str()));
}

void CBlockSetDlg::OnStopText(wxCommandEvent&)
{
    m_stop = PlotQueue::ParseNumber(std::string(m_stopField->GetValue().utf8_str()));
}

void CBlockSetDlg::OnUpdateOk(wxUpdateUIEvent& event)
{
    event.Enable(PlotQueue::BlockRangeValid({m_total, m_begin, m_stop}));
}

void CBlockSetDlg::OnOk(wxCommandEvent& event)
{
    // The button may still look enabled until the next idle time; a range
    // that is not valid is never handed back.
    if (!PlotQueue::BlockRangeValid({m_total, m_begin, m_stop}))
        return;
    event.Skip();
}
