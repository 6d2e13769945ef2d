#include "view/CanvasTools.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>

#include "geometry/GeometryPrimitives.h"
#include "plotlib/BSpline.h"

namespace {

bool Resolves(const CPolylineIArray& drawing, int index)
{
    return index >= 0 && index < drawing.GetCount();
}

// Millimetres back to plotter units, rounded half away from zero; a value
// beyond the coordinate range stops at its edge instead of wrapping.
int MillimetresToUnits(double mm, int resolution)
{
    const double units = mm / 25.4 * resolution;
    constexpr double lo = std::numeric_limits<int32_t>::min();
    constexpr double hi = std::numeric_limits<int32_t>::max();
    if (std::isnan(units))
        return 0;
    if (units <= lo)
        return static_cast<int>(lo);
    if (units >= hi)
        return static_cast<int>(hi);
    return static_cast<int>(RoundHalfAway(units));
}

} // namespace

bool IsEditingTool(int tool)
{
    return tool == kToolDrawPen || tool == kToolCutPen || tool == kToolHalfCutPen ||
           tool == kToolSlot || tool == kToolSpline;
}

bool ToolPushesUndo(int tool) { return tool == kToolSlot || tool == kToolSpline; }

bool IsDrag(int anchorX, int anchorY, int x, int y)
{
    return Distance(static_cast<float>(anchorX), static_cast<float>(anchorY),
                    static_cast<float>(x), static_cast<float>(y)) > kDragThreshold;
}

void ClearSelection(CPolylineIArray& drawing, std::vector<int>& selection)
{
    for (int index : selection) {
        if (Resolves(drawing, index))
            drawing.GetPolyline(index)->m_selected = 0;
    }
    selection.clear();
}

void ToggleSelection(CPolylineIArray& drawing, std::vector<int>& selection,
                     const std::vector<int>& found)
{
    // Membership by index, so a band around a whole marker stays linear.
    std::vector<char> selected(static_cast<size_t>(drawing.GetCount()), 0);
    for (int index : selection) {
        if (Resolves(drawing, index))
            selected[static_cast<size_t>(index)] = 1;
    }
    bool removedAny = false;
    for (int index : found) {
        if (!Resolves(drawing, index))
            continue;
        char& in = selected[static_cast<size_t>(index)];
        if (!in) {
            drawing.GetPolyline(index)->m_selected = 1;
            selection.push_back(index);
            in = 1;
        } else {
            drawing.GetPolyline(index)->m_selected = 0;
            in = 0;
            removedAny = true;
        }
    }
    // Drop the deselected entries in one pass; the rest keep their order.
    if (removedAny) {
        selection.erase(std::remove_if(selection.begin(), selection.end(),
                                       [&](int index) {
                                           return Resolves(drawing, index) &&
                                                  !selected[static_cast<size_t>(index)];
                                       }),
                        selection.end());
    }
}

void SmoothPolyline(CPolylineI& line, int resolution)
{
    if (resolution <= 0)
        return;  // no way to reach millimetres: leave the polyline as it is
    CBSpline spline;
    spline.Destroy();
    for (int i = 0; i < line.GetCount(); ++i) {
        const PointI p = line.GetPoint(i);
        spline.AddPoint(p.x * 25.4 / resolution, p.y * 25.4 / resolution);
    }
    spline.Generate();  // no points gives no samples, handled below
    double* raw = nullptr;
    const int n = spline.GetSplinePts(&raw);
    const std::unique_ptr<double[]> points(raw);
    const int pen = line.GetPenNo();
    line.Destroy();
    for (int i = 0; i < n; ++i)
        line.AddPoint(MillimetresToUnits(points[2 * static_cast<size_t>(i)], resolution),
                      MillimetresToUnits(points[2 * static_cast<size_t>(i) + 1], resolution));
    line.SetPenNo(pen);
}

void RemoveEmptyPolylines(CPolylineIArray& drawing)
{
    auto& lines = drawing.m_lines;
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const CPolylineI& l) { return l.GetCount() == 0; }),
                lines.end());
}

bool ApplyTool(CPolylineIArray& drawing, std::vector<int>& selection, int tool,
               const PLOTTERCONFIG& config, const std::function<SlotSettings()>& slotSizes)
{
    const bool any = !selection.empty();
    if (!IsEditingTool(tool)) {
        ClearSelection(drawing, selection);
        return any;
    }
    for (int index : selection) {
        if (!Resolves(drawing, index))
            continue;
        // A slot may append polylines to the drawing, which can move every
        // polyline in memory: the polyline is looked up again after each
        // step rather than kept by address.
        CPolylineI* line = drawing.GetPolyline(index);
        line->m_selected = 0;
        switch (tool) {
        case kToolDrawPen:
            line->SetPenNo(config.drawPen);
            break;
        case kToolCutPen:
            line->SetPenNo(config.cutPen);
            break;
        case kToolHalfCutPen:
            line->SetPenNo(config.halfCutPen);
            break;
        case kToolSlot: {
            const SlotSettings s = slotSizes ? slotSizes() : SlotSettings{};
            line->SetPenNo(config.cutPen);
            line->CreateSlot(drawing, config.cutPen, s.width, s.length, s.preSpaceA,
                             s.preSpaceB, s.space);
            break;
        }
        case kToolSpline:
            SmoothPolyline(*line, config.resolution);
            break;
        default:
            break;
        }
    }
    RemoveEmptyPolylines(drawing);
    selection.clear();
    return any;
}

int DeleteSelected(CPolylineIArray& drawing, std::vector<int>& selection)
{
    // Removing the selected polylines one by one from the highest index
    // down keeps every remaining index valid; marking them and compacting
    // the drawing once gives the same drawing without moving the tail of a
    // big marker once per removed polyline.
    std::vector<char> doomed(static_cast<size_t>(drawing.GetCount()), 0);
    int removed = 0;
    for (int index : selection) {
        if (Resolves(drawing, index) && !doomed[static_cast<size_t>(index)]) {
            doomed[static_cast<size_t>(index)] = 1;
            ++removed;
        }
    }
    selection.clear();
    if (removed == 0)
        return 0;
    auto& lines = drawing.m_lines;
    size_t kept = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!doomed[i]) {
            if (kept != i)
                lines[kept] = std::move(lines[i]);
            ++kept;
        }
    }
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(kept), lines.end());
    return removed;
}
