// CPlotterView: the OpenGL preview of one drawing on its white paper band,
// with the blue block grid, zoom and pan, writing an edited drawing back into
// its plot file, and the display of a running plot job.
//
// Ownership: the canvas owns the drawing it shows (m_drawing) and the undo
// store of the shown file (m_undo). The main window owns one canvas in its
// splitter; the combine dialog owns its own. The canvas knows nothing of its
// owner: the owner may install a status callback (pointer position and zoom)
// and a title callback; without one the title goes to the top-level window.
//
// Threads: everything runs on the GUI thread except SetProgressMode,
// StartProgress, UpdateProgress and GetProgressEvent, which the plot thread
// calls. Those only set progress values and hand work to the GUI thread with
// CallAfter; the plot thread never touches OpenGL or the drawing. The plot
// thread must have ended before the canvas is destroyed (the main window
// refuses to close while a job runs).
//
// Performance: the drawing and the block grid are compiled into display
// lists after each change (Render(true)); paint, wheel, pan and selection
// changes replay them (Render(false)). A big marker is compiled in levels of
// detail and slices along X (CDrawingLod), each level once per change when
// the zoom first needs it, so a fitted 25 MB marker replays as fast as a
// small file and a zoomed-in view replays only the slices on screen.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include <wx/cursor.h>
#include <wx/glcanvas.h>
#include <wx/image.h>
#include <wx/string.h>

#include "plotlib/PlotterConfig.h"
#include "plotlib/Polyline.h"
#include "plotlib/Status.h"
#include "view/DrawingLod.h"
#include "view/DrawingPlacement.h"
#include "view/PlotProgress.h"
#include "view/PlotProgressEvent.h"
#include "view/SaveUndo.h"
#include "view/ViewTransform.h"

class wxDC;

class CPlotterView : public wxGLCanvas {
public:
    static constexpr long kDefaultStyle = wxCLIP_SIBLINGS | wxBORDER_STATIC | wxCLIP_CHILDREN |
                                          wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE;

    // Receives the drawing position under the pointer and the zoom factor
    // whenever the pointer moves over the canvas.
    using StatusCallback = std::function<void(float x, float y, float scale)>;
    // Receives the title the shown file gives the window.
    using TitleCallback = std::function<void(const wxString& title)>;

    explicit CPlotterView(wxWindow* parent, wxWindowID id = wxID_ANY,
                          const wxPoint& pos = wxDefaultPosition,
                          const wxSize& size = wxDefaultSize, long style = kDefaultStyle,
                          const wxString& name = "GLCanvas");
    ~CPlotterView() override;

    void SetStatusCallback(StatusCallback callback) { m_statusCallback = std::move(callback); }
    void SetTitleCallback(TitleCallback callback) { m_titleCallback = std::move(callback); }

    // Draws the frame; `rebuild` recompiles the display list after the
    // drawing changed.
    void Render(bool rebuild);
    // The frame without the progress overlay, buffer swap or flush (for
    // drawing something on top before showing it, and for reading pixels).
    void RenderNoSwap();
    // The full frame (with the progress overlay) as an image, drawn off the
    // screen's buffer; an empty image without a GL context.
    wxImage CaptureFrame();

    // The tool (10040 zoom, 10041-10043 pens, 10101 slot, 10107 spline;
    // CanvasTools.h). The left button drags a rectangle: the zoom tool
    // zooms to it, the editing tools toggle the selection of the polylines
    // under it; the right button pans (zoom tool) or applies the editing
    // tool to the selection; Escape and Delete drop or delete the selection
    // (not in the slot tool). Changing the tool clears the selection.
    void SetTool(int tool);
    int GetTool() const { return m_tool; }
    // Applies the editing tool to the selection as a right click does:
    // the file is rewritten when something was selected, and the slot and
    // spline tools push an undo copy.
    void ApplyTool();
    // Deletes the selected polylines and rewrites the file (no undo copy).
    void DeleteSelection();
    // Draws the frame with the rubber band from window pixel (x1, y1) to
    // (x2, y2) on top.
    void DrawRubberBand(int x1, int y1, int x2, int y2);

