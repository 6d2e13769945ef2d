// plotvane-cli info FILE [--resolution N]: what a plot file holds.
#include <map>
#include <ostream>
#include <string>

#include "CliCommand.h"
#include "plotlib/PlotterConfig.h"

namespace {

// What a DXF file held besides its lines: unit, pieces, left-out parts.
void PrintDxf(const DxfReadReport& r, std::ostream& out)
{
    out << "format: DXF\n";
    out << "units: " << r.units << " (" << r.unitsSource << ")\n";
    if (!r.style.empty())
        out << "style: " << r.style << '\n';
    for (const DxfPiece& p : r.pieces) {
        out << "piece: " << (p.name.empty() ? p.block : p.name);
        if (!p.size.empty())
            out << ", size " << p.size;
        if (!p.quantity.empty())
            out << ", quantity " << p.quantity;
        if (!p.category.empty())
            out << ", category " << p.category;
        out << '\n';
    }
    if (r.notches || r.notchesWithoutEdge)
        out << "notches: " << r.notches << (r.notchesWithoutEdge
                                                 ? " (" + std::to_string(r.notchesWithoutEdge) +
                                                       " without an edge left out)"
                                                 : std::string())
            << '\n';
    if (r.drillHoles)
        out << "drill holes: " << r.drillHoles << '\n';
    const size_t left = r.ignoredEntities + r.damagedEntities + r.missingBlocks + r.refusedInserts;
    if (left) {
        out << "left out:";
        if (r.ignoredEntities)
            out << ' ' << r.ignoredEntities << " entities of kinds not drawn;";
        if (r.damagedEntities)
            out << ' ' << r.damagedEntities << " damaged entities;";
        if (r.missingBlocks)
            out << ' ' << r.missingBlocks << " inserts of undefined blocks;";
        if (r.refusedInserts)
            out << ' ' << r.refusedInserts << " inserts nested too deep or in a cycle;";
        out << '\n';
    }
}

int RunInfo(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    std::string path;
    int resolution = 1016;  // HP-GL plotter units: 40 per millimetre
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--resolution") {
            if (i + 1 >= args.size() || !CliParseInt(args[i + 1], resolution) || resolution <= 0)
                return CliUsage(err, "info");
            ++i;
        } else if (!args[i].empty() && args[i][0] == '-') {
            return CliUsage(err, "info");
        } else if (path.empty()) {
            path = args[i];
        } else {
            return CliUsage(err, "info");
        }
    }
    if (path.empty())
        return CliUsage(err, "info");

    CPolylineIArray drawing;
    CPlotFileReader reader;
    const Status status = CliLoadDrawing(path, drawing, &reader);
    if (!status.ok())
        return CliFail(err, status.message());

    long long points = 0;
    std::map<int, int> pens;  // pen -> polylines
    for (const CPolylineI& line : drawing.m_lines) {
        points += line.GetCount();
        ++pens[line.GetPenNo()];
    }
    out << "file: " << path << '\n';
    if (reader.WasDxf())
        PrintDxf(reader.GetDxfReport(), out);
    out << "polylines: " << drawing.GetCount() << '\n';
    out << "points: " << points << '\n';
    out << "pens:";
    for (const auto& [pen, count] : pens)
        out << ' ' << pen << " (" << count << (count == 1 ? " polyline)" : " polylines)");
    out << '\n';
    int minX = 0, minY = 0, maxX = 0, maxY = 0;
    if (!drawing.GetBoundRect(minX, minY, maxX, maxY)) {
        out << "bounds: none (no points)\n";
        return kCliOk;
    }
    const long long w = static_cast<long long>(maxX) - minX;
    const long long h = static_cast<long long>(maxY) - minY;
    out << "bounds: " << minX << ',' << minY << " .. " << maxX << ',' << maxY << " units\n";
    out << "size: " << w << " x " << h << " units, "
        << UnitsToMillimetres(static_cast<double>(w), resolution) << " x "
        << UnitsToMillimetres(static_cast<double>(h), resolution) << " mm at " << resolution
        << " units per inch\n";
    return kCliOk;
}

const CliRegistrar kInfo{{"info", "info FILE [--resolution N]",
                          "show polylines, points, pens used and the extent in units and mm",
                          RunInfo}};

} // namespace
