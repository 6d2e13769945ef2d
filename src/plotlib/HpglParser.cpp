#include "plotlib/HpglParser.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kEsc = 0x1b;

inline bool IsAlpha(uint8_t c) { return static_cast<uint8_t>((c | 0x20) - 'a') < 26; }
inline uint8_t Upper(uint8_t c) { return static_cast<uint8_t>(c & ~0x20); }

}  // namespace

CHpglParser::CHpglParser(CDrawingBuilder& builder) : m_interp(builder) {}

void CHpglParser::StartCommand(uint8_t second)
{
    const uint16_t m = Mnemonic(static_cast<char>(m_first), static_cast<char>(second));
    m_interp.Begin(m);
    m_num.active = false;
    switch (m) {
    case Mnemonic('L', 'B'):
    case Mnemonic('B', 'L'):
        m_label.clear();
        m_discardLabel = m == Mnemonic('B', 'L');
        m_state = State::Label;
        return;
    case Mnemonic('D', 'T'):
        m_state = State::Terminator;
        return;
    case Mnemonic('S', 'M'):
        m_state = State::Symbol;
        return;
    case Mnemonic('P', 'E'):
        m_peSevenBit = false;
        m_peFraction = 0;
        m_peAcc = 0;
        m_peShift = 0;
        m_peNext = PeNext::Coordinate;
        m_peUp = false;
        m_peAbsolute = false;
        m_peHaveX = false;
        m_state = State::Encoded;
        return;
    case Mnemonic('I', 'N'):
    case Mnemonic('D', 'F'):
        m_terminator = 3;
        break;
    default:
        break;
    }
    m_state = State::Params;
}

void CHpglParser::EndParams()
{
    if (m_num.active && m_num.digits)
        m_interp.Param(m_num.Value());
    m_num.active = false;
    m_interp.End();
}

void CHpglParser::EndLabel()
{
    if (!m_discardLabel)
        m_interp.Label(m_label);
    m_interp.End();
    m_label.clear();
    m_state = State::Command;
}

// The hot loop: coordinate lists are most of any plot file.
size_t CHpglParser::StepParams(const uint8_t* p, size_t n)
{
    size_t i = 0;
    while (i < n) {
        const uint8_t c = p[i];
        const unsigned d = static_cast<unsigned>(c) - '0';
        if (d < 10u) {
            if (!m_num.active || (!m_num.digits && !m_num.fraction)) {
                // Fast path: a whole integer inside this chunk.
                uint64_t v = d;
                size_t j = i + 1;
                unsigned dj = 0;
                while (j < n && j - i < 18 && (dj = static_cast<unsigned>(p[j]) - '0') < 10u) {
                    v = v * 10 + dj;
                    ++j;
                }
                if (j < n && dj >= 10u && p[j] != '.') {
                    const double value = static_cast<double>(v);
                    m_interp.Param(m_num.active && m_num.negative ? -value : value);
                    m_num.active = false;
                    i = j;
                    continue;
                }
                if (!m_num.active)
                    m_num.Start();
            }
            m_num.Digit(d);
            ++i;
            continue;
        }
        if (m_num.active) {
            if (c == '.' && !m_num.fraction) {
                m_num.fraction = true;
                ++i;
                continue;
            }
            if (m_num.digits)
                m_interp.Param(m_num.Value());
            m_num.active = false;
        }
        ++i;
        switch (c) {
        case '-':
        case '+':
            m_num.Start();
            m_num.negative = c == '-';
            break;
        case '.':
            m_num.Start();
            m_num.fraction = true;
            break;
        case ';':
            m_interp.End();
            m_state = State::Command;
            return i;
        case '"':
            m_state = State::Quoted;
            return i;
        case kEsc:
            m_interp.End();
            m_state = State::Escape;
            return i;
        default:
            if (IsAlpha(c)) {
                // Run-together commands: a letter ends the parameters.
                m_interp.End();
                m_first = Upper(c);
                m_state = State::Mnemonic2;
                return i;
            }
            break;  // separators and stray bytes only end a number
        }
    }
    return i;
}

