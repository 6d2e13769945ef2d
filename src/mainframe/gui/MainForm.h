// MainForm: the one top-level window of the spooler. A caption-less frame
// that paints its own title area and window buttons and holds every control:
// the device and pen choices, the global plot settings, the file list of
// the plot folder, the plot list, the preview and the status bar.
//
// The frame's event table routes each command of the window to a handler;
// the handlers live in one source file per area so that no file grows into
// a monolith:
//   MainForm.cpp          construction, layout, event table, enabling rules
//   MainFormLook.cpp      images, painted backgrounds, help line, tool group
//   MainFormWindow.cpp    moving, minimise to tray, maximise, close, keys
//   MainFormSettings.cpp  auto plot / delete file, space fields, extract pen
//   MainFormFileList.cpp  plot folder and file list commands
//   MainFormPlotList.cpp  plot list commands
//   MainFormJobs.cpp      device, plot jobs, Cancel and Pause, timer
//   MainFormTools.cpp     canvas tools, edit menu, About, language
//
// Everything here runs on the GUI thread, except IsPlotting(), which the
// folder watch and plot threads may call. Child windows are owned by the
// toolkit; the timer, the tray icon and the popup menu by this window.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include <wx/frame.h>

#include "mainframe/CommandRules.h"
#include "plotlib/PlotJob.h"
#include "plotlib/PlotterConfig.h"

class wxBitmapButton;
class wxBoxSizer;
class wxCheckBox;
class wxChoice;
class wxDC;
class wxGenericStaticBitmap;
class wxListCtrl;
class wxListEvent;
class wxMenu;
class wxPanel;
class wxSplitterEvent;
class wxSplitterWindow;
class wxStatusBar;
class wxTextCtrl;
class wxTimer;
class wxTimerEvent;
class wxButton;
class CPlotterView;

class MainFormLabel;
class FolderWatch;
struct FolderScanResult;
class PlotvaneTaskBarIcon;

class MainForm : public wxFrame {
public:
    MainForm(wxWindow* parent, wxWindowID id, const wxString& title, const wxPoint& pos,
             const wxSize& size, long style);
    ~MainForm() override;

    // The caption-less frame style the application creates this window with.
    static long DefaultStyle();

    // Status fields 1 to 3: the pointer position in millimetres and the
    // zoom scale; called by the preview while the mouse moves.
    void SetStatusPosition(double x, double y, double scale);

    // Accessors for the areas that later fill the handler files.
    wxListCtrl* GetFileList() const { return m_fileList; }
    wxListCtrl* GetPlotList() const { return m_plotList; }
    wxWindow* GetPreview() const { return m_preview; }
    // The preview canvas (null only while the window is being built).
    CPlotterView* GetPlotterView() const;
    wxStatusBar* GetStatus() const { return m_statusBar; }
    wxChoice* GetExtractPenChoice() const { return m_extractPenChoice; }
    wxChoice* GetDeviceChoice() const { return m_deviceChoice; }
    PlotvaneTaskBarIcon* GetTaskBarIcon() const { return m_taskBarIcon; }
    wxMenu* GetEditMenu() const { return m_popupMenu; }

    // A plot job runs exactly while the plot thread is set. Safe to call
    // from any thread.
    bool IsPlotting() const { return m_plotting.load(); }
    // Takes over a started plot thread (GUI thread).
    void SetPlotThread(std::unique_ptr<std::thread> thread);
    // Waits for the plot thread to end and clears it (GUI thread).
    void JoinPlotThread();
    // Test seam: pretends a plot job runs (or ends it) without a thread.
    void SimulatePlotJobForTests(bool running) { m_plotting = running; }

    // The state the enabling rules look at, read from the controls.
    CommandState GatherCommandState() const;

    // The preview's current tool (10040 zoom, 10041-10043 pens, 10101 slot,
    // 10107 spline).
    int GetCanvasTool() const { return m_canvasTool; }
    void SetCanvasTool(int tool);
    // The preview's undo store; false until the preview has one.
    bool CanvasCanUndo() const;
    bool CanvasCanRedo() const;

