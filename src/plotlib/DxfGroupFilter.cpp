#include "plotlib/DxfGroupFilter.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

namespace {

constexpr double kMaxMagnitude = 1e15;
constexpr size_t kOutChunk = 64 * 1024;

// Groups kept per entity type, besides the layer (8), the paper space flag
// (67) and the extrusion direction (210, 220, 230).
struct EntitySpec {
    const char* type;
    std::vector<int> codes;
};

const std::vector<EntitySpec>& Specs()
{
    static const std::vector<EntitySpec> specs = {
        {"POINT", {10, 20, 30}},
        {"LINE", {10, 20, 30, 11, 21, 31}},
        {"ARC", {10, 20, 30, 40, 50, 51}},
        {"CIRCLE", {10, 20, 30, 40}},
        {"ELLIPSE", {10, 20, 30, 11, 21, 31, 40, 41, 42}},
        {"POLYLINE", {10, 20, 30, 66, 70}},
        {"VERTEX", {10, 20, 30, 42, 70}},
        {"SEQEND", {}},
        {"TEXT", {1, 10, 20, 30, 11, 21, 31, 40, 41, 50, 71, 72, 73}},
        {"MTEXT", {1, 3, 10, 20, 30, 11, 21, 31, 40, 41, 71, 72}},
        {"INSERT", {2, 10, 20, 30, 41, 42, 43, 44, 45, 50, 70, 71}},
        {"BLOCK", {2, 10, 20, 30, 70}},
        {"ENDBLK", {}},
        {"LWPOLYLINE", {}},  // written by EmitLwPolyline
        {"SPLINE", {}},      // written by EmitSpline
    };
    return specs;
}

const EntitySpec* FindSpec(const std::string& type)
{
    for (const EntitySpec& s : Specs())
        if (type == s.type)
            return &s;
    return nullptr;
}

bool IsCommon(int code) { return code == 8 || code == 67 || code == 210 || code == 220 || code == 230; }

bool Allowed(const EntitySpec& spec, int code)
{
    return IsCommon(code) || std::find(spec.codes.begin(), spec.codes.end(), code) != spec.codes.end();
}

enum class ValueKind { Text, Integer, Real };

ValueKind KindOf(int code)
{
    if ((code >= 0 && code <= 9) || code == 100 || code == 102 || (code >= 300 && code <= 369))
        return ValueKind::Text;
    if ((code >= 60 && code <= 99) || (code >= 160 && code <= 179) || (code >= 270 && code <= 289))
        return ValueKind::Integer;
    return ValueKind::Real;
}

std::string Trimmed(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return s.substr(b, e - b);
}

bool ParseReal(const std::string& text, double& value)
{
    std::string s = Trimmed(text);
    std::replace(s.begin(), s.end(), ',', '.');
    size_t b = (!s.empty() && s[0] == '+') ? 1 : 0;
    if (b >= s.size())
        return false;
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data() + b, s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v) ||
        std::fabs(v) > kMaxMagnitude)
        return false;
    value = v;
    return true;
}

bool ParseInteger(const std::string& text, long long& value)
{
    const std::string s = Trimmed(text);
    const size_t b = (!s.empty() && s[0] == '+') ? 1 : 0;
    long long v = 0;
    const auto [end, ec] = std::from_chars(s.data() + b, s.data() + s.size(), v);
    if (b < s.size() && ec == std::errc() && end == s.data() + s.size()) {
        value = std::clamp<long long>(v, INT_MIN, INT_MAX);
        return true;
    }
    // Some writers give integers as reals ("1.0").
    double d = 0;
    if (!ParseReal(text, d))
        return false;
    value = static_cast<long long>(std::clamp<double>(std::trunc(d), INT_MIN, INT_MAX));
    return true;
}

// Control bytes out, at most kMaxText bytes, not cut inside a UTF-8
// sequence.
std::string CleanText(const std::string& s)
{
    std::string out;
    out.reserve(std::min(s.size(), CDxfGroupFilter::kMaxText));
    for (const char ch : s) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7f)
            continue;
        out += ch;
    }
    if (out.size() > CDxfGroupFilter::kMaxText) {
        size_t cut = CDxfGroupFilter::kMaxText;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xc0) == 0x80)
            --cut;
        out.resize(cut);
    }
    return out;
}

