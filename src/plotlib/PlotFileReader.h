// Reads plot files into drawings: HP-GL, HP-GL/2 (also wrapped in PJL and
// PCL, with 8-bit polyline-encoded data), DM/PL and DXF (plain and pattern
// DXF, read by CDxfReader with the DXF options of the moment), told apart
// by content.
//
// Points are integer plotter units, 40 per millimetre (1016 per inch), the
// unit of HP-GL; user-scaled HP-GL and DM/PL steps are converted. Each
// pen-down run becomes one polyline in the pen selected at the time (pen 1
// until a file selects one; SP0 keeps pen 1, see CDrawingBuilder). Arcs and
// circles become polylines within 0.1 mm, labels become strokes of a
// Hershey font in the label's pen.
//
// The file is read in 1 MB chunks and parsed as it arrives, so memory is
// the drawing plus one chunk. Any byte sequence gives a drawing or a clear
// error: bytes that are not a plot file (binary data, text, an empty file)
// give an empty drawing and a message saying why.
//
// A reader object is used by one thread; separate readers may run at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "plotlib/DxfReader.h"
#include "plotlib/Polyline.h"
#include "plotlib/Status.h"

class CPlotFileReader {
public:
    enum class Format { Unknown, Hpgl, Dmpl, Dxf };

    static constexpr size_t kChunkSize = 1 << 20;
    // How far into the data the format is looked for.
    static constexpr size_t kSniffSize = 64 * 1024;

    // Replaces `drawing` by the content of the file at `path`.
    Status ReadFile(const std::string& path, CPolylineIArray& drawing);

    // Replaces `drawing` by the content of a byte buffer; `name` is used in
    // messages.
    Status ReadBuffer(const void* data, size_t size, CPolylineIArray& drawing,
                      const std::string& name = "data");

    // Which language the start of a stream is written in (Unknown when it
    // does not look like a plot file).
    static Format Sniff(const uint8_t* data, size_t size);

    // The options DXF files are read with; without this call, the options
    // of the moment (CurrentDxfReadOptions) when a DXF file is read.
    void SetDxfOptions(const DxfReadOptions& options);
    // What the last read learnt of a DXF file (empty for other formats).
    const DxfReadReport& GetDxfReport() const { return m_dxfReport; }
    // Whether the last file read was DXF.
    bool WasDxf() const { return m_wasDxf; }

private:
    Status Parse(const uint8_t* first, size_t firstSize, int fd, std::vector<uint8_t>& buffer,
                 CPolylineIArray& drawing, const std::string& name);
    Status ParseDxf(const uint8_t* first, size_t firstSize, int fd, CPolylineIArray& drawing,
                    const std::string& name);

    bool m_haveDxfOptions = false;
    DxfReadOptions m_dxfOptions;
    DxfReadReport m_dxfReport;
    bool m_wasDxf = false;
};
