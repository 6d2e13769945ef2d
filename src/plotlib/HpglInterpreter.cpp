#include "plotlib/HpglInterpreter.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kUnitsPerCm = 400.0;
// Scaling points after IN: the hard-clip limits of an A0 sheet, which is
// also what hp2xx assumes, so user-scaled files without IP come out alike.
constexpr double kDefaultP2X = 33600.0;
constexpr double kDefaultP2Y = 47520.0;
constexpr double kMaxSize = 1e7;  // label sizes, plotter units

double Finite(double v, double fallback) { return std::isfinite(v) ? v : fallback; }

}  // namespace

bool CHpglInterpreter::IsKnown(uint16_t m)
{
    switch (m) {
    case Mnemonic('A', 'A'): case Mnemonic('A', 'R'): case Mnemonic('A', 'F'):
    case Mnemonic('A', 'H'): case Mnemonic('B', 'P'): case Mnemonic('B', 'L'):
    case Mnemonic('C', 'A'): case Mnemonic('C', 'I'): case Mnemonic('C', 'O'):
    case Mnemonic('C', 'P'): case Mnemonic('C', 'S'): case Mnemonic('C', 'T'):
    case Mnemonic('D', 'F'): case Mnemonic('D', 'I'): case Mnemonic('D', 'R'):
    case Mnemonic('D', 'T'): case Mnemonic('E', 'A'): case Mnemonic('E', 'C'):
    case Mnemonic('E', 'P'): case Mnemonic('E', 'R'): case Mnemonic('E', 'S'):
    case Mnemonic('E', 'W'): case Mnemonic('F', 'P'): case Mnemonic('F', 'T'):
    case Mnemonic('I', 'N'): case Mnemonic('I', 'P'): case Mnemonic('I', 'R'):
    case Mnemonic('I', 'W'): case Mnemonic('L', 'A'): case Mnemonic('L', 'B'):
    case Mnemonic('L', 'O'): case Mnemonic('L', 'T'): case Mnemonic('N', 'P'):
    case Mnemonic('N', 'R'): case Mnemonic('O', 'P'): case Mnemonic('P', 'A'):
    case Mnemonic('P', 'C'): case Mnemonic('P', 'D'): case Mnemonic('P', 'E'):
    case Mnemonic('P', 'G'): case Mnemonic('P', 'M'): case Mnemonic('P', 'R'):
    case Mnemonic('P', 'S'): case Mnemonic('P', 'T'): case Mnemonic('P', 'U'):
    case Mnemonic('P', 'W'): case Mnemonic('R', 'A'): case Mnemonic('R', 'O'):
    case Mnemonic('R', 'R'): case Mnemonic('S', 'A'): case Mnemonic('S', 'C'):
    case Mnemonic('S', 'I'): case Mnemonic('S', 'L'): case Mnemonic('S', 'M'):
    case Mnemonic('S', 'P'): case Mnemonic('S', 'R'): case Mnemonic('S', 'S'):
    case Mnemonic('T', 'R'): case Mnemonic('U', 'L'): case Mnemonic('V', 'S'):
    case Mnemonic('W', 'G'): case Mnemonic('W', 'U'):
        return true;
    default:
        return false;
    }
}

CHpglInterpreter::CHpglInterpreter(CDrawingBuilder& builder) : m_b(builder)
{
    Reset(true);
}

void CHpglInterpreter::Reset(bool initialise)
{
    // DF keeps the scaling points, the position and the rotation; IN resets
    // them as well.
    if (initialise) {
        m_p1x = 0.0;
        m_p1y = 0.0;
        m_p2x = kDefaultP2X;
        m_p2y = kDefaultP2Y;
        m_b.SetQuarterTurns(0);
        m_b.PenUp();
        m_b.SetPosition(0.0, 0.0);
    }
    if (m_b.InPolygonMode())
        m_b.EndPolygonMode();
    m_relative = false;
    m_scaled = false;
    m_style = LabelStyle();
    m_relativeSize = false;
    UpdateScaling();
}

