// Edits of the previewed drawing that the window starts: half-cut and slot
// settings, broken lines, and undo and redo of the plot file.
#include "mainframe/MainForm.h"

void MainForm::OnHalfCutSetup(wxCommandEvent&) {}

void MainForm::OnSlotSetup(wxCommandEvent&) {}

void MainForm::OnUndo(wxCommandEvent&) {}

void MainForm::OnRedo(wxCommandEvent&) {}

void MainForm::OnBrokenLine(wxCommandEvent&) {}
