#include "view/SlotSettings.h"

#include "app/IniSettings.h"

namespace {

// Each key with its member, in the order the keys are written.
struct SlotKey {
    const char* key;
    int SlotSettings::*value;
};
constexpr SlotKey kSlotKeys[] = {
    {"Slot_Width", &SlotSettings::width},
    {"Slot_Length", &SlotSettings::length},
    {"Slot_PreSpaceA", &SlotSettings::preSpaceA},
    {"Slot_PreSpaceB", &SlotSettings::preSpaceB},
    {"SlotSpace", &SlotSettings::space},
};

} // namespace

SlotSettings ReadSlotSettings()
{
    SlotSettings s;
    for (const SlotKey& k : kSlotKeys)
        s.*k.value = GetIniInt("Global", k.key, s.*k.value);
    return s;
}

void StoreSlotSettings(const SlotSettings& values)
{
    for (const SlotKey& k : kSlotKeys)
        SetIniInt("Global", k.key, values.*k.value);
}
