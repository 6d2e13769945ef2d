// The preview's tools: the mouse and key handlers of the canvas, the rubber
// band, and applying an editing tool to the selection. The logic of the
// tools (selection toggling, pens, slots, splines, deletion) is in
// CanvasTools.h; this file turns input into those calls, writes the file
// back and redraws.
#include <GL/gl.h>

#include <vector>

#include <wx/intl.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include "plotlib/Devices.h"
#include "view/CanvasTools.h"
#include "view/gui/PlotterView.h"

namespace {

// The edit is on screen but not in the file, which is what gets plotted:
// the operator must know.
void ReportSaveFailure(wxWindow* parent, const wxString& name, const Status& saved)
{
    if (saved.ok())
        return;
    wxMessageBox(wxString::Format(_("Can not save the file %s:\n%s"), name,
                                  wxString::FromUTF8(saved.message())),
                 _("Information"), wxOK | wxICON_INFORMATION, parent);
}

// Whether the other button is held while one is pressed or released. GTK
// leaves the held button out of a press's or release's own state while the
// canvas has the mouse captured, so the pointer's real state counts too.
bool LeftHeld(const wxMouseEvent& event)
{
    return event.LeftIsDown() || wxGetMouseState().LeftIsDown();
}

bool RightHeld(const wxMouseEvent& event)
{
    return event.RightIsDown() || wxGetMouseState().RightIsDown();
}

} // namespace

void CPlotterView::SetTool(int tool)
{
    if (tool == m_tool)
        return;
    ClearSelection();
    m_tool = tool;
    Render(true);
}

void CPlotterView::OnLeftDown(wxMouseEvent& event)
{
    if (LeftPress(event))
        event.Skip();
}

bool CPlotterView::LeftPress(const wxMouseEvent& event)
{
    if (!HasCapture())
        CaptureMouse();
    // Both buttons at once mean nothing; the release of this press is
    // ignored as well.
    if (RightHeld(event))
        return false;
    // The keys (Escape, Delete) act on the selection made here.
    if (!HasFocus())
        SetFocus();
    m_anchor = event.GetPosition();
    m_leftPressed = true;
    return true;
}

void CPlotterView::OnMotion(wxMouseEvent& event)
{
    event.Skip();
    if (m_busy)
        return;
    const wxPoint pos = event.GetPosition();
    float x = pos.x, y = pos.y;
    if (!ScreenToWorld(x, y))
        return;
    if (m_statusCallback)
        m_statusCallback(x, y, static_cast<float>(m_view.Scale()));

    if (event.RightIsDown()) {
        if (m_tool != kToolZoom || !IsDrag(m_anchor.x, m_anchor.y, pos.x, pos.y))
            return;
        float ax = m_anchor.x, ay = m_anchor.y;
        ScreenToWorld(ax, ay);
        // The drawing's point under the anchor moves under the pointer; its
        // left edge never moves right of the window's left edge.
        m_view.Pan(ax, ay, x, y);
        Render(false);
        m_anchor = pos;
    } else if (event.LeftIsDown() && m_leftPressed) {
        if (IsDrag(m_anchor.x, m_anchor.y, pos.x, pos.y))
            DrawRubberBand(m_anchor.x, m_anchor.y, pos.x, pos.y);
        else
            Render(false);  // back within the threshold: no band
    }
}

void CPlotterView::OnLeftUp(wxMouseEvent& event)
{
    if (HasCapture())
        ReleaseMouse();
    // A release whose press went elsewhere (or was ignored) does nothing.
    const bool pressed = m_leftPressed;
    m_leftPressed = false;
    if (RightHeld(event))
        return;
    if (pressed) {
        const wxPoint pos = event.GetPosition();
        if (IsDrag(m_anchor.x, m_anchor.y, pos.x, pos.y))
            RectangleAction(pos);
        else
            Render(false);  // a click: the band (if any) goes, nothing else
    }
    event.Skip();
}

