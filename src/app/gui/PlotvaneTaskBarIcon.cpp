#include "app/gui/PlotvaneTaskBarIcon.h"

#include <wx/intl.h>
#include <wx/menu.h>

#include "mainframe/CommandIds.h"
#include "mainframe/gui/MainForm.h"

wxBEGIN_EVENT_TABLE(PlotvaneTaskBarIcon, wxTaskBarIcon)
    EVT_MENU(cmd::TrayShow, PlotvaneTaskBarIcon::OnShowMainWindow)
    EVT_MENU(cmd::TrayExit, PlotvaneTaskBarIcon::OnExit)
    EVT_TASKBAR_LEFT_DCLICK(PlotvaneTaskBarIcon::OnLeftDoubleClick)
wxEND_EVENT_TABLE()

PlotvaneTaskBarIcon::PlotvaneTaskBarIcon(MainForm* mainForm) : m_mainForm(mainForm) {}

wxMenu* PlotvaneTaskBarIcon::CreatePopupMenu()
{
    auto* menu = new wxMenu;
    menu->Append(cmd::TrayShow, _("Show Main Window"));
    menu->Append(cmd::TrayExit, _("Exit"));
    return menu;
}

void PlotvaneTaskBarIcon::OnShowMainWindow(wxCommandEvent&)
{
    if (m_mainForm)
        m_mainForm->RestoreFromTray();
}

void PlotvaneTaskBarIcon::OnExit(wxCommandEvent&)
{
    // A vetoable request: the window refuses it while a plot job runs.
    if (m_mainForm)
        m_mainForm->Close(false);
}

void PlotvaneTaskBarIcon::OnLeftDoubleClick(wxTaskBarIconEvent&)
{
    if (m_mainForm)
        m_mainForm->RestoreFromTray();
}
