#include "plotlib/DrawingBuilder.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMaxCoord = 2147483647.0;
constexpr double kMinCoord = -2147483648.0;

double Saturate(double v)
{
    return v > kMaxCoord ? kMaxCoord : (v < kMinCoord ? kMinCoord : v);
}

int32_t RoundSaturated(double v)
{
    // Half away from zero; v is already within the int32 range (the
    // conversion truncates toward zero).
    const int64_t r = v >= 0.0 ? static_cast<int64_t>(v + 0.5) : -static_cast<int64_t>(0.5 - v);
    if (r > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (r < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}

}  // namespace

CDrawingBuilder::CDrawingBuilder(CPolylineIArray& drawing)
    : m_drawing(drawing), m_target(&drawing)
{
}

void CDrawingBuilder::GrantBudget(size_t inputBytes)
{
    // A generous allowance: a 40-unit circle costs a few points per byte of
    // "CI40;", a long label about 30 points per character.
    const size_t grant = inputBytes * 256;
    m_budget = m_budget > std::numeric_limits<size_t>::max() - grant
                   ? std::numeric_limits<size_t>::max()
                   : m_budget + grant;
}

void CDrawingBuilder::SelectPen(int pen)
{
    // Pen 0 puts the pen away; moves drawn after it are still kept (in pen 1)
    // so that a file which forgot to select a pen loses nothing.
    pen = std::clamp(pen, 1, 255);
    if (pen != m_pen)
        FlushRun();
    m_pen = pen;
}

void CDrawingBuilder::PenUp()
{
    m_down = false;
    FlushRun();
}

PointI CDrawingBuilder::Round(double x, double y) const
{
    switch (m_quarterTurns) {
    case 1: { const double t = x; x = -y; y = t; break; }
    case 2: x = -x; y = -y; break;
    case 3: { const double t = x; x = y; y = -t; break; }
    default: break;
    }
    return PointI{RoundSaturated(Saturate(x)), RoundSaturated(Saturate(y))};
}

void CDrawingBuilder::Append(double x, double y)
{
    const PointI p = Round(x, y);
    if (!m_inRun) {
        m_inRun = true;
        m_run.clear();
        m_run.push_back(Round(m_pos.x, m_pos.y));
        m_run.push_back(p);  // a dot keeps its two equal points
        m_points += 2;
        return;
    }
    if (m_run.back() != p) {
        if (m_run.size() == 2 && m_run[0] == m_run[1]) {
            m_run[1] = p;  // the run began with a zero-length move
        } else {
            m_run.push_back(p);
            ++m_points;
        }
    }
}

void CDrawingBuilder::FlushRun()
{
    // The run is collected in a reused buffer and copied once into a
    // polyline of exactly its size: no reallocation per point, and no
    // spare capacity left in the drawing.
    if (!m_inRun)
        return;
    m_inRun = false;
    CPolylineI& line = m_target->Add(m_pen);
    line.m_points.assign(m_run.begin(), m_run.end());
}

void CDrawingBuilder::MoveTo(double x, double y)
{
    if (!std::isfinite(x) || !std::isfinite(y))
        return;
    x = Saturate(x);
    y = Saturate(y);
    if (m_down)
        Append(x, y);
    m_pos = StrokePoint{x, y};
}

void CDrawingBuilder::SetPosition(double x, double y)
{
    if (std::isfinite(x) && std::isfinite(y))
        m_pos = StrokePoint{Saturate(x), Saturate(y)};
}

int CDrawingBuilder::SegmentsFor(double radius, double sweepRad)
{
    sweepRad = std::fabs(sweepRad);
    int n;
    if (radius <= kChordError) {
        n = static_cast<int>(std::ceil(sweepRad / (kPi / 4.0)));
    } else {
        // Chord error of a segment spanning angle a: r (1 - cos(a / 2)).
        const double step = 2.0 * std::acos(1.0 - kChordError / radius);
        const double want = step > 0.0 ? std::ceil(sweepRad / step) : kMaxArcSegments;
        n = want >= kMaxArcSegments ? kMaxArcSegments : static_cast<int>(want);
    }
    n = std::max(n, 1);
    // Beyond the budget arcs are still drawn, but coarsely.
    if (m_points + static_cast<size_t>(n) > m_budget)
        n = std::min(n, 8);
    return n;
}

void CDrawingBuilder::ArcAround(double cx, double cy, double sweepDeg)
{
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(sweepDeg))
        return;
    cx = Saturate(cx);
    cy = Saturate(cy);
    sweepDeg = std::clamp(sweepDeg, -360.0, 360.0);
    const double dx = m_pos.x - cx, dy = m_pos.y - cy;
    const double radius = std::hypot(dx, dy);
    if (radius == 0.0 || sweepDeg == 0.0)
        return;
    const double start = std::atan2(dy, dx);
    const double sweep = sweepDeg * kPi / 180.0;
    const int n = SegmentsFor(radius, sweep);
    for (int i = 1; i <= n; ++i) {
        const double a = start + sweep * i / n;
        MoveTo(cx + radius * std::cos(a), cy + radius * std::sin(a));
    }
}

