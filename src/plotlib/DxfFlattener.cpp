#include "plotlib/DxfFlattener.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "plotlib/BSpline.h"
#include "plotlib/NurbsCurve.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kMaxArcSegments = 4096;
// Cell width of stroked text as a share of its height (the cell advances
// 1.5 widths, so about 0.9 heights, as CAD text fonts do).
constexpr double kTextWidth = 0.6;

std::string Trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

double Length(StrokePoint v) { return std::hypot(v.x, v.y); }

} // namespace

CDxfFlattener::Affine CDxfFlattener::Affine::Then(const Affine& in) const
{
    Affine r;
    r.a = a * in.a + b * in.c;
    r.b = a * in.b + b * in.d;
    r.c = c * in.a + d * in.c;
    r.d = c * in.b + d * in.d;
    r.e = a * in.e + b * in.f + e;
    r.f = c * in.e + d * in.f + f;
    return r;
}

double CDxfFlattener::Affine::Stretch() const
{
    const double tr = a * a + b * b + c * c + d * d;
    const double det = a * d - b * c;
    const double disc = std::max(0.0, tr * tr - 4 * det * det);
    return std::sqrt(std::max(0.0, (tr + std::sqrt(disc)) / 2));
}

CDxfFlattener::CDxfFlattener(const CDxfDocument& document, double mmPerUnit, LayerFilter filter)
    : m_doc(document), m_mmPerUnit(mmPerUnit), m_filter(std::move(filter))
{
}

bool CDxfFlattener::SplitKeyValue(const std::string& text, std::string& key, std::string& value)
{
    const size_t sep = text.find_first_of(":=");
    if (sep == std::string::npos)
        return false;
    key = Trim(text.substr(0, sep));
    for (char& c : key)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    value = Trim(text.substr(sep + 1));
    return !key.empty();
}

Status CDxfFlattener::Run(std::vector<DxfShape>& shapes, std::vector<DxfPiece>& pieces)
{
    m_shapes = &shapes;
    m_pieces = &pieces;
    m_stack.clear();
    m_points = m_visits = 0;
    m_overflow = false;
    if (Placed(m_doc.entities, 0) > static_cast<double>(kMaxVisits)) {
        m_visits = kMaxVisits + 1;
        m_overflow = true;
    } else {
        Affine root;
        root.a = root.d = m_mmPerUnit;
        Walk(m_doc.entities, root, -1, -1, 0);
    }
    if (m_overflow)
        return Status::BadInput(m_visits > kMaxVisits
                                    ? "its blocks place more than " + std::to_string(kMaxVisits) +
                                          " entities"
                                    : "it would take more than " + std::to_string(kMaxPoints) +
                                          " points to draw");
    return Status::Ok();
}

bool CDxfFlattener::Wanted(int layer, bool text, int piece)
{
    if (!m_filter || m_filter(m_doc.LayerName(layer), text, piece >= 0))
        return true;
    ++m_filtered;
    return false;
}

void CDxfFlattener::Push(DxfShape shape)
{
    m_points += shape.kind == DxfShape::Kind::Point ? 1 : shape.points.size();
    if (m_points > kMaxPoints) {
        m_overflow = true;
        return;
    }
    m_shapes->push_back(std::move(shape));
}

double CDxfFlattener::Placed(const std::vector<DxfEntity>& list, int depth)
{
    // Entities `list` places, inserts expanded; the same depth and cycle
    // rules as Walk. Stops counting once past the limit.
    double total = 0;
    for (const DxfEntity& e : list) {
        if (total > static_cast<double>(kMaxVisits))
            break;
        total += 1;
        if (e.kind != DxfEntityKind::Insert)
            continue;
        const DxfBlock* block = m_doc.FindBlock(e.block);
        if (!block || depth >= kMaxDepth ||
            std::find(m_stack.begin(), m_stack.end(), block) != m_stack.end())
            continue;
        m_stack.push_back(block);
        total += static_cast<double>(std::max(1, e.rows)) * std::max(1, e.columns) *
                 Placed(block->entities, depth + 1);
        m_stack.pop_back();
    }
    return total;
}

