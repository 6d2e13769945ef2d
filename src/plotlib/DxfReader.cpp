#include "plotlib/DxfReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <map>

#include "plotlib/DxfParser.h"
#include "plotlib/PlotterConfig.h"

namespace {

// A point notch without a direction finds its edge within this distance.
constexpr double kNotchReachMm = 5.0;

std::string ErrorText(int error)
{
    std::string text = std::strerror(error);
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

std::string Upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// One line of the stream start for the sniffer: the text up to the line
// end, without blanks around it. False at the end of the data.
bool SniffLine(const uint8_t* p, size_t n, size_t& i, std::string& line)
{
    if (i >= n)
        return false;
    line.clear();
    while (i < n && p[i] != '\n' && p[i] != '\r') {
        if (line.size() < 64)
            line += static_cast<char>(p[i]);
        ++i;
    }
    if (i < n && p[i] == '\r')
        ++i;
    if (i < n && p[i] == '\n')
        ++i;
    size_t b = 0, e = line.size();
    while (b < e && (line[b] == ' ' || line[b] == '\t'))
        ++b;
    while (e > b && (line[e - 1] == ' ' || line[e - 1] == '\t'))
        --e;
    line = line.substr(b, e - b);
    return true;
}

struct Vec {
    double x = 0, y = 0;
};

// Distance from p to the segment a-b.
double SegmentDistance(Vec p, PointI a, PointI b)
{
    const double ax = a.x, ay = a.y, dx = b.x - ax, dy = b.y - ay;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - ax) * dx + (p.y - ay) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (ax + t * dx), p.y - (ay + t * dy));
}

// The direction across the nearest edge at p (the normal of the edge, the
// bisector at a corner), if an edge is within `reach`.
bool AcrossNearestEdge(const CPolylineIArray& edges, Vec p, double reach, Vec& across)
{
    double best = reach;
    const CPolylineI* line = nullptr;
    for (const CPolylineI& l : edges.m_lines)
        for (size_t i = 0; i + 1 < l.m_points.size(); ++i) {
            const double d = SegmentDistance(p, l.m_points[i], l.m_points[i + 1]);
            if (d <= best) {
                best = d;
                line = &l;
            }
        }
    if (!line)
        return false;
    Vec tangent;
    for (size_t i = 0; i + 1 < line->m_points.size(); ++i) {
        const PointI a = line->m_points[i], b = line->m_points[i + 1];
        if (SegmentDistance(p, a, b) > best + 1.0)
            continue;
        const double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
        if (len > 0) {
            tangent.x += dx / len;
            tangent.y += dy / len;
        }
    }
    const double len = std::hypot(tangent.x, tangent.y);
    if (!(len > 0))
        return false;
    across = Vec{-tangent.y / len, tangent.x / len};
    return true;
}

bool Collinear(const std::vector<PointI>& pts, double tolerance)
{
    if (pts.size() < 2)
        return false;
    const double ax = pts.front().x, ay = pts.front().y;
    const double dx = pts.back().x - ax, dy = pts.back().y - ay;
    const double len = std::hypot(dx, dy);
    if (!(len > 0))
        return false;
    for (const PointI& p : pts)
        if (std::fabs((p.x - ax) * dy - (p.y - ay) * dx) / len > tolerance)
            return false;
    return true;
}

} // namespace

bool CDxfReader::IsBinaryDxf(const uint8_t* data, size_t size)
{
    static const char kSentinel[] = "AutoCAD Binary DXF";
    return size >= sizeof kSentinel - 1 && std::memcmp(data, kSentinel, sizeof kSentinel - 1) == 0;
}

bool CDxfReader::LooksLikeDxf(const uint8_t* p, size_t n)
{
    size_t i = 0;
    if (n >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0)
        i = 3;
    std::string code, value;
    for (int groups = 0; groups < 256; ++groups) {
        if (!SniffLine(p, n, i, code))
            return false;
        if (code.empty())
            continue;  // blank lines before the first group
        if (!SniffLine(p, n, i, value))
            return false;
        if (code == "999")
            continue;
        return code == "0" && value == "SECTION";
    }
    return false;
}

