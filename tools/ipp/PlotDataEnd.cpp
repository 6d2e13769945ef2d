#include "PlotDataEnd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

inline bool IsAlpha(uint8_t c) { return static_cast<uint8_t>((c | 0x20) - 'a') < 26; }
inline bool IsParamByte(uint8_t c) { return (c >= '0' && c <= '9') || c == ',' || c == '-' || c == '+' || c == '.'; }

constexpr uint8_t kEsc = 0x1b;
constexpr size_t kMaxLabel = 4096;  // as the reader: a label is taken as ended here

// HP-GL (and the PJL/PCL around it), byte by byte, as far as needed to
// know where a command ends.
class HpglEnd {
public:
    void Feed(const uint8_t* p, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            Step(p[i]);
    }

    bool Cut(std::string& where) const
    {
        switch (m_state) {
        case State::Mnemonic2: where = "a command name cut in half"; return true;
        case State::Params:
            if (m_paramsOpen) {
                where = "the parameters of the last command";
                return true;
            }
            return false;
        case State::Label: where = "an unterminated label"; return true;
        case State::Terminator:
        case State::Symbol: where = "the last command"; return true;
        case State::Encoded: where = "encoded (PE) data without its end"; return true;
        case State::Quoted: where = "a quoted string"; return true;
        case State::Escape:
        case State::EscapeDot:
        case State::EscapeDotArgs:
        case State::Pcl:
        case State::PclValue: where = "an escape sequence"; return true;
        case State::Binary: where = "the data block of an escape sequence"; return true;
        case State::Command:
        case State::Line: return false;
        }
        return false;
    }

private:
    enum class State : uint8_t {
        Command, Mnemonic2, Params, Quoted, Label, Terminator, Symbol, Encoded,
        Escape, EscapeDot, EscapeDotArgs, Pcl, PclValue, Binary, Line,
    };

    void StartCommand(uint8_t second)
    {
        const char a = static_cast<char>(m_first), b = static_cast<char>(second & ~0x20);
        m_paramsOpen = false;
        if ((a == 'L' && b == 'B') || (a == 'B' && b == 'L')) {
            m_labelLength = 0;
            m_state = State::Label;
        } else if (a == 'D' && b == 'T') {
            m_state = State::Terminator;
        } else if (a == 'S' && b == 'M') {
            m_state = State::Symbol;
        } else if (a == 'P' && b == 'E') {
            m_state = State::Encoded;
        } else {
            if ((a == 'I' && b == 'N') || (a == 'D' && b == 'F'))
                m_terminator = 3;
            m_state = State::Params;
        }
    }

    void Step(uint8_t c)
    {
        switch (m_state) {
        case State::Command:
            if (IsAlpha(c)) {
                m_first = static_cast<uint8_t>(c & ~0x20);
                m_state = State::Mnemonic2;
            } else if (c == kEsc) {
                m_state = State::Escape;
            } else if (c == '@') {
                m_state = State::Line;
            }
            return;
        case State::Mnemonic2:
            if (IsAlpha(c))
                StartCommand(c);
            else
                m_state = c == kEsc ? State::Escape : State::Command;
            return;
        case State::Params:
            if (c == ';') {
                m_state = State::Command;
            } else if (c == '"') {
                m_state = State::Quoted;
            } else if (c == kEsc) {
                m_state = State::Escape;
            } else if (IsAlpha(c)) {
                m_first = static_cast<uint8_t>(c & ~0x20);
                m_state = State::Mnemonic2;
            } else if (c == '\n' || c == '\r') {
                m_paramsOpen = false;
            } else if (IsParamByte(c)) {
                m_paramsOpen = true;
            }
            return;
        case State::Quoted:
            if (c == '"')
                m_state = State::Params;
            return;
        case State::Label:
            if (c == m_terminator || ++m_labelLength >= kMaxLabel)
                m_state = State::Command;
            return;
        case State::Terminator:
            if (c == ';') {
                m_terminator = 3;
                m_state = State::Command;
            } else if (c == kEsc) {
                m_state = State::Escape;
            } else {
                if (c != 0 && c != '\n')
                    m_terminator = c;
                m_state = State::Params;
            }
            return;
        case State::Symbol:
            m_state = c == ';' ? State::Command : State::Params;
            return;
        case State::Encoded:
            if (c == ';')
                m_state = State::Command;
            return;
        case State::Escape:
            if (c == '.')
                m_state = State::EscapeDot;
            else if (c >= 0x21 && c <= 0x2f) {
                m_pclValue = 0;
                m_pclNegative = false;
                m_pclFraction = false;
                m_state = State::Pcl;
            } else if (c != kEsc)
                m_state = State::Command;
            return;
        case State::EscapeDot:
            m_escCount = 0;
            m_state = c && std::strchr("@HIMNPQSTU", c) ? State::EscapeDotArgs : State::Command;
            return;
        case State::EscapeDotArgs:
            if (c == ':' || ++m_escCount > 80)
                m_state = State::Command;
            else if (c == kEsc)
                m_state = State::Escape;
            return;
        case State::Pcl:
            // The group character, then values with their parameter letters.
            m_state = State::PclValue;
            if (c >= 0x60 && c <= 0x7e)
                return;
            Step(c);
            return;
        case State::PclValue:
            if (c >= '0' && c <= '9') {
                if (!m_pclFraction && m_pclValue < (uint64_t{1} << 40))
                    m_pclValue = m_pclValue * 10 + (c - '0');
            } else if (c == '+' || c == '-') {
                m_pclNegative = c == '-';
            } else if (c == '.') {
                m_pclFraction = true;
            } else if (c >= 0x40 && c <= 0x7e) {
                if ((c | 0x20) == 'w') {
                    m_binaryLeft = m_pclNegative ? 0 : m_pclValue;
                    m_state = m_binaryLeft ? State::Binary : State::Command;
                } else if (c >= 0x60) {
                    m_pclValue = 0;  // combined sequence: another value follows
                    m_pclNegative = false;
                    m_pclFraction = false;
                } else {
                    m_state = State::Command;
                }
            } else {
                m_state = State::Command;  // malformed: read on as HP-GL
            }
            return;
        case State::Binary:
            if (--m_binaryLeft == 0)
                m_state = State::Command;
            return;
        case State::Line:
            if (c == '\n')
                m_state = State::Command;
            return;
        }
    }

