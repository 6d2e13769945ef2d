#include "plotlib/DxfParser.h"

#include <cmath>
#include <istream>
#include <mutex>
#include <new>
#include <stdexcept>

#include <dl_creationadapter.h>
#include <dl_dxf.h>

namespace {

constexpr double kPi = 3.14159265358979323846;

// MTEXT formatting codes out: "\P" is a line break, "\~" a space, escaped
// "\\", "\{" and "\}" stay, codes with a value ("\H2.5;") and braces go.
std::string PlainMText(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '{' || c == '}')
            continue;
        if (c != '\\' || i + 1 >= s.size()) {
            out += c;
            continue;
        }
        const char code = s[++i];
        switch (code) {
        case 'P':
        case 'n':
            out += '\n';
            break;
        case '~':
            out += ' ';
            break;
        case '\\':
        case '{':
        case '}':
            out += code;
            break;
        case 'A': case 'C': case 'c': case 'F': case 'f': case 'H': case 'h': case 'Q':
        case 'T': case 'W': case 'p': case 'S':
            while (i + 1 < s.size() && s[i + 1] != ';')
                ++i;
            ++i;  // the ';'
            break;
        default:
            break;  // \L \l \O \o \K \k and the like: switches without a value
        }
    }
    return out;
}

// TEXT control sequences: %%u and %%o switch under- and overlining.
std::string PlainText(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && s[i + 1] == '%') {
            const char c = static_cast<char>(s[i + 2] | 0x20);
            if (c == 'u' || c == 'o') {
                i += 2;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

class Builder : public DL_CreationAdapter {
public:
    Builder(CDxfDocument& document, CDxfGroupFilter& filter) : m_doc(document), m_filter(filter) {}

    void setVariableInt(const std::string& key, int value, int) override
    {
        if (key == "$INSUNITS")
            m_doc.insUnits = value;
        else if (key == "$MEASUREMENT")
            m_doc.measurement = value;
    }

    void addLayer(const DL_LayerData& d) override
    {
        const int index = m_doc.LayerIndex(d.name);
        m_doc.SetLayerHidden(index, (d.flags & 1) != 0 || attributes.getColor() < 0);
    }

    void addBlock(const DL_BlockData& d) override
    {
        EndOpen();
        DxfBlock block;
        block.name = d.name;
        block.baseX = d.bpx;
        block.baseY = d.bpy;
        m_inBlock = true;
        m_blockKept = m_doc.AddBlock(std::move(block));
    }

    void endBlock() override
    {
        EndOpen();
        m_inBlock = false;
        m_blockKept = false;
    }

    void addPoint(const DL_PointData& d) override
    {
        bool has = false;
        double angle = 0;
        m_filter.NextPointAngle(has, angle);
        DxfEntity e = Start(DxfEntityKind::Point, false);
        e.vertices.push_back(DxfVertex{d.x, d.y, 0});
        e.hasAngle = has;
        e.angle = angle;
        Keep(std::move(e));
    }

    void addLine(const DL_LineData& d) override
    {
        DxfEntity e = Start(DxfEntityKind::Path, false);
        e.vertices.push_back(DxfVertex{d.x1, d.y1, 0});
        e.vertices.push_back(DxfVertex{d.x2, d.y2, 0});
        Keep(std::move(e));
    }

    void addArc(const DL_ArcData& d) override
    {
        DxfEntity e = Start(DxfEntityKind::Arc, true);
        e.cx = d.cx;
        e.cy = d.cy;
        e.radius = d.radius;
        e.start = d.angle1;
        e.end = d.angle2;
        Keep(std::move(e));
    }

    void addCircle(const DL_CircleData& d) override
    {
        DxfEntity e = Start(DxfEntityKind::Circle, true);
        e.cx = d.cx;
        e.cy = d.cy;
        e.radius = d.radius;
        Keep(std::move(e));
    }

    void addEllipse(const DL_EllipseData& d) override
    {
        DxfEntity e = Start(DxfEntityKind::Ellipse, false);
        e.cx = d.cx;
        e.cy = d.cy;
        e.majorX = d.mx;
        e.majorY = d.my;
        e.ratio = d.ratio;
        e.start = d.angle1;
        e.end = d.angle2;
        Keep(std::move(e));
    }

    void addPolyline(const DL_PolylineData& d) override
    {
        m_open = Start(DxfEntityKind::Path, true);
        m_open.closed = (d.flags & 1) != 0;
        // Polygon and polyface meshes are surfaces, not lines.
        m_openMesh = (d.flags & (16 | 64)) != 0;
        m_openKind = Open::Polyline;
    }

    void addVertex(const DL_VertexData& d) override
    {
        if (m_openKind == Open::Polyline)
            m_open.vertices.push_back(DxfVertex{d.x, d.y, d.bulge});
    }

    void addSpline(const DL_SplineData& d) override
    {
        m_open = Start(DxfEntityKind::Spline, false);
        m_open.degree = static_cast<int>(d.degree);
        m_open.closed = (d.flags & 1) != 0;
        m_openMesh = false;
        m_openKind = Open::Spline;
    }

    void addControlPoint(const DL_ControlPointData& d) override
    {
        if (m_openKind == Open::Spline)
            m_open.vertices.push_back(DxfVertex{d.x, d.y, d.w});
    }

    void addFitPoint(const DL_FitPointData& d) override
    {
        if (m_openKind == Open::Spline)
            m_open.fitPoints.push_back(DxfVertex{d.x, d.y, 0});
    }

    void addKnot(const DL_KnotData& d) override
    {
        if (m_openKind == Open::Spline)
            m_open.knots.push_back(d.k);
    }

    void endEntity() override { EndOpen(); }
    void endSequence() override { EndOpen(); }

    void addText(const DL_TextData& d) override
    {
        DxfEntity e = Start(DxfEntityKind::Text, true);
        e.cx = d.ipx;
        e.cy = d.ipy;
        e.text = PlainText(d.text);
        e.height = d.height;
        e.widthFactor = d.xScaleFactor;
        e.angle = d.angle * 180.0 / kPi;
        e.hAlign = d.hJustification;
        e.alignX = d.apx;
        e.alignY = d.apy;
        // Vertical justification: 0 baseline, 1 bottom, 2 middle, 3 top.
        e.vShift = d.vJustification == 2 ? 0.5 : d.vJustification == 3 ? 1.0 : 0.0;
        Keep(std::move(e));
    }

    void addMTextChunk(const std::string& text) override { m_mtext += text; }

    void addMText(const DL_MTextData& d) override
    {
        DxfEntity e = Start(DxfEntityKind::Text, false);
        e.cx = d.ipx;
        e.cy = d.ipy;
        e.text = PlainMText(m_mtext + d.text);
        m_mtext.clear();
        e.height = d.height;
        e.angle = (d.dirx != 0 || d.diry != 0) ? std::atan2(d.diry, d.dirx) * 180.0 / kPi : 0.0;
        // Attachment 1..9: top, middle, bottom rows; left, centre, right.
        const int attach = d.attachmentPoint >= 1 && d.attachmentPoint <= 9 ? d.attachmentPoint : 1;
        e.hAlign = (attach - 1) % 3;
        e.alignX = d.ipx;
        e.alignY = d.ipy;
        e.vShift = attach <= 3 ? 1.0 : attach <= 6 ? 0.5 : 0.0;
        Keep(std::move(e));
    }

    void addInsert(const DL_InsertData& d) override
    {
        DxfEntity e = Start(DxfEntityKind::Insert, true);
        e.block = d.name;
        e.cx = d.ipx;
        e.cy = d.ipy;
        e.scaleX = d.sx;
        e.scaleY = d.sy;
        e.angle = d.angle;
        e.columns = d.cols;
        e.rows = d.rows;
        e.columnSpacing = d.colSp;
        e.rowSpacing = d.rowSp;
        Keep(std::move(e));
    }

    void Done() { EndOpen(); }

private:
    enum class Open { None, Polyline, Spline };

    // A new entity on the current layer; entities in object coordinates
    // seen from below (extrusion 0,0,-1) are mirrored in X.
    DxfEntity Start(DxfEntityKind kind, bool objectCoordinates)
    {
        EndOpen();
        DxfEntity e;
        e.kind = kind;
        e.layer = m_doc.LayerIndex(attributes.getLayer());
        if (objectCoordinates && extrusion) {
            const double* dir = extrusion->getDirection();
            e.mirrorX = dir && dir[2] < 0;
        }
        m_paper = attributes.isInPaperSpace();
        return e;
    }

    void Keep(DxfEntity e)
    {
        // Paper space (title blocks, views) is not part of the drawing.
        if (m_paper && !m_inBlock)
            return;
        if (m_inBlock) {
            if (m_blockKept)
                m_doc.LastBlock().entities.push_back(std::move(e));
            return;
        }
        m_doc.entities.push_back(std::move(e));
    }

    void EndOpen()
    {
        if (m_openKind == Open::None)
            return;
        const Open kind = m_openKind;
        m_openKind = Open::None;
        const bool empty = kind == Open::Polyline ? m_open.vertices.empty()
                                                  : m_open.vertices.empty() && m_open.fitPoints.empty();
        if (m_openMesh || empty) {
            ++m_doc.ignoredEntities;
            return;
        }
        Keep(std::move(m_open));
        m_open = DxfEntity();
    }

    CDxfDocument& m_doc;
    CDxfGroupFilter& m_filter;
    DxfEntity m_open;
    Open m_openKind = Open::None;
    bool m_openMesh = false;
    bool m_inBlock = false;
    bool m_blockKept = false;
    bool m_paper = false;
    std::string m_mtext;
};

std::mutex& LibraryLock()
{
    static std::mutex lock;
    return lock;
}

} // namespace

Status CDxfParser::Parse(CDxfGroupFilter::Source source, CDxfDocument& document)
{
    CDxfGroupFilter filter(std::move(source));
    std::istream stream(&filter);
    Builder builder(document, filter);
    try {
        std::lock_guard<std::mutex> hold(LibraryLock());
        DL_Dxf dxf;
        dxf.in(stream, &builder);
        builder.Done();
    } catch (const std::bad_alloc&) {
        m_sawSection = filter.SawSection();
        return Status::IoError("there is not enough memory to read it");
    } catch (const std::exception& e) {
        m_sawSection = filter.SawSection();
        return Status::BadInput(std::string("the DXF library stopped: ") + e.what());
    }
    m_sawSection = filter.SawSection();
    if (!filter.GetStatus().ok())
        return filter.GetStatus();
    if (!filter.SawSection())
        return Status::BadInput("it has no DXF sections");
    document.ignoredEntities += filter.IgnoredEntities();
    document.damagedEntities += filter.DamagedEntities();
    return Status::Ok();
}