    // Shows the window again after it was hidden into the tray.
    void RestoreFromTray();
    // Whether the window fills the work area (the maximise button's state).
    bool IsFilled() const { return m_filled; }
    // Whether the desktop has a tray to hide into.
    static bool HasTray();

    // The text F1 shows for the window at `screenPoint` (its help text, or
    // that of the nearest parent that has one); empty if none.
    wxString HelpTextAt(const wxPoint& screenPoint) const;

    // The plot list (MainFormPlotList.cpp). Adds or refreshes the rows of
    // `names` (texts of the file list's column 0); with `load` each file is
    // read and measured, yielding to the window between files.
    void AddFilesToPlotList(const wxArrayString& names, bool load);
    // Every row as a job, in order.
    void BuildPlotList(PlotList& list);
    // Row 0 as a job, removed when asked; false when the list is empty.
    bool TakeNextJob(PLOTFILE& job, bool removeRow);
    void RemovePlotRow(long row, bool deleteFile);
    void MovePlotRow(long from, long to);
    // Binds the plot list's keys and double clicks; safe to call again.
    void BindPlotListEvents();

private:
    void CreateControls();
    void CreateLeftColumn(wxBoxSizer* left);
    void CreateRightColumn(wxBoxSizer* right);
    void CreateStatusBar36(wxWindow* parent);
    void CreateEditMenu();
    wxWindow* CreatePreview(wxWindow* parent);
    wxBitmapButton* AddBitmapButton(wxWindow* parent, int id, bool leftRow);
    void SetupListColumns();
    void FillDeviceChoice();
    void SelectExtractPen();

    // MainFormLook.cpp
    void BuildTopBackground();
    void PaintTiled(wxDC& dc, const wxBitmap& tile, const wxSize& size);
    void OnPaintLeftPanel(wxPaintEvent& event);
    void OnPaintTopPanel(wxPaintEvent& event);
    void OnPaintLowerPanel(wxPaintEvent& event);
    void OnEnterButton(wxMouseEvent& event);
    void SelectToolButton(int id);

    // MainFormWindow.cpp
    void OnStartMove(wxMouseEvent& event);
    void OnMoveDragMotion(wxMouseEvent& event);
    void OnMoveDragEnd(wxMouseEvent& event);
    void OnMoveCaptureLost(wxMouseCaptureLostEvent& event);
    void OnMinimise(wxCommandEvent& event);
    void OnMaximise(wxCommandEvent& event);
    void OnCloseButton(wxCommandEvent& event);
    void OnIconize(wxIconizeEvent& event);
    void OnCloseWindow(wxCloseEvent& event);
    void OnCharHook(wxKeyEvent& event);
    void OnSplitterDClick(wxSplitterEvent& event);
    void OnStatusBarSize(wxSizeEvent& event);
    void PlaceStatusButtons();
    void ApplyWorkArea();
    wxRect WorkArea() const;

    // MainFormSettings.cpp
    void OnAutoPlot(wxCommandEvent& event);
    void OnDeleteFile(wxCommandEvent& event);
    void OnAutoPlotLabel(wxMouseEvent& event);
    void OnDeleteFileLabel(wxMouseEvent& event);
    void OnSpaceKillFocus(wxFocusEvent& event);
    void OnExtractPen(wxCommandEvent& event);
    void OnUpdateAutoPlot(wxUpdateUIEvent& event);
    void OnUpdateDeleteFile(wxUpdateUIEvent& event);

    // MainFormFileList.cpp
    void OnChoosePlotPath(wxCommandEvent& event);
    void OnRefresh(wxCommandEvent& event);
    void OnPrevFile(wxCommandEvent& event);
    void OnNextFile(wxCommandEvent& event);
    void OnSearchEnter(wxCommandEvent& event);
    void OnFileListActivated(wxListEvent& event);
    void RefreshFileList(bool redrawCanvas);
    void StartFolderWatch();
    void StopFolderWatch();
    void OnFolderScanned(const std::string& folder, const FolderScanResult& scan);
    void FillFileList(const FolderScanResult& scan);
    void OnFileListColClick(wxListEvent& event);
    void OnFileListKeyDown(wxListEvent& event);
    void OnFileListRightDClick(wxMouseEvent& event);
    void OnSearchText(wxCommandEvent& event);
    void OnSearchKeyDown(wxKeyEvent& event);
    void OnSearchLeave(wxMouseEvent& event);
    void SelectOnlyFileRow(long row);
    void RestoreFileStripes();
    void HighlightFoundRow();
    void QueueFiles(const wxArrayString& names);