void CHpglParser::EncodedNumber(int64_t raw)
{
    // The lowest bit carries the sign.
    const int64_t value = (raw & 1) ? -(raw >> 1) : (raw >> 1);
    switch (m_peNext) {
    case PeNext::Pen:
        m_peNext = PeNext::Coordinate;
        m_interp.EncodedPen(static_cast<int>(std::clamp<int64_t>(value, 0, 1000)));
        return;
    case PeNext::Fraction:
        m_peNext = PeNext::Coordinate;
        m_peFraction = static_cast<int>(std::clamp<int64_t>(value, 0, 60));
        return;
    case PeNext::Coordinate:
        break;
    }
    if (!m_peHaveX) {
        m_peX = static_cast<double>(value);
        m_peHaveX = true;
        return;
    }
    const double scale = 1.0 / static_cast<double>(uint64_t{1} << m_peFraction);
    m_interp.EncodedMove(m_peX * scale, static_cast<double>(value) * scale, m_peUp, m_peAbsolute);
    m_peHaveX = false;
    m_peUp = false;
    m_peAbsolute = false;
}

void CHpglParser::EncodedByte(uint8_t c)
{
    int digit = -1;
    bool last = false;
    int bits = 6;
    if (m_peSevenBit) {
        bits = 5;
        if (c >= 63 && c <= 94) digit = c - 63;
        else if (c >= 95 && c <= 126) { digit = c - 95; last = true; }
    } else {
        if (c >= 63 && c <= 126) digit = c - 63;
        else if (c >= 191 && c <= 254) { digit = c - 191; last = true; }
    }
    if (digit < 0) {
        switch (c) {
        case ':': m_peNext = PeNext::Pen; break;
        case '<': m_peUp = true; break;
        case '>': m_peNext = PeNext::Fraction; break;
        case '=': m_peAbsolute = true; break;
        case '7': m_peSevenBit = true; break;
        default: break;  // line breaks and other bytes are ignored
        }
        return;
    }
    // Digits come least significant first; beyond 62 bits they are lost
    // (such values are hostile anyway) but still consumed.
    if (m_peShift < 62)
        m_peAcc |= (static_cast<uint64_t>(digit) << m_peShift) & ((uint64_t{1} << 62) - 1);
    m_peShift += bits;
    if (last) {
        EncodedNumber(static_cast<int64_t>(m_peAcc));
        m_peAcc = 0;
        m_peShift = 0;
    }
}

