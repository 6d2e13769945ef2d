#include "plotlib/PlotFileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "plotlib/DmplParser.h"
#include "plotlib/DrawingBuilder.h"
#include "plotlib/HpglInterpreter.h"
#include "plotlib/HpglParser.h"

namespace {

inline bool IsAlpha(uint8_t c) { return static_cast<uint8_t>((c | 0x20) - 'a') < 26; }

std::string ErrorText(int error)
{
    std::string text = std::strerror(error);
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

// Skips one escape sequence starting at data[i] == ESC; returns the index
// after it.
size_t SkipEscape(const uint8_t* p, size_t n, size_t i)
{
    ++i;
    if (i >= n)
        return n;
    const uint8_t c = p[i++];
    if (c == '.') {
        // RS-232 device control: ESC . letter [args :]
        if (i < n && p[i] && std::strchr("@HIMNPQSTU", p[i])) {
            for (size_t k = 0; i < n && k < 80; ++k)
                if (p[i++] == ':')
                    break;
        } else if (i < n) {
            ++i;
        }
        return i;
    }
    if (c >= 0x21 && c <= 0x2f) {
        // PCL: [group] value... terminator in @..^
        while (i < n) {
            const uint8_t v = p[i++];
            if (v >= 0x40 && v <= 0x5e)
                break;
        }
    }
    return i;
}

// True when a known mnemonic starts at p[i] and is followed by what
// follows commands: parameters, a separator, or further known mnemonics
// run together ("BPINPS2376..."). Words of a text ("Public", "LOAD") fail.
bool LooksLikeCommand(const uint8_t* p, size_t n, size_t i)
{
    for (int chained = 0; chained < 8; ++chained) {
        if (i + 1 >= n || !IsAlpha(p[i]) || !IsAlpha(p[i + 1]))
            return false;
        const uint16_t m = Mnemonic(static_cast<char>(p[i] & ~0x20), static_cast<char>(p[i + 1] & ~0x20));
        if (!CHpglInterpreter::IsKnown(m))
            return false;
        if (m == Mnemonic('P', 'E'))
            return true;  // encoded data follows at once
        i += 2;
        if (i >= n)
            return true;
        const uint8_t c = p[i];
        if (!IsAlpha(c)) {
            // "IP 0 0 11440 7700": blanks may precede numbers, not words.
            while ((c == ' ' || c == '\t') && i + 1 < n && (p[i + 1] == ' ' || p[i + 1] == '\t'))
                ++i;
            const uint8_t after = (c == ' ' || c == '\t') ? (i + 1 < n ? p[i + 1] : '0') : c;
            return (after >= '0' && after <= '9') ||
                   (after && std::strchr("+-.;,\r\n\x03\x1b\"", after));
        }
    }
    return false;
}

// Shared one-stream parse loop for both languages.
template <typename Parser>
Status ParseStream(Parser& parser, CDrawingBuilder& builder, const uint8_t* first, size_t firstSize,
                   int fd, std::vector<uint8_t>& buffer, const std::string& name)
{
    builder.GrantBudget(firstSize);
    parser.Feed(first, firstSize);
    while (fd >= 0) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return Status::IoError("cannot read " + name + ": " + ErrorText(errno));
        }
        if (got == 0)
            break;
        builder.GrantBudget(static_cast<size_t>(got));
        parser.Feed(buffer.data(), static_cast<size_t>(got));
    }
    parser.Finish();
    builder.Finish();
    if (parser.KnownCommands() == 0)
        return Status::BadInput(name + " is not a plot file (no HP-GL or DM/PL commands found)");
    return Status::Ok();
}

}  // namespace

Status CPlotFileReader::Parse(const uint8_t* first, size_t firstSize, int fd,
                              std::vector<uint8_t>& buffer, CPolylineIArray& drawing,
                              const std::string& name)
{
    drawing.Destroy();
    m_wasDxf = false;
    m_dxfReport = DxfReadReport();
    if (firstSize == 0)
        return Status::BadInput(name + " is empty");
    if (CDxfReader::IsBinaryDxf(first, firstSize))
        return Status::BadInput(name + " is a binary DXF file; save it as ASCII DXF to plot it");
    const CPlotFileReader::Format format = CPlotFileReader::Sniff(first, firstSize);
    if (format == CPlotFileReader::Format::Dxf)
        return ParseDxf(first, firstSize, fd, drawing, name);
    if (format == CPlotFileReader::Format::Unknown) {
        if (CDxfReader::HasDxfName(name))
            return Status::BadInput(name + " is not a DXF file (it does not begin with a DXF section)");
        return Status::BadInput(name + " is not a plot file (no HP-GL or DM/PL commands found)");
    }
    CDrawingBuilder builder(drawing);
    Status status;
    if (format == CPlotFileReader::Format::Dmpl) {
        CDmplParser parser(builder);
        status = ParseStream(parser, builder, first, firstSize, fd, buffer, name);
    } else {
        auto parser = std::make_unique<CHpglParser>(builder);
        status = ParseStream(*parser, builder, first, firstSize, fd, buffer, name);
    }
    if (!status)
        drawing.Destroy();
    return status;
}

