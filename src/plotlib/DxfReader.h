// CDxfReader: reads a DXF file (plain, or a pattern file in the AAMA /
// ASTM D6673 practice) into a drawing of integer plotter units, what the
// plot file reader does for HP-GL. Steps:
//   1. CDxfParser reads the file with dxflib behind CDxfGroupFilter;
//   2. the unit: the pattern text "UNITS = METRIC" (millimetres) or
//      "UNITS = ENGLISH" (inches), ':' also taken for '=', else the header's
//      $INSUNITS, else $MEASUREMENT (0 inches, 1 millimetres), else
//      millimetres;
//   3. CDxfFlattener places blocks and samples curves (in millimetres);
//   4. each shape goes where the layer map (DxfLayerMap) sends its layer:
//      the draw, cut or half-cut pen of the options; notches become slots
//      (MakeSlotPath, with the options' slot sizes, against the lines of
//      their own piece) or, with slots off, a cut line of the slot length
//      into the piece; drill holes a cross on the draw pen. Text is only
//      ever drawn, with the draw pen, never cut. Text on layer 1 outside
//      any piece is the style text: read (style name, units), not drawn.
//
// A notch is a POINT (the notch's place on the boundary, with its
// direction when the file gives one; otherwise across the nearest edge of
// its piece) or a short straight line across the edge; any other shape on
// a notch layer is cut as drawn. A drill hole is a POINT or a CIRCLE (its
// centre); any other shape on that layer is drawn.
//
// A file that is not DXF, is damaged, or gives nothing to plot leaves an
// empty drawing and a BadInput status naming the file and the reason; the
// report says what was read (units, pieces, what was left out).
//
// One thread uses a reader object; separate readers may run at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "plotlib/DxfFlattener.h"
#include "plotlib/DxfGroupFilter.h"
#include "plotlib/DxfReadOptions.h"
#include "plotlib/Polyline.h"
#include "plotlib/Status.h"

struct DxfReadReport {
    std::string units;          // "millimetres", "inches", ...
    std::string unitsSource;    // where the unit came from
    std::string style;          // "Style Name" of the style text
    std::vector<DxfPiece> pieces;
    size_t notches = 0;         // notches turned into slots or cut lines
    size_t notchesWithoutEdge = 0;
    size_t drillHoles = 0;
    size_t ignoredEntities = 0;   // kinds the reader does not draw
    size_t damagedEntities = 0;   // refused values, left out
    size_t missingBlocks = 0;     // inserts of blocks the file does not define
    size_t refusedInserts = 0;    // nested too deep, or inserting themselves
};

class CDxfReader {
public:
    explicit CDxfReader(const DxfReadOptions& options) : m_options(options) {}

    // Replaces `drawing` by the file's content.
    Status ReadFile(const std::string& path, CPolylineIArray& drawing);
    Status ReadBuffer(const void* data, size_t size, CPolylineIArray& drawing,
                      const std::string& name);
    // Reads what `source` gives; `name` is used in messages.
    Status Read(CDxfGroupFilter::Source source, CPolylineIArray& drawing, const std::string& name);

    const DxfReadReport& Report() const { return m_report; }

    // Whether the start of a stream is ASCII DXF: after blank lines and
    // comments (group 999), group 0 with SECTION. Binary DXF is told apart
    // by its sentinel.
    static bool LooksLikeDxf(const uint8_t* data, size_t size);
    static bool IsBinaryDxf(const uint8_t* data, size_t size);
    // Whether a file name ends in ".dxf", without regard to case.
    static bool HasDxfName(const std::string& name);
    // Whether the file at `path` holds DXF (ASCII or binary), by content.
    // Edits are never written back into such a file: written as HP-GL, the
    // pattern's layers would be lost.
    static bool FileIsDxf(const std::string& path);
    static constexpr const char* kNotRewritten =
        "it is a DXF file, and edits are not written into DXF files; convert it to HP-GL "
        "(plotvane-cli convert) to edit it";

    // Millimetres per drawing unit of $INSUNITS, 0 for unitless or unknown.
    static double InsUnitsToMm(int insUnits);

private:
    double ResolveUnits(const CDxfDocument& document);
    Status Convert(const CDxfDocument& document, const std::vector<DxfShape>& shapes,
                   CPolylineIArray& drawing);

    DxfReadOptions m_options;
    DxfReadReport m_report;
};
