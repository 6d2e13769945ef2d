#include "geometry/gui/AboutDlg.h"

#include <wx/button.h>
#include <wx/intl.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/statline.h>
#include <wx/stattext.h>

#include "app/gui/AppLook.h"

namespace {
constexpr int kStaticId = 5105;
}

wxIMPLEMENT_DYNAMIC_CLASS(CAboutDlg, wxDialog);

wxBEGIN_EVENT_TABLE(CAboutDlg, wxDialog)
    EVT_BUTTON(wxID_CLOSE, CAboutDlg::OnClose)
wxEND_EVENT_TABLE()

CAboutDlg::CAboutDlg(wxWindow* parent, wxWindowID id, const wxString& title, const wxPoint& pos,
                     const wxSize& size, long style)
{
    Create(parent, id, title, pos, size, style);
}

bool CAboutDlg::Create(wxWindow* parent, wxWindowID id, const wxString& title,
                       const wxPoint& pos, const wxSize& size, long style)
{
    // Commands of the dialog stay in the dialog.
    SetExtraStyle(GetExtraStyle() | wxWS_EX_BLOCK_EVENTS);
    if (!wxDialog::Create(parent, id, title, pos, size, style))
        return false;
    ApplyAppFont(this);
    CreateControls();
    GetSizer()->Fit(this);
    GetSizer()->SetSizeHints(this);
    Centre(wxBOTH);
    return true;
}

wxString CAboutDlg::ProductLine()
{
    return _("Plotvane plot spooler, version 0.1");
}

wxString CAboutDlg::MakerLine()
{
    return _("2026 The Plotvane developers");
}

void CAboutDlg::CreateControls()
{
    m_topSizer = new wxBoxSizer(wxVERTICAL);
    SetSizer(m_topSizer);

    auto* productRow = new wxBoxSizer(wxHORIZONTAL);
    wxBitmap iconBitmap;
    const wxIcon icon = LoadIconFile("XPM/Plotter.ico");
    if (icon.IsOk())
        iconBitmap.CopyFromIcon(icon);
    m_icon = new wxStaticBitmap(this, kStaticId, iconBitmap);
    productRow->Add(m_icon, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    productRow->Add(new wxStaticText(this, kStaticId, ProductLine()), 0,
                    wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_topSizer->Add(productRow, 0, wxEXPAND | wxALL, 5);

    m_topSizer->Add(new wxStaticText(this, kStaticId, MakerLine()), 0,
                    wxEXPAND | wxALL, 5);
    m_topSizer->Add(new wxStaticLine(this, kStaticId, wxDefaultPosition, wxDefaultSize,
                                     wxLI_HORIZONTAL),
                    0, wxEXPAND | wxALL, 5);

    auto* buttonRow = new wxBoxSizer(wxHORIZONTAL);
    buttonRow->AddStretchSpacer(1);
    buttonRow->Add(new wxButton(this, wxID_CLOSE, _("&Close")), 0, wxALL, 5);
    m_topSizer->Add(buttonRow, 0, wxEXPAND | wxALL, 5);
    m_topSizer->Layout();
}

void CAboutDlg::OnClose(wxCommandEvent&)
{
    Close(false);
}
