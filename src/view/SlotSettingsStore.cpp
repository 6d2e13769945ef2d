#include "view/SlotSettingsStore.h"

#include "app/IniSettings.h"

void StoreSlotSettings(const SlotSettings& values)
{
    SetIniInt("Global", "Slot_Width", values.width);
    SetIniInt("Global", "Slot_Length", values.length);
    SetIniInt("Global", "Slot_PreSpaceA", values.preSpaceA);
    SetIniInt("Global", "Slot_PreSpaceB", values.preSpaceB);
    SetIniInt("Global", "SlotSpace", values.space);
}
