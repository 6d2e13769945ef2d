#include "mainframe/gui/MainFormLabel.h"

#include <wx/dcbuffer.h>
#include <wx/dcclient.h>
#include <wx/settings.h>

MainFormLabel::MainFormLabel(wxWindow* parent, const wxString& text, const wxBitmap* tile)
    : m_text(text), m_tile(tile)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE);
    SetFont(parent->GetFont());
    SetInitialSize(DoGetBestSize());
    Bind(wxEVT_PAINT, &MainFormLabel::OnPaint, this);
}

void MainFormLabel::SetLabel(const wxString& label)
{
    m_text = label;
    InvalidateBestSize();
    Refresh();
}

wxSize MainFormLabel::DoGetBestSize() const
{
    wxClientDC dc(const_cast<MainFormLabel*>(this));
    dc.SetFont(GetFont());
    wxSize size = dc.GetTextExtent(m_text.empty() ? wxString("M") : m_text);
    size.IncBy(2, 2);
    return size;
}

void MainFormLabel::OnPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    const wxSize size = GetClientSize();
    wxWindow* parent = GetParent();
    dc.SetBackground(wxBrush(parent ? parent->GetBackgroundColour() : GetBackgroundColour()));
    dc.Clear();
    if (m_tile && m_tile->IsOk() && m_tile->GetWidth() > 0 && m_tile->GetHeight() > 0) {
        // The parent tiles from its own origin: start at the tile that
        // covers this label's top left corner.
        const wxPoint at = GetPosition();
        const int tw = m_tile->GetWidth();
        const int th = m_tile->GetHeight();
        for (int y = -(at.y % th); y < size.y; y += th) {
            for (int x = -(at.x % tw); x < size.x; x += tw)
                dc.DrawBitmap(*m_tile, x, y, false);
        }
    }
    dc.SetFont(GetFont());
    dc.SetTextForeground(IsEnabled() ? wxColour(0, 0, 0)
                                     : wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    dc.DrawText(m_text, 0, 0);
}
