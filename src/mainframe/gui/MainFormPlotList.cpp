// Commands of the plot list: adding files, rotating, mirroring, copies,
// blocks, moving and removing rows, and showing the selected row in the
// preview. The list control's rows are the queue; PlotQueue knows what the
// texts mean, these handlers only move texts between it and the control.
#include <algorithm>

#include <wx/app.h>
#include <wx/choice.h>
#include <wx/filefn.h>
#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/numdlg.h>
#include <wx/statusbr.h>
#include <wx/utils.h>
#include <wx/weakref.h>

#include "app/gui/PlotvaneApp.h"
#include "geometry/gui/ExtractFrameDlg.h"
#include "mainframe/gui/BlockSetDlg.h"
#include "mainframe/gui/MainForm.h"
#include "mainframe/PlotQueue.h"
#include "plotlib/Devices.h"
#include "plotlib/Polyline.h"
#include "view/gui/PlotterView.h"

namespace {

const wxColour kOddRow(255, 255, 204);

std::string ToUtf8(const wxString& text) { return std::string(text.utf8_str()); }

PlotQueue MakeQueue()
{
    return PlotQueue(ToUtf8(_("Yes")), ToUtf8(_("No")));
}

std::string PlotFolder() { return ToUtf8(wxGetApp().m_plotPath); }

// The current device's configuration, copied once per operation so that a
// device change meanwhile does not mix two geometries in one pass.
PLOTTERCONFIG CurrentConfig()
{
    const PLOTTERCONFIG* config = GetPlotter();
    return config ? *config : PLOTTERCONFIG();
}

PlotRowTexts ReadRow(const wxListCtrl* list, long row)
{
    PlotRowTexts texts;
    for (int column = 0; column < PlotColumnCount; ++column)
        texts[static_cast<size_t>(column)] = ToUtf8(list->GetItemText(row, column));
    return texts;
}

void WriteRow(wxListCtrl* list, long row, const PlotRowTexts& texts, int firstColumn = 0)
{
    for (int column = firstColumn; column < PlotColumnCount; ++column)
        list->SetItem(row, column, wxString::FromUTF8(texts[static_cast<size_t>(column)]));
}

PlotQueue ReadQueue(const wxListCtrl* list)
{
    PlotQueue queue = MakeQueue();
    for (long row = 0; row < list->GetItemCount(); ++row)
        queue.AppendRow(ReadRow(list, row));
    return queue;
}

long FindPlotRow(const wxListCtrl* list, const std::string& name)
{
    for (long row = 0; row < list->GetItemCount(); ++row)
        if (PlotQueue::SameName(ToUtf8(list->GetItemText(row, ColName)), name))
            return row;
    return -1;
}

// Odd rows carry the stripe colour; rows at and after `from` are coloured
// again after a removal shifted them.
void RestorePlotStripes(wxListCtrl* list, long from)
{
    for (long row = std::max(0L, from); row < list->GetItemCount(); ++row)
        list->SetItemBackgroundColour(row, row % 2 ? kOddRow : list->GetBackgroundColour());
}

bool AskYesNo(wxWindow* parent, const wxString& question)
{
    return wxMessageBox(question, _("Information"), wxYES_NO | wxCENTRE | wxICON_QUESTION,
                        parent) != wxNO;
}

wxArrayString FileListNames(const wxListCtrl* list, bool selectedOnly)
{
    wxArrayString names;
    for (long row = 0; row < list->GetItemCount(); ++row)
        if (!selectedOnly || list->GetItemState(row, wxLIST_STATE_SELECTED))
            names.Add(list->GetItemText(row, 0));
    return names;
}

// Outline extraction of files as they are added, for devices that ask for
// it; the extraction rewrites the plot file with the new pens. The row's
// rotation and mirroring are applied when the file is plotted, so they must
// not be written into the file: a rotated or mirrored row is extracted from
// the file as it is instead of from the drawing measured for the row.
void ExtractOnAdd(wxWindow* parent, const std::string& name, CPolylineIArray& drawing,
                  bool rotate, bool mirror, const PLOTTERCONFIG& config)
{
    auto* form = dynamic_cast<MainForm*>(parent);
    wxChoice* pens = form ? form->GetExtractPenChoice() : nullptr;
    const int choice = pens ? pens->GetSelection() : 1;
    CPolylineIArray upright;
    CPolylineIArray* target = &drawing;
    if (rotate || mirror) {
        if (!PlotQueue::Measure(PlotQueue::FullPath(PlotFolder(), name), false, false, config,
                                upright)
                 .load.ok())
            return;
        target = &upright;
    }
    CExtractFrameDlg::RunModal(parent, target, name, choice, config, PlotFolder());
}

}  // namespace

