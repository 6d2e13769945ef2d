// The colour a pen's lines get in the preview: the configuration's draw pen
// black, cut pen red, half-cut pen blue (checked in that order when two of
// them share a number), and every other pen a colour of its own from a
// fixed table, none of them black, red or blue, so a stray pen stands out.
#pragma once

#include "plotlib/PlotterConfig.h"

struct PenRgb {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    bool operator==(const PenRgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const PenRgb& o) const { return !(*this == o); }
};

PenRgb PenColour(int pen, const PLOTTERCONFIG& config);

// Colour of a selected polyline, drawn over its pen colour.
PenRgb SelectionColour();
