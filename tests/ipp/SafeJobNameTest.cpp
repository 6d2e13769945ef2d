#include <gtest/gtest.h>

#include <set>
#include <string>

#include "SafeJobName.h"

namespace {

bool ValidUtf8(const std::string& s)
{
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 1 : (c & 0xe0) == 0xc0 ? 2 : (c & 0xf0) == 0xe0 ? 3 : (c & 0xf8) == 0xf0 ? 4 : 0;
        if (n == 0 || i + n > s.size())
            return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xc0) != 0x80)
                return false;
        i += n;
    }
    return true;
}

}  // namespace

// Names a station may send, and what lands in the plot folder.
TEST(SafeJobName, HostileAndForeignNamesBecomeOnePlainName)
{
    struct Case {
        const char* what;
        std::string sent;
        std::string expected;
    };
    const Case cases[] = {
        {"plain", "back.plt", "back.plt"},
        {"climbing out", "../../etc/x", "x"},
        {"absolute path", "/etc/passwd", "passwd"},
        {"windows path", "C:\\CAD\\jobs\\front.plt", "front.plt"},
        {"only dots", "..", "job-7.plt"},
        {"trailing slash", "../", "job-7.plt"},
        {"hidden file", ".bashrc", "bashrc"},
        {"control characters", std::string("pi\x01" "ece\n\x7f.plt"), "piece.plt"},
        {"terminal escape", "\x1b[31mred.plt", "[31mred.plt"},
        {"share-unsafe characters", "a<b>c:d\"e|f?g*h.plt", "a_b_c_d_e_f_g_h.plt"},
        {"invalid utf-8", std::string("h\xc3(\xff.plt"), "h_(_.plt"},
        {"utf-8 kept", "后片.plt", "后片.plt"},
        {"empty", "", "job-7.plt"},
        {"blanks", "   ", "job-7.plt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CSafeJobName::Make(c.sent, "job-7.plt"), c.expected) << c.what;
}

TEST(SafeJobName, LongNamesAreCutAtACharacterKeepingTheExtension)
{
    std::string longAscii(5000, 'a');
    const std::string cut = CSafeJobName::Make(longAscii + ".plt", "f.plt");
    EXPECT_LE(cut.size(), CSafeJobName::kMaxBytes);
    EXPECT_EQ(cut.substr(cut.size() - 4), ".plt");

    // Three-byte characters: the cut must not split one.
    std::string wide;
    for (int i = 0; i < 300; ++i)
        wide += "片";
    const std::string cutWide = CSafeJobName::Make(wide + ".hpgl", "f.plt");
    EXPECT_LE(cutWide.size(), CSafeJobName::kMaxBytes);
    EXPECT_TRUE(ValidUtf8(cutWide));
    EXPECT_EQ(cutWide.substr(cutWide.size() - 5), ".hpgl");

    // Even numbered, the name fits a file name with the writer's temporary
    // prefix and suffix.
    const std::string numbered = CSafeJobName::Numbered(cut, CSafeJobName::kMaxNumber);
    EXPECT_LE(numbered.size() + std::string(".") .size() + std::string(".tmpXXXXXX").size(), 255u);
}

TEST(SafeJobName, TakenNamesGetTheNextNumber)
{
    std::set<std::string> taken = {"back.plt", "back (2).plt", "noext", "noext (2)"};
    const auto isTaken = [&](const std::string& n) { return taken.count(n) != 0; };
    EXPECT_EQ(CSafeJobName::FirstFree("back.plt", isTaken), "back (3).plt");
    EXPECT_EQ(CSafeJobName::FirstFree("noext", isTaken), "noext (3)");
    EXPECT_EQ(CSafeJobName::FirstFree("free.plt", isTaken), "free.plt");
    EXPECT_EQ(CSafeJobName::FirstFree("x.plt", [](const std::string&) { return true; }), "");
}
