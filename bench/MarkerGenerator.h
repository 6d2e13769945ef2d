// Synthetic markers for benchmarks: a marker is the plot file of a cutting
// layout, many garment pieces side by side across the fabric width. The
// generator writes HP-GL the way pattern programs do ("IN;SP1;", one
// "PUx,y;" to each outline's start, then one "PDx,y;" per point, LF line
// ends), deterministically from a seed on every platform, so benchmarks of
// loading, extraction and combining work on the same bytes everywhere.
//
// Pieces are closed, star-like outlines (smooth bumps on an ellipse, 100 to
// 400 mm across) packed in columns: Y runs across the width (0 to the
// width, default 1.8 m), X along the feed. Units are plotter units, 40 per
// millimetre.
//
// Usage:
//   MarkerOptions o;            // 5000 pieces of 400 points, 1.8 m wide
//   o.labels = true;            // a label per piece, in pen 2
//   std::string hpgl = CMarkerGenerator::Generate(o);
//   CMarkerGenerator::WriteFile("/tmp/marker.plt", o);
#pragma once

#include <cstdint>
#include <string>

struct MarkerOptions {
    int pieces = 5000;
    int pointsPerPiece = 400;   // distinct points of each outline (closed by repeating the first)
    uint64_t seed = 1;
    double widthMm = 1800.0;    // fabric width across Y
    bool labels = false;        // "SP2;PU...;SI0.4,0.6;LBPiece n<ETX>" inside each piece
    bool splitOutlines = false; // each outline drawn as two pen-down runs joined end to end
};

class CMarkerGenerator {
public:
    // The marker as HP-GL text.
    static std::string Generate(const MarkerOptions& options);
    // Writes the marker to `path`; false when the file cannot be written.
    static bool WriteFile(const std::string& path, const MarkerOptions& options);
    // Number of points a loader should find in the outlines (labels excluded).
    static uint64_t OutlinePoints(const MarkerOptions& options);
};