std::string SectionName(const std::string& value) { return Trimmed(value); }

} // namespace

CDxfGroupFilter::CDxfGroupFilter(Source source) : m_source(std::move(source)), m_in(64 * 1024) {}

bool CDxfGroupFilter::NextPointAngle(bool& hasAngle, double& degrees)
{
    if (m_pointAngles.empty())
        return false;
    hasAngle = m_pointAngles.front().first;
    degrees = m_pointAngles.front().second;
    m_pointAngles.pop_front();
    return true;
}

CDxfGroupFilter::int_type CDxfGroupFilter::underflow()
{
    if (gptr() && gptr() < egptr())
        return traits_type::to_int_type(*gptr());
    m_out.clear();
    while (m_out.empty() && !m_done)
        Produce();
    if (m_out.empty())
        return traits_type::eof();
    setg(m_out.data(), m_out.data(), m_out.data() + m_out.size());
    return traits_type::to_int_type(*gptr());
}

bool CDxfGroupFilter::ReadLine(std::string& line)
{
    line.clear();
    bool any = false;
    for (;;) {
        if (m_inPos >= m_inEnd) {
            if (m_inDone)
                break;
            std::string error;
            const long got = m_source(m_in.data(), m_in.size(), error);
            if (got < 0) {
                Fail(Status::IoError(error.empty() ? std::string("read error") : error));
                m_inDone = true;
                break;
            }
            if (got == 0) {
                m_inDone = true;
                break;
            }
            m_inPos = 0;
            m_inEnd = static_cast<size_t>(got);
            if (m_first) {
                m_first = false;
                if (m_inEnd >= 3 && std::memcmp(m_in.data(), "\xEF\xBB\xBF", 3) == 0)
                    m_inPos = 3;
            }
            continue;
        }
        const char c = m_in[m_inPos++];
        if (m_pendingCr) {
            m_pendingCr = false;
            if (c == '\n')
                continue;  // the LF of a CR LF
        }
        if (c == '\n' || c == '\r') {
            m_pendingCr = c == '\r';
            ++m_line;
            return true;
        }
        any = true;
        if (line.size() < kMaxLine)
            line += c;  // the rest of a longer line is dropped
    }
    if (any)
        ++m_line;
    return any;
}

bool CDxfGroupFilter::NextGroup(int& code, std::string& value)
{
    std::string codeLine;
    // Blank lines between groups are tolerated at the end of a file only.
    if (!ReadLine(codeLine))
        return false;
    const std::string trimmed = Trimmed(codeLine);
    if (trimmed.empty() && m_inDone && m_inPos >= m_inEnd)
        return false;
    int parsed = 0;
    const auto [end, ec] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), parsed);
    if (trimmed.empty() || ec != std::errc() || end != trimmed.data() + trimmed.size() ||
        parsed < -5 || parsed > 1071) {
        std::string shown = CleanText(trimmed.substr(0, 20));
        Fail(Status::BadInput("line " + std::to_string(m_line) +
                              ": a group code was expected, found \"" + shown + "\""));
        return false;
    }
    if (!ReadLine(value)) {
        if (m_status.ok())
            Fail(Status::BadInput("the file ends in the middle of a group (line " +
                                  std::to_string(m_line) + ")"));
        return false;
    }
    code = parsed;
    return true;
}

void CDxfGroupFilter::Fail(Status status)
{
    if (m_status.ok())
        m_status = std::move(status);
}

void CDxfGroupFilter::Produce()
{
    int code = 0;
    std::string value;
    while (m_out.size() < kOutChunk && !m_done) {
        if (!m_status.ok() || !NextGroup(code, value)) {
            Finish();
            return;
        }
        Handle(code, value);
    }
}

void CDxfGroupFilter::Finish()
{
    if (m_status.ok()) {
        FlushEntity();
        if (m_section != Section::None && m_section != Section::Other && !m_sawEof)
            Fail(Status::BadInput("the file ends inside its " + m_sectionName +
                                  " section (it may have been cut off)"));
    }
    if (m_inBlock)
        m_out += "0\nENDBLK\n8\n0\n";
    m_inBlock = false;
    m_out += "0\nEOF\n";
    m_done = true;
}

