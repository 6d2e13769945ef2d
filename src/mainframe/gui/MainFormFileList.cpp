// Commands of the plot folder and its file list: choosing the folder,
// rescanning it, moving the selection, sorting, the search box, deleting
// files, handing files to the plot list, and the folder watch.
//
// The scan itself is FolderScan (core); this file only turns its rows into
// list rows. The watch (FolderWatch, core) runs on its own thread and asks
// for a refresh through CallAfter, so every list change happens here on the
// GUI thread.
#include <wx/app.h>
#include <wx/dirdlg.h>
#include <wx/filename.h>
#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "app/gui/PlotvaneApp.h"
#include "mainframe/CommandIds.h"
#include "mainframe/FolderScan.h"
#include "mainframe/FolderWatch.h"
#include "mainframe/gui/MainForm.h"
#include "view/gui/PlotterView.h"

namespace {

const wxColour kOddRowColour(255, 255, 204);
const wxColour kFoundColour(0, 0, 255);

// A refresh that left out files still changing (where no lease could tell
// whether a writer has them open) looks again after this long.
constexpr std::chrono::milliseconds kBusyRecheck(500);

// No waiting on the GUI thread: a file whose writer has not closed it yet
// is left out, and the watch looks again once the writer closes it (or,
// without a lease, after kBusyRecheck).
FolderScan::Options GuiScanOptions()
{
    FolderScan::Options options;
    options.settleLimit = std::chrono::milliseconds(0);
    return options;
}

std::string ToUtf8(const wxString& text)
{
    return std::string(text.utf8_str());
}

wxString PlotFolder()
{
    const wxString path = wxGetApp().GetPlotPath();
    return path.empty() ? wxString(".") : path;
}

// Folders compare without regard to letter case or a trailing separator.
bool SameFolder(wxString a, wxString b)
{
    while (a.size() > 1 && a.EndsWith(wxFILE_SEP_PATH))
        a.RemoveLast();
    while (b.size() > 1 && b.EndsWith(wxFILE_SEP_PATH))
        b.RemoveLast();
    return a.CmpNoCase(b) == 0;
}

wxArrayString ColumnTexts(const wxListCtrl* list, bool selectedOnly)
{
    wxArrayString names;
    long row = -1;
    while ((row = list->GetNextItem(row, wxLIST_NEXT_ALL,
                                    selectedOnly ? wxLIST_STATE_SELECTED : wxLIST_STATE_DONTCARE)) != -1)
        names.Add(list->GetItemText(row, 0));
    return names;
}

void ResetItemData(wxListCtrl* list)
{
    for (long row = 0; row < list->GetItemCount(); ++row)
        list->SetItemData(row, row);
}

struct SortContext {
    std::vector<std::string> texts; // by item data
    int column = 0;
    bool descending = false;
};

int wxCALLBACK CompareFileRows(wxIntPtr item1, wxIntPtr item2, wxIntPtr data)
{
    const auto* context = reinterpret_cast<const SortContext*>(data);
    const int result = FolderScan::CompareColumn(context->column,
                                                 context->texts[static_cast<size_t>(item1)],
                                                 context->texts[static_cast<size_t>(item2)]);
    return context->descending ? -result : result;
}

} // namespace

void MainForm::OnChoosePlotPath(wxCommandEvent&)
{
    if (IsPlotting())
        return;
    const wxString oldPath = wxGetApp().GetPlotPath();
    const wxString chosen =
        wxDirSelector(_("Select plot files path"), oldPath, wxDD_DEFAULT_STYLE, wxDefaultPosition, this);
    if (chosen.empty())
        return;
    wxGetApp().SetPlotPath(chosen);
    RefreshFileList(true);
    // The watch follows the folder the list shows.
    StartFolderWatch();
    if (!SameFolder(oldPath, chosen)) {
        // The queued files belong to the old folder.
        m_plotList->DeleteAllItems();
        if (auto* view = dynamic_cast<CPlotterView*>(m_preview))
            view->LoadFile(wxString(), false, false);
    }
}

