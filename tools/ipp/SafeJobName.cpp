#include "SafeJobName.h"

#include <cstdint>
#include <cstring>

namespace {

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not a
// valid, shortest-form sequence.
size_t Utf8Length(const std::string& s, size_t i)
{
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    const uint8_t c = byte(i);
    size_t n = 0;
    uint32_t min = 0, cp = 0;
    if (c < 0x80)
        return 1;
    if ((c & 0xe0) == 0xc0) { n = 2; cp = c & 0x1f; min = 0x80; }
    else if ((c & 0xf0) == 0xe0) { n = 3; cp = c & 0x0f; min = 0x800; }
    else if ((c & 0xf8) == 0xf0) { n = 4; cp = c & 0x07; min = 0x10000; }
    else
        return 0;
    if (i + n > s.size())
        return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xc0) != 0x80)
            return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3f);
    }
    if (cp < min || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff))
        return 0;
    return n;
}

// Cuts `s` to at most `limit` bytes without splitting a character (the
// text is valid UTF-8 here).
std::string CutAtCharacter(const std::string& s, size_t limit)
{
    if (s.size() <= limit)
        return s;
    size_t end = limit;
    while (end > 0 && (static_cast<uint8_t>(s[end]) & 0xc0) == 0x80)
        --end;
    return s.substr(0, end);
}

std::string TrimDotsAndBlanks(const std::string& s)
{
    size_t begin = 0, end = s.size();
    while (begin < end && (s[begin] == '.' || s[begin] == ' '))
        ++begin;
    while (end > begin && (s[end - 1] == '.' || s[end - 1] == ' '))
        --end;
    return s.substr(begin, end - begin);
}

// Splits "name.ext" into "name" and ".ext" when the extension is short and
// plain; otherwise the whole text is the stem.
void SplitExtension(const std::string& name, std::string& stem, std::string& ext)
{
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0 && name.size() - dot <= 16) {
        stem = name.substr(0, dot);
        ext = name.substr(dot);
    } else {
        stem = name;
        ext.clear();
    }
}

}  // namespace

std::string CSafeJobName::Make(const std::string& documentName, const std::string& fallback)
{
    const size_t slash = documentName.find_last_of("/\\");
    const std::string last = slash == std::string::npos ? documentName : documentName.substr(slash + 1);

    std::string clean;
    clean.reserve(last.size());
    for (size_t i = 0; i < last.size();) {
        const uint8_t c = static_cast<uint8_t>(last[i]);
        if (c < 0x20 || c == 0x7f) {
            ++i;
            continue;
        }
        if (c < 0x80) {
            clean += std::strchr("<>:\"|?*", c) ? '_' : static_cast<char>(c);
            ++i;
            continue;
        }
        const size_t n = Utf8Length(last, i);
        if (n == 0) {
            clean += '_';
            ++i;
            continue;
        }
        clean.append(last, i, n);
        i += n;
    }
    clean = TrimDotsAndBlanks(clean);
    if (clean.size() > kMaxBytes) {
        std::string stem, ext;
        SplitExtension(clean, stem, ext);
        clean = TrimDotsAndBlanks(CutAtCharacter(stem, kMaxBytes - ext.size())) + ext;
    }
    if (clean.empty() || clean == "_")
        return fallback;
    return clean;
}

std::string CSafeJobName::Numbered(const std::string& safeName, int n)
{
    if (n <= 1)
        return safeName;
    std::string stem, ext;
    SplitExtension(safeName, stem, ext);
    return stem + " (" + std::to_string(n) + ")" + ext;
}

std::string CSafeJobName::FirstFree(const std::string& safeName,
                                    const std::function<bool(const std::string&)>& taken)
{
    for (int n = 1; n <= kMaxNumber; ++n) {
        const std::string candidate = Numbered(safeName, n);
        if (!taken(candidate))
            return candidate;
    }
    return std::string();
}
