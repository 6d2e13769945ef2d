// Drawings: a CPolylineIArray is an ordered list of CPolylineI, each a run
// of integer points in plotter units drawn with one pen. X runs along the
// paper (the feed), Y across it; the paper band spans Y from 0 to the paper
// width.
//
// A drawing is a plain value owned by whoever holds it (the preview canvas,
// a plot run, the combine dialog). It is not thread-safe; one thread uses a
// drawing at a time.
//
// Coordinates stay within int32: every transform (Rotate, Mirror, Offset,
// Scale, AlignZero) saturates at the range's edge instead of wrapping.
// Point and polyline indices out of range are ignored (InsertPoint clamps
// the index: before the start prepends, past the end appends).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "plotlib/Status.h"

class CPlotter;
class CPolylineIArray;

struct PointI {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const PointI& o) const { return x == o.x && y == o.y; }
    bool operator!=(const PointI& o) const { return !(*this == o); }
};

class CPolylineI {
public:
    CPolylineI() = default;
    explicit CPolylineI(int pen) : m_pen(pen) {}

    int GetCount() const { return static_cast<int>(m_points.size()); }
    PointI GetPoint(int i) const { return m_points[static_cast<size_t>(i)]; }
    void AddPoint(int x, int y) { m_points.push_back(PointI{x, y}); }
    void InsertPoint(int i, int x, int y);
    void SetPoint(int i, int x, int y) { m_points[static_cast<size_t>(i)] = PointI{x, y}; }
    void RemoveAt(int i);
    int GetPenNo() const { return m_pen; }
    void SetPenNo(int pen) { m_pen = pen; }
    void Destroy() { m_points.clear(); }

    // Draws the polyline into the current OpenGL context as a line strip (a
    // single point as a GL point), in its pen's colour (PenColour.h, pens of
    // GetPlotter()); a selected polyline (m_selected) is drawn wider in the
    // selection colour. GUI thread, with a current GL context.
    void Draw() const;

    // Breaks this polyline into pieces for pattern cutting; the pieces are
    // appended to `drawing`, the remainder stays here. See PolylineTools.h.
    void BrokenPoly(CPolylineIArray& drawing);
    // Turns this polyline into a slot (a notch cut into the piece's edge);
    // the slot's polylines are appended to `drawing`. See PolylineTools.h.
    void CreateSlot(CPolylineIArray& drawing, int pen, int width, int length,
                    int preSpaceA, int preSpaceB, int space);

    std::vector<PointI> m_points;
    int m_pen = 1;
    unsigned char m_selected = 0;
};

class CPolylineIArray {
public:
    int GetCount() const { return static_cast<int>(m_lines.size()); }
    CPolylineI* GetPolyline(int i) { return &m_lines[static_cast<size_t>(i)]; }
    const CPolylineI* GetPolyline(int i) const { return &m_lines[static_cast<size_t>(i)]; }
    CPolylineI& Add(int pen);   // appends an empty polyline and returns it
    void RemovePolyline(int i);
    void Destroy() { m_lines.clear(); }

    // Replaces the drawing by a plot file's content (HP-GL, HP-GL/2, DMPL, or DXF read
    // with the options of DxfReadOptions.h; told apart by content). A file that cannot
    // be read or is not a plot file leaves an empty drawing and an error saying why.
    Status Load(const std::string& path);

    // About the origin, counter-clockwise. Multiples of 90 degrees are exact
    // ((x, y) -> (-y, x) for 90); other angles round half away from zero.
    void Rotate(double degrees);
    void Mirror();                     // x -> -x (mirror on the vertical axis)
    void AlignZero();                  // minimum corner to (0, 0)
    void Offset(int dx, int dy);
    void Scale(double sx, double sy);  // about the origin, rounded
    void Append(const CPolylineIArray& other);

    // Bounding rectangle of every point. An empty drawing reports all four
    // as 0 (max equal to min) and answers false.
    bool GetBoundRect(int& minX, int& minY, int& maxX, int& maxY) const;

    // Fills `indices` (cleared first, ascending) with the polylines that have
    // at least one segment inside or crossing the world rectangle, edges
    // included, or whose single point lies in it; a segment that crosses the
    // rectangle counts even when none of its vertices is inside. Corners in
    // any order; a rectangle of no width or height selects what passes
    // through it. Polylines without points are never selected.
    void Select(double x1, double y1, double x2, double y2, std::vector<int>& indices) const;

    // Block count of the drawing plotted in bands across Y, each band in
    // blocks along X. With the extents w = maxX - minX and h = maxY - minY
    // (GetBoundRect):
    //     bands         = ceil(h / widthUnits), at least 1; 1 if widthUnits <= 0
    //     blocksPerBand = ceil(w / blockUnits), at least 1; 1 if blockUnits <= 0
    //     result        = bands x blocksPerBand
    // Blocks are numbered band by band: block k is block k % blocksPerBand of
    // band k / blocksPerBand (band 0 at the lowest Y, block 0 at the lowest
    // X). An extent that is an exact multiple ends on the last boundary and
    // needs no extra band or block; a drawing of extent 0 (one point, a line
    // along one axis) has one. An empty drawing (no points) answers 0 with
    // bands, blocksPerBand, w and h all 0. Values beyond the int range are
    // clamped to INT_MAX.
    int CalcuBlocks(int widthUnits, int blockUnits, int& bands, int& blocksPerBand,
                    int& w, int& h) const;

    // Draws every polyline into the current OpenGL context in its pen
    // colour, with vertex arrays (fast enough for millions of points and
    // fit for a display list). Selection marks are ignored here: the canvas
    // draws selected polylines on top with CPolylineI::Draw, so a compiled
    // list stays valid while the selection changes. GUI thread.
    void Draw() const;
    // Writes every polyline into a plot file being written
    // (CPlotter::DrawPolyline). When `abort` becomes true it stops, marks the
    // plotter aborted (so Close leaves the old file alone) and answers false.
    bool Draw(CPlotter& plotter, const std::atomic<bool>* abort) const;

    std::vector<CPolylineI> m_lines;
};
