#include "plotlib/gui/DxfLayerPanel.h"

#include <string>

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/intl.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "plotlib/DeviceValidation.h"

namespace {

bool IsTextRole(DxfRole role)
{
    return role == DxfRole::PieceText || role == DxfRole::AnnotationText;
}

} // namespace

CDxfLayerPanel::CDxfLayerPanel(wxWindow* parent) : wxPanel(parent, wxID_ANY)
{
    wxBoxSizer* top = new wxBoxSizer(wxVERTICAL);
    wxFlexGridSizer* grid = new wxFlexGridSizer(6, 3, 6);
    for (const DxfRoleInfo& info : DxfRoles()) {
        RoleChoice rc{info.role, new wxChoice(this, ID_ROLE + static_cast<int>(info.role)), {}};
        for (int a = 0; a < kDxfActionCount; ++a) {
            const DxfAction action = static_cast<DxfAction>(a);
            // Text is only ever drawn: a knife would cut the letters out.
            if (IsTextRole(info.role) && action != DxfAction::Skip && action != DxfAction::Draw)
                continue;
            rc.choice->Append(wxGetTranslation(DxfActionLabel(action)));
            rc.actions.push_back(action);
        }
        grid->Add(new wxStaticText(this, wxID_ANY, wxGetTranslation(info.label)), 0,
                  wxALIGN_RIGHT | wxALIGN_CENTER_VERTICAL);
        grid->Add(rc.choice, 0, wxEXPAND);
        m_roles.push_back(rc);
    }
    top->Add(grid, 0, wxALL | wxEXPAND, 4);

    wxBoxSizer* row = new wxBoxSizer(wxHORIZONTAL);
    m_notchSlots = new wxCheckBox(this, ID_NOTCH_SLOTS, _("Notches as slots (off: a short cut line)"));
    row->Add(m_notchSlots, 0, wxRIGHT | wxALIGN_CENTER_VERTICAL, 12);
    row->Add(new wxStaticText(this, wxID_ANY, _("Drill cross (mm):")), 0,
             wxRIGHT | wxALIGN_CENTER_VERTICAL, 4);
    m_drillCross = new wxTextCtrl(this, ID_DRILL_CROSS, wxEmptyString, wxDefaultPosition,
                                  wxSize(60, -1));
    row->Add(m_drillCross, 0, wxALIGN_CENTER_VERTICAL);
    top->Add(row, 0, wxALL, 4);
    SetSizer(top);
    SetValue(DxfLayerMap());
}

void CDxfLayerPanel::SetValue(const DxfLayerMap& map)
{
    for (RoleChoice& rc : m_roles) {
        const DxfAction action = map.Action(rc.role);
        int index = 0;
        for (size_t i = 0; i < rc.actions.size(); ++i)
            if (rc.actions[i] == action)
                index = static_cast<int>(i);
        // A text role set to an action it does not offer shows Draw.
        if (rc.actions[static_cast<size_t>(index)] != action && rc.actions.size() > 1)
            index = 1;
        rc.choice->SetSelection(index);
    }
    m_notchSlots->SetValue(map.notchSlots);
    m_drillCross->ChangeValue(wxString::FromCDouble(map.drillCrossMm));
}

bool CDxfLayerPanel::ReadValue(DxfLayerMap& map, wxString& problem)
{
    double cross = 0;
    if (!ParseDecimal(std::string(m_drillCross->GetValue().utf8_str()), cross) || cross < 0.5 ||
        cross > 50.0) {
        problem = _("The drill cross must be between 0.5 and 50 mm.");
        m_drillCross->SetFocus();
        return false;
    }
    DxfLayerMap read = map;
    for (const RoleChoice& rc : m_roles) {
        const int index = rc.choice->GetSelection();
        if (index >= 0 && static_cast<size_t>(index) < rc.actions.size())
            read.SetAction(rc.role, rc.actions[static_cast<size_t>(index)]);
    }
    read.notchSlots = m_notchSlots->GetValue();
    read.drillCrossMm = cross;
    map = read;
    return true;
}
