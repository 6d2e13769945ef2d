// The window side of the caption-less frame: moving it by its panels,
// minimising into the tray, filling the work area, closing, the F1 and
// Escape keys and the two buttons that live in the status bar.
#include <dlfcn.h>

#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/cshelp.h>
#include <wx/display.h>
#include <wx/msgdlg.h>
#include <wx/splitter.h>
#include <wx/statusbr.h>
#include <wx/taskbar.h>
#include <wx/timer.h>

#include "app/IniSettings.h"
#include "app/gui/PlotvaneTaskBarIcon.h"
#include "app/gui/AppLook.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/gui/MainForm.h"

namespace {

// GTK's own move drag, as a press on a title bar starts it; the window
// manager (or GDK, where there is none) then follows the pointer. The two
// functions are looked up in the GTK library the toolkit has loaded, so the
// program needs no GTK headers; where they are missing the window falls back
// to following the pointer itself.
using BeginMoveDragFn = void (*)(void* window, int button, int rootX, int rootY,
                                 unsigned int timestamp);
using CurrentEventTimeFn = unsigned int (*)();

BeginMoveDragFn GtkBeginMoveDrag()
{
#ifdef __WXGTK__
    static auto fn = reinterpret_cast<BeginMoveDragFn>(
        dlsym(RTLD_DEFAULT, "gtk_window_begin_move_drag"));
    return fn;
#else
    return nullptr;
#endif
}

unsigned int GtkCurrentEventTime()
{
#ifdef __WXGTK__
    static auto fn = reinterpret_cast<CurrentEventTimeFn>(
        dlsym(RTLD_DEFAULT, "gtk_get_current_event_time"));
    return fn ? fn() : 0;
#else
    return 0;
#endif
}

} // namespace

wxRect MainForm::WorkArea() const
{
    int index = wxDisplay::GetFromWindow(this);
    if (index == wxNOT_FOUND)
        index = 0;
    const wxRect area = wxDisplay(static_cast<unsigned>(index)).GetClientArea();
    if (area.width <= 0 || area.height <= 0)
        return wxRect(0, 0, 1024, 768);
    return area;
}

void MainForm::ApplyWorkArea()
{
    const wxRect area = WorkArea();
    // Never larger than the desktop's work area, never below 640 x 480
    // (unless the desktop itself is smaller).
    SetSizeHints(std::min(640, area.width), std::min(480, area.height), area.width,
                 area.height);
}

bool MainForm::HasTray() { return wxTaskBarIcon::IsAvailable(); }

void MainForm::OnStartMove(wxMouseEvent& event)
{
    event.Skip();
    if (IsFilled())
        return;  // a window that fills the work area stays where it is
    if (BeginMoveDragFn beginMoveDrag = GtkBeginMoveDrag(); beginMoveDrag && GetHandle()) {
        const wxPoint pointer = wxGetMousePosition();
        beginMoveDrag(GetHandle(), 1, pointer.x, pointer.y, GtkCurrentEventTime());
        return;
    }
    auto* window = wxDynamicCast(event.GetEventObject(), wxWindow);
    if (!window || window->HasCapture())
        return;
    m_moveOffset = wxGetMousePosition() - GetPosition();
    m_moveDragging = true;
    window->CaptureMouse();
    window->Bind(wxEVT_MOTION, &MainForm::OnMoveDragMotion, this);
    window->Bind(wxEVT_LEFT_UP, &MainForm::OnMoveDragEnd, this);
    window->Bind(wxEVT_MOUSE_CAPTURE_LOST, &MainForm::OnMoveCaptureLost, this);
}

void MainForm::OnMoveDragMotion(wxMouseEvent& event)
{
    if (m_moveDragging && event.LeftIsDown())
        Move(wxGetMousePosition() - m_moveOffset);
    event.Skip();
}

void MainForm::OnMoveDragEnd(wxMouseEvent& event)
{
    auto* window = wxDynamicCast(event.GetEventObject(), wxWindow);
    m_moveDragging = false;
    if (window) {
        window->Unbind(wxEVT_MOTION, &MainForm::OnMoveDragMotion, this);
        window->Unbind(wxEVT_LEFT_UP, &MainForm::OnMoveDragEnd, this);
        window->Unbind(wxEVT_MOUSE_CAPTURE_LOST, &MainForm::OnMoveCaptureLost, this);
        if (window->HasCapture())
            window->ReleaseMouse();
    }
    event.Skip();
}

void MainForm::OnMoveCaptureLost(wxMouseCaptureLostEvent&)
{
    m_moveDragging = false;
}

