#include "app/IniSettings.h"

#include <cerrno>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <mutex>
#include <string>
#include <vector>
#include <sys/stat.h>

#include "geometry/Expression.h"
#include "plotlib/AtomicFile.h"
#include "plotlib/ProgramDir.h"

// The profile is handled line by line rather than loaded into a map and
// written out again: a write changes exactly one line (or adds one), so the
// operator's comments, blank lines, unknown lines and line endings stay as
// they were.

namespace {

// The profile functions read into a 1024-character buffer.
constexpr size_t kMaxValueLength = 1023;

std::mutex& ProfileMutex()
{
    static std::mutex mutex;
    return mutex;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

std::string Trim(const std::string& text, size_t begin, size_t end)
{
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

enum class LineKind { kOther, kSection, kKey };

struct Line {
    size_t begin = 0;     // first character
    size_t end = 0;       // end of the text, before "\r\n" or "\n"
    size_t next = 0;      // start of the following line
    LineKind kind = LineKind::kOther;
    std::string name;     // section or key name, trimmed
    std::string value;    // key value, trimmed
};

std::vector<Line> SplitLines(const std::string& data)
{
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < data.size()) {
        Line line;
        line.begin = pos;
        size_t eol = data.find('\n', pos);
        line.next = eol == std::string::npos ? data.size() : eol + 1;
        if (eol == std::string::npos)
            eol = data.size();
        line.end = eol;
        if (line.end > line.begin && data[line.end - 1] == '\r')
            --line.end;
        pos = line.next;

        size_t first = line.begin;
        while (first < line.end && IsBlank(data[first]))
            ++first;
        if (first == line.end || data[first] == ';' || data[first] == '#') {
            line.kind = LineKind::kOther;  // blank line or comment
        } else if (data[first] == '[') {
            size_t close = data.find(']', first);
            if (close == std::string::npos || close > line.end)
                close = line.end;
            line.kind = LineKind::kSection;
            line.name = Trim(data, first + 1, close);
        } else {
            const size_t equals = data.find('=', first);
            if (equals != std::string::npos && equals < line.end) {
                line.kind = LineKind::kKey;
                line.name = Trim(data, first, equals);
                line.value = Trim(data, equals + 1, line.end);
            }
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// Where (section, key) is in the profile: the first section of that name
// and the first key of that name in it, as on Windows.
struct Place {
    int section = -1;   // line of the section header
    int key = -1;       // line of the key
    int lastKey = -1;   // last key line of the section (new keys go after it)
};

Place Find(const std::vector<Line>& lines, const std::string& section, const std::string& key)
{
    Place place;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (line.kind == LineKind::kSection) {
            if (place.section >= 0)
                break;  // the end of the section we found
            if (SameName(line.name, section))
                place.section = static_cast<int>(i);
        } else if (line.kind == LineKind::kKey && place.section >= 0) {
            place.lastKey = static_cast<int>(i);
            if (place.key < 0 && SameName(line.name, key))
                place.key = static_cast<int>(i);
        }
    }
    return place;
}

// Names and values that would change the structure of the file (a line
// break in a value would start a new line, a "]" would end the section
// name early) are refused rather than written half.
bool Writable(const std::string& section, const std::string& key, const std::string& value)
{
    if (section.empty() || key.empty())
        return false;
    if (section.find_first_of("]\r\n") != std::string::npos)
        return false;
    if (key.find_first_of("=\r\n") != std::string::npos || key.front() == '[' ||
        key.front() == ';' || key.front() == '#')
        return false;
    if (value.find_first_of("\r\n") != std::string::npos)
        return false;
    // Names with surrounding blanks could never be found again.
    return !IsBlank(section.front()) && !IsBlank(section.back()) && !IsBlank(key.front()) &&
           !IsBlank(key.back());
}

bool PathExists(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 || errno != ENOENT;
}

std::string FloatText(float value)
{
    // "%f" of the value, but always with a decimal point: the GUI's locale
    // may use a comma, which would read back as an invalid expression.
    char buffer[128];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer,
                                      static_cast<double>(value), std::chars_format::fixed, 6);
    if (result.ec != std::errc())
        return "0.000000";
    return std::string(buffer, result.ptr);
}

// atoi: blanks, an optional sign, the leading digits; 0 when there are none.
// Out-of-range values saturate instead of overflowing.
int IntegerValue(const std::string& text)
{
    size_t pos = 0;
    while (pos < text.size() && (IsBlank(text[pos]) || text[pos] == '\n'))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    long long value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
        ++pos;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

} // namespace

std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& defaultValue)
{
    std::string value = defaultValue;
    {
        std::lock_guard<std::mutex> lock(ProfileMutex());
        std::string data;
        if (!section.empty() && !key.empty() && ReadWholeFile(path, data)) {
            const std::vector<Line> lines = SplitLines(data);
            const Place place = Find(lines, section, key);
            if (place.key >= 0)
                value = lines[static_cast<size_t>(place.key)].value;
        }
    }
    if (value.size() > kMaxValueLength)
        value.resize(kMaxValueLength);
    return value;
}

bool WriteProfileString(const std::string& path, const std::string& section,
                        const std::string& key, const std::string& value)
{
    if (!Writable(section, key, value))
        return false;
    std::lock_guard<std::mutex> lock(ProfileMutex());
    std::string data;
    if (!ReadWholeFile(path, data) && PathExists(path))
        return false;  // there but unreadable: never replace it with one key

    const std::vector<Line> lines = SplitLines(data);
    const Place place = Find(lines, section, key);
    const bool crlf = !lines.empty() && lines.front().next > lines.front().end + 1;
    const std::string newline = crlf ? "\r\n" : "\n";

    if (place.key >= 0) {
        const Line& line = lines[static_cast<size_t>(place.key)];
        data.replace(line.begin, line.end - line.begin, line.name + "=" + value);
    } else if (place.section >= 0) {
        const int after = place.lastKey >= 0 ? place.lastKey : place.section;
        const Line& line = lines[static_cast<size_t>(after)];
        std::string insert = key + "=" + value + newline;
        if (line.next == data.size() && data.back() != '\n')  // last line, unterminated
            insert = newline + insert;
        data.insert(line.next, insert);
    } else {
        if (!data.empty() && data.back() != '\n')
            data += newline;
        data += "[" + section + "]" + newline + key + "=" + value + newline;
    }
    return WriteFileAtomically(path, data).ok();
}

std::string GetIniPath() { return JoinPath(ProgramDirectory(), "Setting.ini"); }

std::string GetIniString(std::string section, std::string key, std::string defaultValue)
{
    return ReadProfileString(GetIniPath(), section, key, defaultValue);
}

void SetIniString(std::string section, std::string key, std::string value)
{
    WriteProfileString(GetIniPath(), section, key, value);
}

int GetIniInt(std::string section, std::string key, int defaultValue)
{
    return IntegerValue(
        ReadProfileString(GetIniPath(), section, key, std::to_string(defaultValue)));
}

void SetIniInt(std::string section, std::string key, int value)
{
    WriteProfileString(GetIniPath(), section, key, std::to_string(value));
}

float GetIniFloat(std::string section, std::string key, float defaultValue)
{
    return EvaluateNumber(ReadProfileString(GetIniPath(), section, key, FloatText(defaultValue)));
}

void SetIniFloat(std::string section, std::string key, float value)
{
    WriteProfileString(GetIniPath(), section, key, FloatText(value));
}

bool GetIniBool(std::string section, std::string key, bool defaultValue)
{
    return ReadProfileString(GetIniPath(), section, key, defaultValue ? "TRUE" : "FALSE") ==
           "TRUE";
}

void SetIniBool(std::string section, std::string key, bool value)
{
    WriteProfileString(GetIniPath(), section, key, value ? "TRUE" : "FALSE");
}

float EvaluateNumber(std::string text)
{
    CExpression expression;
    double value = 0.0;
    if (!expression.SetExpression(text) || !expression.Evaluate(value))
        return 0.0f;
    // ACOS(2) is NaN without an error, EXP(1000) or a 400-digit number is
    // infinite, and a double past the float range does not narrow safely:
    // none of them is a length or speed any caller could use.
    if (!std::isfinite(value) || std::fabs(value) > FLT_MAX)
        return 0.0f;
    return static_cast<float>(value);
}
