// The main window's rules that need no window: which commands are enabled
// for a given state, what a click on the auto-plot box does to the two
// mode flags, how the mark and front space fields turn text into numbers,
// and which items the device and extract pen choices select at start-up.
// The window gathers the plain state, asks these functions and applies the
// answers to its controls. All functions are pure and thread-agnostic.
#pragma once

#include <string>
#include <vector>

// What the enabling rules look at.
struct CommandState {
    bool plotting = false;         // a plot job runs
    bool plotRows = false;         // the plot list has at least one row
    bool plotRowSelected = false;  // the plot list has a selected row
    bool fileRowSelected = false;  // the file list has a selected row
    bool autoPlot = false;
    bool canUndo = false;          // the preview's undo store
    bool canRedo = false;
};

// Whether the command or control `id` is enabled in `state`. Ids without a
// rule are always enabled.
bool IsCommandEnabled(int id, const CommandState& state);

// The two mode flags after a click on the auto-plot box.
struct AutoPlotOutcome {
    bool autoPlot = false;
    bool deleteFile = false;
    // Tell the user that auto plot deletes the plotted files.
    bool showNote = false;
};

// Auto plot needs delete-file: every file in the folder is queued on each
// tick, so a file that stays would be plotted again and again. Turning
// auto plot on therefore also turns delete-file on (with a note if it was
// off); turning it off leaves delete-file as it is.
AutoPlotOutcome ClickAutoPlot(bool newAutoPlot, bool deleteFile);

// The number in a mark or front space field: the leading decimal number
// of the text after blanks ("2.5cm" is 2.5), 0 when the text does not start
// with one. The point is the decimal separator whatever the locale, and a
// value that is not a finite float (overflow, "inf", "nan") reads as 0, so
// a typing slip never reaches a plot job as an absurd margin.
float ParseSpaceField(const std::string& text);

// The text shown in a space field: two decimals with a point.
std::string FormatSpaceField(float value);

// The selection of the extract pen choice at start-up. `storedIndex` is
// the saved ExtractPen index; it is used when it names an item, otherwise
// `fallbackIndex` stays. When the device's extract pen gives an item "SP<n>"
// that exists, that item wins.
int ExtractPenSelection(const std::vector<std::string>& items, int storedIndex,
                        int devicePen, int fallbackIndex);

// The index of `name` in `names`, or -1.
int IndexOfName(const std::vector<std::string>& names, const std::string& name);

// A position in plotter units as millimetres for the status bar ("%.4f"),
// and the zoom scale ("%.4f:1"). A resolution of 0 or less gives "0.0000".
std::string FormatMillimetres(double units, int resolution);
std::string FormatScale(double scale);
