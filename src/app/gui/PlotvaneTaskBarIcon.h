// PlotvaneTaskBarIcon: the tray icon of the main window. It is the way back
// to a window that was minimised into the tray ("Show Main Window" or a
// double click) and a second way to quit ("Exit", a close request the
// window may refuse while it plots). The main window creates it, gives it
// its icon and tooltip and deletes it; the icon only points at the window.
// GUI thread only.
#pragma once

#include <wx/taskbar.h>

class MainForm;

class PlotvaneTaskBarIcon : public wxTaskBarIcon {
public:
    explicit PlotvaneTaskBarIcon(MainForm* mainForm);

protected:
    // A new menu for each right click; the toolkit owns and deletes it.
    wxMenu* CreatePopupMenu() override;

private:
    void OnShowMainWindow(wxCommandEvent& event);
    void OnExit(wxCommandEvent& event);
    void OnLeftDoubleClick(wxTaskBarIconEvent& event);

    MainForm* m_mainForm;

    wxDECLARE_EVENT_TABLE();
};