void CDrawingBuilder::Circle(double radius)
{
    if (!std::isfinite(radius))
        return;
    radius = std::min(std::fabs(radius), kMaxCoord);
    if (radius == 0.0)
        return;
    const StrokePoint centre = m_pos;
    const bool wasDown = m_down;
    FlushRun();
    m_down = false;
    MoveTo(centre.x + radius, centre.y);
    m_down = true;
    const int n = std::max(SegmentsFor(radius, 2.0 * kPi), 4);
    for (int i = 1; i <= n; ++i) {
        const double a = 2.0 * kPi * i / n;
        MoveTo(centre.x + radius * std::cos(a), centre.y + radius * std::sin(a));
    }
    FlushRun();
    m_down = wasDown;
    m_pos = centre;
}

void CDrawingBuilder::Rectangle(double x, double y)
{
    if (!std::isfinite(x) || !std::isfinite(y))
        return;
    x = Saturate(x);
    y = Saturate(y);
    const StrokePoint a = m_pos;
    Stroke({a, StrokePoint{x, a.y}, StrokePoint{x, y}, StrokePoint{a.x, y}}, true);
}

void CDrawingBuilder::Stroke(const std::vector<StrokePoint>& points, bool close)
{
    FlushRun();
    if (points.size() < 2)
        return;
    CPolylineI& line = m_target->Add(m_pen);
    line.m_points.reserve(points.size() + (close ? 1 : 0));
    for (const StrokePoint& p : points)
        line.m_points.push_back(Round(p.x, p.y));
    if (close && line.m_points.front() != line.m_points.back())
        line.m_points.push_back(line.m_points.front());
    m_points += line.m_points.size();
}

void CDrawingBuilder::Label(const std::string& text, const LabelStyle& style)
{
    FlushRun();
    const CHersheyText& font = CHersheyText::Instance();
    const bool draw = m_points + font.PointCount(text) <= m_budget;
    const StrokePoint end = font.Render(text, m_pos, style, [&](const std::vector<StrokePoint>& s) {
        if (draw)
            Stroke(s);
    });
    SetPosition(end.x, end.y);
}

void CDrawingBuilder::BeginPolygon()
{
    FlushRun();
    m_polygon.Destroy();
    m_polygonEmitted = false;
    m_target = &m_polygon;
}

void CDrawingBuilder::ClosePolygonPart()
{
    if (m_target == &m_polygon)
        FlushRun();
}

void CDrawingBuilder::EndPolygonMode()
{
    FlushRun();
    m_target = &m_drawing;
}

void CDrawingBuilder::EmitPolygon()
{
    if (m_polygonEmitted)
        return;
    m_polygonEmitted = true;
    FlushRun();
    for (const CPolylineI& part : m_polygon.m_lines) {
        if (part.m_points.size() < 2)
            continue;
        CPolylineI& line = m_drawing.Add(part.m_pen);
        line.m_points = part.m_points;
        if (line.m_points.front() != line.m_points.back())
            line.m_points.push_back(line.m_points.front());
        m_points += line.m_points.size();
    }
}

void CDrawingBuilder::Finish()
{
    FlushRun();
    m_target = &m_drawing;
}