void CDxfGroupFilter::Handle(int code, std::string& value)
{
    if (code == 999)
        return;  // comment
    if (m_expectSectionName) {
        m_expectSectionName = false;
        m_sectionName = code == 2 ? SectionName(value) : std::string("unnamed");
        m_section = m_sectionName == "HEADER"     ? Section::Header
                    : m_sectionName == "TABLES"   ? Section::Tables
                    : m_sectionName == "BLOCKS"   ? Section::Blocks
                    : m_sectionName == "ENTITIES" ? Section::Entities
                                                  : Section::Other;
        if (code == 2)
            return;
    }
    if (code == 0) {
        FlushEntity();
        const std::string type = Trimmed(value);
        if (type == "EOF") {
            m_sawEof = true;
            m_section = Section::None;
            Finish();
            return;
        }
        if (type == "SECTION" || type == "ENDSEC") {
            if (m_section == Section::Blocks && m_inBlock) {
                m_out += "0\nENDBLK\n8\n0\n";
                m_inBlock = false;
            }
            m_section = Section::None;
            if (type == "SECTION") {
                m_expectSectionName = true;
                m_sawSection = true;
            }
            return;
        }
        switch (m_section) {
        case Section::Tables:
            if (type == "LAYER")
                m_entityType = type;
            break;
        case Section::Blocks:
        case Section::Entities:
            m_entityType = type;
            break;
        default:
            break;
        }
        m_entityLine = m_line;
        return;
    }
    if (m_section == Section::Header) {
        if (code == 9) {
            m_variable = Trimmed(value);
        } else if (code == 70 && (m_variable == "$INSUNITS" || m_variable == "$MEASUREMENT")) {
            long long v = 0;
            if (ParseInteger(value, v)) {
                m_out += "9\n" + m_variable + "\n";
                EmitInt(70, v);
            }
            m_variable.clear();
        }
        return;
    }
    if (m_entityType.empty())
        return;
    if (m_groups.size() >= kMaxEntityGroups) {
        Fail(Status::BadInput("line " + std::to_string(m_entityLine) + ": the " + m_entityType +
                              " there is too large (more than " +
                              std::to_string(kMaxEntityGroups) + " values)"));
        return;
    }
    m_groups.emplace_back(code, std::move(value));
}

void CDxfGroupFilter::FlushEntity()
{
    if (m_entityType.empty())
        return;
    const std::string type = std::move(m_entityType);
    std::vector<Group> groups = std::move(m_groups);
    m_entityType.clear();
    m_groups.clear();
    if (m_section == Section::Tables) {
        EmitLayer(groups);
        return;
    }
    if (m_section == Section::Blocks) {
        if (type == "BLOCK") {
            if (m_inBlock)
                m_out += "0\nENDBLK\n8\n0\n";
            EmitEntity(type, groups);
            m_inBlock = true;
            return;
        }
        if (type == "ENDBLK") {
            if (m_inBlock)
                m_out += "0\nENDBLK\n8\n0\n";
            m_inBlock = false;
            return;
        }
        if (!m_inBlock) {
            ++m_ignored;  // an entity outside any block definition
            return;
        }
    } else if (m_section == Section::Entities) {
        if (type == "BLOCK" || type == "ENDBLK") {
            ++m_ignored;
            return;
        }
    } else {
        return;
    }
    EmitEntity(type, groups);
}

void CDxfGroupFilter::EmitInt(int code, long long value)
{
    m_out += std::to_string(code);
    m_out += '\n';
    m_out += std::to_string(value);
    m_out += '\n';
}

void CDxfGroupFilter::EmitReal(int code, double value)
{
    char text[64];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    m_out += std::to_string(code);
    m_out += '\n';
    m_out.append(text, ec == std::errc() ? end : text);
    if (ec != std::errc())
        m_out += '0';
    m_out += '\n';
}

void CDxfGroupFilter::Emit(int code, const std::string& value)
{
    m_out += std::to_string(code);
    m_out += '\n';
    m_out += value;
    m_out += '\n';
}

