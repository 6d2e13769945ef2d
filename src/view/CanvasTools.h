// The editing tools of the preview canvas, apart from the window: the tool
// identifiers, the drag threshold, toggling the selection, applying a tool
// (pens, slots, splines) to the selected polylines, and deleting them.
//
// The canvas (CPlotterView) keeps the drawing and the selection (indices
// into the drawing, in the order they were added, each with its polyline's
// selected flag set) and calls these on the GUI thread; they touch nothing
// but the values they are given, so they can be checked without a window.
//
// Indices that the drawing no longer resolves (the drawing was changed
// behind the selection's back) are skipped everywhere.
#pragma once

#include <functional>
#include <vector>

#include "plotlib/PlotterConfig.h"
#include "plotlib/Polyline.h"
#include "view/SlotSettings.h"

// Tool identifiers; they double as the main window's command identifiers.
enum CanvasTool : int {
    kToolNone = 0,
    kToolZoom = 10040,
    kToolDrawPen = 10041,
    kToolCutPen = 10042,
    kToolHalfCutPen = 10043,
    kToolSlot = 10101,
    kToolSpline = 10107,
};

// The tools that work on a selection (the three pens, slot and spline).
bool IsEditingTool(int tool);
// The tools whose application pushes an undo copy of the file.
bool ToolPushesUndo(int tool);

// A press and a release (or the pointer) closer than this, in pixels, is a
// click; only a larger distance counts as a drag.
constexpr float kDragThreshold = 5.0f;
bool IsDrag(int anchorX, int anchorY, int x, int y);

// Clears the selected flag of every selected polyline and empties the
// selection.
void ClearSelection(CPolylineIArray& drawing, std::vector<int>& selection);

// Toggles each index of `found` in turn: one not yet selected is flagged and
// appended, one already selected is unflagged and removed.
void ToggleSelection(CPolylineIArray& drawing, std::vector<int>& selection,
                     const std::vector<int>& found);

// Smooths one polyline into the B-spline through its points, computed in
// millimetres (`resolution` plotter units per inch) and rounded back to
// units half away from zero (saturating at the int32 range). The pen stays.
// A polyline for which the spline gives no points is left empty.
void SmoothPolyline(CPolylineI& line, int resolution);

// Removes every polyline without points; the order of the others stays.
void RemoveEmptyPolylines(CPolylineIArray& drawing);

// Applies `tool` to the selected polylines in selection order: the draw,
// cut or half-cut pen of `config`; a slot (cut pen, sizes from `slotSizes`,
// asked anew for every polyline); or spline smoothing. Then removes the
// polylines left empty and empties the selection (flags cleared). Answers
// whether anything was selected, that is whether the drawing may have
// changed. A tool that is not an editing tool only clears the selection.
bool ApplyTool(CPolylineIArray& drawing, std::vector<int>& selection, int tool,
               const PLOTTERCONFIG& config, const std::function<SlotSettings()>& slotSizes);

// Removes the selected polylines and empties the selection: the drawing
// that results from removing them one at a time from the highest index
// down, so that no removal shifts another's index (done in one pass).
// Answers how many polylines were removed.
int DeleteSelected(CPolylineIArray& drawing, std::vector<int>& selection);
