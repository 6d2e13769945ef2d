// The five slot sizes in millimetres, kept as integers in section "Global"
// of Setting.ini. The slot tool reads them anew for every polyline it cuts;
// the slot dialog shows them and stores them on OK. Any thread.
#pragma once

struct SlotSettings {
    int width = 6;
    int length = 10;
    int preSpaceA = 3;
    int preSpaceB = 3;
    int space = 3;
};

// Reads the keys "Slot_Width", "Slot_Length", "Slot_PreSpaceA",
// "Slot_PreSpaceB" and "SlotSpace" (defaults 6, 10, 3, 3, 3).
SlotSettings ReadSlotSettings();
// Writes all five, in that order.
void StoreSlotSettings(const SlotSettings& values);
