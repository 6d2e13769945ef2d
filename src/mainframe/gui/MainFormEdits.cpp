// Edits of the previewed drawing that the window starts: half-cut and slot
// settings, broken lines, and undo and redo of the plot file.
#include <wx/listctrl.h>
#include <wx/msgdlg.h>

#include "app/gui/PlotvaneApp.h"
#include "mainframe/CommandIds.h"
#include "mainframe/gui/MainForm.h"
#include "view/BrokenLines.h"
#include "view/gui/HalfCutDlg.h"
#include "view/gui/PlotterView.h"
#include "view/gui/SlotDefineDlg.h"

void MainForm::OnHalfCutSetup(wxCommandEvent&)
{
    // The plot paths read the values anew for every job, so a change here
    // does not reach a job that has already started.
    CHalfCutDlg dialog(this, CHalfCutDlg::kDialogId, wxGetTranslation("CHalfCutDlg"),
                       wxDefaultPosition, wxSize(400, 300), CHalfCutDlg::kStyle);
    dialog.SetValues(CHalfCutValues::Load());
    if (dialog.ShowModal() == wxID_OK)
        dialog.GetValues().Store();
}

void MainForm::OnSlotSetup(wxCommandEvent&)
{
    // The dialog stores the values itself on OK.
    CSlotDefineDlg dialog(this, cmd::MainWindow, wxGetTranslation("CSlotDefineDlg"),
                          wxDefaultPosition, wxSize(400, 300), CSlotDefineDlg::kStyle);
    dialog.ShowModal();
}

void MainForm::OnUndo(wxCommandEvent&) { StepUndo(true); }

void MainForm::OnRedo(wxCommandEvent&) { StepUndo(false); }

void MainForm::StepUndo(bool undo)
{
    // During a plot job the preview shows the job's file, which the plot
    // thread reads: writing an older copy over it would change what is
    // being plotted.
    if (PreviewHeld())
        return;
    CPlotterView* view = GetPlotterView();
    if (!view)
        return;
    CSaveUndo& store = view->GetUndo();
    const bool rewritten = undo ? (store.CanUndo() && store.Undo())
                                : (store.CanRedo() && store.Redo());
    if (rewritten)
        ReloadShownFile();
}

void MainForm::ReloadShownFile()
{
    CPlotterView* view = GetPlotterView();
    if (!view || view->GetFileName().empty())
        return;
    // The undo store belongs to the shown file, which is normally the
    // selected plot-list row and often row 0. That row's rotate and mirror
    // apply; if the file is in no row (the list was emptied meanwhile) it
    // is shown as it is.
    const wxString name = view->GetFileName();
    for (long row = 0; row < m_plotList->GetItemCount(); ++row) {
        if (m_plotList->GetItemText(row, 0).CmpNoCase(name) == 0) {
            wxListEvent event(wxEVT_LIST_ITEM_SELECTED, m_plotList->GetId());
            event.SetEventObject(m_plotList);
            event.m_itemIndex = row;
            OnPlotListSelected(event);
            return;
        }
    }
    view->LoadFile(name, false, false);
}

void MainForm::OnBrokenLine(wxCommandEvent&)
{
    // Nothing shown, nothing to break. During a plot job the shown file is
    // the job's: it is not rewritten under the plot thread.
    CPlotterView* view = GetPlotterView();
    if (PreviewHeld() || !view || view->GetFileName().empty())
        return;
    // Breaking adds and removes polylines, so the indices of a selection
    // would point at other polylines afterwards.
    view->ClearSelection();
    CBrokenLines::Apply(view->GetDrawing());
    const Status saved = view->SaveDrawingToFile();
    view->Render(true);
    if (!saved.ok()) {
        // The drawing on screen is broken, but the file is not: say so
        // rather than report a completed edit.
        wxMessageBox(wxString::Format(_("Can not save the file %s:\n%s"), view->GetFileName(),
                                      wxString::FromUTF8(saved.message())),
                     _("Information"), wxOK | wxICON_INFORMATION, this);
        return;
    }
    wxMessageBox(_("Complete"), _("Information"), wxOK | wxICON_INFORMATION, this);
}
