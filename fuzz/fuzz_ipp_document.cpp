// What a CAD station sends plotvane-ipp, as bytes: the document (told apart
// by content, checked for a cut-off last command) and its name. Any input
// gives an answer without a crash or hang, and the name made from it is
// always one plain file name: no separator, no control character, no
// leading dot, valid UTF-8, at most CSafeJobName::kMaxBytes bytes (and
// short enough for a number and the atomic writer's temporary name).
#include <cstddef>
#include <cstdint>
#include <string>

#include "PlotDataEnd.h"
#include "PlotDocumentCheck.h"
#include "SafeJobName.h"

namespace {

bool PlainName(const std::string& name, size_t limit)
{
    if (name.empty() || name.size() > limit || name[0] == '.' || name == "..")
        return false;
    for (size_t i = 0; i < name.size();) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == 0x7f || c == '/' || c == '\\')
            return false;
        const size_t n = c < 0x80 ? 1 : (c & 0xe0) == 0xc0 ? 2 : (c & 0xf0) == 0xe0 ? 3 : (c & 0xf8) == 0xf0 ? 4 : 0;
        if (n == 0 || i + n > name.size())
            return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(name[i + k]) & 0xc0) != 0x80)
                return false;
        i += n;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    bool cut = false;
    std::string where;
    CPlotDataEnd::CheckBuffer(bytes, CPlotFileReader::Format::Hpgl, cut, where);
    CPlotDataEnd::CheckBuffer(bytes, CPlotFileReader::Format::Dmpl, cut, where);
    (void)CPlotDocumentCheck::SniffMimeType(data, size);

    const std::string name = CSafeJobName::Make(bytes.substr(0, 600), "job-1.plt");
    // Numbered, the name may grow by " (9999)"; with the atomic writer's
    // ".NAME.tmpXXXXXX" it still fits the 255 bytes of a file name.
    const std::string numbered = CSafeJobName::Numbered(name, CSafeJobName::kMaxNumber);
    if (!PlainName(name, CSafeJobName::kMaxBytes) || !PlainName(numbered, 255 - 11))
        __builtin_trap();
    return 0;
}