void CHpglInterpreter::UpdateScaling()
{
    m_sx = m_sy = 1.0;
    m_ox = m_oy = 0.0;
    if (!m_scaled)
        return;
    const double* s = m_sc;
    const int type = m_scCount >= 5 ? static_cast<int>(s[4]) : 0;
    if (type == 2) {
        // Point-factor scaling: SC xmin, xfactor, ymin, yfactor, 2.
        m_sx = s[1];
        m_sy = s[3];
        m_ox = m_p1x - s[0] * m_sx;
        m_oy = m_p1y - s[2] * m_sy;
    } else {
        const double dx = s[1] - s[0], dy = s[3] - s[2];
        m_sx = (m_p2x - m_p1x) / dx;
        m_sy = (m_p2y - m_p1y) / dy;
        double shiftX = 0.0, shiftY = 0.0;
        if (type == 1) {
            // Isotropic: one factor for both axes, the spare room split by
            // the left and bottom percentages (centred by default).
            const double f = std::min(std::fabs(m_sx), std::fabs(m_sy));
            const double left = m_scCount >= 6 ? s[5] : 50.0;
            const double bottom = m_scCount >= 7 ? s[6] : 50.0;
            shiftX = (std::fabs(m_sx) - f) * std::fabs(dx) * left / 100.0;
            shiftY = (std::fabs(m_sy) - f) * std::fabs(dy) * bottom / 100.0;
            m_sx = std::copysign(f, m_sx);
            m_sy = std::copysign(f, m_sy);
        }
        m_ox = m_p1x + shiftX - s[0] * m_sx;
        m_oy = m_p1y + shiftY - s[2] * m_sy;
    }
    if (!std::isfinite(m_sx) || !std::isfinite(m_sy) || !std::isfinite(m_ox) ||
        !std::isfinite(m_oy) || m_sx == 0.0 || m_sy == 0.0) {
        // A degenerate window (xmin == xmax ...) is refused, as by plotters.
        m_scaled = false;
        m_sx = m_sy = 1.0;
        m_ox = m_oy = 0.0;
    }
}

void CHpglInterpreter::Begin(uint16_t mnemonic)
{
    m_cmd = mnemonic;
    m_count = 0;
    m_haveX = false;
    m_pairs = false;
    if (m_known == 0 && IsKnown(mnemonic))
        m_known = 1;
    switch (mnemonic) {
    case Mnemonic('P', 'U'):
        m_b.PenUp();
        m_pairs = true;
        break;
    case Mnemonic('P', 'D'):
        m_b.PenDown();
        m_pairs = true;
        break;
    case Mnemonic('P', 'A'):
        m_relative = false;
        m_pairs = true;
        break;
    case Mnemonic('P', 'R'):
        m_relative = true;
        m_pairs = true;
        break;
    default:
        break;
    }
}

void CHpglInterpreter::Move(double x, double y)
{
    if (m_relative) {
        const StrokePoint p = m_b.Position();
        m_b.MoveTo(p.x + x * m_sx, p.y + y * m_sy);
    } else {
        m_b.MoveTo(ToPlotterX(x), ToPlotterY(y));
    }
}

void CHpglInterpreter::End()
{
    if (!m_pairs)
        Execute();
    m_pairs = false;
    m_haveX = false;
    m_cmd = 0;
}

void CHpglInterpreter::Wedge(bool edge)
{
    // EW / WG radius, start angle, sweep: a pie slice about the current
    // position. A fill is kept as its outline.
    (void)edge;
    if (m_count < 3)
        return;
    const double r = std::fabs(Finite(m_params[0], 0.0) * m_sx);
    const double start = Finite(m_params[1], 0.0) * kPi / 180.0;
    const double sweep = std::clamp(Finite(m_params[2], 0.0), -360.0, 360.0) * kPi / 180.0;
    if (r == 0.0 || sweep == 0.0 || !std::isfinite(r))
        return;
    const StrokePoint c = m_b.Position();
    const double step = 2.0 * std::acos(std::max(-1.0, 1.0 - CDrawingBuilder::kChordError / r));
    int n = step > 0.0 ? static_cast<int>(std::min(std::ceil(std::fabs(sweep) / step), 4096.0)) : 4096;
    n = std::max(n, 1);
    std::vector<StrokePoint> pts;
    pts.reserve(static_cast<size_t>(n) + 3);
    const bool full = std::fabs(sweep) >= 2.0 * kPi;
    if (!full)
        pts.push_back(c);
    for (int i = 0; i <= n; ++i) {
        const double a = start + sweep * i / n;
        pts.push_back(StrokePoint{c.x + r * std::cos(a), c.y + r * std::sin(a)});
    }
    m_b.Stroke(pts, !full);
}