bool CDxfReader::FileIsDxf(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::vector<uint8_t> head(4096);
    size_t have = 0;
    while (have < head.size()) {
        const ssize_t got = ::read(fd, head.data() + have, head.size() - have);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        have += static_cast<size_t>(got);
    }
    ::close(fd);
    return IsBinaryDxf(head.data(), have) || LooksLikeDxf(head.data(), have);
}

bool CDxfReader::HasDxfName(const std::string& name)
{
    return name.size() >= 4 && Upper(name.substr(name.size() - 4)) == ".DXF";
}

double CDxfReader::InsUnitsToMm(int insUnits)
{
    switch (insUnits) {
    case 1: return 25.4;          // inches
    case 2: return 304.8;         // feet
    case 4: return 1.0;           // millimetres
    case 5: return 10.0;          // centimetres
    case 6: return 1000.0;        // metres
    case 8: return 25.4e-6;       // microinches
    case 9: return 0.0254;        // mils
    case 10: return 914.4;        // yards
    case 14: return 100.0;        // decimetres
    default: return 0.0;
    }
}

double CDxfReader::ResolveUnits(const CDxfDocument& document)
{
    // The pattern practice states the unit in its style text.
    std::string unitsText;
    auto scan = [&](const std::vector<DxfEntity>& list) {
        for (const DxfEntity& e : list) {
            if (e.kind != DxfEntityKind::Text)
                continue;
            size_t start = 0;
            while (start <= e.text.size()) {
                const size_t end = std::min(e.text.find('\n', start), e.text.size());
                std::string key, value;
                if (CDxfFlattener::SplitKeyValue(e.text.substr(start, end - start), key, value)) {
                    if (key == "UNITS" && unitsText.empty())
                        unitsText = Upper(value);
                    else if (key == "STYLE NAME" && m_report.style.empty())
                        m_report.style = value;
                }
                start = end + 1;
            }
        }
    };
    scan(document.entities);
    for (const DxfBlock& b : document.Blocks())
        scan(b.entities);

    if (unitsText == "METRIC" || unitsText == "ENGLISH") {
        const bool metric = unitsText == "METRIC";
        m_report.units = metric ? "millimetres" : "inches";
        m_report.unitsSource = "the pattern text \"UNITS = " + unitsText + "\"";
        return metric ? 1.0 : 25.4;
    }
    const double fromHeader = InsUnitsToMm(document.insUnits);
    if (fromHeader > 0) {
        static const std::map<int, const char*> kNames = {
            {1, "inches"}, {2, "feet"}, {4, "millimetres"}, {5, "centimetres"}, {6, "metres"},
            {8, "microinches"}, {9, "mils"}, {10, "yards"}, {14, "decimetres"}};
        m_report.units = kNames.at(document.insUnits);
        m_report.unitsSource = "$INSUNITS " + std::to_string(document.insUnits);
        return fromHeader;
    }
    if (document.measurement == 0 || document.measurement == 1) {
        m_report.units = document.measurement == 0 ? "inches" : "millimetres";
        m_report.unitsSource = "$MEASUREMENT " + std::to_string(document.measurement);
        return document.measurement == 0 ? 25.4 : 1.0;
    }
    m_report.units = "millimetres";
    m_report.unitsSource = "no unit given, millimetres assumed";
    return 1.0;
}

