// CBlockSetDlg: edits the begin and stop block of one plot-list row. The
// caller hands in the row's total, begin and stop with SetBlocks, runs the
// dialog modally and on OK reads m_total, m_begin and m_stop back. OK is
// enabled only while 1 <= begin <= stop <= total. GUI thread only.
#pragma once

#include <wx/dialog.h>

class wxTextCtrl;
class wxCommandEvent;
class wxUpdateUIEvent;

class CBlockSetDlg : public wxDialog {
public:
    enum { ID_TOTAL = 10024, ID_BEGIN = 10025, ID_STOP = 10026 };

    CBlockSetDlg(wxWindow* parent, wxWindowID id = wxID_ANY,
                 const wxString& title = wxGetTranslation("CBlockSetDlg"),
                 const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(400, 300),
                 long style = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX);

    // Takes the row's values, clamped into a range the dialog can show:
    // begin and stop at most the total and at least 1, stop at least begin.
    void SetBlocks(int total, int begin, int stop);

    int m_total = 0;
    int m_begin = 0;
    int m_stop = 0;

private:
    void OnBeginText(wxCommandEvent& event);
    void OnStopText(wxCommandEvent& event);
    void OnUpdateOk(wxUpdateUIEvent& event);
    void OnOk(wxCommandEvent& event);

    wxTextCtrl* m_totalField = nullptr;
    wxTextCtrl* m_beginField = nullptr;
    wxTextCtrl* m_stopField = nullptr;
};