    // MainFormPlotList.cpp
    void ToggleRotate(wxCommandEvent& event);
    void ToggleMirror(wxCommandEvent& event);
    void SetCopies(wxCommandEvent& event);
    void OnEditBlocks(wxCommandEvent& event);
    void OnRemovePlotRow(wxCommandEvent& event);
    void OnAddSelected(wxCommandEvent& event);
    void OnRemoveAll(wxCommandEvent& event);
    void OnAddAll(wxCommandEvent& event);
    void OnPlotListSelected(wxListEvent& event);
    void OnPlotListKey(wxKeyEvent& event);
    void OnPlotListActivated(wxListEvent& event);
    void OnPlotListRightDClick(wxMouseEvent& event);
    void EditBlocks(long row);
    void RemoveAllPlotRows();
    long FirstSelectedPlotRow() const;

    // MainFormJobs.cpp: the device, plot runs, Cancel and Pause, auto-plot
    void OnDeviceChoice(wxCommandEvent& event);
    void OnPlotterConfig(wxCommandEvent& event);
    void StartPlot(wxCommandEvent& event);
    void CancelPlot(wxCommandEvent& event);
    void PauseOrContinue(wxCommandEvent& event);
    void OnAutoPlotTimer(wxTimerEvent& event);
    void OnUpdateCommand(wxUpdateUIEvent& event);
    void OnUpdateStatusButton(wxUpdateUIEvent& event);
    // (plot run declarations go here)
    // The plot thread's view of this window: the run's settings, preview
    // and pause channel, and the hand-offs to the GUI thread
    // (MainFormJobs.cpp).
    class RunHost;
    // StartPlot without the click; the auto-plot tick starts runs with it.
    void BeginPlotRun();
    // Mark and front space and the half-cut lengths as they stand now, for
    // a device run, a plot file or an emulation.
    static PlotSpacing CurrentPlotSpacing();
    // The plot thread's body: the plot list worked off through PlotRunner.
    static void PlotThreadProc(std::shared_ptr<RunHost> host);
    // The output library's progress callback (plot thread); `context` is
    // the run's host.
    static void OnPlotProgress(double job, double block, void* context);
    // GUI thread, posted by the plot thread as its last act.
    void OnPlotRunEnded(std::thread::id thread);
    // After the device changed: the rows measured again for its paper, the
    // preview drawn again on it.
    void ReloadForDevice();

    // MainFormEmulate.cpp: plotting into a file and the emulation
    void PlotToFile(wxCommandEvent& event);
    void EmulatePlot(wxCommandEvent& event);
    // (plot-to-file and emulation declarations go here)
    // The main window's cursor and the preview come back after the replay;
    // a close asked for meanwhile happens once the replay has unwound.
    void FinishEmulation(const wxCursor& savedCursor);

public:
    // Whether an emulation is under way (from its start until it has
    // unwound), and how many segments the last one drew to their end.
    bool IsEmulating() const { return m_emulationActive; }
    long EmulatedSegments() const { return m_emulatedSegments; }
    // A plot job or a replay holds the preview: its drawing is neither
    // replaced nor edited until they end (a job's file is being plotted).
    bool PreviewHeld() const { return IsPlotting() || IsEmulating(); }

private:

    // MainFormTools.cpp
    void OnToolButton(wxCommandEvent& event);
    void OnResetPen(wxCommandEvent& event);
    void OnExtractOutline(wxCommandEvent& event);
    void OnAbout(wxCommandEvent& event);
    void OnSelectLanguage(wxCommandEvent& event);
    void OnMenuButton(wxCommandEvent& event);
    void OnCombine(wxCommandEvent& event);
    void OnSlotTool(wxCommandEvent& event);
    void OnSplineTool(wxCommandEvent& event);