Status CPlotFileReader::ParseDxf(const uint8_t* first, size_t firstSize, int fd,
                                 CPolylineIArray& drawing, const std::string& name)
{
    m_wasDxf = true;
    CDxfReader reader(m_haveDxfOptions ? m_dxfOptions : CurrentDxfReadOptions());
    // The chunk already read, then the rest of the file.
    size_t offset = 0;
    const Status status = reader.Read(
        [first, firstSize, fd, &offset](char* out, size_t room, std::string& error) -> long {
            if (offset < firstSize) {
                const size_t n = std::min(room, firstSize - offset);
                std::memcpy(out, first + offset, n);
                offset += n;
                return static_cast<long>(n);
            }
            if (fd < 0)
                return 0;
            for (;;) {
                const ssize_t got = ::read(fd, out, room);
                if (got >= 0)
                    return static_cast<long>(got);
                if (errno != EINTR) {
                    error = ErrorText(errno);
                    return -1;
                }
            }
        },
        drawing, name);
    m_dxfReport = reader.Report();
    return status;
}

void CPlotFileReader::SetDxfOptions(const DxfReadOptions& options)
{
    m_dxfOptions = options;
    m_haveDxfOptions = true;
}


CPlotFileReader::Format CPlotFileReader::Sniff(const uint8_t* p, size_t n)
{
    // Three HP-GL commands (mnemonics at a command boundary, followed by
    // parameters or separators) or a ";:" before much other text decide.
    // What comes before (PJL, escape sequences, a job header) must be
    // text: binary data is not a plot file even if a letter pair happens
    // to match, and prose that mentions a command is not either.
    if (n > kSniffSize)
        n = kSniffSize;
    if (CDxfReader::LooksLikeDxf(p, n))
        return Format::Dxf;
    constexpr size_t kMaxPreamble = 2048;
    constexpr size_t kMaxWords = 8;  // other words among the first commands
    size_t odd = 0, seen = 0, words = 0;
    int commands = 0;
    bool boundary = true;
    for (size_t i = 0; i < n;) {
        const uint8_t c = p[i];
        if (c == 0x1b) {
            i = SkipEscape(p, n, i);
            boundary = true;
            continue;
        }
        if (c == ';' && i + 1 < n && p[i + 1] == ':')
            return odd * 50 > seen ? Format::Unknown : Format::Dmpl;
        if (IsAlpha(c)) {
            if (boundary && LooksLikeCommand(p, n, i)) {
                if (++commands >= 3)
                    return odd * 50 > seen || words > kMaxWords ? Format::Unknown : Format::Hpgl;
            } else if (++words > 32) {
                return Format::Unknown;  // prose, not a job header
            }
            // Not a command: pass over the whole word.
            while (i < n && (IsAlpha(p[i]) || p[i] == '_')) {
                ++i;
                if (commands == 0)
                    ++seen;
            }
            boundary = false;
            continue;
        }
        // Only what precedes the commands is judged: after them, PE data
        // is 8-bit and labels are free text.
        if (commands == 0) {
            if (c == 0 || (c < 0x20 && !std::strchr("\t\n\r\f\v\x03\b", c)) || c == 0x7f || c >= 0x80)
                ++odd;
            if (c == 0)
                odd += n;  // NUL bytes never occur in plot files
            // A job header may precede the commands, but not pages of text.
            if (++seen > kMaxPreamble)
                return Format::Unknown;
        }
        boundary = (c >= '0' && c <= '9') || c == '.' || c == ';' || c == '\n' || c == '\r' || c == ' ' || c == '\t' || c == 3 ||
                   c == ',' || c == ':';
        ++i;
    }
    // A short file with a command or two ("IN;SP1;"), or commands with
    // huge parameters.
    if (commands > 0 && odd * 50 <= seen && words <= kMaxWords)
        return Format::Hpgl;
    return Format::Unknown;
}

Status CPlotFileReader::ReadBuffer(const void* data, size_t size, CPolylineIArray& drawing,
                                   const std::string& name)
{
    std::vector<uint8_t> none;
    return Parse(static_cast<const uint8_t*>(data), size, -1, none, drawing, name);
}

Status CPlotFileReader::ReadFile(const std::string& path, CPolylineIArray& drawing)
{
    drawing.Destroy();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        return Status::FromErrno(err, StatusKind::IoError, "cannot open " + path + ": " + ErrorText(err));
    }
    // Small files get a buffer of their own size (plus one byte, so the
    // end is seen at once); devices and pipes report 0 and get a chunk.
    struct stat info {};
    size_t bufferSize = kChunkSize;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
        static_cast<uint64_t>(info.st_size) < kChunkSize)
        bufferSize = static_cast<size_t>(info.st_size) + 1;
    std::vector<uint8_t> buffer(bufferSize);
    // The first chunk is read whole (up to the chunk size) so the format
    // can be told from it.
    size_t have = 0;
    Status status;
    while (have < buffer.size()) {
        const ssize_t got = ::read(fd, buffer.data() + have, buffer.size() - have);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            status = Status::IoError("cannot read " + path + ": " + ErrorText(errno));
            break;
        }
        if (got == 0)
            break;
        have += static_cast<size_t>(got);
    }
    if (status) {
        // Later chunks are read into the same buffer once the first has
        // been parsed.
        if (have == buffer.size() && buffer.size() < kChunkSize)
            buffer.resize(kChunkSize);  // the file grew since fstat
        status = Parse(buffer.data(), have, have == bufferSize ? fd : -1, buffer, drawing, path);
    }
    ::close(fd);
    return status;
}

Status CPolylineIArray::Load(const std::string& path)
{
    CPlotFileReader reader;
    return reader.ReadFile(path, *this);
}
