// libFuzzer target: any bytes through the DXF reader (the group filter,
// dxflib, block placement, curve sampling, notches and drill marks). It
// must not crash, hang or read out of bounds; a refused file leaves an
// empty drawing and whatever it accepts is well formed (every polyline has
// at least two points). The input's length picks slots or cut lines for
// notches, so both paths are fuzzed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "plotlib/DxfReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DxfReadOptions options;  // built-in map and slot sizes, 1016 units per inch
    options.layers.notchSlots = (size & 1) == 0;
    CDxfReader reader(options);
    CPolylineIArray drawing;
    const Status status = reader.ReadBuffer(data, size, drawing, "fuzz.dxf");
    if (!status && drawing.GetCount() != 0)
        std::abort();
    for (const CPolylineI& line : drawing.m_lines)
        if (line.m_points.size() < 2)
            std::abort();
    return 0;
}
