// CDrawingLod: levels of detail of a drawing for the preview.
//
// A 25 MB marker holds about two million points; fitted into a window, a
// thousand of them fall on one pixel. Drawing them all costs a software
// renderer seconds per frame and changes nothing on screen. This class
// prepares what the canvas compiles into its display lists:
//  - chunks: the polylines grouped into slices along X (the marker's long
//    direction), so a zoomed-in view calls only the slices it can see;
//  - levels: level 0 is the drawing itself; level k (k >= 1) drops the
//    points that lie closer than Tolerance(k) units to the previous kept
//    point (first and last points always stay), so each line moves by less
//    than Tolerance(k) * 1.5. The canvas picks the coarsest level whose
//    tolerance is at most half a pixel, so the picture is the same.
//
// Plain data, no GL: built and used on the GUI thread.
#pragma once

#include <vector>

#include "plotlib/Polyline.h"

class CDrawingLod {
public:
    static constexpr int kLevels = 14;

    struct Chunk {
        double minX = 0, maxX = 0;  // X range of its polylines
        std::vector<int> lines;     // indices into the drawing, in drawing order
    };

    // Groups the polylines of `drawing` into about `targetChunks` slices by
    // where each starts along X. Empty polylines belong to no chunk.
    void Partition(const CPolylineIArray& drawing, int targetChunks);
    const std::vector<Chunk>& Chunks() const { return m_chunks; }

    // Consecutive chunks merged while their starts lie within `span` units
    // of the group's first start (the canvas uses about half a window's
    // width, so a view touches two or three groups: few draw calls, still
    // culled when zoomed in).
    static std::vector<Chunk> Group(const std::vector<Chunk>& chunks, double span);

    // The tolerance of a level in drawing units (0 for level 0).
    static double Tolerance(int level);
    // The coarsest level whose tolerance is at most half of `unitsPerPixel`.
    static int LevelFor(double unitsPerPixel);

    // The chunk's polylines at `level`, appended to `out` with their pens.
    static void Simplify(const CPolylineIArray& drawing, const Chunk& chunk, int level,
                         CPolylineIArray& out);

    // The chunk at `level` as one batch per pen, in the order the pens first
    // appear: every segment as a pair of vertices (for GL_LINES) and every
    // one-point polyline as a point. A few draw calls per slice instead of
    // one per polyline is what keeps a software renderer fast.
    struct Batch {
        int pen = 0;
        std::vector<int> segments;  // x, y, x, y per segment
        std::vector<int> points;    // x, y per point
    };
    static void MakeBatches(const CPolylineIArray& drawing, const Chunk& chunk, int level,
                            std::vector<Batch>& out);

private:
    std::vector<Chunk> m_chunks;
};