    // Shows the plot file `name` inside the plot folder, rotated by 90
    // degrees and mirrored when asked, aligned to the origin and fitted. An
    // empty name empties the view. Another name (ignoring case) starts a new
    // undo history; the same name keeps it.
    void LoadFile(const wxString& name, bool rotate, bool mirror);
    // Shows a copy of `drawing` under `name`, as it is (no alignment).
    // `placement` says how the drawing was turned and moved from the file
    // `name` (nothing for a drawing in the file's own frame, or one that
    // is no file); writing the drawing back undoes it.
    void SetDrawing(const wxString& name, const CPolylineIArray& drawing,
                    const CDrawingPlacement& placement = CDrawingPlacement());
    const CDrawingPlacement& GetPlacement() const { return m_placement; }
    // Why the last LoadFile showed an empty drawing (ok when it loaded).
    const Status& GetLoadStatus() const { return m_loadStatus; }

    void FitToWindow();
    void ZoomToRect(float x1, float y1, float x2, float y2);

    // Window pixel <-> drawing units; false (and nothing changed) without
    // a GL context.
    bool ScreenToWorld(float& x, float& y);
    bool WorldToScreen(float& x, float& y);

    // Rewrites the shown file from the drawing at 1:1 (scale factors 1.0),
    // each polyline with its own pen, in the file's own frame (the turn,
    // mirror and move of the view undone). Refuses to create a file: a
    // drawing whose file is gone, or that never was one, is not written;
    // nor is a DXF file (its layers would be lost).
    Status SaveDrawingToFile();
    // Asks "Be sure to reset plot pen ?"; on Yes gives every polyline the
    // draw pen and rewrites the file.
    void ResetPens();

    const wxString& GetFileName() const { return m_fileName; }
    CPolylineIArray& GetDrawing() { return m_drawing; }
    const CPolylineIArray& GetDrawing() const { return m_drawing; }
    CSaveUndo& GetUndo() { return m_undo; }
    const std::vector<int>& GetSelection() const { return m_selection; }
    // Unmarks and forgets the selected polylines (before an edit that
    // renumbers them); the caller renders.
    void ClearSelection();
    const CViewTransform& GetTransform() const { return m_view; }
    bool IsBusy() const { return m_busy; }
    // True while the canvas can draw (its window is on screen and its GL
    // context can be made current).
    bool HasGLContext();

    // --- plot progress (plot thread unless noted) ---------------------------
    // Overlay on or off, from the first block again. `cancel` is the run's
    // cancel flag; the canvas does not use it.
    void SetProgressMode(bool show, std::atomic<bool>* cancel);
    // Asks the GUI thread to show `job`'s file (or, with no job or with the
    // overlay off, to empty the view). The GUI thread signals the progress
    // event once the file is on show. The job is copied.
    void StartProgress(float initial, const PLOTFILE* job);
    // `fraction` of the current block is plotted; repaints soon.
    void UpdateProgress(float fraction);
    CPlotProgressEvent& GetProgressEvent() { return m_progressEvent; }
    const CPlotProgress& GetProgress() const { return m_progress; }

