#include "plotlib/PlotEncoder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr int kCommandSetFields = 5;

void AppendField(std::string& out, const std::string& field)
{
    out += std::to_string(field.size());
    out += ':';
    out += field;
    out += ',';
}

// Reads one "<len>:<bytes>," field at `pos`; advances `pos` past it.
bool ReadField(const std::string& in, size_t& pos, std::string& field)
{
    size_t length = 0;
    const char* begin = in.data() + pos;
    const char* end = in.data() + in.size();
    const auto [next, ec] = std::from_chars(begin, end, length);
    if (ec != std::errc() || next == begin || next == end || *next != ':')
        return false;
    const size_t start = static_cast<size_t>(next - in.data()) + 1;
    if (length > in.size() - start || start + length >= in.size() || in[start + length] != ',')
        return false;
    field.assign(in, start, length);
    pos = start + length + 1;
    return true;
}

double UsableScale(double s) { return std::isfinite(s) && s != 0.0 ? s : 1.0; }

int32_t ScaleCoord(int64_t v, double scale)
{
    if (scale == 1.0)
        return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                        std::numeric_limits<int32_t>::max()));
    const double d = static_cast<double>(v) * scale;
    if (d <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    if (d >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(RoundHalfAway(d));
}

// The DMPL step size matching the drawing's resolution, so the device
// draws the drawing at its true size.
const char* DmplUnitCommand(int resolution)
{
    switch (resolution) {
    case 1016: return "ECN";  // 0.025 mm
    case 1000: return "EC1";  // 0.001 inch
    case 200: return "EC5";   // 0.005 inch
    case 254: return "ECM";   // 0.1 mm
    default: return "";
    }
}

} // namespace

std::string PackCommandSet(const PlotCommandSet& set)
{
    std::string out;
    AppendField(out, set.init);
    AppendField(out, set.end);
    AppendField(out, set.penUp);
    AppendField(out, set.penDown);
    AppendField(out, set.selectPen);
    return out;
}

bool UnpackCommandSet(const std::string& packed, PlotCommandSet& set)
{
    std::string fields[kCommandSetFields];
    size_t pos = 0;
    for (std::string& field : fields)
        if (!ReadField(packed, pos, field))
            return false;
    if (pos != packed.size())
        return false;
    set.init = std::move(fields[0]);
    set.end = std::move(fields[1]);
    set.penUp = std::move(fields[2]);
    set.penDown = std::move(fields[3]);
    set.selectPen = std::move(fields[4]);
    return true;
}

PlotCommandSet StandardHpglCommandSet() { return {"IN;PU0,0;", "PU;PG;", "PU", "PD", "SP"}; }

PlotCommandSet StandardDmplCommandSet() { return {";:", "@", "U", "D", "SP"}; }

CPlotEncoder::CPlotEncoder(PlotLanguage language, PlotCommandSet set, double scaleX,
                           double scaleY, int resolution, PlotSink sink, size_t flushThreshold)
    : m_language(language), m_set(std::move(set)), m_scaleX(UsableScale(scaleX)),
      m_scaleY(UsableScale(scaleY)), m_resolution(resolution), m_sink(std::move(sink)),
      m_threshold(flushThreshold == 0 ? 1 : flushThreshold)
{
    m_buffer.reserve(m_threshold + 256);
}

int32_t CPlotEncoder::OutX(int32_t x) const { return ScaleCoord(x + m_offsetX, m_scaleX); }

int32_t CPlotEncoder::OutY(int32_t y) const { return ScaleCoord(y + m_offsetY, m_scaleY); }

void CPlotEncoder::Put(const char* data, size_t size) { m_buffer.append(data, size); }

void CPlotEncoder::PutPoint(PointI p)
{
    // An int32 takes at most 11 characters.
    char x[16];
    char y[16];
    const auto rx = std::to_chars(x, x + sizeof x, OutX(p.x));
    const auto ry = std::to_chars(y, y + sizeof y, OutY(p.y));
    m_buffer.append(x, static_cast<size_t>(rx.ptr - x));
    m_buffer += ',';
    m_buffer.append(y, static_cast<size_t>(ry.ptr - y));
}

// Ends a command: HP-GL's terminator, or a separator for DMPL, whose
// commands are told apart by their letters.
void CPlotEncoder::Terminate() { m_buffer += m_language == PlotLanguage::Hpgl ? ';' : ' '; }

void CPlotEncoder::MaybeFlush()
{
    if (m_buffer.size() >= m_threshold)
        Flush();
}

bool CPlotEncoder::Flush()
{
    if (!m_failed && !m_buffer.empty()) {
        if (!m_sink || !m_sink(m_buffer.data(), m_buffer.size()))
            m_failed = true;
    }
    m_total += m_buffer.size();
    m_buffer.clear();
    return !m_failed;
}

void CPlotEncoder::Begin()
{
    m_pen = -1;
    Put(m_set.init);
    if (m_language == PlotLanguage::Dmpl) {
        const std::string unit = DmplUnitCommand(m_resolution);
        if (!unit.empty()) {
            Put(unit);
            Terminate();
        }
    }
    m_buffer += '\n';
    MaybeFlush();
}

void CPlotEncoder::End()
{
    Put(m_set.end);
    m_buffer += '\n';
    MaybeFlush();
}

void CPlotEncoder::SelectPen(int pen)
{
    Put(m_set.selectPen);
    char text[16];
    const auto r = std::to_chars(text, text + sizeof text, pen);
    m_buffer.append(text, static_cast<size_t>(r.ptr - text));
    Terminate();
    m_pen = pen;
    MaybeFlush();
}

void CPlotEncoder::SelectPenIfChanged(int pen)
{
    if (pen != m_pen)
        SelectPen(pen);
}

void CPlotEncoder::PenUpTo(PointI p)
{
    Put(m_set.penUp);
    PutPoint(p);
    Terminate();
    MaybeFlush();
}

void CPlotEncoder::PenDownTo(const PointI* points, size_t count)
{
    if (count == 0) {
        Put(m_set.penDown);
        Terminate();
        MaybeFlush();
        return;
    }
    const size_t chunk = m_maxPoints == 0 ? count : m_maxPoints;
    for (size_t start = 0; start < count; start += chunk) {
        const size_t stop = std::min(count, start + chunk);
        Put(m_set.penDown);
        for (size_t i = start; i < stop; ++i) {
            if (i != start)
                m_buffer += ',';
            PutPoint(points[i]);
            // Long lists are flushed as they grow, so a polyline of a
            // million points never needs a buffer of its size.
            if (m_buffer.size() >= m_threshold)
                Flush();
        }
        Terminate();
        MaybeFlush();
    }
}

void CPlotEncoder::WritePolyline(const CPolylineI& line)
{
    if (line.m_points.empty())
        return;
    SelectPenIfChanged(line.GetPenNo());
    PenUpTo(line.m_points.front());
    PenDownTo(line.m_points.data() + 1, line.m_points.size() - 1);
    m_buffer += '\n';
    MaybeFlush();
}

void CPlotEncoder::Raw(const char* data, size_t size)
{
    Put(data, size);
    MaybeFlush();
}
