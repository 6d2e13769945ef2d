// libFuzzer target: any bytes through the plot file reader. The reader must
// not crash, hang or read out of bounds, and whatever it accepts must be a
// well-formed drawing (every polyline has at least two points).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "plotlib/PlotFileReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CPolylineIArray drawing;
    CPlotFileReader reader;
    const Status status = reader.ReadBuffer(data, size, drawing, "fuzz");
    if (!status && drawing.GetCount() != 0)
        std::abort();  // a failed load must leave an empty drawing
    for (const CPolylineI& line : drawing.m_lines)
        if (line.m_points.size() < 2)
            std::abort();
    return 0;
}
