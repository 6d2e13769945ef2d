// CAboutDlg: the small modal About box of the main window's About button:
// the program's icon and product line, a line with the year and the maker,
// and a Close button. Created for one modal run and destroyed after it.
// GUI thread only.
#pragma once

#include <wx/dialog.h>

class wxBoxSizer;
class wxStaticBitmap;

class CAboutDlg : public wxDialog {
public:
    static constexpr long kStyle = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX;

    CAboutDlg() = default;
    CAboutDlg(wxWindow* parent, wxWindowID id, const wxString& title,
              const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(400, 300),
              long style = kStyle);

    bool Create(wxWindow* parent, wxWindowID id, const wxString& title,
                const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(400, 300),
                long style = kStyle);

    // The two lines the dialog shows (translated).
    static wxString ProductLine();
    static wxString MakerLine();

private:
    void CreateControls();
    void OnClose(wxCommandEvent& event);

    wxBoxSizer* m_topSizer = nullptr;
    wxStaticBitmap* m_icon = nullptr;

    wxDECLARE_DYNAMIC_CLASS(CAboutDlg);
    wxDECLARE_EVENT_TABLE();
};
