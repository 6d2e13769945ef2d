// CPolygon: a closed outline found in a drawing, together with the indices
// of the drawing's polylines whose points it was built from (one polyline
// closed by itself, or a chain of open polylines joined end to end).
//
// Outline extraction collects these, drops the ones lying inside another
// one, and hands the pen of the survivors back to their source polylines
// (SetSourcePen). The points are integer plotter units like every drawing;
// the area and the containment tests work in float through the geometry
// primitives.
//
// A plain value; one thread uses a polygon at a time.
#pragma once

#include <vector>

#include "plotlib/Polyline.h"

class CPolygon : public CPolylineI {
public:
    CPolygon() = default;
    CPolygon(const CPolygon& other) = default;
    CPolygon(CPolygon&& other) = default;
    CPolygon& operator=(CPolygon&& other) = default;
    virtual ~CPolygon();

    // Takes the points of a polyline; the source indices are emptied.
    CPolygon& operator=(const CPolylineI& line);
    // Takes the points and the source indices of another polygon.
    CPolygon& operator=(const CPolygon& other);

    // Empties the source indices and the points.
    void Clear();

    void AddIndex(int index) { m_sourceIndices.push_back(index); }
    void AddIndices(const std::vector<int>& indices);
    const std::vector<int>& GetIndices() const { return m_sourceIndices; }

    // Absolute area in units of (1000 plotter units)^2, so 1.0 is one million
    // square units; 0 below three points. Computed exactly (in double) and
    // then rounded to float, so equal outlines give equal areas whichever
    // vertex they start from.
    float GetArea() const;

    // Bounding rectangle of the points; false (and all four 0) without points.
    bool GetBounds(int& minX, int& minY, int& maxX, int& maxY) const;

    // Moves every vertex `distance` units to the inside of the outline, each
    // along the normal of its outgoing edge (no mitre; the last vertex uses
    // the last edge's normal). Repeated points are removed first. Which side
    // is inside is decided once, from a point just beside the first edge.
    void Inset(int distance);

    // Whether `other` lies inside this outline. The same outline found twice
    // (identical bounds, areas within 1e-6) counts as contained, so that one
    // copy survives. Otherwise `other` is pulled in by one unit and every
    // resulting point must be inside this outline or within 1.0 of one of its
    // edges (the closing edge from the last vertex to the first is not
    // tested: extraction results depend on exactly this test).
    bool Contains(const CPolygon& other) const;

    // Gives polyline k of `drawing` the pen, for every source index k.
    // Indices outside the drawing are skipped.
    void SetSourcePen(int pen, CPolylineIArray& drawing) const;

    std::vector<int> m_sourceIndices;
};

// The containment core shared by CPolygon::Contains and the prepared
// containment of the extractor: every point (px[i], py[i]) is inside the
// polygon (ax, ay, an) or within 1.0 of one of its edges j -> j+1 for j up to
// an-2. False when there are no points.
bool ArePointsWithinPolygon(const float* px, const float* py, int pn, const float* ax,
                            const float* ay, int an);

// Whether every point of `line` is inside `polygon` (even-odd test); false
// when the polygon has fewer than 3 points, true for a line without points.
// `xs` and `ys` are float copies of the polygon's points.
bool IsPolylineInsidePolygon(const CPolylineI& line, const float* xs, const float* ys, int n);

// Near ends: two end points count as meeting when their distance, truncated
// to a whole unit, is at most 40 (any distance below 41.0).
bool AreEndsNear(const PointI& a, const PointI& b);

// Near vertex: some vertex of `line` lies within 40.0 of the point.
bool IsNearVertex(const CPolylineI& line, const PointI& point);

// Joins `q` to an end of `chain` when their ends meet, trying in turn the
// chain's last point with q's first and last, then the chain's first point
// with q's first and last; q's points are taken so that the chain stays one
// run (both meeting points are kept). No join when q is empty, or when every
// point of q is near a vertex of the chain: q merely retraces it. A q that
// runs from one end of a chain of three or more points to the other closes
// the chain and is joined even though its points are all near vertices.
bool JoinPolyline(CPolylineI& chain, const CPolylineI& q);
