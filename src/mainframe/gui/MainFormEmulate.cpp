// Plotting the whole plot list into one plot file, and the emulation that
// replays the plotter's strokes on the preview.
//
// The emulation runs on the GUI thread: the preview's EmulateSegment yields
// to pending events at every pixel step, so the window stays usable and
// Escape (OnCharHook) can clear m_emulating. Because events are dispatched
// inside this handler, a close asked for during the replay only stops it;
// the window closes once the handler has unwound (FinishEmulation).
#include <algorithm>

#include <wx/bitmap.h>
#include <wx/brush.h>
#include <wx/choice.h>
#include <wx/dcmemory.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>

#include "app/IniSettings.h"
#include "app/gui/PlotvaneApp.h"
#include "app/gui/WxOutputName.h"
#include "plotlib/CommandSets.h"
#include "mainframe/EmulationData.h"
#include "mainframe/gui/MainForm.h"
#include "plotlib/Devices.h"
#include "plotlib/PlotOutput.h"
#include "plotlib/Polyline.h"
#include "view/gui/PlotterView.h"

namespace {

std::string ToUtf8(const wxString& text) { return std::string(text.utf8_str()); }

}  // namespace

void MainForm::PlotToFile(wxCommandEvent&)
{
    // Not while a replay runs either: its save dialog would hold the replay
    // in the middle of a stroke.
    if (IsPlotting() || m_emulationActive)
        return;
    CPlotterView* view = GetPlotterView();
    if (view)
        view->SetFocus();
    if (m_deviceChoice->GetSelection() == wxNOT_FOUND) {
        wxMessageBox(_("Not selected device!"), _("Information"),
                     wxOK | wxCENTRE | wxICON_INFORMATION, this);
        return;
    }

    wxFileDialog dialog(this, _("Choose plotter file name"), wxGetApp().m_plotPath, "Plotter",
                        _("HPGL file (*.plt)|*.plt|All files (*.*)|*.*"),
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK)
        return;
    if (dialog.GetPath().empty())
        return;
    const wxString fileName = CompleteOutputName(this, dialog.GetPath());
    if (fileName.empty())
        return;

    if (view)
        view->LoadFile(wxString(), false, false);
    PlotList list;
    BuildPlotList(list);
    const PlotSpacing spacing = CurrentPlotSpacing();
    const Status written =
        PlotterToFile(ToUtf8(fileName), list, spacing.markSpace, wxGetApp().m_autoDeleteFile,
                      spacing.halfSolid, spacing.halfSpace, spacing.frontSpace,
                      HpglCommandSet(), AlternateCommandSet());
    // The operator chose the file and sees it appear; only a failure is
    // worth a word (nothing was written then, and no source was deleted).
    if (!written && m_statusBar)
        m_statusBar->SetStatusText(wxString::Format(_("Could not write %s: %s"), fileName,
                                                    wxString::FromUTF8(written.message())),
                                   0);
    // Sources may have gone (delete file); the plot list keeps its rows.
    RefreshFileList(true);
}

void MainForm::EmulatePlot(wxCommandEvent&)
{
    if (IsPlotting())
        return;
    CPlotterView* view = GetPlotterView();
    if (!view)
        return;
    view->SetFocus();
    if (m_emulationActive)
        return;
    if (m_deviceChoice->GetSelection() == wxNOT_FOUND) {
        wxMessageBox(_("Not selected device!"), _("Information"),
                     wxOK | wxCENTRE | wxICON_INFORMATION, this);
        return;
    }

    // The replay draws into this picture and copies it whole onto the
    // preview at every step, so earlier strokes stay without a redraw.
    const wxSize client = view->GetClientSize();
    wxBitmap picture(std::max(client.x, 0) + 1, std::max(client.y, 0) + 1);
    wxMemoryDC memory(picture);
    const wxCursor savedCursor = GetCursor();

    m_emulationActive = true;
    m_emulating = true;
    m_emulatedSegments = 0;
    m_closeAfterEmulation = false;
    view->Disable();
    // The disabled preview cannot keep the keyboard focus; the frame takes
    // it, so that Escape reaches the key hook and no other key reaches a
    // control while the replay runs.
    SetFocus();
    view->SetDrawing(_("Generate plotter data"), CPolylineIArray());

    PlotList list;
    BuildPlotList(list);
    int delayMs = GetIniInt("Emulate", "Speed", 10);
    if (delayMs < 0)
        delayMs = 0;
    CPolylineIArray drawing;
    const Status generated = GenerateEmulationDrawing(list, CurrentPlotSpacing(), drawing);
    if (!generated && m_statusBar)
        m_statusBar->SetStatusText(
            wxString::Format(_("Emulation failed: %s"), wxString::FromUTF8(generated.message())),
            0);
    view->SetDrawing(_("Emulate plotter"), drawing);

    memory.SetBackground(*wxLIGHT_GREY_BRUSH);
    memory.Clear();
    view->DrawPaperToDC(memory);

    const int drawPen = GetPlotter()->drawPen;
    for (int i = 0; i < drawing.GetCount() && m_emulating; ++i) {
        const CPolylineI& line = *drawing.GetPolyline(i);
        const bool drawStroke = line.GetPenNo() == drawPen;
        for (int k = 0; k + 1 < line.GetCount() && m_emulating; ++k) {
            const PointI a = line.GetPoint(k), b = line.GetPoint(k + 1);
            view->EmulateSegment(&memory, drawStroke, a.x, a.y, b.x, b.y, delayMs, &m_emulating);
            if (m_emulating)
                ++m_emulatedSegments;
        }
    }
    memory.SelectObject(wxNullBitmap);
    FinishEmulation(savedCursor);
}

void MainForm::FinishEmulation(const wxCursor& savedCursor)
{
    if (CPlotterView* view = GetPlotterView()) {
        view->Render(false);
        view->Enable();
        view->SetFocus();
    }
    SetCursor(savedCursor);
    m_emulating = false;
    m_emulationActive = false;
    if (m_closeAfterEmulation) {
        // Closed during the replay: close now that nothing of the replay
        // is left on the stack; a close that could not be refused stays so.
        m_closeAfterEmulation = false;
        const bool force = m_closeForced;
        CallAfter([this, force] { Close(force); });
    }
}