Status CDxfReader::Convert(const CDxfDocument& document, const std::vector<DxfShape>& shapes,
                           CPolylineIArray& drawing)
{
    const int resolution = m_options.resolution > 0 ? m_options.resolution : 1016;
    const double unitsPerMm = resolution / 25.4;
    const DxfLayerMap& map = m_options.layers;
    bool outOfRange = false;
    auto toUnits = [&](StrokePoint p) {
        const double x = p.x * unitsPerMm, y = p.y * unitsPerMm;
        if (!(std::fabs(x) <= INT_MAX) || !(std::fabs(y) <= INT_MAX)) {
            outOfRange = true;
            return PointI{};
        }
        return PointI{static_cast<int32_t>(RoundHalfAway(x)), static_cast<int32_t>(RoundHalfAway(y))};
    };
    auto toLine = [&](const std::vector<StrokePoint>& pts) {
        std::vector<PointI> out;
        out.reserve(pts.size());
        for (const StrokePoint& p : pts) {
            const PointI q = toUnits(p);
            if (out.empty() || out.back() != q)
                out.push_back(q);
        }
        return out;
    };
    const double crossHalf = map.drillCrossMm / 2 * unitsPerMm;
    auto cross = [&](StrokePoint centre) {
        const PointI c = toUnits(centre);
        const int h = static_cast<int>(std::lround(crossHalf));
        drawing.Add(m_options.drawPen).m_points = {PointI{c.x - h, c.y}, PointI{c.x + h, c.y}};
        drawing.Add(m_options.drawPen).m_points = {PointI{c.x, c.y - h}, PointI{c.x, c.y + h}};
        ++m_report.drillHoles;
    };

    // Shapes by piece, in file order; model space (-1) is a scope of its own.
    std::map<int, std::vector<const DxfShape*>> scopes;
    for (const DxfShape& s : shapes)
        scopes[s.piece].push_back(&s);

    const double slotLength = std::max(1.0, m_options.slot.length) * unitsPerMm;
    for (const auto& [piece, list] : scopes) {
        CPolylineIArray edges;  // the piece's lines, whatever their pen
        struct Notch {
            bool isPoint;
            Vec at;
            bool hasDirection;
            Vec direction;
            std::vector<PointI> mark;
        };
        std::vector<Notch> notches;
        for (const DxfShape* s : list) {
            const bool text = s->kind == DxfShape::Kind::Text;
            const DxfRole role = DxfLayerMap::RoleOfLayer(
                document.LayerName(s->layer), text && piece >= 0);
            const DxfAction action = map.Action(role);
            if (action == DxfAction::Skip)
                continue;
            if (text) {
                std::vector<PointI> pts = toLine(s->points);
                if (pts.size() >= 2)
                    drawing.Add(m_options.drawPen).m_points = std::move(pts);
                continue;
            }
            if (s->kind == DxfShape::Kind::Point) {
                if (action == DxfAction::Drill) {
                    cross(s->at);
                } else if (action == DxfAction::Notch) {
                    const PointI at = toUnits(s->at);
                    notches.push_back(Notch{true, Vec{static_cast<double>(at.x), static_cast<double>(at.y)},
                                            s->hasDirection, Vec{s->direction.x, s->direction.y}, {}});
                }
                continue;  // a point has nothing to draw or cut
            }
            if (action == DxfAction::Drill && s->circle) {
                cross(s->at);
                continue;
            }
            std::vector<PointI> pts = toLine(s->points);
            if (pts.size() < 2)
                continue;
            if (action == DxfAction::Notch && !s->closed && Collinear(pts, 0.25 * unitsPerMm)) {
                notches.push_back(Notch{false, {}, false, {}, {pts.front(), pts.back()}});
                continue;
            }
            const int pen = action == DxfAction::Cut || action == DxfAction::Notch ? m_options.cutPen
                            : action == DxfAction::HalfCut                       ? m_options.halfCutPen
                                                                                 : m_options.drawPen;
            edges.Add(pen).m_points = pts;
            drawing.Add(pen).m_points = std::move(pts);
        }

        for (const Notch& n : notches) {
            CPolylineI mark(m_options.cutPen);
            if (n.isPoint) {
                Vec d = n.direction;
                if (!n.hasDirection &&
                    !AcrossNearestEdge(edges, n.at, kNotchReachMm * unitsPerMm, d)) {
                    ++m_report.notchesWithoutEdge;
                    continue;
                }
                // A mark across the edge at the notch point; the slot finds
                // the edge on it and turns into the piece.
                const Vec a{n.at.x - d.x * slotLength / 4, n.at.y - d.y * slotLength / 4};
                const Vec b{n.at.x + d.x * slotLength, n.at.y + d.y * slotLength};
                mark.m_points = {PointI{static_cast<int32_t>(RoundHalfAway(a.x)), static_cast<int32_t>(RoundHalfAway(a.y))},
                                 PointI{static_cast<int32_t>(RoundHalfAway(b.x)), static_cast<int32_t>(RoundHalfAway(b.y))}};
            } else {
                mark.m_points = n.mark;
                if (!map.notchSlots) {
                    // The notch line itself is the short cut.
                    drawing.Add(m_options.cutPen).m_points = n.mark;
                    ++m_report.notches;
                    continue;
                }
            }
            SlotSize size = m_options.slot;
            if (!map.notchSlots) {
                // A straight cut of the slot length into the piece.
                size = SlotSize{0, m_options.slot.length, 0, 0, 0};
            }
            std::vector<PointI> path = MakeSlotPath(edges, mark, size, resolution);
            if (!map.notchSlots && path.size() > 2)
                path.resize(2);
            if (path.size() < 2) {
                ++m_report.notchesWithoutEdge;
                continue;
            }
            drawing.Add(m_options.cutPen).m_points = std::move(path);
            ++m_report.notches;
        }
    }
    if (outOfRange)
        return Status::BadInput("it reaches beyond the plotter's coordinate range");
    return Status::Ok();
}

