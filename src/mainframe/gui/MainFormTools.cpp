// The preview's tools: the tool group of the top row, pen reset, outline
// extraction, the edit menu of the menu button, combining, the About dialog
// and the language choice.
#include <wx/bmpbuttn.h>
#include <wx/choice.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/panel.h>

#include "app/gui/PlotvaneApp.h"
#include "geometry/gui/AboutDlg.h"
#include "geometry/gui/CombineDlg.h"
#include "geometry/gui/ExtractFrameDlg.h"
#include "mainframe/CommandIds.h"
#include "mainframe/gui/MainForm.h"
#include "plotlib/Devices.h"
#include "view/gui/PlotterView.h"

void MainForm::SetCanvasTool(int tool)
{
    // Kept here as well, so the tool survives until the preview exists.
    m_canvasTool = tool;
    if (CPlotterView* view = GetPlotterView())
        view->SetTool(tool);
}

bool MainForm::CanvasCanUndo() const
{
    CPlotterView* view = GetPlotterView();
    return view && view->GetUndo().CanUndo();
}

bool MainForm::CanvasCanRedo() const
{
    CPlotterView* view = GetPlotterView();
    return view && view->GetUndo().CanRedo();
}

void MainForm::OnToolButton(wxCommandEvent& event)
{
    SetCanvasTool(event.GetId());
    SelectToolButton(event.GetId());
}

void MainForm::OnResetPen(wxCommandEvent&)
{
    if (PreviewHeld())
        return;
    if (CPlotterView* view = GetPlotterView())
        view->ResetPens();
}

void MainForm::OnExtractOutline(wxCommandEvent&)
{
    // The preview shows the selected plot-list row; its drawing is the one
    // extracted, and its file inside the plot folder is rewritten.
    CPlotterView* view = GetPlotterView();
    const long row = FirstSelectedPlotRow();
    if (PreviewHeld() || !view || row < 0)
        return;
    const wxString name = m_plotList->GetItemText(row, 0);
    if (view->GetFileName().empty() || view->GetFileName().CmpNoCase(name) != 0)
        return;  // nothing of this row is shown, so nothing to extract from
    const PLOTTERCONFIG* config = GetPlotter();
    const int penChoice = m_extractPenChoice ? m_extractPenChoice->GetSelection() : 1;
    // The view shows the file turned and moved as its row asks; the outlines
    // are taken from a copy in the file's own frame, so the rewritten file
    // keeps its orientation. The view then shows the file as it now is.
    const CDrawingPlacement placement = view->GetPlacement();
    CPolylineIArray drawing = view->GetDrawing();
    placement.Restore(drawing);
    CExtractFrameDlg::RunModal(this, &drawing, view->GetFileName().utf8_string(), penChoice,
                               config ? *config : PLOTTERCONFIG(),
                               wxGetApp().GetPlotPath().utf8_string());
    view->LoadFile(view->GetFileName(), placement.Rotated(), placement.Mirrored());
    view->SetFocus();
}

void MainForm::OnAbout(wxCommandEvent&)
{
    CAboutDlg dialog(this, cmd::AboutDialog, wxGetTranslation("CAboutDlg"));
    dialog.ShowModal();
}

void MainForm::OnSelectLanguage(wxCommandEvent&) { wxGetApp().SelectLanguage(false); }

void MainForm::OnMenuButton(wxCommandEvent& event)
{
    auto* button = wxDynamicCast(event.GetEventObject(), wxWindow);
    if (!button)
        button = FindWindow(cmd::Menu);
    m_popupMenu->Enable(cmd::Undo, CanvasCanUndo());
    m_popupMenu->Enable(cmd::Redo, CanvasCanRedo());
    wxPoint at(0, 0);
    if (button && m_topPanel) {
        const wxRect rect = button->GetRect();
        at = wxPoint(m_topPanel->GetPosition().x + rect.x, rect.GetBottom() + 1 + 2);
    }
    PopupMenu(m_popupMenu, at);
}

void MainForm::OnCombine(wxCommandEvent&)
{
    if (IsPlotting())
        return;  // the file list and the plot folder are the plot job's meanwhile
    CCombineDlg::ShowFor(this, GetFileList());
}

void MainForm::OnSlotTool(wxCommandEvent&)
{
    SetCanvasTool(cmd::Slot);
}

void MainForm::OnSplineTool(wxCommandEvent&)
{
    SetCanvasTool(cmd::Spline);
}