void MainForm::OnRefresh(wxCommandEvent& event)
{
    // Id 0 asks for the rescan without redrawing the canvas.
    wxWindow* button = FindWindow(cmd::Refresh);
    if (button)
        button->Disable();
    RefreshFileList(event.GetId() != 0);
    if (button)
        button->Enable();
}

// A scan the watch thread made of `folder`, arriving on the GUI thread.
void MainForm::OnFolderScanned(const std::string& folder, const FolderScanResult& scan)
{
    if (folder != ToUtf8(PlotFolder()))
        return; // another folder was chosen meanwhile
    if (IsPlotting()) {
        // A job started after the scan: look again once it has ended (the
        // watch holds its reports while a job runs).
        if (m_folderWatch && m_folderWatch->IsRunning())
            m_folderWatch->RecheckAfter(std::chrono::milliseconds(0));
        return;
    }
    FillFileList(scan);
}

void MainForm::SelectOnlyFileRow(long row)
{
    long selected = -1;
    while ((selected = m_fileList->GetNextItem(selected, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) != -1)
        m_fileList->SetItemState(selected, 0, wxLIST_STATE_SELECTED);
    m_fileList->SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                             wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    m_fileList->EnsureVisible(row);
}

void MainForm::OnPrevFile(wxCommandEvent&)
{
    const long count = m_fileList->GetItemCount();
    if (count == 0)
        return;
    const long first = m_fileList->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    SelectOnlyFileRow(first <= 0 ? 0 : first - 1);
}

void MainForm::OnNextFile(wxCommandEvent&)
{
    const long count = m_fileList->GetItemCount();
    if (count == 0)
        return;
    const long first = m_fileList->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    SelectOnlyFileRow(first < 0 ? 0 : std::min(first + 1, count - 1));
}

void MainForm::RestoreFileStripes()
{
    const wxColour background = m_fileList->GetBackgroundColour();
    for (long row = 0; row < m_fileList->GetItemCount(); ++row) {
        m_fileList->SetItemBackgroundColour(row, row % 2 ? kOddRowColour : background);
        m_fileList->SetItemTextColour(row, *wxBLACK);
    }
}

void MainForm::HighlightFoundRow()
{
    if (m_foundItem < 0 || m_foundItem >= m_fileList->GetItemCount())
        return;
    m_fileList->SetItemBackgroundColour(m_foundItem, kFoundColour);
    m_fileList->SetItemTextColour(m_foundItem, *wxWHITE);
    m_fileList->EnsureVisible(m_foundItem);
}

void MainForm::OnSearchText(wxCommandEvent& event)
{
    event.Skip();
    RestoreFileStripes();
    const std::vector<std::string> names = [this] {
        std::vector<std::string> all;
        for (long row = 0; row < m_fileList->GetItemCount(); ++row)
            all.push_back(ToUtf8(m_fileList->GetItemText(row, 0)));
        return all;
    }();
    m_foundItem = FolderScan::FindByPrefix(names, ToUtf8(m_searchBox->GetValue()));
    HighlightFoundRow();
}

void MainForm::OnSearchKeyDown(wxKeyEvent& event)
{
    const int key = event.GetKeyCode();
    if (key != WXK_UP && key != WXK_DOWN) {
        event.Skip();
        return;
    }
    RestoreFileStripes();
    if (key == WXK_DOWN && m_foundItem >= 0 && m_foundItem < m_fileList->GetItemCount() - 1)
        ++m_foundItem;
    else if (key == WXK_UP && m_foundItem >= 1)
        --m_foundItem;
    HighlightFoundRow();
}

void MainForm::OnSearchEnter(wxCommandEvent&)
{
    RestoreFileStripes();
    if (m_foundItem >= 0 && m_foundItem < m_fileList->GetItemCount()) {
        SelectOnlyFileRow(m_foundItem);
        if (!IsPlotting())
            QueueFiles(ColumnTexts(m_fileList, true));
        m_fileList->SetFocus();
    }
    m_foundItem = -1;
}

void MainForm::OnSearchLeave(wxMouseEvent& event)
{
    event.Skip();
    m_foundItem = -1;
    RestoreFileStripes();
}

void MainForm::OnFileListActivated(wxListEvent&)
{
    if (IsPlotting())
        return;
    QueueFiles(ColumnTexts(m_fileList, true));
}

void MainForm::OnFileListRightDClick(wxMouseEvent& event)
{
    event.Skip();
    if (IsPlotting())
        return;
    // The same path as "Add all files to plot list", with its re-entry guard.
    wxCommandEvent addAll(wxEVT_BUTTON, cmd::AddAll);
    OnAddAll(addAll);
}

// File list rows go to the plot list's add operation, with loading.
void MainForm::QueueFiles(const wxArrayString& names)
{
    AddFilesToPlotList(names, true);
}

void MainForm::OnFileListColClick(wxListEvent& event)
{
    const int column = event.GetColumn();
    if (column < 0)
        return;
    if (column == m_sortColumn - 1)
        m_sortColumn = -m_sortColumn;
    else
        m_sortColumn = column + 1;

    SortContext context;
    context.column = column;
    context.descending = m_sortColumn < 0;
    const long count = m_fileList->GetItemCount();
    context.texts.reserve(static_cast<size_t>(count));
    for (long row = 0; row < count; ++row) {
        // The comparison looks texts up by item data, so number the rows first.
        m_fileList->SetItemData(row, row);
        context.texts.push_back(ToUtf8(m_fileList->GetItemText(row, column)));
    }
    m_fileList->SortItems(CompareFileRows, reinterpret_cast<wxIntPtr>(&context));
    ResetItemData(m_fileList);
    RestoreFileStripes();
    m_foundItem = -1;
}

void MainForm::OnFileListKeyDown(wxListEvent& event)
{
    if (event.GetKeyCode() != WXK_DELETE) {
        event.Skip();
        return;
    }
    // (GetNextItem, not GetSelectedItemCount: the generic list's count can
    // lag behind after rows were deleted.)
    if (IsPlotting() ||
        m_fileList->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED) == -1)
        return;
    const int answer = wxMessageBox(_("Do you sure to delete selected files ?"), _("Information"),
                                    wxYES_NO | wxICON_INFORMATION, this);
    if (answer == wxNO)
        return;
    const wxString folder = PlotFolder();
    long row;
    while ((row = m_fileList->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) != -1) {
        wxFileName file(folder + wxFILE_SEP_PATH + m_fileList->GetItemText(row, 0));
        file.MakeAbsolute();
        // A file that cannot be deleted is not reported; the next refresh
        // shows it again.
        wxRemoveFile(file.GetFullPath());
        m_fileList->DeleteItem(row);
    }
    ResetItemData(m_fileList);
    RestoreFileStripes();
    m_foundItem = -1;
}

