// CHalfCutDlg: edits the two half-cut lengths (CHalfCutValues) as texts in
// centimetres. OK is enabled only while both texts hold something, and a
// click on it is refused, with a message and the keyboard focus on the
// field, while a text is empty or not a positive number. The caller fills
// the texts with SetValues and, on wxID_OK, stores GetValues.
//
// Created by the main window's half-cut command for one modal run and
// destroyed after it. GUI thread only.
#pragma once

#include <wx/dialog.h>

#include "view/HalfCutValues.h"

class wxTextCtrl;
class wxUpdateUIEvent;

class CHalfCutDlg : public wxDialog {
public:
    static constexpr long kStyle = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxTAB_TRAVERSAL;
    static constexpr int kDialogId = 10030;

    enum {
        ID_SOLID = 10031,
        ID_SPACE = 10032,
    };

    CHalfCutDlg() = default;
    CHalfCutDlg(wxWindow* parent, wxWindowID id, const wxString& title,
                const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(400, 300),
                long style = kStyle);
    bool Create(wxWindow* parent, wxWindowID id, const wxString& title,
                const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(400, 300),
                long style = kStyle);

    // Shows both values as "%.3f".
    void SetValues(const CHalfCutValues& values);
    // The values of the texts (valid after the dialog ended with wxID_OK).
    CHalfCutValues GetValues() const;

    wxTextCtrl* GetSolidField() const { return m_solid; }
    wxTextCtrl* GetSpaceField() const { return m_space; }

private:
    void CreateControls();
    std::string SolidText() const;
    std::string SpaceText() const;
    void OnOk(wxCommandEvent& event);
    void OnUpdateOk(wxUpdateUIEvent& event);

    wxTextCtrl* m_solid = nullptr;
    wxTextCtrl* m_space = nullptr;

    wxDECLARE_DYNAMIC_CLASS(CHalfCutDlg);
    wxDECLARE_EVENT_TABLE();
};