void CDxfFlattener::Walk(const std::vector<DxfEntity>& list, const Affine& m, int parentLayer,
                         int piece, int depth)
{
    for (const DxfEntity& e : list) {
        if (m_overflow)
            return;
        if (++m_visits > kMaxVisits) {
            m_overflow = true;
            return;
        }
        const int layer = (e.layer == 0 && parentLayer >= 0) ? parentLayer : e.layer;
        if (m_doc.LayerHidden(layer)) {
            ++m_filtered;
            continue;
        }
        if (e.kind == DxfEntityKind::Text && piece >= 0) {
            // The piece text names the piece whether or not it is drawn.
            DxfPiece& p = (*m_pieces)[static_cast<size_t>(piece)];
            size_t start = 0;
            while (start <= e.text.size()) {
                const size_t end = std::min(e.text.find('\n', start), e.text.size());
                std::string key, value;
                if (SplitKeyValue(e.text.substr(start, end - start), key, value)) {
                    std::string* field = key == "PIECE NAME" ? &p.name
                                         : key == "SIZE"     ? &p.size
                                         : key == "QUANTITY" ? &p.quantity
                                         : key == "CATEGORY" ? &p.category
                                                             : nullptr;
                    if (field && field->empty())
                        *field = value;
                }
                start = end + 1;
            }
        }
        if (e.kind != DxfEntityKind::Insert) {
            Emit(e, m, layer, piece);
            continue;
        }
        const DxfBlock* block = m_doc.FindBlock(e.block);
        if (!block) {
            ++m_missingBlocks;
            continue;
        }
        if (depth >= kMaxDepth || std::find(m_stack.begin(), m_stack.end(), block) != m_stack.end()) {
            ++m_refusedInserts;
            continue;
        }
        const double rad = e.angle * kPi / 180.0;
        const double cs = std::cos(rad), sn = std::sin(rad);
        const double sx = e.scaleX == 0 ? 1.0 : e.scaleX;
        const double sy = e.scaleY == 0 ? 1.0 : e.scaleY;
        m_stack.push_back(block);
        for (int row = 0; row < std::max(1, e.rows) && !m_overflow; ++row) {
            for (int col = 0; col < std::max(1, e.columns) && !m_overflow; ++col) {
                // Block base to the origin, scale, move to the array cell,
                // rotate, move to the insertion point (in object
                // coordinates, which may be mirrored).
                const double ox = col * e.columnSpacing, oy = row * e.rowSpacing;
                Affine local;
                local.a = cs * sx;
                local.b = -sn * sy;
                local.c = sn * sx;
                local.d = cs * sy;
                const double tx = -block->baseX * sx + ox, ty = -block->baseY * sy + oy;
                local.e = cs * tx - sn * ty + e.cx;
                local.f = sn * tx + cs * ty + e.cy;
                if (e.mirrorX) {
                    local.a = -local.a;
                    local.b = -local.b;
                    local.e = -local.e;
                }
                int cellPiece = piece;
                if (piece < 0) {
                    m_pieces->push_back(DxfPiece{block->name, {}, {}, {}, {}});
                    cellPiece = static_cast<int>(m_pieces->size()) - 1;
                }
                Walk(block->entities, m.Then(local), layer, cellPiece, depth + 1);
            }
        }
        m_stack.pop_back();
    }
}

void CDxfFlattener::Arc(double cx, double cy, double r, double a0, double sweep, double tolerance,
                        std::vector<StrokePoint>& local) const
{
    r = std::fabs(r);
    if (!(r > 0) || !std::isfinite(r))
        return;
    const double step = tolerance >= r ? kPi / 2 : 2.0 * std::acos(1.0 - tolerance / r);
    const double need = step > 0 ? std::ceil(std::fabs(sweep) / step) : kMaxArcSegments;
    const int n = static_cast<int>(std::clamp(need, 1.0, static_cast<double>(kMaxArcSegments)));
    for (int i = 0; i <= n; ++i) {
        const double a = a0 + sweep * i / n;
        local.push_back(StrokePoint{cx + r * std::cos(a), cy + r * std::sin(a)});
    }
}