    State m_state = State::Command;
    uint8_t m_first = 0;
    uint8_t m_terminator = 3;
    bool m_paramsOpen = false;
    size_t m_labelLength = 0;
    int m_escCount = 0;
    bool m_pclNegative = false;
    bool m_pclFraction = false;
    uint64_t m_pclValue = 0;
    uint64_t m_binaryLeft = 0;
};

// DM/PL: only whether numbers run into the end inside a program.
class DmplEnd {
public:
    void Feed(const uint8_t* p, size_t n)
    {
        for (size_t i = 0; i < n; ++i) {
            const uint8_t c = p[i];
            if (!m_inProgram) {
                if (m_semicolon && c == ':')
                    m_inProgram = true;
                m_semicolon = c == ';';
                m_open = false;
                continue;
            }
            if (c == '@') {
                m_inProgram = false;
                m_semicolon = false;
                m_open = false;
            } else if (IsParamByte(c)) {
                m_open = true;
            } else if (c == '\n' || c == '\r' || IsAlpha(c) || c == ';') {
                m_open = false;
            }
        }
    }

    bool Cut(std::string& where) const
    {
        if (m_inProgram && m_open) {
            where = "the coordinates of the last command";
            return true;
        }
        return false;
    }

private:
    bool m_inProgram = false;
    bool m_semicolon = false;
    bool m_open = false;
};

template <typename Scanner>
Status ScanFile(const std::string& path, bool& cut, std::string& where)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        return Status::FromErrno(err, StatusKind::IoError, "cannot open " + path + ": " + std::strerror(err));
    }
    Scanner scanner;
    std::vector<uint8_t> buffer(1 << 16);
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int err = errno;
            ::close(fd);
            return Status::IoError("cannot read " + path + ": " + std::strerror(err));
        }
        if (got == 0)
            break;
        scanner.Feed(buffer.data(), static_cast<size_t>(got));
    }
    ::close(fd);
    cut = scanner.Cut(where);
    return Status::Ok();
}

}  // namespace

Status CPlotDataEnd::Check(const std::string& path, CPlotFileReader::Format format, bool& cut,
                           std::string& where)
{
    cut = false;
    where.clear();
    if (format == CPlotFileReader::Format::Dxf)
        return Status::Ok();  // the DXF reader refuses a file without its end itself
    if (format == CPlotFileReader::Format::Dmpl)
        return ScanFile<DmplEnd>(path, cut, where);
    return ScanFile<HpglEnd>(path, cut, where);
}

void CPlotDataEnd::CheckBuffer(const std::string& data, CPlotFileReader::Format format, bool& cut,
                               std::string& where)
{
    const auto* p = reinterpret_cast<const uint8_t*>(data.data());
    where.clear();
    cut = false;
    if (format == CPlotFileReader::Format::Dxf)
        return;
    if (format == CPlotFileReader::Format::Dmpl) {
        DmplEnd scanner;
        scanner.Feed(p, data.size());
        cut = scanner.Cut(where);
    } else {
        HpglEnd scanner;
        scanner.Feed(p, data.size());
        cut = scanner.Cut(where);
    }
}
