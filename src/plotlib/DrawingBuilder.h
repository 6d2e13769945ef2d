// Turns the pen moves of a plot-file interpreter into a drawing: every
// pen-down run becomes one polyline in the pen selected at the time; a pen
// up, a pen change or a label ends the run, and the next run starts where
// the pen then stands.
//
// Positions are kept in plotter units as doubles (so relative moves with
// fractions do not drift) and saturated to the int32 range; points are
// rounded half away from zero when stored. Arcs, circles and labels are
// generated points: their count is bounded by a budget that grows with the
// input read, so a hostile file cannot make the drawing explode.
//
// Used by one parser on one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "plotlib/HersheyText.h"
#include "plotlib/Polyline.h"

class CDrawingBuilder {
public:
    // Largest chord error of generated arcs: 0.1 mm.
    static constexpr double kChordError = 4.0;
    // Segments of one arc at most (chord error stays within 0.1 mm up to a
    // radius of about 340 m).
    static constexpr int kMaxArcSegments = 4096;

    explicit CDrawingBuilder(CPolylineIArray& drawing);

    // Generated points allowed per input byte, and up front.
    void GrantBudget(size_t inputBytes);

    void SelectPen(int pen);
    int Pen() const { return m_pen; }
    void PenUp();
    void PenDown() { m_down = true; }
    bool IsDown() const { return m_down; }

    // Final rotation of every stored point about the origin, in quarter
    // turns (plot rotation of HP-GL/2 files).
    void SetQuarterTurns(int turns) { m_quarterTurns = turns & 3; }

    StrokePoint Position() const { return m_pos; }
    // Moves to (x, y); draws a segment when the pen is down. Non-finite
    // coordinates are ignored.
    void MoveTo(double x, double y);
    // Sets the position without drawing and without ending the run (for
    // the return move of a circle, which restores the pen state).
    void SetPosition(double x, double y);

    // Arc about (cx, cy) from the current position through `sweepDeg`
    // degrees (positive counter-clockwise); draws only when the pen is down.
    void ArcAround(double cx, double cy, double sweepDeg);
    // Full circle of `radius` about the current position, always drawn as
    // its own polyline; the pen returns to the centre in its former state.
    void Circle(double radius);
    // Closed rectangle edge from the current position to (x, y); the
    // position stays.
    void Rectangle(double x, double y);

    // A separate polyline in the current pen (label strokes, polygon
    // edges); the position does not change.
    void Stroke(const std::vector<StrokePoint>& points, bool close = false);
    // Draws a label at the current position and moves the pen to its end.
    void Label(const std::string& text, const LabelStyle& style);

    // Polygon mode: moves go into a separate buffer until EmitPolygon.
    void BeginPolygon();
    void ClosePolygonPart();   // the next pen-down move starts a new part
    void EndPolygonMode();     // stop buffering; the buffer stays for EmitPolygon
    bool InPolygonMode() const { return m_target == &m_polygon; }
    // Appends the buffered polygon's closed edges to the drawing once (a
    // fill followed by an edge of the same polygon does not double it).
    void EmitPolygon();

    // Ends the current pen-down run; the pen state is unchanged.
    void EndRun() { FlushRun(); }
    void Finish();

    size_t PointsStored() const { return m_points; }

private:
    PointI Round(double x, double y) const;
    int SegmentsFor(double radius, double sweepRad);
    void Append(double x, double y);
    void FlushRun();

    CPolylineIArray& m_drawing;
    CPolylineIArray m_polygon;
    CPolylineIArray* m_target;
    std::vector<PointI> m_run;  // points of the pen-down run being drawn
    bool m_inRun = false;
    bool m_polygonEmitted = true;
    StrokePoint m_pos;
    int m_pen = 1;
    bool m_down = false;
    int m_quarterTurns = 0;
    size_t m_points = 0;
    size_t m_budget = 1u << 20;
};
