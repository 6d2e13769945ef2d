// Drawings: a CPolylineIArray is an ordered list of CPolylineI, each a run
// of integer points in plotter units drawn with one pen. X runs along the
// paper (the feed), Y across it; the paper band spans Y from 0 to the paper
// width.
//
// A drawing is a plain value owned by whoever holds it (the preview canvas,
// a plot run, the combine dialog). It is not thread-safe; one thread uses a
// drawing at a time.
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

    // Draws the polyline into the current OpenGL context as a line strip, in
    // its pen's colour (highlighted when selected).
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

    // Replaces the drawing by the content of a plot file (HP-GL, HP-GL/2 or
    // DMPL, told apart by content). A file that cannot be read or is not a
    // plot file leaves an empty drawing and an error saying why.
    Status Load(const std::string& path);

    void Rotate(double degrees);       // about the origin, counter-clockwise
    void Mirror();                     // x -> -x (mirror on the vertical axis)
    void AlignZero();                  // minimum corner to (0, 0)
    void Offset(int dx, int dy);
    void Scale(double sx, double sy);  // about the origin, rounded
    void Append(const CPolylineIArray& other);

    // Bounding rectangle of every point. An empty drawing reports all four
    // as 0 (max equal to min) and answers false.
    bool GetBoundRect(int& minX, int& minY, int& maxX, int& maxY) const;

    // Indices of the polylines with at least one segment (or point) inside or
    // crossing the world rectangle; corners in any order.
    void Select(double x1, double y1, double x2, double y2, std::vector<int>& indices) const;

    // Block count of the drawing plotted in bands of `widthUnits` across Y,
    // each band cut into blocks of `blockUnits` along X (see the
    // implementation's header comment for the exact rule). Sets `bands` and
    // `blocksPerBand`, and w, h to the extents in units.
    int CalcuBlocks(int widthUnits, int blockUnits, int& bands, int& blocksPerBand,
                    int& w, int& h) const;

    // Draws every polyline into the current OpenGL context.
    void Draw() const;
    // Writes every polyline into a plot file being written; stops early
    // (returning false) when `abort` becomes true.
    bool Draw(CPlotter& plotter, const std::atomic<bool>* abort) const;

    std::vector<CPolylineI> m_lines;
};
