// The configuration of one output device and the description of one plot
// job. Both are plain values: a device's configuration is copied into every
// CPlotter and every plot run, so a device edited meanwhile never changes a
// job half way.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

// The language a device speaks. HP-GL for almost every plotter and cutter;
// DMPL for the older Houston Instrument family.
enum class PlotLanguage : int { Hpgl = 0, Dmpl = 1 };

struct PLOTTERCONFIG {
    float scaleX = 1.0f;        // output scale factors (1.0 writes 1:1)
    float scaleY = 1.0f;
    float paperWidth = 1.8f;    // paper width across Y, metres
    int32_t resolution = 1016;  // plotter units per inch (HP-GL: 40 per mm)
    float blockLength = 0.0f;   // block length along X, metres; <= 0: one block per band
    int32_t drawPen = 1;        // pen that draws
    int32_t cutPen = 2;         // knife that cuts through
    int32_t halfCutPen = 3;     // knife that cuts in stretches (perforation)
    bool extractOnAdd = false;  // extract outlines of files added to the plot list
    int32_t extractPen = 2;     // pen offered by the extract pen choice
    PlotLanguage language = PlotLanguage::Hpgl;
};

// Rounds half away from zero, the rule for every float that becomes a
// coordinate or a shown whole number.
inline long long RoundHalfAway(double v)
{
    return static_cast<long long>(v < 0 ? std::ceil(v - 0.5) : std::floor(v + 0.5));
}

// Metres to plotter units: m x 100 / 2.54 x resolution, rounded.
inline int MetresToUnits(double metres, int resolution)
{
    return static_cast<int>(RoundHalfAway(metres * 100.0 / 2.54 * resolution));
}

// Plotter units to whole millimetres: units / resolution x 25.4, rounded.
inline int UnitsToMillimetres(double units, int resolution)
{
    if (resolution <= 0)
        return 0;
    return static_cast<int>(RoundHalfAway(units / resolution * 25.4));
}

// One plot job: a file with its rotation, mirroring, the blocks to send
// (zero-based, inclusive) and the number of copies.
struct PLOTFILE {
    std::string path;
    int32_t beginBlock = 0;
    int32_t stopBlock = 0;
    bool rotate = false;
    bool mirror = false;
    int32_t copies = 1;
};

using PlotList = std::vector<PLOTFILE>;
