// The order in which one block's polylines are sent, to keep the pen-up
// travel between them short.
//
// Pens first: the draw pen goes first (marking is done while the pieces
// are still whole), then any other pens by number, then the half-cut pen,
// and the cut pen last (a cut piece may move on the table). Within one pen
// the polylines are taken greedily: from the pen's position, the nearest
// polyline end comes next. An open polyline may be entered from either end
// (it is then sent reversed); a closed one (first point equal to the last)
// is entered where it starts, so a knife still enters a piece where the
// pattern program chose. The nearest end is found through a uniform grid of
// the ends, searched ring by ring, falling back to a scan of what is left
// when few polylines remain far apart, so ordering stays near O(n) for
// typical markers.
//
// Pure functions, any thread.
#pragma once

#include <cstdint>
#include <vector>

#include "plotlib/PlotterConfig.h"
#include "plotlib/Polyline.h"

class CPenPathOrder {
public:
    // Reorders (and reverses where it helps) `lines` for plotting from
    // `pen`, and leaves `pen` where the last polyline ends. Polylines
    // without points are dropped.
    static void Order(std::vector<CPolylineI>& lines, const PLOTTERCONFIG& config, PointI& pen);

    // Only the nearest-neighbour part, for lines of one pen.
    static void OrderNearest(std::vector<CPolylineI>& lines, PointI& pen);

    // Rank of a pen in the plotting order (smaller goes first).
    static int PenRank(int pen, const PLOTTERCONFIG& config);

    // Total pen-up travel, in units, of plotting `lines` in their order
    // from `start`.
    static double PenUpTravel(const std::vector<CPolylineI>& lines, PointI start);
};