void CHpglParser::Feed(const uint8_t* p, size_t n)
{
    size_t i = 0;
    while (i < n) {
        const uint8_t c = p[i];
        switch (m_state) {
        case State::Params:
            i += StepParams(p + i, n - i);
            break;
        case State::Command:
            ++i;
            if (IsAlpha(c)) {
                m_first = Upper(c);
                m_state = State::Mnemonic2;
            } else if (c == kEsc) {
                m_state = State::Escape;
            } else if (c == '@') {
                m_state = State::Line;  // @PJL ... up to the line end
            }
            break;
        case State::Mnemonic2:
            if (IsAlpha(c)) {
                ++i;
                StartCommand(Upper(c));
            } else {
                m_state = State::Command;  // a lone letter: stray text
            }
            break;
        case State::Quoted:
            ++i;
            if (c == '"')
                m_state = State::Params;
            break;
        case State::Label: {
            const uint8_t* start = p + i;
            const size_t avail = n - i;
            const void* hit = std::memchr(start, m_terminator, avail);
            const size_t take = hit ? static_cast<size_t>(static_cast<const uint8_t*>(hit) - start) : avail;
            const size_t room = kMaxLabel - m_label.size();
            if (take >= room) {
                m_label.append(reinterpret_cast<const char*>(start), room);
                i += room;
                EndLabel();
                break;
            }
            m_label.append(reinterpret_cast<const char*>(start), take);
            i += take;
            if (hit) {
                ++i;
                EndLabel();
            }
            break;
        }
        case State::Terminator:
            ++i;
            if (c == ';') {
                m_terminator = 3;  // "DT;" restores ETX
                m_interp.End();
                m_state = State::Command;
            } else if (c == kEsc) {
                m_interp.End();
                m_state = State::Escape;
            } else {
                if (c != 0 && c != '\n')
                    m_terminator = c;
                m_state = State::Params;  // an optional mode follows
            }
            break;
        case State::Symbol:
            ++i;
            if (c == ';') {
                m_interp.End();
                m_state = State::Command;
            } else {
                m_state = State::Params;
            }
            break;
        case State::Encoded:
            while (i < n) {
                const uint8_t e = p[i++];
                if (e == ';') {
                    m_interp.End();
                    m_state = State::Command;
                    break;
                }
                EncodedByte(e);
            }
            break;
        case State::Escape:
            ++i;
            if (c == '.') {
                m_state = State::EscapeDot;
            } else if (c >= 0x21 && c <= 0x2f) {
                m_state = State::Pcl;
            } else if (c == kEsc) {
                m_state = State::Escape;
            } else {
                m_state = State::Command;  // two-byte sequence such as ESC E
            }
            break;
        case State::EscapeDot:
            ++i;
            m_escCount = 0;
            m_state = c && std::strchr("@HIMNPQSTU", c) ? State::EscapeDotArgs : State::Command;
            break;
        case State::EscapeDotArgs:
            ++i;
            if (c == ':' || ++m_escCount > 80)
                m_state = State::Command;
            else if (c == kEsc)
                m_state = State::Escape;
            break;
        case State::Pcl:
            m_pclValue = 0;
            m_pclNegative = false;
            m_escCount = 0;  // digits after a decimal point are skipped
            m_state = State::PclValue;
            if (c >= 0x60 && c <= 0x7e)
                ++i;  // group character
            break;
        case State::PclValue:
            if (c >= '0' && c <= '9') {
                ++i;
                if (!m_escCount && m_pclValue < (uint64_t{1} << 40))
                    m_pclValue = m_pclValue * 10 + (c - '0');
            } else if (c == '+' || c == '-') {
                ++i;
                m_pclNegative = c == '-';
            } else if (c == '.') {
                ++i;
                m_escCount = 1;
            } else if (c >= 0x40 && c <= 0x7e) {
                ++i;
                const bool more = c >= 0x60;
                if ((c | 0x20) == 'w') {
                    m_binaryLeft = m_pclNegative ? 0 : m_pclValue;
                    m_state = m_binaryLeft ? State::Binary : State::Command;
                } else if (more) {
                    m_pclValue = 0;
                    m_pclNegative = false;
                    m_escCount = 0;
                } else {
                    m_state = State::Command;
                }
            } else {
                m_state = State::Command;  // malformed: read it as HP-GL
            }
            break;
        case State::Binary: {
            const size_t skip = static_cast<size_t>(std::min<uint64_t>(m_binaryLeft, n - i));
            i += skip;
            m_binaryLeft -= skip;
            if (!m_binaryLeft)
                m_state = State::Command;
            break;
        }
        case State::Line: {
            const void* nl = std::memchr(p + i, '\n', n - i);
            if (nl) {
                i = static_cast<size_t>(static_cast<const uint8_t*>(nl) - p) + 1;
                m_state = State::Command;
            } else {
                i = n;
            }
            break;
        }
        }
    }
}

void CHpglParser::Finish()
{
    switch (m_state) {
    case State::Params:
        EndParams();
        break;
    case State::Label:
        EndLabel();  // an unterminated label at the end is still drawn
        break;
    case State::Terminator:
    case State::Symbol:
    case State::Encoded:
    case State::Quoted:
        m_interp.End();
        break;
    default:
        break;
    }
    m_state = State::Command;
}
