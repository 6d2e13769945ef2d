// COutlineExtractor: finds the outer outline of every pattern piece in a
// drawing and gives the polylines that make it up one pen (the cut or the
// half-cut knife), while inner lines keep theirs.
//
// Step 1 collects every closed outline: a polyline closed by itself (its
// ends, or its first and second-to-last points, within 40 units), or a chain
// of open polylines joined end to end, each time with the lowest-index
// polyline whose end meets a chain end and that does not merely retrace the
// chain. Whatever lies wholly inside an outline found this way is set aside.
// Outlines of 0.04 (40 000 square units) or less are dropped. Step 2 lets an
// outline of more than twice the area of every other one (a frame around the
// marker) through at once, and then keeps every outline that no other
// remaining outline contains.
//
// The results are those of the plain description above, which tests keep as
// a literal reference; the work is organised to stay fast on markers of many
// thousand polylines: grid indexes of end points, first points and outline
// bounds stand in for full scans, and areas, bounds, float copies and inset
// copies are computed once per outline.
//
// Threads: Run is called on the extraction worker. It reads the drawing and
// writes pens into it only at the very end of a complete run, so a cancelled
// run leaves the drawing as it was. Nobody else may touch the drawing while
// Run works. The progress callback is called on the worker.
#pragma once

#include <functional>
#include <vector>

#include "geometry/Polygon.h"
#include "plotlib/PlotterConfig.h"
#include "plotlib/Polyline.h"

class CExtractControl;

struct ExtractResult {
    bool cancelled = false;
    int closedOutlines = 0;         // outlines left after step 1 and the area filter
    int outerOutlines = 0;          // outlines that got the pen
    std::vector<int> changedLines;  // polylines given the pen, ascending, each once
};

class COutlineExtractor {
public:
    // step is 1 or 2; value runs from 0 to range within a step. Called with
    // value 0 when a step begins, with range when it ends, and at most about
    // 200 times in between, so a dialog can post each call to its gauge.
    using ProgressFn = std::function<void(int step, int value, int range)>;

    // Both optional: without a control the run cannot be cancelled or held.
    void SetControl(CExtractControl* control) { m_control = control; }
    void SetProgress(ProgressFn progress) { m_progress = std::move(progress); }

    // Runs both steps and, unless cancelled, sets `pen` on the polylines of
    // every outer outline. An empty drawing ends at once with nothing found.
    ExtractResult Run(CPolylineIArray& drawing, int pen);

    // Step 1 with the area filter: the closed outlines in the order found.
    // False when cancelled.
    bool FindClosedPolygons(const CPolylineIArray& drawing, std::vector<CPolygon>& polygons);
    // Step 2: positions in `polygons` of the outer outlines, in the order
    // they are given the pen. False when cancelled.
    bool SelectOuterPolygons(const std::vector<CPolygon>& polygons, std::vector<int>& outer);

private:
    bool Cancelled();
    void Report(int step, int value, int range);

    CExtractControl* m_control = nullptr;
    ProgressFn m_progress;
    int m_lastStep = 0;
    long long m_lastTick = -1;
};

// The pen for outer outlines: the device's cut pen for choice 0 ("SP2"), its
// half-cut pen for any other choice ("SP3").
int ExtractPenForChoice(const PLOTTERCONFIG& config, int choice);
