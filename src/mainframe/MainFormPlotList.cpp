// Commands of the plot list: rotating, mirroring, copies, blocks, removing
// and adding rows, and showing the selected row in the preview.
#include <wx/listctrl.h>

#include "mainframe/MainForm.h"

void MainForm::ToggleRotate(wxCommandEvent&) {}

void MainForm::ToggleMirror(wxCommandEvent&) {}

void MainForm::SetCopies(wxCommandEvent&) {}

void MainForm::OnEditBlocks(wxCommandEvent&) {}

void MainForm::OnRemovePlotRow(wxCommandEvent&) {}

void MainForm::OnAddSelected(wxCommandEvent&) {}

void MainForm::OnRemoveAll(wxCommandEvent&) {}

void MainForm::OnAddAll(wxCommandEvent&) {}

void MainForm::OnPlotListSelected(wxListEvent&) {}