void CDxfGroupFilter::EmitEntity(const std::string& type, const std::vector<Group>& groups)
{
    const EntitySpec* spec = FindSpec(type);
    if (!spec) {
        ++m_ignored;
        return;
    }
    if (type == "LWPOLYLINE") {
        EmitLwPolyline(groups);
        return;
    }
    if (type == "SPLINE") {
        EmitSpline(groups);
        return;
    }
    // Structure entities are passed on whatever their values: a block
    // dropped for a bad base point would leave its entities in model space.
    const bool structure = type == "BLOCK" || type == "ENDBLK" || type == "SEQEND";
    const size_t mark = m_out.size();
    m_out += "0\n" + type + "\n";
    bool damaged = false;
    bool haveDirection = false, haveName = false;
    double pointAngle = 0;
    bool hasPointAngle = false;
    long long flags = 0;
    for (const Group& g : groups) {
        const int code = g.first;
        if (type == "POINT" && code == 50) {
            hasPointAngle = ParseReal(g.second, pointAngle);
            continue;
        }
        if (type == "MTEXT" && code == 50) {
            // The library reads an MTEXT's angle in different units by
            // version; its direction vector is unambiguous.
            double deg = 0;
            if (ParseReal(g.second, deg) && !haveDirection) {
                const double rad = deg * std::acos(-1.0) / 180.0;
                EmitReal(11, std::cos(rad));
                EmitReal(21, std::sin(rad));
                haveDirection = true;
            }
            continue;
        }
        if (!Allowed(*spec, code))
            continue;
        if (type == "MTEXT" && (code == 11 || code == 21)) {
            if (haveDirection)
                continue;
        }
        switch (KindOf(code)) {
        case ValueKind::Text: {
            std::string text = CleanText(g.second);
            if (code == 2 && type == "BLOCK") {
                if (text.empty() || haveName)
                    continue;
                haveName = true;
            }
            Emit(code, text);
            break;
        }
        case ValueKind::Integer: {
            long long v = 0;
            if (!ParseInteger(g.second, v)) {
                damaged = damaged || !structure;
                continue;
            }
            if (code == 70)
                flags = v;
            if (type == "INSERT" && (code == 70 || code == 71))
                v = std::clamp<long long>(v, 1, 1000);  // columns, rows
            EmitInt(code, v);
            break;
        }
        case ValueKind::Real: {
            double v = 0;
            if (!ParseReal(g.second, v)) {
                damaged = damaged || !structure;
                continue;
            }
            EmitReal(code, v);
            break;
        }
        }
    }
    if (type == "BLOCK" && !haveName)
        Emit(2, "*unnamed" + std::to_string(++m_unnamedBlocks));
    // A vertex that is a mesh face or a spline frame point is no point of
    // the line.
    const bool frameVertex = type == "VERTEX" && ((flags & 16) || ((flags & 128) && !(flags & 64)));
    if (damaged || frameVertex) {
        m_out.resize(mark);
        ++(damaged ? m_damaged : m_ignored);
        return;
    }
    if (type == "POINT")
        m_pointAngles.emplace_back(hasPointAngle, pointAngle);
}

void CDxfGroupFilter::EmitLwPolyline(const std::vector<Group>& groups)
{
    struct Vertex {
        double x = 0, y = 0, bulge = 0;
    };
    std::vector<Vertex> vertices;
    std::string layer = "0";
    long long flags = 0, paper = 0;
    double extrusion[3] = {0, 0, 1};
    bool damaged = false;
    for (const Group& g : groups) {
        double v = 0;
        switch (g.first) {
        case 8:
            layer = CleanText(g.second);
            break;
        case 67:
            damaged |= !ParseInteger(g.second, paper);
            break;
        case 70:
            damaged |= !ParseInteger(g.second, flags);
            break;
        case 210:
        case 220:
        case 230:
            damaged |= !ParseReal(g.second, extrusion[(g.first - 210) / 10]);
            break;
        case 10:
            damaged |= !ParseReal(g.second, v);
            vertices.push_back(Vertex{v, 0, 0});
            break;
        case 20:
            damaged |= !ParseReal(g.second, v);
            if (!vertices.empty())
                vertices.back().y = v;
            break;
        case 42:
            damaged |= !ParseReal(g.second, v);
            if (!vertices.empty())
                vertices.back().bulge = v;
            break;
        default:
            break;
        }
    }
    if (damaged) {
        ++m_damaged;
        return;
    }
    if (vertices.empty()) {
        ++m_ignored;
        return;
    }
    m_out += "0\nLWPOLYLINE\n";
    Emit(8, layer);
    EmitInt(67, paper);
    EmitInt(70, flags);
    EmitInt(90, static_cast<long long>(vertices.size()));
    for (int k = 0; k < 3; ++k)
        EmitReal(210 + 10 * k, extrusion[k]);
    for (const Vertex& p : vertices) {
        EmitReal(10, p.x);
        EmitReal(20, p.y);
        if (p.bulge != 0)
            EmitReal(42, p.bulge);
    }
}

