#include "geometry/gui/CombineDlg.h"

#include <algorithm>
#include <cmath>

#include <wx/button.h>
#include <wx/filedlg.h>
#include <wx/intl.h>
#include <wx/listbox.h>
#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include "app/IniSettings.h"
#include "app/gui/AppLook.h"
#include "app/gui/PlotvaneApp.h"
#include "app/gui/WxOutputName.h"
#include "geometry/PlotFileWriteBack.h"
#include "plotlib/Devices.h"
#include "view/gui/PlotterView.h"

namespace {

constexpr int kStaticId = 5105;
constexpr int kZoomTool = 10040;

// The client data of a turned item; null for one as in its file.
char g_rotatedMark;

std::string ToStd(const wxString& s) { return std::string(s.utf8_str()); }
wxString FromStd(const std::string& s) { return wxString::FromUTF8(s.c_str()); }

} // namespace

wxIMPLEMENT_DYNAMIC_CLASS(CCombineDlg, wxDialog);

wxBEGIN_EVENT_TABLE(CCombineDlg, wxDialog)
    EVT_CLOSE(CCombineDlg::OnCloseWindow)
    EVT_LISTBOX(CCombineDlg::ID_FILELIST, CCombineDlg::OnSelect)
    EVT_LISTBOX_DCLICK(CCombineDlg::ID_FILELIST, CCombineDlg::OnCombine)
    EVT_BUTTON(CCombineDlg::ID_ROTATE, CCombineDlg::OnRotate)
    EVT_BUTTON(CCombineDlg::ID_COMBINE, CCombineDlg::OnCombine)
    EVT_BUTTON(CCombineDlg::ID_SAVE, CCombineDlg::OnSave)
    EVT_BUTTON(CCombineDlg::ID_CLEAR, CCombineDlg::OnClear)
    EVT_BUTTON(CCombineDlg::ID_UNDO, CCombineDlg::OnUndo)
    EVT_UPDATE_UI(CCombineDlg::ID_ROTATE, CCombineDlg::OnUpdateHasSelection)
    EVT_UPDATE_UI(CCombineDlg::ID_COMBINE, CCombineDlg::OnUpdateHasSelection)
    EVT_UPDATE_UI(CCombineDlg::ID_SAVE, CCombineDlg::OnUpdateHasLayout)
    EVT_UPDATE_UI(CCombineDlg::ID_CLEAR, CCombineDlg::OnUpdateHasLayout)
    EVT_UPDATE_UI(CCombineDlg::ID_UNDO, CCombineDlg::OnUpdateUndo)
wxEND_EVENT_TABLE()

CCombineDlg::CCombineDlg(wxWindow* parent)
{
    Create(parent, kDialogId, wxGetTranslation("CCombineDlg"));
}

bool CCombineDlg::Create(wxWindow* parent, wxWindowID id, const wxString& title,
                         const wxPoint& pos, const wxSize& size, long style)
{
    // Commands of the dialog and its previews stay in the dialog.
    SetExtraStyle(GetExtraStyle() | wxWS_EX_BLOCK_EVENTS);
    if (!wxDialog::Create(parent, id, title, pos, size, style))
        return false;
    CreateControls();
    Centre(wxBOTH);
    ApplyAppFont(this);
    const wxIcon icon = LoadIconFile("XPM/Plotter.ico");
    if (icon.IsOk())
        SetIcon(icon);

    const PLOTTERCONFIG& config = *GetPlotter();
    const int plotWidthMm = static_cast<int>(RoundHalfAway(config.paperWidth * 1000.0));
    m_plotWidth->SetValue(wxString::Format("%d", plotWidthMm));
    ShowSpace();
    m_pieceGap->SetValue(wxString::Format("%.2f", GetIniFloat("Global", "Gap", 0.0f)));

    for (CPlotterView* view : {m_piecePreview, m_resultPreview}) {
        // The previews show files of their own: the dialog keeps its title.
        view->SetTitleCallback([](const wxString&) {});
        view->SetTool(kZoomTool);
        view->SetForegroundColour(*wxBLACK);
        view->SetBackgroundColour(*wxWHITE);
    }
    m_resultPreview->SetDrawing(_("CombineFiles"), CPolylineIArray());
    return true;
}

