// Whether a document that arrived over IPP is a plot file Plotvane can take:
// read with the program's own plot file reader (so what the window would
// refuse is refused here, with the reader's reason), and not cut off inside
// a command (see CPlotDataEnd).
//
// Any thread; each call uses its own reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "plotlib/PlotFileReader.h"

class CPlotDocumentCheck {
public:
    enum class Verdict {
        Plot,        // a whole HP-GL or DM/PL file
        NotPlot,     // not a plot file at all (binary data, text, empty)
        Cut,         // a plot file that ends inside a command
        Unreadable,  // the spooled document could not be read
    };

    struct Result {
        Verdict verdict = Verdict::Unreadable;
        CPlotFileReader::Format format = CPlotFileReader::Format::Unknown;
        std::string message;  // for job-state-message; empty for Plot
    };

    // Checks the document stored at `path`; `name` is used in messages.
    static Result CheckFile(const std::string& path, const std::string& name);

    // The MIME type for the start of a document sent as
    // application/octet-stream: HP-GL, DM/PL or DXF, or nullptr when the
    // bytes do not start like a plot file.
    static const char* SniffMimeType(const uint8_t* data, size_t size);

    static constexpr const char* kHpglMime = "application/vnd.hp-HPGL";
    static constexpr const char* kDmplMime = "application/x-dmpl";
    static constexpr const char* kDxfMime = "image/vnd.dxf";
};