void CHpglInterpreter::Execute()
{
    const int n = std::min(m_count, kMaxParams);
    switch (m_cmd) {
    case Mnemonic('I', 'N'):
        Reset(true);
        break;
    case Mnemonic('D', 'F'):
        Reset(false);
        break;
    case Mnemonic('S', 'P'):
        m_b.SelectPen(n >= 1 && std::isfinite(m_params[0])
                          ? static_cast<int>(std::clamp(m_params[0], -1.0, 1000.0))
                          : 0);
        break;
    case Mnemonic('C', 'I'):
        if (n >= 1)
            m_b.Circle(m_params[0] * std::fabs(m_sx));
        break;
    case Mnemonic('A', 'A'):
        if (n >= 3)
            m_b.ArcAround(ToPlotterX(m_params[0]), ToPlotterY(m_params[1]), m_params[2]);
        break;
    case Mnemonic('A', 'R'):
        if (n >= 3) {
            const StrokePoint p = m_b.Position();
            m_b.ArcAround(p.x + m_params[0] * m_sx, p.y + m_params[1] * m_sy, m_params[2]);
        }
        break;
    case Mnemonic('E', 'A'):
    case Mnemonic('R', 'A'):
        if (n >= 2)
            m_b.Rectangle(ToPlotterX(m_params[0]), ToPlotterY(m_params[1]));
        break;
    case Mnemonic('E', 'R'):
    case Mnemonic('R', 'R'):
        if (n >= 2) {
            const StrokePoint p = m_b.Position();
            m_b.Rectangle(p.x + m_params[0] * m_sx, p.y + m_params[1] * m_sy);
        }
        break;
    case Mnemonic('E', 'W'):
        Wedge(true);
        break;
    case Mnemonic('W', 'G'):
        Wedge(false);
        break;
    case Mnemonic('P', 'M'): {
        const int mode = n >= 1 && std::isfinite(m_params[0]) ? static_cast<int>(m_params[0]) : 0;
        if (mode == 0)
            m_b.BeginPolygon();
        else if (mode == 1)
            m_b.ClosePolygonPart();
        else if (mode == 2)
            m_b.EndPolygonMode();
        break;
    }
    case Mnemonic('E', 'P'):
    case Mnemonic('F', 'P'):
        // A fill is kept as the polygon's outline; an edge after the fill
        // of the same polygon does not draw it twice.
        m_b.EmitPolygon();
        break;
    case Mnemonic('I', 'P'):
        if (n == 0) {
            m_p1x = m_p1y = 0.0;
            m_p2x = kDefaultP2X;
            m_p2y = kDefaultP2Y;
        } else if (n >= 2) {
            const double w = m_p2x - m_p1x, h = m_p2y - m_p1y;
            m_p1x = Finite(m_params[0], m_p1x);
            m_p1y = Finite(m_params[1], m_p1y);
            if (n >= 4) {
                m_p2x = Finite(m_params[2], m_p2x);
                m_p2y = Finite(m_params[3], m_p2y);
            } else {
                m_p2x = m_p1x + w;
                m_p2y = m_p1y + h;
            }
        }
        UpdateScaling();
        break;
    case Mnemonic('I', 'R'):
        if (n >= 2) {
            const double w = m_p2x - m_p1x, h = m_p2y - m_p1y;
            m_p1x = Finite(m_params[0], 0.0) / 100.0 * kDefaultP2X;
            m_p1y = Finite(m_params[1], 0.0) / 100.0 * kDefaultP2Y;
            if (n >= 4) {
                m_p2x = Finite(m_params[2], 100.0) / 100.0 * kDefaultP2X;
                m_p2y = Finite(m_params[3], 100.0) / 100.0 * kDefaultP2Y;
            } else {
                m_p2x = m_p1x + w;
                m_p2y = m_p1y + h;
            }
        } else {
            m_p1x = m_p1y = 0.0;
            m_p2x = kDefaultP2X;
            m_p2y = kDefaultP2Y;
        }
        UpdateScaling();
        break;
    case Mnemonic('S', 'C'):
        if (n >= 4) {
            m_scCount = n;
            for (int i = 0; i < n; ++i)
                m_sc[i] = m_params[i];
            m_scaled = true;
        } else {
            m_scaled = false;
        }
        UpdateScaling();
        break;
    case Mnemonic('R', 'O'): {
        const double a = n >= 1 ? Finite(m_params[0], 0.0) : 0.0;
        m_b.SetQuarterTurns(static_cast<int>(std::lround(std::fmod(a, 360.0) / 90.0)));
        break;
    }
    case Mnemonic('S', 'I'):
        m_relativeSize = false;
        if (n >= 2) {
            m_style.width = std::clamp(Finite(m_params[0] * kUnitsPerCm, 0.0), -kMaxSize, kMaxSize);
            m_style.height = std::clamp(Finite(m_params[1] * kUnitsPerCm, 0.0), -kMaxSize, kMaxSize);
        } else {
            const LabelStyle d;
            m_style.width = d.width;
            m_style.height = d.height;
        }
        break;
    case Mnemonic('S', 'R'):
        m_relativeSize = true;
        m_srW = n >= 2 ? Finite(m_params[0], 0.75) : 0.75;
        m_srH = n >= 2 ? Finite(m_params[1], 1.5) : 1.5;
        break;
    case Mnemonic('D', 'I'):
    case Mnemonic('D', 'R'): {
        double run = n >= 2 ? Finite(m_params[0], 1.0) : 1.0;
        double rise = n >= 2 ? Finite(m_params[1], 0.0) : 0.0;
        if (m_cmd == Mnemonic('D', 'R')) {
            run *= (m_p2x - m_p1x) / 100.0;
            rise *= (m_p2y - m_p1y) / 100.0;
        }
        const double len = std::hypot(run, rise);
        if (len > 0.0 && std::isfinite(len)) {
            m_style.dirX = run / len;
            m_style.dirY = rise / len;
        }
        break;
    }
    case Mnemonic('S', 'L'):
        m_style.slant = n >= 1 ? std::clamp(Finite(std::tan(m_params[0] * kPi / 180.0), 0.0), -100.0, 100.0) : 0.0;
        break;
    default:
        break;
    }
}

void CHpglInterpreter::Label(const std::string& text)
{
    LabelStyle style = m_style;
    if (m_relativeSize) {
        style.width = std::clamp(Finite(m_srW / 100.0 * (m_p2x - m_p1x), 0.0), -kMaxSize, kMaxSize);
        style.height = std::clamp(Finite(m_srH / 100.0 * (m_p2y - m_p1y), 0.0), -kMaxSize, kMaxSize);
    }
    // A label ends the pen-down run; a later PD continues from its end.
    const bool down = m_b.IsDown();
    m_b.PenUp();
    m_b.Label(text, style);
    if (down)
        m_b.PenDown();
}

void CHpglInterpreter::EncodedMove(double x, double y, bool penUp, bool absolute)
{
    if (penUp)
        m_b.PenUp();
    else
        m_b.PenDown();
    if (absolute) {
        m_b.MoveTo(ToPlotterX(x), ToPlotterY(y));
    } else {
        const StrokePoint p = m_b.Position();
        m_b.MoveTo(p.x + x * m_sx, p.y + y * m_sy);
    }
}

void CHpglInterpreter::EncodedPen(int pen)
{
    m_b.SelectPen(pen);
}