void CDxfFlattener::Emit(const DxfEntity& e, const Affine& m, int layer, int piece)
{
    if (!Wanted(layer, e.kind == DxfEntityKind::Text, piece))
        return;
    Affine me = m;
    if (e.mirrorX) {
        Affine mirror;
        mirror.a = -1;
        me = m.Then(mirror);
    }
    const double stretch = me.Stretch();
    if (!(stretch > 0) || !std::isfinite(stretch))
        return;
    const double tolerance = kChordMm / stretch;

    DxfShape shape;
    shape.layer = layer;
    shape.piece = piece;
    std::vector<StrokePoint> local;
    switch (e.kind) {
    case DxfEntityKind::Point: {
        if (e.vertices.empty())
            return;
        shape.kind = DxfShape::Kind::Point;
        shape.at = me.Apply(e.vertices[0].x, e.vertices[0].y);
        if (e.hasAngle) {
            const double rad = e.angle * kPi / 180.0;
            const StrokePoint d = me.Linear(std::cos(rad), std::sin(rad));
            const double len = Length(d);
            if (len > 0) {
                shape.hasDirection = true;
                shape.direction = StrokePoint{d.x / len, d.y / len};
            }
        }
        Push(std::move(shape));
        return;
    }
    case DxfEntityKind::Path:
        EmitPath(e, me, shape);
        return;
    case DxfEntityKind::Spline:
        EmitSpline(e, me, shape);
        return;
    case DxfEntityKind::Text:
        EmitText(e, me, layer, piece);
        return;
    case DxfEntityKind::Arc: {
        double sweep = std::fmod(e.end - e.start, 360.0);
        if (sweep <= 0)
            sweep += 360.0;
        Arc(e.cx, e.cy, e.radius, e.start * kPi / 180.0, sweep * kPi / 180.0, tolerance, local);
        break;
    }
    case DxfEntityKind::Circle:
        Arc(e.cx, e.cy, e.radius, 0, 2 * kPi, tolerance, local);
        shape.closed = shape.circle = true;
        shape.at = me.Apply(e.cx, e.cy);
        break;
    case DxfEntityKind::Ellipse: {
        const double major = std::hypot(e.majorX, e.majorY);
        const double ratio = std::clamp(std::fabs(e.ratio), 0.0, 1.0);
        if (!(major > 0))
            return;
        double sweep = std::fmod(e.end - e.start, 2 * kPi);
        if (sweep <= 1e-12)
            sweep += 2 * kPi;
        const double step = tolerance >= major ? kPi / 2 : 2.0 * std::acos(1.0 - tolerance / major);
        const int n = static_cast<int>(
            std::clamp(std::ceil(sweep / step), 1.0, static_cast<double>(kMaxArcSegments)));
        const double minorX = -e.majorY * ratio, minorY = e.majorX * ratio;
        for (int i = 0; i <= n; ++i) {
            const double t = e.start + sweep * i / n;
            local.push_back(StrokePoint{e.cx + std::cos(t) * e.majorX + std::sin(t) * minorX,
                                        e.cy + std::cos(t) * e.majorY + std::sin(t) * minorY});
        }
        shape.closed = sweep >= 2 * kPi - 1e-9;
        break;
    }
    case DxfEntityKind::Insert:
        return;
    }
    if (local.size() < 2)
        return;
    shape.points.reserve(local.size());
    for (const StrokePoint& p : local)
        shape.points.push_back(me.Apply(p.x, p.y));
    if (shape.closed)
        shape.points.back() = shape.points.front();
    Push(std::move(shape));
}

void CDxfFlattener::EmitPath(const DxfEntity& e, const Affine& m, DxfShape& shape)
{
    const std::vector<DxfVertex>& v = e.vertices;
    if (v.size() < 2)
        return;
    const double tolerance = kChordMm / m.Stretch();
    std::vector<StrokePoint> local;
    local.push_back(StrokePoint{v[0].x, v[0].y});
    const size_t segments = e.closed ? v.size() : v.size() - 1;
    for (size_t i = 0; i < segments; ++i) {
        const DxfVertex& p0 = v[i];
        const DxfVertex& p1 = v[(i + 1) % v.size()];
        const double dx = p1.x - p0.x, dy = p1.y - p0.y;
        const double chord = std::hypot(dx, dy);
        if (p0.bulge != 0 && chord > 0) {
            // The arc through both ends whose included angle is 4 atan(bulge),
            // counter-clockwise for a positive bulge.
            const double theta = 4.0 * std::atan(p0.bulge);
            const double r = chord / (2.0 * std::sin(theta / 2));
            const double toCentre = (chord / 2) / std::tan(theta / 2);
            const double cx = (p0.x + p1.x) / 2 - dy / chord * toCentre;
            const double cy = (p0.y + p1.y) / 2 + dx / chord * toCentre;
            std::vector<StrokePoint> arc;
            Arc(cx, cy, r, std::atan2(p0.y - cy, p0.x - cx), theta, tolerance, arc);
            for (size_t k = 1; k + 1 < arc.size(); ++k)
                local.push_back(arc[k]);
        }
        local.push_back(StrokePoint{p1.x, p1.y});
    }
    shape.closed = e.closed;
    shape.points.reserve(local.size());
    for (const StrokePoint& p : local)
        shape.points.push_back(m.Apply(p.x, p.y));
    Push(std::move(shape));
}

