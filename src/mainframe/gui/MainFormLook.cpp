// The look of the caption-less main window: images from XPM/, the painted
// backgrounds, the help line in status field 0 and the tool group's
// selected images.
#include <wx/bmpbuttn.h>
#include <wx/dcbuffer.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/panel.h>
#include <wx/statusbr.h>

#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/gui/MainForm.h"
#include "app/gui/AppLook.h"
#include "plotlib/ProgramDir.h"

void MainForm::PaintTiled(wxDC& dc, const wxBitmap& tile, const wxSize& size)
{
    if (!tile.IsOk() || tile.GetWidth() <= 0 || tile.GetHeight() <= 0)
        return;
    for (int y = 0; y < size.y; y += tile.GetHeight()) {
        for (int x = 0; x < size.x; x += tile.GetWidth())
            dc.DrawBitmap(tile, x, y, false);
    }
}

void MainForm::BuildTopBackground()
{
    if (!m_topPanel)
        return;
    const wxSize size = m_topPanel->GetClientSize();
    if (size.x <= 0 || size.y <= 0)
        return;
    // Built once for the panel's size and again only when that changes.
    if (m_topBackground.IsOk() && m_topBackground.GetSize() == size)
        return;
    wxBitmap background(size);
    {
        wxMemoryDC dc(background);
        dc.SetBackground(*wxWHITE_BRUSH);
        dc.Clear();
        PaintTiled(dc, LoadBitmapFile("XPM/right_top_bg.jpg"), size);
    }
    m_topBackground = background;
}

void MainForm::OnPaintLeftPanel(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(m_leftPanel);
    dc.SetBackground(wxBrush(m_leftPanel->GetBackgroundColour()));
    dc.Clear();
    PaintTiled(dc, m_leftBackground, m_leftPanel->GetClientSize());
}

void MainForm::OnPaintTopPanel(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(m_topPanel);
    dc.SetBackground(wxBrush(m_topPanel->GetBackgroundColour()));
    dc.Clear();
    if (m_topBackground.IsOk())
        dc.DrawBitmap(m_topBackground, 0, 0, false);
}

void MainForm::OnPaintLowerPanel(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(m_lowerPanel);
    dc.GradientFillLinear(wxRect(m_lowerPanel->GetClientSize()), wxColour(133, 130, 126),
                          wxColour(244, 244, 244), wxRIGHT);
}

void MainForm::OnEnterButton(wxMouseEvent& event)
{
    auto* window = wxDynamicCast(event.GetEventObject(), wxWindow);
    if (window && m_statusBar)
        m_statusBar->SetStatusText(window->GetHelpText(), 0);
    event.Skip();
}

void MainForm::SelectToolButton(int id)
{
    for (int tool : {cmd::ToolZoom, cmd::ToolDrawPen, cmd::ToolCutPen, cmd::ToolHalfCutPen}) {
        auto* button = wxDynamicCast(FindWindow(tool), wxBitmapButton);
        if (!button)
            continue;
        // A missing selected image keeps the plain one rather than an empty
        // button.
        const wxBitmap bitmap = LoadBitmapFile(ToolGroupBitmap(tool, tool == id));
        if (bitmap.IsOk())
            button->SetBitmapLabel(bitmap);
    }
}