Status CDxfReader::Read(CDxfGroupFilter::Source source, CPolylineIArray& drawing,
                        const std::string& name)
{
    drawing.Destroy();
    m_report = DxfReadReport();
    CDxfDocument document;
    CDxfParser parser;
    const Status parsed = parser.Parse(std::move(source), document);
    if (!parsed) {
        if (parsed.kind() == StatusKind::IoError)
            return parsed.WithMessage("cannot read " + name + ": " + parsed.message());
        if (!parser.SawSection())
            return Status::BadInput(name + " is not a DXF file (" + parsed.message() + ")");
        return Status::BadInput(name + " is a damaged DXF file (" + parsed.message() + ")");
    }
    m_report.ignoredEntities = document.ignoredEntities;
    m_report.damagedEntities = document.damagedEntities;

    const double mmPerUnit = ResolveUnits(document);
    const DxfLayerMap& map = m_options.layers;
    CDxfFlattener flattener(document, mmPerUnit, [&map](const std::string& layer, bool text, bool inPiece) {
        const DxfRole role = DxfLayerMap::RoleOfLayer(layer, text && inPiece);
        if (text && !inPiece && role == DxfRole::Boundary)
            return false;  // the style text
        return map.Action(role) != DxfAction::Skip;
    });
    std::vector<DxfShape> shapes;
    const Status flattened = flattener.Run(shapes, m_report.pieces);
    m_report.missingBlocks = flattener.MissingBlocks();
    m_report.refusedInserts = flattener.RefusedInserts();
    if (!flattened)
        return Status::BadInput(name + " is too large to plot (" + flattened.message() + ")");

    const Status converted = Convert(document, shapes, drawing);
    if (!converted) {
        drawing.Destroy();
        return Status::BadInput(name + " cannot be plotted: " + converted.message());
    }
    if (drawing.GetCount() > 0)
        return Status::Ok();

    std::string why;
    if (document.EntityCount() == 0)
        why = "it holds no lines, curves, points or texts";
    else if (document.entities.empty())
        why = "its blocks are never inserted";
    else if (shapes.empty() && flattener.FilteredShapes() > 0)
        why = "its layers are switched off in the file or set to Skip in the DXF layer settings";
    else if (shapes.empty() && m_report.missingBlocks > 0)
        why = "it inserts blocks it does not define";
    else
        why = "its entities have no length";
    if (m_report.damagedEntities > 0)
        why += "; " + std::to_string(m_report.damagedEntities) + " damaged entities were left out";
    return Status::BadInput(name + " has nothing to plot: " + why);
}

Status CDxfReader::ReadBuffer(const void* data, size_t size, CPolylineIArray& drawing,
                              const std::string& name)
{
    const char* bytes = static_cast<const char*>(data);
    size_t offset = 0;
    return Read(
        [bytes, size, &offset](char* buffer, size_t room, std::string&) -> long {
            const size_t n = std::min(room, size - offset);
            if (n > 0)
                std::memcpy(buffer, bytes + offset, n);
            offset += n;
            return static_cast<long>(n);
        },
        drawing, name);
}

Status CDxfReader::ReadFile(const std::string& path, CPolylineIArray& drawing)
{
    drawing.Destroy();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        return Status::FromErrno(err, StatusKind::IoError, "cannot open " + path + ": " + ErrorText(err));
    }
    const Status status = Read(
        [fd](char* buffer, size_t room, std::string& error) -> long {
            for (;;) {
                const ssize_t got = ::read(fd, buffer, room);
                if (got >= 0)
                    return static_cast<long>(got);
                if (errno != EINTR) {
                    error = ErrorText(errno);
                    return -1;
                }
            }
        },
        drawing, path);
    ::close(fd);
    return status;
}
