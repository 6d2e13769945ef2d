// Writing the five slot sizes back into section "Global" of Setting.ini;
// ReadSlotSettings (CanvasTools.h) reads them. The slot dialog stores them
// on OK. Any thread.
#pragma once

#include "view/CanvasTools.h"

// Writes all five keys as integers: "Slot_Width", "Slot_Length",
// "Slot_PreSpaceA", "Slot_PreSpaceB", "SlotSpace".
void StoreSlotSettings(const SlotSettings& values);