void MainForm::FillFileList(const FolderScanResult& scan)
{
    // A refresh (the folder watch, the auto-plot tick every second) keeps
    // what the operator set up: the sort order, the selected files and the
    // first row in view.
    std::set<std::string> selected;
    for (long r = m_fileList->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); r != -1;
         r = m_fileList->GetNextItem(r, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED))
        selected.insert(ToUtf8(m_fileList->GetItemText(r)));
    const long oldTop = m_fileList->GetTopItem();
    const std::string topName = oldTop > 0 && oldTop < m_fileList->GetItemCount()
                                    ? ToUtf8(m_fileList->GetItemText(oldTop))
                                    : std::string();
    std::vector<FileListRow> rows = scan.rows;
    FolderScan::SortRows(rows, m_sortColumn);

    m_fileList->Freeze();
    m_fileList->DeleteAllItems();
    long row = 0;
    long top = -1;
    for (const FileListRow& file : rows) {
        m_fileList->InsertItem(row, wxString::FromUTF8(file.name));
        if (selected.count(file.name))
            m_fileList->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        if (!topName.empty() && file.name == topName)
            top = row;
        m_fileList->SetItemData(row, row);
        // Even rows keep the list's own background.
        if (row % 2)
            m_fileList->SetItemBackgroundColour(row, kOddRowColour);
        m_fileList->SetItem(row, 1, wxString::FromUTF8(file.sizeText));
        m_fileList->SetItem(row, 2, wxString::FromUTF8(file.createdText));
        ++row;
    }
    m_fileList->Thaw();
    if (top > 0) {
        // Scrolled to the bottom of the page first, so the old top row ends
        // up at the top.
        const long last = std::min<long>(top + m_fileList->GetCountPerPage() - 1, row - 1);
        m_fileList->EnsureVisible(last);
        m_fileList->EnsureVisible(top);
    }
    m_foundItem = -1;

    // A file whose writer still holds it shows up when the watch reports
    // the close; one judged by the quiet period needs another look.
    if (scan.unsettled > 0 && m_folderWatch && m_folderWatch->IsRunning())
        m_folderWatch->RecheckAfter(kBusyRecheck);
}

