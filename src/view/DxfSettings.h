// The DXF layer map in Setting.ini (section DxfLayers, see DxfLayerMap.h),
// and the options DXF files are read with: that map, the slot sizes of the
// slot tool (SlotSettings.h) and the current device's resolution and pens.
// Any thread.
#pragma once

#include "plotlib/DxfLayerMap.h"
#include "plotlib/DxfReadOptions.h"

DxfLayerMap ReadDxfLayerMap();
void StoreDxfLayerMap(const DxfLayerMap& map);

// The options of the moment; the program hands this function to
// SetDxfOptionsSource at start, so every DXF file is read with them.
DxfReadOptions ReadDxfReadOptions();
