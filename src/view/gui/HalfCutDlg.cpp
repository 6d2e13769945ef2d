#include "view/gui/HalfCutDlg.h"

#include <wx/button.h>
#include <wx/intl.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/gui/AppLook.h"

namespace {
constexpr int kBorder = 5;
constexpr int kFieldWidth = 50;
}

wxIMPLEMENT_DYNAMIC_CLASS(CHalfCutDlg, wxDialog);

wxBEGIN_EVENT_TABLE(CHalfCutDlg, wxDialog)
    EVT_BUTTON(wxID_OK, CHalfCutDlg::OnOk)
    EVT_UPDATE_UI(wxID_OK, CHalfCutDlg::OnUpdateOk)
wxEND_EVENT_TABLE()

CHalfCutDlg::CHalfCutDlg(wxWindow* parent, wxWindowID id, const wxString& title,
                         const wxPoint& pos, const wxSize& size, long style)
{
    Create(parent, id, title, pos, size, style);
}

bool CHalfCutDlg::Create(wxWindow* parent, wxWindowID id, const wxString& title,
                         const wxPoint& pos, const wxSize& size, long style)
{
    SetExtraStyle(GetExtraStyle() | wxWS_EX_VALIDATE_RECURSIVELY);
    if (!wxDialog::Create(parent, id, title, pos, size, style))
        return false;
    ApplyAppFont(this);
    CreateControls();
    if (GetSizer())
        GetSizer()->SetSizeHints(this);
    Centre(wxBOTH);
    return true;
}

void CHalfCutDlg::CreateControls()
{
    auto* top = new wxBoxSizer(wxVERTICAL);
    SetSizer(top);

    auto* grid = new wxFlexGridSizer(2, 3, 0, 0);
    grid->AddGrowableCol(1);
    top->Add(grid, 0, wxEXPAND | wxALL, kBorder);
    auto addRow = [&](const char* label, int id, const char* initial) {
        grid->Add(new wxStaticText(this, wxID_STATIC, wxGetTranslation(label)), 0,
                  wxALIGN_RIGHT | wxALIGN_CENTER_VERTICAL | wxALL, kBorder);
        auto* field = new wxTextCtrl(this, id, initial, wxDefaultPosition,
                                     wxSize(kFieldWidth, -1), 0);
        grid->Add(field, 1, wxEXPAND | wxALL, kBorder);
        grid->Add(new wxStaticText(this, wxID_STATIC, wxGetTranslation("CM")), 0,
                  wxALIGN_LEFT | wxALIGN_CENTER_VERTICAL | wxALL, kBorder);
        return field;
    };
    m_solid = addRow(wxTRANSLATE("Cut length:"), ID_SOLID, "2.0");
    m_space = addRow(wxTRANSLATE("Cut Spacer:"), ID_SPACE, "0.1");

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    top->Add(buttons, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, kBorder);
    auto* ok = new wxButton(this, wxID_OK, wxGetTranslation("OK"));
    buttons->Add(ok, 0, wxALIGN_CENTER_VERTICAL | wxALL, kBorder);
    buttons->Add(new wxButton(this, wxID_CANCEL, wxGetTranslation("Cancel")), 0,
                 wxALIGN_CENTER_VERTICAL | wxALL, kBorder);
    ok->SetDefault();
}

void CHalfCutDlg::SetValues(const CHalfCutValues& values)
{
    m_solid->ChangeValue(wxString::FromUTF8(CHalfCutValues::Format(values.solid)));
    m_space->ChangeValue(wxString::FromUTF8(CHalfCutValues::Format(values.space)));
}

CHalfCutValues CHalfCutDlg::GetValues() const
{
    return CHalfCutValues::FromTexts(SolidText(), SpaceText());
}

std::string CHalfCutDlg::SolidText() const { return m_solid->GetValue().utf8_string(); }

std::string CHalfCutDlg::SpaceText() const { return m_space->GetValue().utf8_string(); }

void CHalfCutDlg::OnUpdateOk(wxUpdateUIEvent& event)
{
    event.Enable(!m_solid->GetValue().empty() && !m_space->GetValue().empty());
}

void CHalfCutDlg::OnOk(wxCommandEvent& event)
{
    using Problem = CHalfCutValues::Problem;
    const Problem problem = CHalfCutValues::Check(SolidText(), SpaceText());
    if (problem == Problem::None) {
        event.Skip();
        return;
    }
    const bool empty = problem == Problem::SolidEmpty || problem == Problem::SpaceEmpty;
    const bool onSolid = problem == Problem::SolidEmpty || problem == Problem::SolidNotPositive;
    wxMessageBox(empty ? _("The data is empty!") : _("The data must be upper zero!"),
                 _("Information"), wxOK | wxICON_INFORMATION, this);
    (onSolid ? m_solid : m_space)->SetFocus();
}