void CDxfFlattener::EmitSpline(const DxfEntity& e, const Affine& m, DxfShape& shape)
{
    const size_t room = m_points < kMaxPoints ? kMaxPoints - m_points + 1 : 1;
    if (e.vertices.size() >= 2) {
        std::vector<StrokePoint> control;
        std::vector<double> weights;
        for (const DxfVertex& p : e.vertices) {
            control.push_back(m.Apply(p.x, p.y));
            weights.push_back(p.bulge);
        }
        CNurbsCurve curve;
        if (curve.Set(e.degree, control, weights, e.knots)) {
            curve.Sample(kChordMm, shape.points, room);
            Push(std::move(shape));
            return;
        }
    }
    if (e.fitPoints.size() < 2)
        return;
    CBSpline spline;
    for (const DxfVertex& p : e.fitPoints) {
        const StrokePoint w = m.Apply(p.x, p.y);
        spline.AddPoint(w.x, w.y);
    }
    if (e.closed) {
        const StrokePoint w = m.Apply(e.fitPoints[0].x, e.fitPoints[0].y);
        spline.AddPoint(w.x, w.y);
    }
    if (!spline.Generate())
        return;
    double* pts = nullptr;
    const int n = spline.GetSplinePts(&pts);
    for (int i = 0; i < n; ++i)
        shape.points.push_back(StrokePoint{pts[2 * i], pts[2 * i + 1]});
    delete[] pts;
    shape.closed = e.closed;
    Push(std::move(shape));
}

void CDxfFlattener::EmitText(const DxfEntity& e, const Affine& m, int layer, int piece)
{
    if (e.text.empty())
        return;
    const CHersheyText& font = CHersheyText::Instance();
    const double rad = e.angle * kPi / 180.0;
    const StrokePoint dir = m.Linear(std::cos(rad), std::sin(rad));
    const StrokePoint up = m.Linear(-std::sin(rad), std::cos(rad));
    const double dirLength = Length(dir), upLength = Length(up);
    if (!(dirLength > 0) || !(upLength > 0))
        return;
    const double height = (e.height > 0 ? e.height : 2.5) * upLength;
    LabelStyle style;
    style.height = height;
    style.width = kTextWidth * height * (e.widthFactor > 0 ? e.widthFactor : 1.0);
    style.dirX = dir.x / dirLength;
    style.dirY = dir.y / dirLength;

    // Lines end with CR LF for the stroker (LF alone only moves down).
    std::string text;
    size_t longest = 0, current = 0;
    for (const char c : e.text) {
        if (c == '\n') {
            text += "\r\n";
            current = 0;
            continue;
        }
        text += c;
        longest = std::max(longest, ++current);
    }
    if (font.PointCount(text) + m_points > kMaxPoints) {
        m_overflow = true;
        return;
    }
    const bool aligned = e.hAlign != 0 && e.hAlign != 3 && e.hAlign != 5 &&
                         std::isfinite(e.alignX) && std::isfinite(e.alignY);
    StrokePoint origin = aligned ? m.Apply(e.alignX, e.alignY) : m.Apply(e.cx, e.cy);
    const double length = longest > 0 ? (1.5 * static_cast<double>(longest) - 0.5) * style.width : 0;
    const double along = !aligned ? 0.0 : e.hAlign == 2 ? -length : -length / 2;
    origin.x += style.dirX * along + style.dirY * e.vShift * height;
    origin.y += style.dirY * along - style.dirX * e.vShift * height;

    font.Render(text, origin, style, [&](const std::vector<StrokePoint>& stroke) {
        DxfShape shape;
        shape.kind = DxfShape::Kind::Text;
        shape.layer = layer;
        shape.piece = piece;
        shape.points = stroke;
        Push(std::move(shape));
    });
}