    // MainFormEdits.cpp: half-cut and slot setup, broken lines, undo, redo
    void OnHalfCutSetup(wxCommandEvent& event);
    void OnSlotSetup(wxCommandEvent& event);
    void OnUndo(wxCommandEvent& event);
    void OnRedo(wxCommandEvent& event);
    void OnBrokenLine(wxCommandEvent& event);
    // Undo (true) or Redo (false) on the preview's file, then the reload.
    void StepUndo(bool undo);
    // Shows the preview's file again from disk, with the rotate and mirror
    // of its plot-list row (row 0 first).
    void ReloadShownFile();
    // (edit declarations go here)

    // left column
    wxGenericStaticBitmap* m_logo = nullptr;
    wxPanel* m_leftPanel = nullptr;
    wxChoice* m_deviceChoice = nullptr;
    wxChoice* m_extractPenChoice = nullptr;
    wxTextCtrl* m_markSpaceField = nullptr;
    wxTextCtrl* m_frontSpaceField = nullptr;
    wxCheckBox* m_autoPlotBox = nullptr;
    wxCheckBox* m_deleteFileBox = nullptr;
    MainFormLabel* m_autoPlotLabel = nullptr;
    MainFormLabel* m_deleteFileLabel = nullptr;
    wxTextCtrl* m_searchBox = nullptr;
    wxListCtrl* m_fileList = nullptr;
    // right column
    wxPanel* m_topPanel = nullptr;
    wxBitmapButton* m_maximiseButton = nullptr;
    wxPanel* m_lowerPanel = nullptr;
    wxSplitterWindow* m_splitter = nullptr;
    wxPanel* m_plotPanel = nullptr;
    wxListCtrl* m_plotList = nullptr;
    wxWindow* m_preview = nullptr;
    wxStatusBar* m_statusBar = nullptr;
    wxButton* m_cancelButton = nullptr;
    wxButton* m_pauseButton = nullptr;

    wxBitmap m_leftBackground;
    wxBitmap m_topBackground;
    wxTimer* m_timer = nullptr;
    PlotvaneTaskBarIcon* m_taskBarIcon = nullptr;
    wxMenu* m_popupMenu = nullptr;

    // plot job state shared with the plot thread
    std::unique_ptr<std::thread> m_plotThread;
    std::atomic<bool> m_plotting{false};
    std::atomic<bool> m_cancelPlot{false};
    // (plot run members go here)
    // The running job's host (null while idle), which holds the
    // pause/continue channel m_plotCommand.
    std::shared_ptr<RunHost> m_runHost;
    // Set while JoinPlotThread waits: the plot thread stops waiting for
    // answers from this window, so the join cannot deadlock.
    std::atomic<bool> m_plotClosing{false};
    // The auto-plot tick is showing a message; later ticks wait for it.
    bool m_autoPlotTicking = false;

    // emulation state (MainFormEmulate.cpp)
    // (emulation members go here)
    // m_emulating is the replay's running flag (Escape and closing clear
    // it); m_emulationActive stays set until the handler has unwound, so
    // the window is never destroyed under the nested event dispatching.
    bool m_emulating = false;
    bool m_emulationActive = false;
    bool m_closeAfterEmulation = false;
    bool m_closeForced = false;
    long m_emulatedSegments = 0;

    // file list state (MainFormFileList.cpp): the watch, the sort column
    // (column + 1 ascending, its negative descending, 0 unsorted) and the
    // row the search box found (-1 none). The watch is shared_ptr so that
    // its thread is stopped when the window goes, however it goes.
    std::shared_ptr<FolderWatch> m_folderWatch;
    int m_sortColumn = 0;
    long m_foundItem = -1;

    int m_canvasTool = 0;
    bool m_filled = false;   // filled to the work area by the maximise button
    wxRect m_normalRect;     // where the window was before it was filled
    bool m_moveDragging = false;
    wxPoint m_moveOffset;    // pointer to frame origin during a fallback move

    wxDECLARE_EVENT_TABLE();
};
