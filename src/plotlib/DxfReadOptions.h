// How a DXF file becomes a drawing: the layer map, the slot sizes notches
// are cut with, and the device's resolution and pens the drawing is made
// for. A plain value.
//
// The plot file reader (CPolylineIArray::Load) takes the options of the
// moment from a source that the program sets once at start (the settings in
// Setting.ini and the current device, see view/DxfSettings.h); without one,
// the built-in layer map and slot sizes with the current device's
// resolution and pens. The source may be asked from any thread.
#pragma once

#include "plotlib/DxfLayerMap.h"
#include "plotlib/PolylineTools.h"

struct DxfReadOptions {
    DxfLayerMap layers;
    SlotSize slot;              // millimetres
    int resolution = 1016;      // plotter units per inch
    int drawPen = 1;
    int cutPen = 2;
    int halfCutPen = 3;
};

using DxfOptionsSource = DxfReadOptions (*)();

// Sets (or, with nullptr, clears) the source of the options the reader uses.
void SetDxfOptionsSource(DxfOptionsSource source);

// The options of the moment: from the source, else the defaults for the
// current device (GetPlotter()).
DxfReadOptions CurrentDxfReadOptions();

// The defaults with `resolution` and the pens of the current device.
DxfReadOptions DefaultDxfReadOptions();