void MainForm::RefreshFileList(bool redrawCanvas)
{
    if (IsPlotting())
        return;

    FillFileList(FolderScan::ScanFolder(ToUtf8(PlotFolder()), GuiScanOptions()));

    if (redrawCanvas) {
        if (auto* view = dynamic_cast<CPlotterView*>(m_preview))
            view->Render(true);
        else if (m_preview)
            m_preview->Refresh();
    }
}

// The folder watch thread starts here with the window (and again when
// another folder is chosen). It is stopped and joined by StopFolderWatch
// when the window closes, and by the shared pointer's release when the
// window is destroyed without closing.
void MainForm::StartFolderWatch()
{
    if (!m_folderWatch) {
        // First call, from the constructor: the file list's and search
        // box's further events are bound here, next to their handlers.
        m_folderWatch = std::make_shared<FolderWatch>();
        m_fileList->Bind(wxEVT_LIST_COL_CLICK, &MainForm::OnFileListColClick, this);
        m_fileList->Bind(wxEVT_LIST_KEY_DOWN, &MainForm::OnFileListKeyDown, this);
        // Mouse events of the (generic) report view arrive at its inner
        // rows window, not at the list control nor its column header. That
        // window is a plain wxWindow child whose class is private, so it is
        // recognised by its address.
        wxWindow* rows = m_fileList;
        for (wxWindow* child : m_fileList->GetChildren()) {
            if (static_cast<const void*>(child) == static_cast<const void*>(m_fileList->m_mainWin))
                rows = child;
        }
        rows->Bind(wxEVT_RIGHT_DCLICK, &MainForm::OnFileListRightDClick, this);
        m_searchBox->Bind(wxEVT_TEXT, &MainForm::OnSearchText, this);
        m_searchBox->Bind(wxEVT_KEY_DOWN, &MainForm::OnSearchKeyDown, this);
        m_searchBox->Bind(wxEVT_LEAVE_WINDOW, &MainForm::OnSearchLeave, this);
    }
    // A missing folder simply has no watch.
    const std::string folder = ToUtf8(PlotFolder());
    // A folder that cannot be watched has no watch; the list shows the scan.
    static_cast<void>(m_folderWatch->Start(
        folder,
        // Watch thread: scan here, so that a large folder costs the window
        // only the filling of the list, and hand the rows to the GUI thread.
        // The watch is joined before this window's event handler goes away.
        [this, folder] {
            auto scan = std::make_shared<const FolderScanResult>(
                FolderScan::ScanFolder(folder, GuiScanOptions()));
            CallAfter([this, folder, scan] { OnFolderScanned(folder, *scan); });
        },
        [this] { return IsPlotting(); }));
}

void MainForm::StopFolderWatch()
{
    if (m_folderWatch)
        m_folderWatch->Stop();
}
