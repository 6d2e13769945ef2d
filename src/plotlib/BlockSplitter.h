// Splitting a drawing into the bands and blocks a device plots one after
// another, and clipping polylines to one block.
//
// The layout is CPolylineIArray::CalcuBlocks': bands of the paper width W
// across Y, each cut into blocks of the block length L along X, counted
// from the drawing's minimum corner and numbered band by band (block i is
// column i % blocksPerBand of band i / blocksPerBand). A non-positive W
// gives one band, a non-positive L one block per band.
//
// Block i covers the half-open rectangle [x0, x1) x [y0, y1): a point on a
// boundary belongs to the block after it, so nothing is plotted twice. The
// first column and band reach to minus infinity and the last column and
// band to plus infinity, so every point of the drawing lies in exactly one
// block whatever the rounding of the extents. The block's origin, the point
// that becomes (0, 0) on the device, is its lower-left corner (x0, y0) in
// the drawing (the drawing's minimum corner for the first block).
//
// Clipping keeps the parts of each segment inside the block. A segment
// leaving the block ends at the crossing point, rounded half away from
// zero; the same crossing computed for the neighbouring block gives the
// same point, so the pieces meet exactly. Consecutive pieces of one
// polyline that meet stay one polyline. A segment that lies exactly on the
// block's upper X or Y boundary belongs to the next block.
//
// Pure; any thread.
#pragma once

#include <cstdint>
#include <vector>

#include "plotlib/Polyline.h"

struct BlockRect {
    int index = 0;
    int band = 0;
    int column = 0;
    // Bounds in drawing units; the open sides are INT64_MIN / INT64_MAX.
    int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    // Where the block's (0, 0) lies in the drawing.
    int64_t originX = 0, originY = 0;
    // The block's length along X that the drawing fills (for the paper
    // advance after it): from originX to the drawing's right end or x1.
    int64_t lengthX = 0;
};

class CBlockSplitter {
public:
    // `drawing` gives the extents; the splitter keeps no reference to it.
    CBlockSplitter(const CPolylineIArray& drawing, int widthUnits, int blockUnits);

    int Count() const { return m_count; }
    int Bands() const { return m_bands; }
    int BlocksPerBand() const { return m_perBand; }
    // The extents as CalcuBlocks reports them.
    int Width() const { return m_w; }
    int Height() const { return m_h; }
    BlockRect Block(int index) const;

    // Appends the parts of `line` inside `block` to `out` (pen kept).
    static void Clip(const CPolylineI& line, const BlockRect& block,
                     std::vector<CPolylineI>& out);
    // True when the bounding box of `line` can touch `block`.
    static bool MayTouch(int64_t minX, int64_t minY, int64_t maxX, int64_t maxY,
                         const BlockRect& block);

private:
    int m_count = 0;
    int m_bands = 0;
    int m_perBand = 0;
    int m_w = 0;
    int m_h = 0;
    int64_t m_minX = 0;
    int64_t m_minY = 0;
    int64_t m_maxX = 0;
    int m_width = 0;
    int m_block = 0;
};
