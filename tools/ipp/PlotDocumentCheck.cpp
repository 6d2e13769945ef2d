#include "PlotDocumentCheck.h"

#include "PlotDataEnd.h"

#include <cstdio>

CPlotDocumentCheck::Result CPlotDocumentCheck::CheckFile(const std::string& path, const std::string& name)
{
    Result result;
    CPolylineIArray drawing;
    CPlotFileReader reader;
    const Status read = reader.ReadFile(path, drawing);
    if (!read) {
        result.verdict = read.kind() == StatusKind::BadInput ? Verdict::NotPlot : Verdict::Unreadable;
        // The reader names the spool file; the station knows its document.
        std::string message = read.message();
        if (message.compare(0, path.size(), path) == 0)
            message = name + message.substr(path.size());
        result.message = message;
        return result;
    }

    // The reader has told the language by content already; the same sniff
    // gives it here without a second pass over the drawing.
    uint8_t head[CPlotFileReader::kSniffSize];
    size_t have = 0;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        have = std::fread(head, 1, sizeof head, f);
        std::fclose(f);
    }
    result.format = CPlotFileReader::Sniff(head, have);

    bool cut = false;
    std::string where;
    const Status end = CPlotDataEnd::Check(path, result.format, cut, where);
    if (!end) {
        result.verdict = Verdict::Unreadable;
        result.message = end.message();
        return result;
    }
    if (cut) {
        result.verdict = Verdict::Cut;
        result.message = name + " ends inside a command (" + where + "): the file was cut off";
        return result;
    }
    result.verdict = Verdict::Plot;
    return result;
}

const char* CPlotDocumentCheck::SniffMimeType(const uint8_t* data, size_t size)
{
    switch (CPlotFileReader::Sniff(data, size)) {
    case CPlotFileReader::Format::Hpgl: return kHpglMime;
    case CPlotFileReader::Format::Dmpl: return kDmplMime;
    case CPlotFileReader::Format::Dxf: return kDxfMime;
    case CPlotFileReader::Format::Unknown: break;
    }
    return nullptr;
}
