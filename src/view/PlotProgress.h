// CPlotProgress: how far a running plot job has got, for the preview's
// light-blue overlay.
//
// The drawing is plotted in bands of the paper width across Y, each band in
// blocks of the block length along X. The plot thread reports the completed
// fraction of the current block; this class turns that into the plotted part
// of the drawing: whole bands below `BandOffset()`, and the current band up
// to X = `BlockStart() + BlockDone()`.
//
// Threads: the GUI thread sets the drawing's extents when it loads a job's
// file (SetExtents), before it signals the "PlotProgress" event; the plot
// thread then calls SetMode, Start and Update; the GUI thread reads the
// values while painting. Every value is a single atomic, written by one thread
// at a time, so the painter sees each value whole (a frame may mix an old and
// a new value, which the next repaint corrects).
#pragma once

#include <atomic>

// One rectangle of the overlay, in drawing units.
struct ProgressRect {
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

class CPlotProgress {
public:
    // GUI thread, when the drawing changes: its extent (maxX - minX and
    // maxY - minY) and the device's paper width and block length in whole
    // plotter units. A block length of 0 or less means one block per band.
    void SetExtents(int drawingWidth, int drawingHeight, int paperWidth, int blockLength);

    // Overlay on or off; starts again from the first block.
    void SetMode(bool show);
    bool Showing() const { return m_show.load(); }
    // A new job: `initialDone` drawing units of the first block are done.
    void Start(float initialDone);
    // The completed fraction (0..1) of the current block.
    void Update(float fraction);

    float BlockDone() const { return m_blockDone.load(); }
    float BandOffset() const { return m_bandOffset.load(); }
    float BlockStart() const { return m_blockStart.load(); }

    // The overlay to draw: the bands below the current one (when there are
    // any) up to `rightEnd`, then the current band up to the reached X.
    // Returns the number of rectangles written (1 or 2).
    int OverlayRects(float rightEnd, float paperWidth, ProgressRect rects[2]) const;

private:
    std::atomic<bool> m_show{false};
    std::atomic<float> m_blockDone{0};
    std::atomic<float> m_bandOffset{0};
    std::atomic<float> m_blockStart{0};
    std::atomic<int> m_width{0};
    std::atomic<int> m_height{0};
    std::atomic<int> m_paperWidth{0};
    std::atomic<int> m_blockLength{0};
};
