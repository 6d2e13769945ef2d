// The canvas as the display of a running plot job (overlay of the plotted
// part, the load request that shows each job's file) and of the plot
// emulation (strokes animated on an off-screen picture).
#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include <wx/app.h>
#include <wx/dc.h>
#include <wx/dcclient.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include "app/gui/PlotvaneApp.h"
#include "plotlib/Devices.h"
#include "view/EmulationStroke.h"
#include "view/gui/PlotterView.h"

void CPlotterView::SetProgressMode(bool show, std::atomic<bool>* /*cancel*/)
{
    m_progress.SetMode(show);
}

void CPlotterView::StartProgress(float initial, const PLOTFILE* job)
{
    {
        std::lock_guard<std::mutex> lock(m_jobMutex);
        if (job)
            m_pendingJob = *job;
        else
            m_pendingJob.reset();
    }
    m_pendingInitial = initial;
    m_progress.Start(0.0f);
    // A signal left over from an earlier request must not be taken for
    // this one.
    m_progressEvent.Reset();
    CallAfter(&CPlotterView::OnLoadRequest);
}

void CPlotterView::OnLoadRequest()
{
    std::optional<PLOTFILE> job;
    {
        std::lock_guard<std::mutex> lock(m_jobMutex);
        job = m_pendingJob;
        if (!m_progress.Showing())
            m_pendingJob.reset();
    }
    if (!m_progress.Showing()) {
        LoadFile(wxString(), false, false);
        m_busy = false;
        return;
    }
    if (!job || job->path.empty()) {
        ClearSelection();
        m_drawing.Destroy();
        Render(true);
        return;
    }
    m_busy = true;
    // The job's path is the plot folder and the file's name in it; the view
    // shows files by that name.
    wxString name = wxString::FromUTF8(job->path);
    wxString folder = wxGetApp().m_plotPath;
    if (!folder.EndsWith("/"))
        folder += "/";
    if (name.StartsWith(folder))
        name = name.Mid(folder.length());
    LoadFile(name, job->rotate, job->mirror);
    // The plot thread passes 0; a start position within the first block is
    // given in the device's own steps and becomes drawing units here, on the
    // thread that owns the view.
    const float initial = m_pendingInitial;
    if (initial != 0.0f) {
        const double paperM = GetPlotter()->paperWidth;
        if (paperM > 0)
            m_progress.Start(static_cast<float>(m_view.PixelsToWorld(
                initial * 80.0 / 3600 * 100 * 100 / (paperM * 100 / 2.54))));
    }
    m_progressEvent.Signal();
}

void CPlotterView::UpdateProgress(float fraction)
{
    m_progress.Update(fraction);
    RequestRefresh();
}

void CPlotterView::RequestRefresh()
{
    // The plot thread reports far more often than the screen can show;
    // one pending repaint at a time is enough.
    if (m_refreshQueued.exchange(true))
        return;
    CallAfter([this] {
        m_refreshQueued = false;
        Refresh(false);
    });
}

void CPlotterView::DrawProgress()
{
    const float paper = static_cast<float>(PaperWidthUnits(*GetPlotter()));
    const float right = m_bounds.empty
                            ? static_cast<float>(m_view.PixelsToWorld(m_view.ClientWidth()))
                            : static_cast<float>(m_bounds.maxX);
    ProgressRect rects[2];
    const int n = m_progress.OverlayRects(right, paper, rects);
    glColor3f(185.0f / 255, 185.0f / 255, 1.0f);
    for (int i = 0; i < n; ++i)
        glRectf(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
}

void CPlotterView::DrawPaperToDC(wxDC& dc)
{
    float sx = 0, sy = 0;
    if (!WorldToScreen(sx, sy))
        return;
    const int hp = static_cast<int>(m_view.WorldToPixels(PaperWidthUnits(*GetPlotter())));
    dc.SetPen(*wxWHITE_PEN);
    dc.SetBrush(*wxWHITE_BRUSH);
    // The band rises from the drawing's origin up to the paper width.
    const int width = GetClientSize().x + 1;
    dc.DrawRectangle(static_cast<int>(sx), static_cast<int>(sy) - hp, width, hp + 1);
    dc.SetPen(wxNullPen);
    dc.SetBrush(wxNullBrush);
}

namespace {

// Longest stretch the emulation sleeps without handling events.
constexpr int kDelaySliceMs = 25;

}  // namespace

void CPlotterView::EmulateSegment(wxDC* dc, bool drawStroke, int x1, int y1, int x2, int y2,
                                  int delayMs, const bool* running)
{
    if (!dc)
        return;
    if (wxWindow* top = wxGetTopLevelParent(this))
        top->SetCursor(drawStroke ? m_penCursor : m_knifeCursor);
    dc->SetPen(drawStroke ? *wxRED_PEN : *wxBLACK_PEN);

    float ax = static_cast<float>(x1), ay = static_cast<float>(y1);
    float bx = static_cast<float>(x2), by = static_cast<float>(y2);
    if (!WorldToScreen(ax, ay) || !WorldToScreen(bx, by)) {
        dc->SetPen(wxNullPen);
        return;
    }
    const CEmulationStroke stroke(std::trunc(ax), std::trunc(ay), std::trunc(bx), std::trunc(by));
    const wxSize client = GetClientSize();
    for (int k = 0; k < stroke.StepCount() && (!running || *running); ++k) {
        const EmulationStep step = stroke.Step(k);
        // The delay is slept in short slices with the events in between, so
        // a slow setting never leaves the window without an answer for long.
        for (int left = delayMs; left > 0 && (!running || *running);) {
            const int slice = std::min(left, kDelaySliceMs);
            wxMilliSleep(static_cast<unsigned long>(slice));
            left -= slice;
            if (left > 0)
                wxTheApp->Yield(true);
        }
        // Pending events run here: Escape clears the running flag, and the
        // step is then not drawn.
        wxTheApp->Yield(true);
        if (running && !*running)
            break;
        MoveCursorTo(step.px, step.py);
        dc->DrawLine(static_cast<int>(step.px), static_cast<int>(step.py),
                     static_cast<int>(step.qx), static_cast<int>(step.qy));
        {
            wxClientDC window(this);
            window.Blit(0, 0, client.x, client.y, dc, 0, 0, wxCOPY);
        }
        MoveCursorTo(step.qx, step.qy);
    }
    dc->SetPen(wxNullPen);
}

void CPlotterView::MoveCursorTo(float x, float y)
{
    WarpPointer(static_cast<int>(RoundHalfAway(x)), static_cast<int>(RoundHalfAway(y)));
}