wxTextCtrl* CCombineDlg::AddField(wxSizer* sizer, const wxString& label, int id, long style)
{
    sizer->Add(new wxStaticText(this, kStaticId, label), 0, wxALIGN_CENTER_VERTICAL | wxALL, 3);
    auto* field = new wxTextCtrl(this, id, wxEmptyString, wxDefaultPosition, wxSize(60, -1), style);
    sizer->Add(field, 0, wxALIGN_CENTER_VERTICAL | wxEXPAND | wxALL, 3);
    return field;
}

void CCombineDlg::CreateControls()
{
    auto* top = new wxBoxSizer(wxVERTICAL);
    SetSizer(top);

    auto* row = new wxBoxSizer(wxHORIZONTAL);
    top->Add(row, 1, wxEXPAND | wxALL, 3);

    m_fileList = new wxListBox(this, ID_FILELIST, wxDefaultPosition, wxSize(200, -1), 0, nullptr,
                               wxLB_EXTENDED);
    row->Add(m_fileList, 0, wxEXPAND | wxALL, 3);

    m_piecePreview = new CPlotterView(this, wxID_ANY, wxDefaultPosition, wxSize(150, 150));
    row->Add(m_piecePreview, 1, wxEXPAND | wxALL, 3);

    auto* column = new wxBoxSizer(wxVERTICAL);
    row->Add(column, 0, wxEXPAND | wxALL, 3);
    column->Add(new wxButton(this, ID_ROTATE, _("Rotate 90 Deg")), 0, wxEXPAND | wxALL, 3);
    column->Add(new wxButton(this, ID_COMBINE, _("Combine File")), 0, wxEXPAND | wxALL, 3);

    auto* gapRow = new wxBoxSizer(wxHORIZONTAL);
    gapRow->Add(new wxStaticText(this, kStaticId, _("PieceGap")), 0,
                wxALIGN_CENTER_VERTICAL | wxALL, 3);
    m_pieceGap = new wxTextCtrl(this, ID_PIECEGAP, wxEmptyString, wxDefaultPosition,
                                wxSize(50, 20));
    gapRow->Add(m_pieceGap, 0, wxALIGN_CENTER_VERTICAL | wxALL, 3);
    gapRow->Add(new wxStaticText(this, kStaticId, _("MM")), 0, wxALIGN_CENTER_VERTICAL | wxALL, 3);
    column->Add(gapRow, 0, wxEXPAND);

    auto* fields = new wxFlexGridSizer(2, 0, 0);
    fields->AddGrowableCol(1, 1);
    const long shown = wxTE_READONLY | wxTE_CENTRE;
    m_width = AddField(fields, _("Width"), ID_WIDTH, shown);
    m_height = AddField(fields, _("Height"), ID_HEIGHT, shown);
    m_plotWidth = AddField(fields, _("PlotWidth"), ID_PLOTWIDTH, shown);
    m_space = AddField(fields, _("Space"), ID_SPACE, shown);
    m_space->Enable(false);
    column->Add(fields, 0, wxEXPAND);

    column->Add(new wxButton(this, ID_SAVE, _("Save Result")), 0, wxEXPAND | wxALL, 3);
    column->Add(new wxButton(this, ID_UNDO, _("Undo Last")), 0, wxEXPAND | wxALL, 3);
    column->Add(new wxButton(this, ID_CLEAR, _("Clear Result")), 0, wxEXPAND | wxALL, 3);

    m_resultPreview = new CPlotterView(this, wxID_ANY, wxDefaultPosition, wxSize(150, 120));
    top->Add(m_resultPreview, 1, wxEXPAND | wxALL, 3);
}

