#include "view/DxfSettings.h"

#include "app/IniSettings.h"
#include "view/SlotSettings.h"

DxfLayerMap ReadDxfLayerMap()
{
    return DxfLayerMap::Read([](const std::string& key, const std::string& defaultValue) {
        return GetIniString(DxfLayerMap::kSection, key, defaultValue);
    });
}

void StoreDxfLayerMap(const DxfLayerMap& map)
{
    map.Write([](const std::string& key, const std::string& value) {
        SetIniString(DxfLayerMap::kSection, key, value);
    });
}

DxfReadOptions ReadDxfReadOptions()
{
    DxfReadOptions options = DefaultDxfReadOptions();
    options.layers = ReadDxfLayerMap();
    const SlotSettings slot = ReadSlotSettings();
    options.slot.width = slot.width;
    options.slot.length = slot.length;
    options.slot.preSpaceA = slot.preSpaceA;
    options.slot.preSpaceB = slot.preSpaceB;
    options.slot.space = slot.space;
    return options;
}
