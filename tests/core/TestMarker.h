// A generated marker for the plot-run tests: `pieces` closed outlines of 60
// points laid out in columns of 15, written as HP-GL by the program's own
// encoder (about 5 KB of device output per 10 pieces).
#pragma once

#include <cmath>
#include <string>

#include "plotlib/AtomicFile.h"
#include "plotlib/PlotEncoder.h"

inline bool WriteTestMarker(const std::string& path, int pieces)
{
    std::string text;
    CPlotEncoder encoder(PlotLanguage::Hpgl, StandardHpglCommandSet(), 1.0, 1.0, 1016,
                         [&](const char* p, size_t n) {
                             text.append(p, n);
                             return true;
                         });
    encoder.Begin();
    for (int piece = 0; piece < pieces; ++piece) {
        CPolylineI line(1);
        const int cx = 2500 + (piece / 15) * 4500, cy = 2500 + (piece % 15) * 4500;
        for (int k = 0; k <= 60; ++k) {
            const double a = (k % 60) * 2 * M_PI / 60;
            line.AddPoint(cx + static_cast<int>(2000 * std::cos(a)) + (k * 37) % 11,
                          cy + static_cast<int>(1500 * std::sin(a)));
        }
        encoder.WritePolyline(line);
    }
    encoder.End();
    encoder.Flush();
    return WriteFileAtomically(path, text).ok();
}
