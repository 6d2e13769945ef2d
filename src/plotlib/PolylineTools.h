// The two polyline edits of the preview's tools: slots (notches cut into a
// pattern piece's edge) and broken lines (polylines split at sharp
// corners). CPolylineI::CreateSlot and CPolylineI::BrokenPoly (declared in
// Polyline.h) are defined in PolylineTools.cpp on top of the functions here,
// which take every input explicitly so they can be checked without a device.
//
// Slots
// -----
// The selected polyline is a notch mark: a short line across the piece's
// edge, pointing into the piece, as pattern programs draw them. Its
// direction runs from its first point to the point farthest from it. The
// edge is found in the drawing: the nearest crossing of the mark's line
// with another polyline, searched within half the mark's length beyond
// either end; when several crossings are equally near (a mark reaching
// from the cut line to the sewing line), the larger polyline (by bounding
// box) is the edge. The crossing is the notch's mouth M. The direction d
// into the piece is the mark's direction or its reverse: for a closed
// edge polyline, whichever leads inside it; otherwise towards the mark's
// end farther from M. Without any crossing, M is the mark's first point and
// d points to its far end.
//
// With n the unit normal of d (d turned +90 degrees), the notch is one
// knife path, all sizes in millimetres:
//   width      mouth width, along the edge: corners ML = M - n*width/2,
//              MR = M + n*width/2;
//   length     depth from the edge into the piece;
//   space      width of the notch floor: corners BL, BR = M + d*length
//              -/+ n*space/2. space 0 gives a V notch, space = width a
//              square U notch, width = space = 0 a straight slit;
//   preSpaceA  lead-in: the first side (ML to BL) is extended by this much
//              outward beyond the edge, so the knife is down and aligned
//              before it crosses the piece's outline;
//   preSpaceB  lead-out: the second side (BR to MR) is extended by this
//              much outward beyond the edge, so the knife leaves through the
//              outline without turning.
// Path: lead-in start, BL, BR, lead-out end (consecutive equal points
// merged), in plotter units rounded half away from zero. The mark itself
// becomes this path (it would otherwise cut a slit into the piece), with
// the given pen; nothing is appended. A mark of no length or a notch of no
// depth leaves the polyline unchanged.
//
// Broken lines
// ------------
// A polyline is broken at every corner where its direction turns by more
// than kBreakAngleDegrees, so a drag knife lifts and turns there instead of
// dragging round the corner, and each straight or gently curved run can be
// given its own pen. Consecutive repeated points are dropped first. Pieces
// share their corner points. A closed polyline (first point equal to the
// last) with sharp corners is rotated to start at its first sharp corner,
// so its closing point is not a break unless it is itself sharp; without
// sharp corners it stays whole. The first piece stays in the polyline
// (its pen and place in the drawing), the others are appended to the
// drawing in order with the same pen. A polyline with fewer than three
// distinct points, or without sharp corners, is not changed.
//
// Everything here runs on the caller's thread and touches only its
// arguments.
#pragma once

#include <vector>

#include "plotlib/Polyline.h"

// Notch sizes in millimetres (see above).
struct SlotSize {
    double width = 6.0;
    double length = 10.0;
    double preSpaceA = 3.0;
    double preSpaceB = 3.0;
    double space = 3.0;
};

// The notch path for `mark`, in plotter units at `resolution` units per
// inch. `drawing` supplies the piece edges; a polyline of it at the same
// address as `mark` is not taken for an edge. Empty when the mark has no
// length, the notch no depth, or the resolution is not positive.
std::vector<PointI> MakeSlotPath(const CPolylineIArray& drawing, const CPolylineI& mark,
                                 const SlotSize& size, int resolution);

// Corners turning by more than this break a polyline.
constexpr double kBreakAngleDegrees = 45.0;

// The pieces `points` breaks into at corners turning by more than
// `breakAngleDegrees`; a single piece (the points unchanged) when there is
// nothing to break.
std::vector<std::vector<PointI>> SplitAtCorners(const std::vector<PointI>& points,
                                                double breakAngleDegrees = kBreakAngleDegrees);