void CCombineDlg::SetFileNames(const wxArrayString& names)
{
    m_fileList->Clear();
    for (const wxString& name : names)
        m_fileList->Append(name, static_cast<void*>(nullptr));
}

void CCombineDlg::ShowFor(wxTopLevelWindow* mainWindow, const wxListCtrl* fileList)
{
    const wxString title = mainWindow ? mainWindow->GetTitle() : wxString();
    {
        CCombineDlg dialog(mainWindow);
        wxArrayString names;
        if (fileList)
            for (int i = 0; i < fileList->GetItemCount(); ++i)
                names.Add(fileList->GetItemText(i, 0));
        dialog.SetFileNames(names);
        dialog.ShowModal();
    }
    if (mainWindow)
        mainWindow->SetTitle(title);
}

bool CCombineDlg::IsRotated(int item) const
{
    return item >= 0 && item < static_cast<int>(m_fileList->GetCount()) &&
           m_fileList->GetClientData(static_cast<unsigned>(item)) != nullptr;
}

void CCombineDlg::SetRotated(int item, bool rotated)
{
    m_fileList->SetClientData(static_cast<unsigned>(item), rotated ? &g_rotatedMark : nullptr);
}

wxString CCombineDlg::FileNameOf(int item) const
{
    return FromStd(StripCombineMarks(ToStd(m_fileList->GetString(static_cast<unsigned>(item)))));
}

void CCombineDlg::ShowPieceSize(int item)
{
    if (item < 0 || item >= static_cast<int>(m_fileList->GetCount())) {
        m_piecePreview->LoadFile(wxEmptyString, false, false);
        m_width->Clear();
        m_height->Clear();
        return;
    }
    m_piecePreview->LoadFile(FileNameOf(item), IsRotated(item), false);
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    m_piecePreview->GetDrawing().GetBoundRect(x0, y0, x1, y1);
    const int resolution = GetPlotter()->resolution;
    m_width->SetValue(
        wxString::Format("%d", CCombineLayout::ExtentMillimetres(x0, x1, resolution)));
    m_height->SetValue(
        wxString::Format("%d", CCombineLayout::ExtentMillimetres(y0, y1, resolution)));
}

double CCombineDlg::PieceGapMillimetres() const
{
    wxString text = m_pieceGap->GetValue();
    text.Trim(true).Trim(false);
    double value = 0.0;
    // The field shows the number in the locale's form; a point is taken as
    // well, as typed on most keyboards' number pads.
    if (!text.ToDouble(&value) && !text.ToCDouble(&value))
        return 0.0;
    return std::isfinite(value) ? value : 0.0;
}

int CCombineDlg::PlotWidthUnits() const
{
    const PLOTTERCONFIG& config = *GetPlotter();
    return CCombineLayout::PlotWidthUnits(config.paperWidth, config.resolution);
}

void CCombineDlg::ShowLayout(bool fit)
{
    m_resultPreview->SetDrawing(_("CombineFiles"), m_layout.GetLayout());
    m_resultPreview->Render(true);
    if (fit)
        m_resultPreview->FitToWindow();
}

void CCombineDlg::ShowSpace()
{
    const PLOTTERCONFIG& config = *GetPlotter();
    m_space->SetValue(wxString::Format(
        "%d", CCombineLayout::SpaceMillimetres(config.paperWidth, m_layout.LayoutHeight(),
                                               config.resolution)));
}

void CCombineDlg::StoreGap()
{
    SetIniFloat("Global", "Gap", static_cast<float>(PieceGapMillimetres()));
}

void CCombineDlg::OnCloseWindow(wxCloseEvent& event)
{
    StoreGap();
    event.Skip();  // the dialog's own handling ends the modal run
}

