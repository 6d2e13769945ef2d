// MainFormLabel: a text label of the main window's left panel that paints
// itself: first the piece of the panel's tiled background that lies under
// it, then its text, so it looks transparent on the textured panel. Being a
// window of its own it also receives mouse clicks (the "Auto plot" and
// "Delete file" labels act on their check boxes). Disabled labels draw
// their text grey. GUI thread only.
#pragma once

#include <wx/bitmap.h>
#include <wx/window.h>

class MainFormLabel : public wxWindow {
public:
    // `tile` is the background image the parent tiles from its origin; it
    // must outlive the label (the main window owns it). An invalid tile
    // leaves the parent's colour.
    MainFormLabel(wxWindow* parent, const wxString& text, const wxBitmap* tile);

    void SetLabel(const wxString& label) override;
    wxString GetLabel() const override { return m_text; }

protected:
    wxSize DoGetBestSize() const override;

private:
    void OnPaint(wxPaintEvent& event);

    wxString m_text;
    const wxBitmap* m_tile;
};