    // --- emulation (GUI thread) ---------------------------------------------
    // Paints the paper band into `dc` (the emulation's off-screen picture).
    void DrawPaperToDC(wxDC& dc);
    // Animates one segment (drawing units) pixel by pixel into `dc`, copying
    // `dc` to the window after each step and moving the pointer along; a
    // stroke of the draw pen is red with the pen cursor, every other black
    // with the knife cursor. Stops before the next step once *running is
    // false.
    void EmulateSegment(wxDC* dc, bool drawStroke, int x1, int y1, int x2, int y2, int delayMs,
                        const bool* running);
    // Puts the mouse pointer on window pixel (x, y).
    void MoveCursorTo(float x, float y);

protected:
    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnMouseWheel(wxMouseEvent& event);
    // Reports the position to the status callback; pans with the right
    // button (zoom tool) and draws the rubber band with the left one.
    void OnMotion(wxMouseEvent& event);
    void OnEraseBackground(wxEraseEvent& event);
    // The tools' handlers (PlotterViewTools.cpp).
    void OnLeftDown(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnLeftDClick(wxMouseEvent& event);
    void OnRightDown(wxMouseEvent& event);
    void OnRightDClick(wxMouseEvent& event);
    void OnChar(wxKeyEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);

private:
    bool MakeCurrent();
    void InitGL();
    // Brings the view arithmetic up to date with the client size and the
    // drawing; hands back the client size when asked.
    void SetupProjection(int* w = nullptr, int* h = nullptr);
    void LoadMatrices();
    void DrawPaper();
    void DrawProgress();
    // The display lists (PlotterViewLists.cpp): CompileDisplayList starts
    // over after the drawing changed (the grid at once, the drawing's levels
    // of detail when first needed); CallDisplayList replays what the view
    // needs.
    void CompileDisplayList();
    void CallDisplayList();
    void DeleteDisplayLists();
    void DrawChunk(const CDrawingLod::Chunk& chunk, int level) const;
    void DrawBlockGrid() const;
    void DrawSelection() const;
    void SwapAndFlush();
    // Steps 1-6 of a frame into the back buffer.
    void DrawFrame(bool withProgress);

    // What a left or right press does (also the second press of a double
    // click); false when the other button is held and the press is ignored.
    bool LeftPress(const wxMouseEvent& event);
    bool RightPress(const wxMouseEvent& event);
    // The rectangle action of a left drag from m_anchor to `to`.
    void RectangleAction(const wxPoint& to);
    // After the drawing changed: its bounds and the progress extents.
    void UpdateBounds();
    void ShowTitle(const wxString& name);
    void ResetUndoFor(const wxString& name);
    // Plot folder + separator + name (an absolute name is taken as it is).
    std::string FullPath(const wxString& name) const;
    void OnLoadRequest();
    void RequestRefresh();

    // Plot progress, shared with the plot thread.
    CPlotProgressEvent m_progressEvent;
    CPlotProgress m_progress;
    std::atomic<bool> m_busy{false};
    std::mutex m_jobMutex;
    std::optional<PLOTFILE> m_pendingJob;  // guarded by m_jobMutex
    std::atomic<float> m_pendingInitial{0};
    std::atomic<bool> m_refreshQueued{false};

    CViewTransform m_view;
    DrawingBounds m_bounds;
    wxGLContext* m_context = nullptr;
    bool m_glReady = false;
    bool m_softwareGL = false;  // Mesa's llvmpipe or another CPU renderer
    // The drawing compiled per level of detail, one list per group of
    // chunks (built: compiled since the last change); the block grid in its
    // own list.
    struct LevelLists {
        bool built = false;
        std::vector<CDrawingLod::Chunk> groups;
        std::vector<unsigned int> lists;
    };
    CDrawingLod m_lod;
    std::array<LevelLists, CDrawingLod::kLevels> m_levelLists;
    unsigned int m_gridList = 0;
    bool m_listStale = true;  // a rebuild was asked while the canvas could not draw
    wxString m_fileName;
    CPolylineIArray m_drawing;
    CDrawingPlacement m_placement;  // how m_drawing lies against its file
    Status m_loadStatus;
    int m_tool = 0;
    std::vector<int> m_selection;
    wxPoint m_anchor;            // window pixel of the last left (or zoom-tool right) press
    bool m_leftPressed = false;  // a left press in this canvas awaits its release
    wxCursor m_penCursor;
    wxCursor m_knifeCursor;
    CSaveUndo m_undo;
    StatusCallback m_statusCallback;
    TitleCallback m_titleCallback;

    wxDECLARE_EVENT_TABLE();
};