void CCombineDlg::OnSelect(wxCommandEvent& event)
{
    ShowPieceSize(event.GetSelection());
}

void CCombineDlg::OnRotate(wxCommandEvent&)
{
    wxArrayInt selections;
    m_fileList->GetSelections(selections);
    selections.Sort([](int* a, int* b) { return *a - *b; });
    for (int item : selections) {
        SetRotated(item, !IsRotated(item));
        ShowPieceSize(item);
    }
}

void CCombineDlg::OnCombine(wxCommandEvent&)
{
    wxArrayInt selections;
    m_fileList->GetSelections(selections);
    if (selections.empty())
        return;
    selections.Sort([](int* a, int* b) { return *a - *b; });
    wxBusyCursor busy;

    m_layout.BeginCombine();
    const int resolution = GetPlotter()->resolution;
    const int gap = CCombineLayout::GapUnits(PieceGapMillimetres(), resolution);
    m_layout.SetPlotWidth(PlotWidthUnits());
    const std::string folder = ToStd(wxGetApp().m_plotPath);
    wxArrayString unreadable;
    for (int item : selections) {
        const wxString name = FileNameOf(item);
        CPolylineIArray piece;
        if (!piece.Load(PlotFolderPath(folder, ToStd(name))).ok()) {
            // Not marked: the list must not claim a file is in the layout
            // when nothing of it could be read.
            unreadable.Add(name);
            continue;
        }
        if (IsRotated(item))
            piece.Rotate(90.0);
        if (!m_layout.PlacePiece(std::move(piece), gap).placed)
            continue;  // taller than the plot width: left unmarked
        const bool rotated = IsRotated(item);
        m_fileList->SetString(static_cast<unsigned>(item),
                              FromStd(CombineMarkedName(ToStd(name))));
        SetRotated(item, rotated);
    }
    ShowLayout(true);
    ShowSpace();

    if (!unreadable.empty())
        wxMessageBox(_("These files could not be read and were not combined:") + "\n" +
                         wxJoin(unreadable, '\n', '\0'),
                     _("Information"), wxOK | wxICON_INFORMATION, this);
}

void CCombineDlg::OnSave(wxCommandEvent&)
{
    wxString path = wxFileSelector(_("Choose plotter file name"), wxGetApp().m_plotPath,
                                   "Plotter", ".plt",
                                   _("HPGL file (*.plt)|*.plt|All files (*.*)|*.*"),
                                   wxFD_SAVE | wxFD_OVERWRITE_PROMPT, this);
    if (path.empty())
        return;
    path = CompleteOutputName(this, path);
    if (path.empty())
        return;
    // Written 1:1: the device's scale factors belong to plotting, not to
    // the file.
    const Status status = m_layout.Save(ToStd(path), *GetPlotter());
    if (!status.ok())
        wxMessageBox(wxString::Format(_("Can not save the file %s:\n%s"), path,
                                      FromStd(status.message())),
                     _("Information"), wxOK | wxICON_INFORMATION, this);
}

void CCombineDlg::OnClear(wxCommandEvent&)
{
    m_layout.Clear();
    m_resultPreview->SetDrawing(_("CombineFiles"), m_layout.GetLayout());
    m_resultPreview->Render(true);
    ShowSpace();
}

void CCombineDlg::OnUndo(wxCommandEvent&)
{
    if (!m_layout.Undo())
        return;
    ShowLayout(true);
    ShowSpace();
}

void CCombineDlg::OnUpdateHasSelection(wxUpdateUIEvent& event)
{
    wxArrayInt selections;
    event.Enable(m_fileList && m_fileList->GetSelections(selections) > 0);
}

void CCombineDlg::OnUpdateHasLayout(wxUpdateUIEvent& event)
{
    event.Enable(m_layout.HasPolylines());
}

void CCombineDlg::OnUpdateUndo(wxUpdateUIEvent& event)
{
    event.Enable(m_layout.CanUndo());
}
