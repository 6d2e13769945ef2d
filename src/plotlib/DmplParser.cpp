#include "plotlib/DmplParser.h"

#include <algorithm>

CDmplParser::CDmplParser(CDrawingBuilder& builder) : m_b(builder) {}

void CDmplParser::Flush()
{
    if (m_num.active && m_num.digits)
        Number(m_num.Value());
    m_num.active = false;
}

void CDmplParser::Number(double v)
{
    if (m_kind == Kind::Ignore)
        return;
    if (!m_haveX) {
        m_x = v;
        m_haveX = true;
        return;
    }
    m_haveX = false;
    const double x = m_x * m_step, y = v * m_step;
    if (m_relative) {
        const StrokePoint p = m_b.Position();
        m_b.MoveTo(p.x + x, p.y + y);
    } else {
        m_b.MoveTo(x, y);
    }
}

void CDmplParser::Feed(const uint8_t* p, size_t n)
{
    size_t i = 0;
    while (i < n) {
        const uint8_t c = p[i];
        switch (m_state) {
        case State::Outside:
            ++i;
            if (c == ';')
                m_state = State::OutsideSemicolon;
            break;
        case State::OutsideSemicolon:
            if (c == ':') {
                ++i;
                ++m_known;
                m_state = State::Command;
                m_kind = Kind::Ignore;
            } else {
                m_state = State::Outside;
            }
            break;
        case State::Pen:
            if (c >= '0' && c <= '9') {
                ++i;
                m_pen = std::min(m_pen * 10 + (c - '0'), 1000);
                m_penDigits = true;
            } else {
                if (m_penDigits)
                    m_b.SelectPen(m_pen);
                m_state = State::Command;
            }
            break;
        case State::Ec:
            if (c == 'C' || c == 'c') {
                ++i;
                m_state = State::EcValue;
            } else {
                m_state = State::Command;
            }
            break;
        case State::EcValue:
            ++i;
            switch (c) {
            case '1': m_step = 1.016; break;  // 0.001 inch
            case '5': m_step = 5.08; break;   // 0.005 inch
            case 'M': m_step = 4.0; break;    // 0.1 mm
            case 'N': m_step = 1.0; break;    // 0.025 mm
            default: break;
            }
            m_state = State::Command;
            break;
        case State::Command:
        case State::Numbers: {
            const unsigned d = static_cast<unsigned>(c) - '0';
            ++i;
            if (d < 10u) {
                if (!m_num.active)
                    m_num.Start();
                m_num.Digit(d);
                break;
            }
            if (c == '.' && m_num.active && !m_num.fraction) {
                m_num.fraction = true;
                break;
            }
            Flush();
            switch (c) {
            case '-':
            case '+':
                m_num.Start();
                m_num.negative = c == '-';
                break;
            case 'U':
                ++m_known;
                m_b.PenUp();
                m_kind = Kind::Up;
                m_haveX = false;
                break;
            case 'D':
                ++m_known;
                m_b.PenDown();
                m_kind = Kind::Down;
                m_haveX = false;
                break;
            case 'A':
                m_relative = false;
                m_kind = Kind::Ignore;
                break;
            case 'R':
                m_relative = true;
                m_kind = Kind::Ignore;
                break;
            case 'H':
                m_b.PenUp();
                m_b.MoveTo(0.0, 0.0);
                m_kind = Kind::Ignore;
                break;
            case 'P':
                m_pen = 0;
                m_penDigits = false;
                m_kind = Kind::Ignore;
                m_state = State::Pen;
                break;
            case 'E':
                m_kind = Kind::Ignore;
                m_state = State::Ec;
                break;
            case '@':
                // End of the program; the pen is lifted.
                m_b.PenUp();
                m_kind = Kind::Ignore;
                m_state = State::Outside;
                break;
            default:
                if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
                    m_kind = Kind::Ignore;  // unknown command: its numbers are not points
                break;
            }
            break;
        }
        }
    }
}

void CDmplParser::Finish()
{
    if (m_state == State::Pen && m_penDigits)
        m_b.SelectPen(m_pen);
    if (m_state == State::Command || m_state == State::Numbers)
        Flush();
    m_b.PenUp();
}
