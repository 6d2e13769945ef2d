// PlotQueue: the plot list's rows without a window. Each row is the eight
// texts the list control shows (file name, total, begin and stop block,
// rotate, mirror, extent, copies), and those texts are the job settings:
// a row is turned into a PLOTFILE by reading them back. The window keeps
// its rows in the list control and uses the static helpers row by row; the
// member functions hold a whole queue for callers that need one (moves,
// building the job list, tests).
//
// The yes/no texts are passed in already translated, so that a flag cell
// reads as set whenever it differs from the translated "No", whatever the
// language. Plain value; one thread at a time (the GUI thread).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "plotlib/PlotterConfig.h"
#include "plotlib/Status.h"
#include "view/DrawingPlacement.h"

class CPolylineIArray;

enum PlotColumn : int {
    ColName = 0,
    ColTotal,
    ColBegin,
    ColStop,
    ColRotate,
    ColMirror,
    ColExtent,
    ColCopies,
    PlotColumnCount
};

using PlotRowTexts = std::array<std::string, PlotColumnCount>;

// What loading a file for a row gives: its block count and extent in units.
struct PlotMeasure {
    int blocks = 0;
    int width = 0;   // units
    int height = 0;  // units
    Status load;     // why the file showed an empty drawing (ok if it loaded)
    CDrawingPlacement placement;  // how the drawing was turned and moved
};

// The block range a block dialog shows and edits.
struct BlockRange {
    int total = 0;
    int begin = 0;
    int stop = 0;
};

class PlotQueue {
public:
    static constexpr int kMinCopies = 1;
    static constexpr int kMaxCopies = 1000;
    static constexpr int kUnloadedBlocks = 10000;

    PlotQueue(std::string yes = "Yes", std::string no = "No");

    // ---- helpers on single rows (used by the window) ----

    // Plain decimal parsing of a cell; text that is not a number reads as 0.
    static int ParseNumber(const std::string& text);
    // "%d x %d" of an extent in units, shown in whole millimetres.
    static std::string FormatExtent(int width, int height, int resolution);
    // Paper width W and block length L of a device in units.
    static void BlockGeometry(const PLOTTERCONFIG& config, int& widthUnits, int& blockUnits);
    // Whether a copies value may be stored (1 to 1000).
    static bool CopiesValid(int copies) { return copies >= kMinCopies && copies <= kMaxCopies; }
    // The range a block dialog starts with: begin and stop at most the
    // total, at least 1, and stop at least begin.
    static BlockRange ClampBlocks(int total, int begin, int stop);
    // Whether the dialog's OK may be pressed: 1 <= begin <= stop <= total.
    static bool BlockRangeValid(const BlockRange& range);
    // Same file name ignoring letter case (ASCII).
    static bool SameName(const std::string& a, const std::string& b);
    // Folder + separator + name, made absolute.
    static std::string FullPath(const std::string& folder, const std::string& name);

    // Loads `path` into `drawing`, rotates it by 90 degrees and mirrors it
    // when asked, aligns it to the origin and counts its blocks with the
    // device's W and L. An unreadable file leaves an empty drawing (0
    // blocks, 0 x 0) and says why in the result's status.
    static PlotMeasure Measure(const std::string& path, bool rotate, bool mirror,
                               const PLOTTERCONFIG& config, CPolylineIArray& drawing);

    // Writes columns 1 to 7 of `row` (column 0 stays): total, begin 1 (0
    // when there are no blocks), stop = total, the flags, the extent and
    // the copies.
    void FillRow(PlotRowTexts& row, int blocks, bool rotate, bool mirror,
                 const std::string& extent, int copies) const;

    // The flag a rotate or mirror cell holds.
    bool ReadFlag(const std::string& text) const { return text != m_no; }
    const std::string& FlagText(bool on) const { return on ? m_yes : m_no; }

    // The job a row describes: path = full path of the row's file inside
    // `folder`, blocks zero-based, flags, copies.
    PLOTFILE RowToPlotFile(const PlotRowTexts& row, const std::string& folder) const;

    // ---- the whole queue ----

    int GetCount() const { return static_cast<int>(m_rows.size()); }
    const PlotRowTexts& Row(int row) const { return m_rows[static_cast<size_t>(row)]; }
    PlotRowTexts& Row(int row) { return m_rows[static_cast<size_t>(row)]; }
    void AppendRow(const PlotRowTexts& row) { m_rows.push_back(row); }
    void Clear() { m_rows.clear(); }

    // The row whose file name equals `name` ignoring case, or -1.
    int FindRow(const std::string& name) const;

    // Adds or refreshes the row of `name`. A listed name (any letter case)
    // keeps its rotate, mirror and copies and gets its begin and stop reset
    // to the full range; a new name is appended with rotate and mirror off
    // and one copy. With `load` the file in `folder` is measured (the
    // drawing is left in `drawing` for the caller, e.g. outline
    // extraction); without it the row reads 10000 blocks and "0 x 0".
    // Returns the row's index; `loadStatus` (optional) receives why the
    // file could not be read.
    int AddFile(const std::string& name, const std::string& folder, bool load,
                const PLOTTERCONFIG& config, CPolylineIArray& drawing,
                Status* loadStatus = nullptr);

    // Moves row `from` to `to`, shifting the rows between by one. Out of
    // range indices change nothing and answer false.
    bool MovePlotRow(int from, int to);
    // Removes one row; false when out of range.
    bool RemovePlotRow(int row);

    // Every row as a job, in order.
    void BuildPlotList(const std::string& folder, PlotList& list) const;
    // Row 0 as a job, optionally removed; false when the queue is empty.
    bool TakeNextJob(const std::string& folder, PLOTFILE& job, bool removeRow);

private:
    std::string m_yes;
    std::string m_no;
    std::vector<PlotRowTexts> m_rows;
};
