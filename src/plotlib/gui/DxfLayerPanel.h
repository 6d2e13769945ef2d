// CDxfLayerPanel: the DXF layer map (DxfLayerMap) as controls, for the
// device settings dialog: one choice per layer role (what happens to the
// lines of that layer: skip, draw, cut, half-cut, notch, drill cross; text
// roles only skip or draw), whether notches become slots, and the size of
// a drill hole's cross. It edits a plain value: SetValue fills the
// controls, ReadValue reads them back and checks them.
//
// GUI thread only.
#pragma once

#include <vector>

#include <wx/panel.h>
#include <wx/string.h>

#include "plotlib/DxfLayerMap.h"

class wxCheckBox;
class wxChoice;
class wxTextCtrl;

class CDxfLayerPanel : public wxPanel {
public:
    // Control identifiers: the choice of role r is ID_ROLE + r.
    enum { ID_NOTCH_SLOTS = 10301, ID_DRILL_CROSS, ID_ROLE = 10320 };

    explicit CDxfLayerPanel(wxWindow* parent);

    void SetValue(const DxfLayerMap& map);
    // False, with `problem` set and the focus on the field, for a refused
    // value; `map` is then unchanged.
    bool ReadValue(DxfLayerMap& map, wxString& problem);

private:
    struct RoleChoice {
        DxfRole role;
        wxChoice* choice;
        std::vector<DxfAction> actions;  // the choice's entries, in order
    };
    std::vector<RoleChoice> m_roles;
    wxCheckBox* m_notchSlots = nullptr;
    wxTextCtrl* m_drillCross = nullptr;
};
