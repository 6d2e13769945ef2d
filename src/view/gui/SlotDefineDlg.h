// CSlotDefineDlg: edits the five slot dimensions (SlotSettings) in
// millimetres. The dialog loads them from Setting.ini when it is created
// and writes them back on OK; Cancel writes nothing. A change of pre-space
// A is copied into pre-space B, which stays editable, since most slots use
// the same pre-space on both sides.
//
// Created by the main window's "Slot Setup" command for one modal run and
// destroyed after it. GUI thread only.
#pragma once

#include <wx/dialog.h>

#include "view/SlotSettings.h"

class wxSpinCtrl;
class wxSpinEvent;
class wxSizer;

class CSlotDefineDlg : public wxDialog {
public:
    static constexpr long kStyle =
        wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxRESIZE_BORDER | wxTAB_TRAVERSAL;

    enum {
        ID_WIDTH = 10001,
        ID_LENGTH = 10002,
        ID_PRESPACE_A = 10003,
        ID_PRESPACE_B = 10004,
        ID_SPACE = 10005,
    };
    static constexpr int kMaxValue = 100000;

    CSlotDefineDlg() = default;
    CSlotDefineDlg(wxWindow* parent, wxWindowID id, const wxString& title,
                   const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(400, 300),
                   long style = kStyle);
    bool Create(wxWindow* parent, wxWindowID id, const wxString& title,
                const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(400, 300),
                long style = kStyle);

    // The values the spin controls show now.
    SlotSettings GetValues() const;
    void SetValues(const SlotSettings& values);

private:
    void CreateControls();
    wxSpinCtrl* AddField(wxSizer* row, const char* label, int id);
    void OnPreSpaceA(wxSpinEvent& event);
    void OnPreSpaceAText(wxCommandEvent& event);
    void OnOk(wxCommandEvent& event);

    wxSpinCtrl* m_width = nullptr;
    wxSpinCtrl* m_length = nullptr;
    wxSpinCtrl* m_preSpaceA = nullptr;
    wxSpinCtrl* m_preSpaceB = nullptr;
    wxSpinCtrl* m_space = nullptr;

    wxDECLARE_DYNAMIC_CLASS(CSlotDefineDlg);
    wxDECLARE_EVENT_TABLE();
};
