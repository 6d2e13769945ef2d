#include "plotlib/DxfReadOptions.h"

#include <atomic>

#include "plotlib/Devices.h"

namespace {

std::atomic<DxfOptionsSource> g_source{nullptr};

} // namespace

void SetDxfOptionsSource(DxfOptionsSource source) { g_source.store(source); }

DxfReadOptions DefaultDxfReadOptions()
{
    DxfReadOptions options;
    const PLOTTERCONFIG config = *GetPlotter();
    if (config.resolution > 0)
        options.resolution = config.resolution;
    options.drawPen = config.drawPen;
    options.cutPen = config.cutPen;
    options.halfCutPen = config.halfCutPen;
    return options;
}

DxfReadOptions CurrentDxfReadOptions()
{
    const DxfOptionsSource source = g_source.load();
    return source ? source() : DefaultDxfReadOptions();
}
