// CPlotEncoder turns polylines into the bytes of a device language: HP-GL
// or DMPL (Houston Instrument). It is the one writer behind every plot file
// the program produces (CPlotter, edited drawings written back) and behind
// the output to real plotters and cutters, so a file and a device always get
// the same commands.
//
// Bytes are collected in an internal buffer and handed to a sink callback
// whenever the buffer passes the flush threshold, and at Flush(). The sink
// returns false on a write error; the encoder then stops writing and
// Failed() says so (the sink keeps its own error text).
//
// Command sets. A device language is described by five command literals
// (init, end, pen up, pen down, select pen) packed into one string by
// PackCommandSet / CPlotter::MakeCommand and unpacked by UnpackCommandSet.
// The packing is length-prefixed ("<len>:<bytes>," five times), so a literal
// may hold any byte, including ',' ':' or NUL, and a damaged or truncated
// set is recognised instead of being half used.
//
// What is written, with the standard sets (x, y after scaling):
//   HP-GL: Begin  -> "IN;PU0,0;"
//          pen    -> "SP2;"
//          PU     -> "PUx,y;"
//          PD     -> "PDx1,y1,x2,y2,...;"         then "\n" after a polyline
//          End    -> "PU;PG;\n"
//   DMPL:  Begin  -> ";:" and the unit command for the resolution
//                    ("ECN" 0.025 mm at 1016/inch, "EC1" 0.001 inch at
//                    1000/inch, "EC5" 0.005 inch at 200/inch, "ECM" 0.1 mm
//                    at 254/inch; nothing for other resolutions, where the
//                    device's default step applies) and " "
//          pen    -> "SP2 "
//          PU     -> "Ux,y "
//          PD     -> "Dx1,y1,x2,y2,... "         then "\n" after a polyline
//          End    -> "@\n"
// Coordinates are integers: the drawing point plus the offset (SetOffset),
// times the scale factor, rounded half away from zero and saturated to the
// int32 range.
//
// A polyline (WritePolyline) becomes: a pen select when its pen differs from
// the last one selected (the first polyline always selects), a pen-up move
// to its first point, and one pen-down list through the rest. A polyline of
// one point is a dot: the pen-up move and an empty pen-down ("PD;" / "D ").
// A polyline without points writes nothing.
//
// Use by a device run (clipping, block origins):
//     PlotCommandSet set;
//     if (!UnpackCommandSet(packedSet, set)) ... error
//     CPlotEncoder enc(PlotLanguage::Hpgl, set, scaleX, scaleY, resolution,
//                      [&](const char* p, size_t n) { return port.Write(p, n); });
//     enc.Begin();
//     enc.SetOffset(-blockX, -bandY);            // block origin to (0, 0)
//     enc.SelectPen(2); enc.PenUpTo(p0); enc.PenDownTo(pts, n);
//     enc.End(); enc.Flush();
//
// One thread uses an encoder at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "plotlib/PlotterConfig.h"
#include "plotlib/Polyline.h"

// The five command literals of one device language.
struct PlotCommandSet {
    std::string init;       // sent once before the first polyline
    std::string end;        // sent once after the last polyline
    std::string penUp;      // followed by "x,y"
    std::string penDown;    // followed by "x1,y1,x2,y2,..."
    std::string selectPen;  // followed by the pen number
};

// Packs the five literals into one string (see the header comment).
std::string PackCommandSet(const PlotCommandSet& set);
// Unpacks a string made by PackCommandSet; false (and `set` untouched) for
// anything else: empty, truncated, wrong field count, trailing bytes.
bool UnpackCommandSet(const std::string& packed, PlotCommandSet& set);

// The built-in sets, the same literals the program hands to CPlotter.
PlotCommandSet StandardHpglCommandSet();
PlotCommandSet StandardDmplCommandSet();

// Receives encoded bytes; returns false when they could not be written.
using PlotSink = std::function<bool(const char* data, size_t size)>;

class CPlotEncoder {
public:
    // `resolution` (plotter units per inch) only chooses the DMPL unit
    // command. Non-finite or zero scale factors are taken as 1.0.
    CPlotEncoder(PlotLanguage language, PlotCommandSet set, double scaleX, double scaleY,
                 int resolution, PlotSink sink, size_t flushThreshold = 64 * 1024);
    ~CPlotEncoder() = default;
    CPlotEncoder(const CPlotEncoder&) = delete;
    CPlotEncoder& operator=(const CPlotEncoder&) = delete;

    // Init sequence (and the DMPL unit command). Forgets the current pen.
    void Begin();
    // End sequence: the set's end literal (the standard HP-GL one lifts the
    // pen and ejects the page) and a line break.
    void End();

    // Selects `pen` unconditionally and remembers it.
    void SelectPen(int pen);
    // Selects `pen` only when it differs from the last pen selected.
    void SelectPenIfChanged(int pen);
    // Pen-up move to one point.
    void PenUpTo(PointI p);
    // One pen-down list through `count` points (none: the pen just goes down).
    void PenDownTo(const PointI* points, size_t count);
    // Pen select if changed, pen-up move to the first point, pen-down list
    // through the rest, line break.
    void WritePolyline(const CPolylineI& line);
    // Bytes passed through unchanged (device control sequences, comments).
    void Raw(const char* data, size_t size);
    void Raw(const std::string& text) { Raw(text.data(), text.size()); }

    // Added to every drawing point before scaling.
    void SetOffset(int64_t dx, int64_t dy) { m_offsetX = dx; m_offsetY = dy; }
    // Splits pen-down lists after this many points (0: never). HP-GL and
    // DMPL continue a line drawn with the pen still down, so the result is
    // the same drawing; some plotters have small command buffers.
    void SetMaxPointsPerCommand(size_t n) { m_maxPoints = n; }

    // Hands the buffered bytes to the sink. False when the sink failed now
    // or earlier.
    bool Flush();
    bool Failed() const { return m_failed; }
    int CurrentPen() const { return m_pen; }
    // Bytes produced so far (buffered or flushed).
    uint64_t BytesEncoded() const { return m_total + m_buffer.size(); }
    PlotLanguage Language() const { return m_language; }

    // The output coordinate of a drawing coordinate on one axis.
    int32_t OutX(int32_t x) const;
    int32_t OutY(int32_t y) const;

private:
    void Put(const char* data, size_t size);
    void Put(const std::string& text) { Put(text.data(), text.size()); }
    void PutPoint(PointI p);
    void Terminate();
    void MaybeFlush();

    PlotLanguage m_language;
    PlotCommandSet m_set;
    double m_scaleX;
    double m_scaleY;
    int m_resolution;
    PlotSink m_sink;
    size_t m_threshold;
    std::string m_buffer;
    uint64_t m_total = 0;
    int64_t m_offsetX = 0;
    int64_t m_offsetY = 0;
    size_t m_maxPoints = 0;
    int m_pen = -1;  // -1: no pen selected since Begin
    bool m_failed = false;
};
