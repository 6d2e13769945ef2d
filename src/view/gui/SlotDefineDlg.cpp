#include "view/gui/SlotDefineDlg.h"

#include <wx/button.h>
#include <wx/intl.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/gui/AppLook.h"

namespace {

constexpr int kLabelWidth = 70;
constexpr int kSpinWidth = 80;
constexpr int kBorder = 5;
// What the spin controls show until the settings are loaded: a value no
// one would choose, so a control that missed the loading stands out.
constexpr int kUnloaded = 666;

} // namespace

wxIMPLEMENT_DYNAMIC_CLASS(CSlotDefineDlg, wxDialog);

wxBEGIN_EVENT_TABLE(CSlotDefineDlg, wxDialog)
    EVT_BUTTON(wxID_OK, CSlotDefineDlg::OnOk)
    EVT_SPINCTRL(CSlotDefineDlg::ID_PRESPACE_A, CSlotDefineDlg::OnPreSpaceA)
    EVT_TEXT(CSlotDefineDlg::ID_PRESPACE_A, CSlotDefineDlg::OnPreSpaceAText)
wxEND_EVENT_TABLE()

CSlotDefineDlg::CSlotDefineDlg(wxWindow* parent, wxWindowID id, const wxString& title,
                               const wxPoint& pos, const wxSize& size, long style)
{
    Create(parent, id, title, pos, size, style);
}

bool CSlotDefineDlg::Create(wxWindow* parent, wxWindowID id, const wxString& title,
                            const wxPoint& pos, const wxSize& size, long style)
{
    SetExtraStyle(GetExtraStyle() | wxWS_EX_VALIDATE_RECURSIVELY);
    if (!wxDialog::Create(parent, id, title, pos, size, style))
        return false;
    // Set before the children exist, so they take it and the sizer measures
    // them in it.
    ApplyAppFont(this);
    CreateControls();
    if (GetSizer())
        GetSizer()->SetSizeHints(this);
    Centre(wxBOTH);
    SetValues(ReadSlotSettings());
    return true;
}

wxSpinCtrl* CSlotDefineDlg::AddField(wxSizer* row, const char* label, int id)
{
    row->Add(new wxStaticText(this, wxID_STATIC, wxGetTranslation(label), wxDefaultPosition,
                              wxSize(kLabelWidth, -1), wxALIGN_RIGHT | wxST_NO_AUTORESIZE),
             0, wxALIGN_CENTER_VERTICAL | wxALL, kBorder);
    auto* spin = new wxSpinCtrl(this, id, wxString::Format("%d", kUnloaded), wxDefaultPosition,
                                wxSize(kSpinWidth, -1), wxSP_ARROW_KEYS, 0, kMaxValue,
                                kUnloaded);
    row->Add(spin, 0, wxALIGN_CENTER_VERTICAL | wxALL, kBorder);
    row->Add(new wxStaticText(this, wxID_STATIC, wxGetTranslation("mm")), 0,
             wxALIGN_CENTER_VERTICAL | wxALL, kBorder);
    return spin;
}

void CSlotDefineDlg::CreateControls()
{
    auto* top = new wxBoxSizer(wxVERTICAL);
    SetSizer(top);

    auto* row1 = new wxBoxSizer(wxHORIZONTAL);
    top->Add(row1, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, kBorder);
    m_width = AddField(row1, wxTRANSLATE("Slot Width"), ID_WIDTH);
    row1->Add(10, 5, 0, wxALIGN_CENTER_VERTICAL | wxALL, kBorder);
    m_length = AddField(row1, wxTRANSLATE("Slot Length"), ID_LENGTH);

    auto* row2 = new wxBoxSizer(wxHORIZONTAL);
    top->Add(row2, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, kBorder);
    m_preSpaceA = AddField(row2, wxTRANSLATE("PreSpace A"), ID_PRESPACE_A);
    row2->Add(10, 5, 0, wxALIGN_CENTER_VERTICAL | wxALL, kBorder);
    m_preSpaceB = AddField(row2, wxTRANSLATE("PreSpace B"), ID_PRESPACE_B);

    auto* row3 = new wxBoxSizer(wxHORIZONTAL);
    top->Add(row3, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, kBorder);
    m_space = AddField(row3, wxTRANSLATE("Slot Space"), ID_SPACE);
    row3->Add(10, 5, 0, wxALIGN_CENTER_VERTICAL | wxALL, kBorder);
    auto* ok = new wxButton(this, wxID_OK, wxGetTranslation("OK"));
    row3->Add(ok, 0, wxALIGN_CENTER_VERTICAL | wxALL, kBorder);
    row3->Add(new wxButton(this, wxID_CANCEL, wxGetTranslation("Cancel")), 0,
              wxALIGN_CENTER_VERTICAL | wxALL, kBorder);
    ok->SetDefault();
}

SlotSettings CSlotDefineDlg::GetValues() const
{
    SlotSettings values;
    values.width = m_width->GetValue();
    values.length = m_length->GetValue();
    values.preSpaceA = m_preSpaceA->GetValue();
    values.preSpaceB = m_preSpaceB->GetValue();
    values.space = m_space->GetValue();
    return values;
}

void CSlotDefineDlg::SetValues(const SlotSettings& values)
{
    // Pre-space A before B: should setting A ever reach the copy handler,
    // B still ends with its own value.
    m_width->SetValue(values.width);
    m_length->SetValue(values.length);
    m_preSpaceA->SetValue(values.preSpaceA);
    m_preSpaceB->SetValue(values.preSpaceB);
    m_space->SetValue(values.space);
}

void CSlotDefineDlg::OnPreSpaceA(wxSpinEvent& event)
{
    m_preSpaceB->SetValue(event.GetPosition());
}

void CSlotDefineDlg::OnPreSpaceAText(wxCommandEvent& event)
{
    // Typing into pre-space A copies as the arrows do; a text that is no
    // number in range leaves B alone.
    long value = 0;
    if (m_preSpaceB && event.GetString().ToLong(&value) && value >= 0 && value <= kMaxValue)
        m_preSpaceB->SetValue(static_cast<int>(value));
}

void CSlotDefineDlg::OnOk(wxCommandEvent& event)
{
    StoreSlotSettings(GetValues());
    event.Skip();
}