void CDxfGroupFilter::EmitSpline(const std::vector<Group>& groups)
{
    struct P {
        double x = 0, y = 0, z = 0;
    };
    std::vector<double> knots, weights;
    std::vector<P> control, fit;
    std::string layer = "0";
    long long flags = 0, degree = 3, paper = 0;
    double extrusion[3] = {0, 0, 1};
    bool damaged = false;
    for (const Group& g : groups) {
        double v = 0;
        switch (g.first) {
        case 8:
            layer = CleanText(g.second);
            break;
        case 67:
            damaged |= !ParseInteger(g.second, paper);
            break;
        case 70:
            damaged |= !ParseInteger(g.second, flags);
            break;
        case 71:
            damaged |= !ParseInteger(g.second, degree);
            break;
        case 210:
        case 220:
        case 230:
            damaged |= !ParseReal(g.second, extrusion[(g.first - 210) / 10]);
            break;
        case 40:
            damaged |= !ParseReal(g.second, v);
            knots.push_back(v);
            break;
        case 41:
            damaged |= !ParseReal(g.second, v);
            weights.push_back(v);
            break;
        case 10:
            damaged |= !ParseReal(g.second, v);
            control.push_back(P{v, 0, 0});
            break;
        case 20:
            damaged |= !ParseReal(g.second, v);
            if (!control.empty())
                control.back().y = v;
            break;
        case 11:
            damaged |= !ParseReal(g.second, v);
            fit.push_back(P{v, 0, 0});
            break;
        case 21:
            damaged |= !ParseReal(g.second, v);
            if (!fit.empty())
                fit.back().y = v;
            break;
        default:
            break;
        }
    }
    if (damaged) {
        ++m_damaged;
        return;
    }
    if (control.empty() && fit.empty()) {
        ++m_ignored;
        return;
    }
    weights.resize(control.size(), 1.0);
    m_out += "0\nSPLINE\n";
    Emit(8, layer);
    EmitInt(67, paper);
    EmitInt(70, flags);
    EmitInt(71, std::clamp<long long>(degree, 1, 25));
    EmitInt(72, static_cast<long long>(knots.size()));
    EmitInt(73, static_cast<long long>(control.size()));
    EmitInt(74, static_cast<long long>(fit.size()));
    for (int k = 0; k < 3; ++k)
        EmitReal(210 + 10 * k, extrusion[k]);
    for (double k : knots)
        EmitReal(40, k);
    for (const P& p : control) {
        EmitReal(10, p.x);
        EmitReal(20, p.y);
        EmitReal(30, 0);
    }
    for (double w : weights)
        EmitReal(41, w);
    for (const P& p : fit) {
        EmitReal(11, p.x);
        EmitReal(21, p.y);
        EmitReal(31, 0);
    }
}

void CDxfGroupFilter::EmitLayer(const std::vector<Group>& groups)
{
    std::string name;
    long long colour = 7, flags = 0;
    for (const Group& g : groups) {
        if (g.first == 2)
            name = CleanText(g.second);
        else if (g.first == 62 && !ParseInteger(g.second, colour))
            colour = 7;
        else if (g.first == 70 && !ParseInteger(g.second, flags))
            flags = 0;
    }
    if (name.empty())
        return;
    m_out += "0\nLAYER\n";
    Emit(2, name);
    EmitInt(62, colour);
    EmitInt(70, flags);
}
