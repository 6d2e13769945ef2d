// Small geometric helpers on points given as separate float coordinates, in
// whatever unit the caller works in (plotter units, pixels, millimetres).
// The canvas uses them for its drag threshold and the emulation; outline
// extraction and combining files build on them.
//
// None of them keeps state or reports errors: degenerate input has a fixed
// answer (a zero direction, the distance to the first end point, false from
// the solver, area 0 below three vertices). Arithmetic inside is double;
// results are float unless stated.
//
// Two tolerances are used and are deliberately different:
//   - kGeometryEps (1e-6): a length or parameter below it counts as zero, and
//     a parameter within it of 1 counts as 1;
//   - the upper limit of a segment parameter, tested after that snapping:
//     1.0000001 in IsPointNearSegment, 1.000000001 in IntersectSegments.
//
// Pure functions: safe from any thread.
#pragma once

constexpr double kGeometryEps = 1e-6;

// Euclidean distance between (x1, y1) and (x2, y2).
float Distance(float x1, float y1, float x2, float y2);

// Rotates (x, y) in place about (cx, cy) by `angle` radians, counter-clockwise
// when Y points up.
void RotatePoint(float& x, float& y, double angle, float cx, float cy);

// Unit direction from point 1 to point 2; (0, 0) when the points coincide.
void UnitVector(float x1, float y1, float x2, float y2, float& ux, float& uy);

// Whether P lies within `tolerance` of segment AB (or of the whole line AB
// when asLine). A segment shorter than kGeometryEps is taken as the point A.
bool IsPointNearSegment(float px, float py, float ax, float ay, float bx, float by,
                        float tolerance, bool asLine);

// Even-odd point-in-polygon test on n vertices (xs[i], ys[i]), closed
// implicitly. n <= 0 is never inside; one vertex must coincide with P; two
// vertices are a segment that P must be within 1.0 of.
bool IsPointInPolygon(float px, float py, const float* xs, const float* ys, int n);

// Solves a * x = b for the dense row-major n x n matrix `a` by Gaussian
// elimination with complete pivoting. The solution replaces b; a is
// destroyed. False when the matrix is singular (or n < 1).
bool SolveLinearSystem(double* a, double* b, int n);

// Intersection of segment AB with the line through C and D, into (x, y).
// Coinciding end points answer first (A with C or D gives A, then B with C
// or D gives B), in either mode. Otherwise false for parallel lines, and,
// unless asLine, when the crossing lies outside AB. CD is always the whole
// line.
bool IntersectSegments(float ax, float ay, float bx, float by, float cx, float cy, float dx,
                       float dy, float& x, float& y, bool asLine);

// Area of the triangle, positive when the points run counter-clockwise (Y
// up); with `absolute` never negative.
float TriangleArea(float x1, float y1, float x2, float y2, float x3, float y3, bool absolute);

// Absolute area of the polygon of n vertices; 0 below three vertices.
float PolygonArea(const float* xs, const float* ys, int n);