void CPlotterView::OnCaptureLost(wxMouseCaptureLostEvent&)
{
    // Another window took the mouse mid-drag: the drag is over.
    m_leftPressed = false;
    Render(false);
}

void CPlotterView::RectangleAction(const wxPoint& to)
{
    float x1 = m_anchor.x, y1 = m_anchor.y, x2 = to.x, y2 = to.y;
    if (!ScreenToWorld(x1, y1) || !ScreenToWorld(x2, y2))
        return;
    if (m_tool == kToolZoom) {
        ZoomToRect(x1, y1, x2, y2);
        return;
    }
    // While a plot job shows its file here the drawing is the job's: no
    // selection, so nothing can be edited under the running job.
    if (IsEditingTool(m_tool) && !m_busy) {
        std::vector<int> found;
        m_drawing.Select(x1, y1, x2, y2, found);
        ToggleSelection(m_drawing, m_selection, found);
    }
    Render(false);
}

// The second press of a double click arrives as the double click alone (the
// toolkit drops its plain press), so it is a press as well: a quick second
// drag or right click must not be lost.
void CPlotterView::OnLeftDClick(wxMouseEvent& event)
{
    if (!LeftPress(event))
        return;
    if (m_tool == kToolZoom)
        FitToWindow();
    event.Skip();
}

void CPlotterView::OnRightDown(wxMouseEvent& event)
{
    if (RightPress(event))
        event.Skip();
}

bool CPlotterView::RightPress(const wxMouseEvent& event)
{
    SetFocus();
    if (LeftHeld(event))
        return false;
    if (m_tool == kToolZoom)
        m_anchor = event.GetPosition();
    else if (IsEditingTool(m_tool) && !m_busy)
        ApplyTool();
    return true;
}

void CPlotterView::OnRightDClick(wxMouseEvent& event)
{
    if (!RightPress(event))
        return;
    if (m_tool == kToolZoom) {
        m_view.ResetView();
        Render(false);
    }
    event.Skip();
}

void CPlotterView::OnChar(wxKeyEvent& event)
{
    event.Skip();
    if (m_tool == kToolSlot || m_selection.empty() || m_busy)
        return;
    switch (event.GetKeyCode()) {
    case WXK_ESCAPE:
        ClearSelection();
        Render(true);
        break;
    case WXK_DELETE:
    case WXK_NUMPAD_DELETE:
        DeleteSelection();
        break;
    default:
        break;
    }
}

void CPlotterView::ApplyTool()
{
    if (!IsEditingTool(m_tool))
        return;
    const bool changed =
        ::ApplyTool(m_drawing, m_selection, m_tool, *GetPlotter(), ReadSlotSettings);
    if (changed) {
        const Status saved = SaveDrawingToFile();
        Render(true);
        ReportSaveFailure(this, m_fileName, saved);
    } else {
        Render(false);
    }
    // Slots and splines are the undoable edits: the copy taken now is the
    // file after the edit, so Undo goes back to the copy before it.
    if (ToolPushesUndo(m_tool))
        m_undo.Push();
}

void CPlotterView::DeleteSelection()
{
    if (m_selection.empty())
        return;
    DeleteSelected(m_drawing, m_selection);
    Render(true);
    ReportSaveFailure(this, m_fileName, SaveDrawingToFile());
}

void CPlotterView::DrawRubberBand(int x1, int y1, int x2, int y2)
{
    if (!MakeCurrent())
        return;
    RenderNoSwap();
    float ax = x1, ay = y1, bx = x2, by = y2;
    ScreenToWorld(ax, ay);
    ScreenToWorld(bx, by);
    glLineWidth(1.0f);
    glLineStipple(1, 0xFCFC);
    glEnable(GL_LINE_STIPPLE);
    glColor3f(0.0f, 0.0f, 0.0f);
    glBegin(GL_LINE_LOOP);
    glVertex2f(ax, ay);
    glVertex2f(bx, ay);
    glVertex2f(bx, by);
    glVertex2f(ax, by);
    glEnd();
    glDisable(GL_LINE_STIPPLE);
    SwapAndFlush();
}
