// CCombineDlg: packs plot files of the plot folder into one layout across
// the plot width. The operator selects files in the list, may turn any of
// them by 90 degrees, and appends them to the layout with "Combine File";
// the layout can be undone by one step, cleared, and saved as a plot file.
//
// The placement itself is CCombineLayout (CombineLayout.h); the dialog
// reads its controls, calls it and shows the result in two previews: the
// selected piece above, the layout below. List items carry the file name
// ("*** " in front once the file is in the layout) and, as client data,
// the piece's rotation flag (non-null: turned by 90 degrees).
//
// Created for one modal run and destroyed after it; GUI thread only. The
// piece gap is read from the "Gap" setting on creation and written back
// when the dialog is closed.
#pragma once

#include <wx/arrstr.h>
#include <wx/dialog.h>

#include "geometry/CombineLayout.h"

class CPlotterView;
class wxListBox;
class wxListCtrl;
class wxTextCtrl;
class wxTopLevelWindow;

class CCombineDlg : public wxDialog {
public:
    static constexpr long kStyle = wxCAPTION | wxRESIZE_BORDER | wxSYSTEM_MENU | wxCLOSE_BOX |
                                   wxMAXIMIZE_BOX | wxCLIP_CHILDREN | wxTAB_TRAVERSAL;
    static constexpr int kDialogId = 10036;

    // Control identifiers.
    enum {
        ID_WIDTH = 10000,
        ID_HEIGHT = 10001,
        ID_SPACE = 10002,
        ID_FILELIST = 10037,
        ID_ROTATE = 10040,
        ID_CLEAR = 10041,
        ID_COMBINE = 10042,
        ID_SAVE = 10044,
        ID_PLOTWIDTH = 10049,
        ID_UNDO = 10050,
        ID_PIECEGAP = 10059,
    };

    CCombineDlg() = default;
    // The dialog as the main window opens it: id 10036, 640 x 500, titled
    // "CCombineDlg", with an empty list.
    explicit CCombineDlg(wxWindow* parent);
    bool Create(wxWindow* parent, wxWindowID id, const wxString& title,
                const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(640, 500),
                long style = kStyle);

    // Replaces the list by these file names of the plot folder, unmarked
    // and not rotated.
    void SetFileNames(const wxArrayString& names);

    // The main window's combine command: lists column 0 of `fileList`, runs
    // the dialog modally and puts the main window's title back afterwards
    // (the previews may change it).
    static void ShowFor(wxTopLevelWindow* mainWindow, const wxListCtrl* fileList);

    // What the dialog works on (for its tests).
    wxListBox* GetFileList() const { return m_fileList; }
    CPlotterView* GetPiecePreview() const { return m_piecePreview; }
    CPlotterView* GetResultPreview() const { return m_resultPreview; }
    const CCombineLayout& GetLayout() const { return m_layout; }
    bool IsRotated(int item) const;

private:
    void CreateControls();
    wxTextCtrl* AddField(wxSizer* sizer, const wxString& label, int id, long style);

    // The list item's file name without the "*** " marks.
    wxString FileNameOf(int item) const;
    void SetRotated(int item, bool rotated);
    // Loads the item (or nothing for -1) into the piece preview and shows
    // its width and height in millimetres.
    void ShowPieceSize(int item);
    // PieceGap as a number of millimetres; anything that is not one is 0.
    double PieceGapMillimetres() const;
    int PlotWidthUnits() const;
    // Shows the layout in the result preview; `fit` zooms it to the window.
    void ShowLayout(bool fit);
    void ShowSpace();
    void StoreGap();

    void OnCloseWindow(wxCloseEvent& event);
    void OnSelect(wxCommandEvent& event);
    void OnRotate(wxCommandEvent& event);
    void OnCombine(wxCommandEvent& event);
    void OnSave(wxCommandEvent& event);
    void OnClear(wxCommandEvent& event);
    void OnUndo(wxCommandEvent& event);
    void OnUpdateHasSelection(wxUpdateUIEvent& event);
    void OnUpdateHasLayout(wxUpdateUIEvent& event);
    void OnUpdateUndo(wxUpdateUIEvent& event);

    wxListBox* m_fileList = nullptr;
    CPlotterView* m_piecePreview = nullptr;
    wxTextCtrl* m_pieceGap = nullptr;
    wxTextCtrl* m_width = nullptr;
    wxTextCtrl* m_height = nullptr;
    wxTextCtrl* m_plotWidth = nullptr;
    wxTextCtrl* m_space = nullptr;
    CPlotterView* m_resultPreview = nullptr;
    // The layout and its one-step undo copy.
    CCombineLayout m_layout;

    wxDECLARE_DYNAMIC_CLASS(CCombineDlg);
    wxDECLARE_EVENT_TABLE();
};
