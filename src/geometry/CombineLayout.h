// CCombineLayout: packs pattern pieces one after another into a single
// layout across the plot width, as the combine dialog and
// "plotvane-cli combine" do.
//
// The layout grows along X; Y runs across the paper from 0 to the plot
// width W (plotter units). Each piece is first enlarged about its centre so
// its bounding rectangle grows by the gap G on every side, aligned to the
// origin and put at the layout's right edge. Two profiles then describe the
// situation row by row (one row per plotter unit of Y):
//   - the layout profile L[y]: the furthest X any layout segment reaches in
//     row y (0 for rows without geometry);
//   - the piece profile P[y]: the nearest X the piece reaches in row y (the
//     piece's right edge for rows without geometry).
// A row is sampled at a segment's end points and, between them, only where
// the segment can still raise (or lower) the profile, by intersecting it
// with the horizontal line of that row (IntersectSegments in line mode).
// The piece is tried at the heights dy = 0, 200, 400, ... below W - H (H its
// enlarged height); the clearance at a height is the least P[y] - L[dy + y].
// The first height is taken at once, a later one only when its clearance is
// strictly greater, so among equal clearances the lowest height wins. The
// piece is shrunk back to its own size, moved left by the clearance and up
// by the height, and appended. Neighbouring pieces end up about G apart.
//
// The layout profile only ever gains segments while pieces are appended,
// so it is kept between pieces and extended by the new polylines rather
// than rebuilt; undo and clear start it afresh. The values are the same as
// a profile built from scratch for every piece.
//
// One step of undo: a combine (BeginCombine) or a clear keeps a copy of the
// layout before it; Undo brings that copy back once.
//
// A plain value used by one thread at a time; no wx.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plotlib/PlotterConfig.h"
#include "plotlib/Polyline.h"
#include "plotlib/Status.h"

// Where one piece went. dx and dy are the final shift of the (shrunk) piece
// from its start position at the layout's right edge; dy is the chosen
// height across the paper.
struct CombinePlacement {
    bool placed = false;
    int dx = 0;
    int dy = 0;
};

class CCombineLayout {
public:
    // Heights are tried in steps of this many plotter units.
    static constexpr int kHeightStep = 200;
    // The most rows a profile may have (64 MB of int32). A piece or plot
    // width beyond it (hundreds of metres at usual resolutions) is refused.
    static constexpr int kMaxRows = 1 << 24;

    explicit CCombineLayout(int plotWidthUnits = 0);

    // The plot width in plotter units (negative counts as 0).
    void SetPlotWidth(int units);
    int GetPlotWidth() const { return m_plotWidth; }

    const CPolylineIArray& GetLayout() const { return m_layout; }
    bool HasPolylines() const { return m_layout.GetCount() > 0; }

    // Starts one combine command: the undo copy takes the layout as it is
    // (even when no piece will fit after all).
    void BeginCombine();
    // Places one loaded piece (already turned as wanted) with the gap G in
    // plotter units (negative counts as 0). Not placed, and the layout left
    // unchanged, when its enlarged height is more than the plot width.
    CombinePlacement PlacePiece(CPolylineIArray piece, int gapUnits);
    // Empties the layout; a layout with polylines becomes the undo copy.
    void Clear();
    bool CanUndo() const { return m_canUndo; }
    // Brings back the layout before the last combine or clear; false when
    // there is nothing to undo. Only one step.
    bool Undo();

    // Extents of the layout: max - min + 1 of its bounding rectangle, 0 when
    // max equals min (an empty layout included).
    int LayoutLength() const;
    int LayoutHeight() const;

    // Writes the layout into a plot file at 1:1 (the scale factors of
    // `config` are not used) in the device's language, atomically.
    Status Save(const std::string& path, const PLOTTERCONFIG& config) const;

    // --- unit conversions shared by the dialog and the command line ---------
    // The plot width in plotter units: metres x 100 / 2.54 x resolution,
    // truncated toward zero; 0 for a width that is not positive and finite,
    // at most INT32_MAX.
    static int PlotWidthUnits(double paperWidthMetres, int resolution);
    // The gap in plotter units: mm / 25.4 x resolution, rounded half away
    // from zero; a negative or non-finite gap is 0, a huge one is capped
    // (it cannot fit any piece anyway).
    static int GapUnits(double gapMillimetres, int resolution);
    // The free width across the paper in whole millimetres: paper width x
    // 1000 - layout height / resolution x 25.4, rounded half away from zero.
    static int SpaceMillimetres(double paperWidthMetres, int layoutHeight, int resolution);
    // Width or height of a drawing shown as whole millimetres: the extent
    // max - min + 1, taken as 0 when it is 1, converted and rounded.
    static int ExtentMillimetres(int minValue, int maxValue, int resolution);

private:
    // Adds the segments of layout polylines [first, end) to the profile.
    void ExtendLayoutProfile(int firstLine);
    void InvalidateProfile();

    CPolylineIArray m_layout;
    CPolylineIArray m_undoCopy;
    bool m_canUndo = false;
    int m_plotWidth = 0;

    // The layout profile L over rows [0, size); rows at or past the size
    // read 0. m_profileLines layout polylines are in it; m_profileRows is
    // one past the highest row holding geometry (the vector may be longer,
    // padded with zeros for the search).
    std::vector<int32_t> m_profile;
    int m_profileLines = 0;
    int m_profileRows = 0;
    bool m_profileValid = false;
    // The piece profile, reused between pieces.
    std::vector<int32_t> m_pieceProfile;
};

// List items of placed files carry this mark in front of the file name.
extern const char* const kCombineMark;  // "*** "
// The file name of a list item: every leading "*** " removed.
std::string StripCombineMarks(const std::string& itemText);
// The list text of a placed file: "*** " and the bare name.
std::string CombineMarkedName(const std::string& itemText);