long MainForm::FirstSelectedPlotRow() const
{
    return m_plotList->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
}

void MainForm::BindPlotListEvents()
{
    // Unbind first so that a second call does not run the handlers twice.
    m_plotList->Unbind(wxEVT_KEY_DOWN, &MainForm::OnPlotListKey, this);
    m_plotList->Bind(wxEVT_KEY_DOWN, &MainForm::OnPlotListKey, this);
    m_plotList->Unbind(wxEVT_LIST_ITEM_ACTIVATED, &MainForm::OnPlotListActivated, this);
    m_plotList->Bind(wxEVT_LIST_ITEM_ACTIVATED, &MainForm::OnPlotListActivated, this);
    // Mouse clicks reach the list's inner window, not the control itself.
    m_plotList->Unbind(wxEVT_RIGHT_DCLICK, &MainForm::OnPlotListRightDClick, this);
    m_plotList->Bind(wxEVT_RIGHT_DCLICK, &MainForm::OnPlotListRightDClick, this);
    for (wxWindow* child : m_plotList->GetChildren()) {
        child->Unbind(wxEVT_RIGHT_DCLICK, &MainForm::OnPlotListRightDClick, this);
        child->Bind(wxEVT_RIGHT_DCLICK, &MainForm::OnPlotListRightDClick, this);
    }
}

void MainForm::AddFilesToPlotList(const wxArrayString& names, bool load)
{
    if (IsPlotting())
        return;
    wxBusyCursor busy;
    wxWeakRef<wxWindow> self(this);
    const PLOTTERCONFIG config = CurrentConfig();
    const std::string folder = PlotFolder();
    const PlotQueue queue = MakeQueue();
    wxString firstUnreadable;
    std::string firstReason;
    int unreadable = 0;

    for (const wxString& entry : names) {
        const std::string name = ToUtf8(entry);
        long row = FindPlotRow(m_plotList, name);
        bool rotate = false;
        bool mirror = false;
        int copies = 1;
        if (row >= 0) {
            const PlotRowTexts texts = ReadRow(m_plotList, row);
            rotate = queue.ReadFlag(texts[ColRotate]);
            mirror = queue.ReadFlag(texts[ColMirror]);
            copies = PlotQueue::ParseNumber(texts[ColCopies]);
        } else {
            row = m_plotList->InsertItem(m_plotList->GetItemCount(), entry);
            if (row % 2)
                m_plotList->SetItemBackgroundColour(row, kOddRow);
        }

        int blocks = PlotQueue::kUnloadedBlocks;
        int width = 0;
        int height = 0;
        if (load) {
            CPolylineIArray drawing;
            const PlotMeasure measure = PlotQueue::Measure(PlotQueue::FullPath(folder, name),
                                                           rotate, mirror, config, drawing);
            blocks = measure.blocks;
            width = measure.width;
            height = measure.height;
            if (!measure.load.ok()) {
                if (unreadable++ == 0) {
                    firstUnreadable = entry;
                    firstReason = measure.load.message();
                }
            }
            if (config.extractOnAdd)
                ExtractOnAdd(this, name, drawing, rotate, mirror, config);
        }
        PlotRowTexts texts;
        queue.FillRow(texts, blocks, rotate, mirror,
                      PlotQueue::FormatExtent(width, height, config.resolution), copies);
        WriteRow(m_plotList, row, texts, ColTotal);

        if (load) {
            // Let the window breathe between files; it may be closed or a
            // plot job may start meanwhile, and then the adding stops.
            wxTheApp->Yield(true);
            if (!self || IsBeingDeleted() || IsPlotting())
                return;
        }
    }

    if (unreadable == 1)
        m_statusBar->SetStatusText(wxString::Format(_("Cannot read plot file %s: %s"),
                                                    firstUnreadable,
                                                    wxString::FromUTF8(firstReason)),
                                   0);
    else if (unreadable > 1)
        m_statusBar->SetStatusText(
            wxString::Format(_("Cannot read %d plot files, first %s: %s"), unreadable,
                             firstUnreadable, wxString::FromUTF8(firstReason)),
            0);
}

void MainForm::BuildPlotList(PlotList& list)
{
    wxBusyCursor busy;
    ReadQueue(m_plotList).BuildPlotList(PlotFolder(), list);
}