void MainForm::OnMinimise(wxCommandEvent&)
{
    // With a tray the window goes there; without one, hiding would leave no
    // way back, so it is only iconised.
    if (HasTray() && m_taskBarIcon && m_taskBarIcon->IsIconInstalled())
        Hide();
    else
        Iconize(true);
}

void MainForm::OnIconize(wxIconizeEvent& event)
{
    if (event.IsIconized() && HasTray() && m_taskBarIcon && m_taskBarIcon->IsIconInstalled())
        Hide();
    event.Skip();
}

void MainForm::RestoreFromTray()
{
    Show(true);
    if (IsIconized())
        Iconize(false);
    Raise();
}

void MainForm::OnMaximise(wxCommandEvent&)
{
    // The frame has no caption for the window manager to maximise, so
    // filling the work area is done here; the previous place is restored.
    if (!m_filled) {
        m_normalRect = GetRect();
        SetSize(WorkArea());
        m_filled = true;
    } else {
        SetSize(m_normalRect);
        m_filled = false;
    }
    if (m_maximiseButton) {
        const wxBitmap bitmap = LoadBitmapFile(MaximiseBitmap(m_filled));
        if (bitmap.IsOk())
            m_maximiseButton->SetBitmapLabel(bitmap);
    }
}

void MainForm::OnCloseButton(wxCommandEvent&)
{
    Close(false);
}

void MainForm::OnCloseWindow(wxCloseEvent& event)
{
    if (m_emulationActive) {
        // The replay dispatches events from inside its handler; destroying
        // the window now would pull it from under the replay. Stop it and
        // close once it has unwound (FinishEmulation).
        m_emulating = false;
        m_closeAfterEmulation = true;
        m_closeForced = !event.CanVeto();
        if (event.CanVeto())
            event.Veto();
        return;
    }
    if (IsPlotting()) {
        if (event.CanVeto()) {
            wxMessageBox(_("can not exit because ploting"), _("Information"),
                         wxOK | wxICON_INFORMATION, this);
            event.Veto();
            return;
        }
        // A close that cannot be refused (the session ends): stop the job
        // and wait for its thread rather than destroy the window under it.
        m_cancelPlot = true;
        JoinPlotThread();
    }
    StopFolderWatch();
    if (m_timer) {
        m_timer->Stop();
        delete m_timer;
        m_timer = nullptr;
    }
    if (m_extractPenChoice)
        SetIniInt("Global", "ExtractPen", m_extractPenChoice->GetSelection());
    Destroy();
}

namespace {

// The window under `screenPoint` that has a help text, or its nearest
// parent that has one, up to `top`; null if none has.
wxWindow* HelpWindowAt(const wxPoint& screenPoint, const wxWindow* top)
{
    wxHelpProvider* provider = wxHelpProvider::Get();
    if (!provider)
        return nullptr;
    wxWindow* window = wxFindWindowAtPoint(screenPoint);
    while (window && provider->GetHelp(window).empty() && window != top)
        window = window->GetParent();
    return window && !provider->GetHelp(window).empty() ? window : nullptr;
}

} // namespace

void MainForm::OnCharHook(wxKeyEvent& event)
{
    if (event.GetKeyCode() == WXK_F1) {
        const wxPoint pointer = wxGetMousePosition();
        if (wxWindow* window = HelpWindowAt(pointer, this))
            wxHelpProvider::Get()->ShowHelpAtPoint(window, pointer,
                                                   wxHelpEvent::Origin_Keyboard);
        return;
    }
    // Escape stops a running emulation (the replay ends after its current
    // step) and goes no further; without an emulation it passes on.
    if (event.GetKeyCode() == WXK_ESCAPE && m_emulating) {
        m_emulating = false;
        return;
    }
    event.Skip();
}

wxString MainForm::HelpTextAt(const wxPoint& screenPoint) const
{
    wxWindow* window = HelpWindowAt(screenPoint, this);
    return window ? wxHelpProvider::Get()->GetHelp(window) : wxString();
}

void MainForm::OnSplitterDClick(wxSplitterEvent& event)
{
    event.Veto();  // the panes stay split
}

void MainForm::OnStatusBarSize(wxSizeEvent& event)
{
    PlaceStatusButtons();
    event.Skip();
}

void MainForm::PlaceStatusButtons()
{
    if (!m_statusBar || !m_cancelButton || !m_pauseButton)
        return;
    wxRect field;
    if (!m_statusBar->GetFieldRect(6, field))
        return;
    m_cancelButton->Move(field.x, field.y);
    m_pauseButton->Move(m_cancelButton->GetRect().GetRight() + 2, field.y);
}