bool MainForm::TakeNextJob(PLOTFILE& job, bool removeRow)
{
    if (m_plotList->GetItemCount() == 0)
        return false;
    job = MakeQueue().RowToPlotFile(ReadRow(m_plotList, 0), PlotFolder());
    if (removeRow)
        RemovePlotRow(0, false);
    return true;
}

void MainForm::RemovePlotRow(long row, bool deleteFile)
{
    if (row < 0 || row >= m_plotList->GetItemCount())
        return;
    if (deleteFile) {
        const std::string path =
            PlotQueue::FullPath(PlotFolder(), ToUtf8(m_plotList->GetItemText(row, ColName)));
        wxRemoveFile(wxString::FromUTF8(path));
        RefreshFileList(false);
    }
    m_plotList->DeleteItem(row);
    RestorePlotStripes(m_plotList, row);
    if (CPlotterView* view = GetPlotterView())
        view->LoadFile(wxString(), false, false);
}

void MainForm::MovePlotRow(long from, long to)
{
    PlotQueue queue = ReadQueue(m_plotList);
    if (!queue.MovePlotRow(static_cast<int>(from), static_cast<int>(to)))
        return;
    // Only texts move; the stripe colours stay with the positions.
    for (long row = std::min(from, to); row <= std::max(from, to); ++row)
        WriteRow(m_plotList, row, queue.Row(static_cast<int>(row)));
    for (long row = 0; row < m_plotList->GetItemCount(); ++row)
        if (row != to)
            m_plotList->SetItemState(row, 0, wxLIST_STATE_SELECTED);
    m_plotList->SetItemState(to, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                             wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    m_plotList->EnsureVisible(to);
}

void MainForm::ToggleRotate(wxCommandEvent&)
{
    if (PreviewHeld())
        return;
    const long row = FirstSelectedPlotRow();
    if (row < 0)
        return;
    const PlotQueue queue = MakeQueue();
    PlotRowTexts texts = ReadRow(m_plotList, row);
    const bool rotate = !queue.ReadFlag(texts[ColRotate]);
    const bool mirror = queue.ReadFlag(texts[ColMirror]);
    const PLOTTERCONFIG config = CurrentConfig();
    CPolylineIArray drawing;
    const PlotMeasure measure = PlotQueue::Measure(
        PlotQueue::FullPath(PlotFolder(), texts[ColName]), rotate, mirror, config, drawing);
    texts[ColRotate] = queue.FlagText(rotate);
    texts[ColTotal] = std::to_string(measure.blocks);
    texts[ColBegin] = measure.blocks != 0 ? "1" : "0";
    texts[ColStop] = std::to_string(measure.blocks);
    texts[ColExtent] = PlotQueue::FormatExtent(measure.width, measure.height, config.resolution);
    WriteRow(m_plotList, row, texts, ColTotal);
    if (CPlotterView* view = GetPlotterView())
        view->SetDrawing(wxString::FromUTF8(texts[ColName]), drawing, measure.placement);
}

void MainForm::ToggleMirror(wxCommandEvent&)
{
    if (PreviewHeld())
        return;
    const long row = FirstSelectedPlotRow();
    if (row < 0)
        return;
    const PlotQueue queue = MakeQueue();
    const PlotRowTexts texts = ReadRow(m_plotList, row);
    const bool rotate = queue.ReadFlag(texts[ColRotate]);
    const bool mirror = !queue.ReadFlag(texts[ColMirror]);
    m_plotList->SetItem(row, ColMirror, wxString::FromUTF8(queue.FlagText(mirror)));
    if (CPlotterView* view = GetPlotterView())
        view->LoadFile(wxString::FromUTF8(texts[ColName]), rotate, mirror);
}

void MainForm::SetCopies(wxCommandEvent&)
{
    if (IsPlotting())
        return;
    const long row = FirstSelectedPlotRow();
    if (row < 0)
        return;
    int current = PlotQueue::ParseNumber(ToUtf8(m_plotList->GetItemText(row, ColCopies)));
    current = std::max(PlotQueue::kMinCopies, std::min(PlotQueue::kMaxCopies, current));
    const long copies =
        wxGetNumberFromUser(_("Please input plot copys:"), _("Copys"), _("Set plot copys"),
                            current, PlotQueue::kMinCopies, PlotQueue::kMaxCopies, this);
    if (copies >= 0 && PlotQueue::CopiesValid(static_cast<int>(copies)))
        m_plotList->SetItem(row, ColCopies, wxString::Format("%ld", copies));
}

void MainForm::EditBlocks(long row)
{
    if (row < 0 || row >= m_plotList->GetItemCount())
        return;
    const PlotRowTexts texts = ReadRow(m_plotList, row);
    const int total = PlotQueue::ParseNumber(texts[ColTotal]);
    if (total <= 0)
        return;
    CBlockSetDlg dialog(this);
    dialog.SetBlocks(total, PlotQueue::ParseNumber(texts[ColBegin]),
                     PlotQueue::ParseNumber(texts[ColStop]));
    if (dialog.ShowModal() != wxID_OK)
        return;
    m_plotList->SetItem(row, ColTotal, wxString::Format("%d", dialog.m_total));
    m_plotList->SetItem(row, ColBegin, wxString::Format("%d", dialog.m_begin));
    m_plotList->SetItem(row, ColStop, wxString::Format("%d", dialog.m_stop));
}

void MainForm::OnEditBlocks(wxCommandEvent&)
{
    if (IsPlotting())
        return;
    EditBlocks(FirstSelectedPlotRow());
}

void MainForm::OnRemovePlotRow(wxCommandEvent&)
{
    if (IsPlotting())
        return;
    const long row = FirstSelectedPlotRow();
    if (row >= 0 && AskYesNo(this, _("Are you sure to remove file from plot list ?")))
        RemovePlotRow(row, false);
}

void MainForm::OnPlotListKey(wxKeyEvent& event)
{
    if (IsPlotting()) {
        event.Skip();
        return;
    }
    const int key = event.GetKeyCode();
    const long row = FirstSelectedPlotRow();
    if (key == WXK_RETURN || key == WXK_NUMPAD_ENTER) {
        // Consumed: passed on, the list would also report an activation
        // and open the dialog a second time.
        EditBlocks(row);
        return;
    }
    if (key == WXK_DELETE || key == WXK_NUMPAD_DELETE) {
        if (row >= 0 && AskYesNo(this, _("Are you sure to remove file from plot list ?")))
            RemovePlotRow(row, false);
        return;
    }
    const long last = m_plotList->GetItemCount() - 1;
    long target = -1;
    if (event.ControlDown() && row >= 0) {
        if (key == WXK_HOME && row > 0)
            target = 0;
        else if (key == WXK_END && row < last)
            target = last;
        else if (key == WXK_UP && row > 0)
            target = row - 1;
        else if (key == WXK_DOWN && row < last)
            target = row + 1;
    }
    if (target < 0) {
        event.Skip();
        return;
    }
    MovePlotRow(row, target);
}

void MainForm::OnPlotListActivated(wxListEvent& event)
{
    if (IsPlotting())
        return;
    EditBlocks(event.GetIndex());
}

void MainForm::OnPlotListRightDClick(wxMouseEvent& event)
{
    event.Skip();
    if (IsPlotting())
        return;
    RemoveAllPlotRows();
}

void MainForm::RemoveAllPlotRows()
{
    if (m_plotList->GetItemCount() == 0)
        return;
    if (!AskYesNo(this, _("Are you sure to remove all files from plot list ?")))
        return;
    m_plotList->DeleteAllItems();
    if (CPlotterView* view = GetPlotterView())
        view->LoadFile(wxString(), false, false);
}

void MainForm::OnAddSelected(wxCommandEvent&)
{
    if (IsPlotting())
        return;
    AddFilesToPlotList(FileListNames(m_fileList, true), true);
}

void MainForm::OnRemoveAll(wxCommandEvent&)
{
    if (IsPlotting())
        return;
    RemoveAllPlotRows();
}

void MainForm::OnAddAll(wxCommandEvent&)
{
    // Adding yields to the window between files, so a second click could
    // arrive while the first one still runs.
    static bool adding = false;
    if (IsPlotting() || adding)
        return;
    adding = true;
    AddFilesToPlotList(FileListNames(m_fileList, false), true);
    adding = false;
}

void MainForm::OnPlotListSelected(wxListEvent& event)
{
    event.Skip();
    if (PreviewHeld())
        return;
    const long row = event.GetIndex();
    if (row < 0 || row >= m_plotList->GetItemCount())
        return;
    const PlotQueue queue = MakeQueue();
    const PlotRowTexts texts = ReadRow(m_plotList, row);
    if (CPlotterView* view = GetPlotterView())
        view->LoadFile(wxString::FromUTF8(texts[ColName]), queue.ReadFlag(texts[ColRotate]),
                       queue.ReadFlag(texts[ColMirror]));
}
