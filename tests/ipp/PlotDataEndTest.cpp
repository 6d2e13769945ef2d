#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "PlotDataEnd.h"
#include "PlotDocumentCheck.h"
#include "TempDir.h"

namespace {

bool Cut(const std::string& data, CPlotFileReader::Format format = CPlotFileReader::Format::Hpgl)
{
    bool cut = false;
    std::string where;
    CPlotDataEnd::CheckBuffer(data, format, cut, where);
    return cut;
}

const std::string kEsc = "\x1b";

}  // namespace

// Files as pattern programs and plotter tools write them end where a
// command ends, with or without semicolons.
TEST(PlotDataEnd, WholeFilesAreWhole)
{
    const std::string whole[] = {
        "IN;SP1;PU0,0;PD100,100;PU;SP0;",
        "IN;SP1;PU0,0;PD100,100;PU;SP0;\n",
        "IN\nSP1\nPU0,0\nPD100,100\nSP0\n",           // one command per line, no ';'
        "IN;SP1;PD100,100;PG",                        // parameterless last command
        "IN;PU0,0;LBBack piece\x03\n",                // terminated label
        "IN;DT*;LBfront*;",                           // own label terminator
        "IN;PU0,0;PE<=?@;",                           // encoded data with its end
        kEsc + "E" + kEsc + "%-12345X@PJL ENTER LANGUAGE=HPGL2\r\nIN;PD1,1;" + kEsc + "%-12345X",
        kEsc + "*b3W" + "abc" + "IN;PU;",             // PCL block of 3 bytes, then HP-GL
        "IN;PU0,0;\r\n\r\n",                          // trailing blank lines
        std::string("IN;PU0,0;\0\0", 11),             // NUL padding
    };
    for (const std::string& data : whole)
        EXPECT_FALSE(Cut(data)) << data;
    EXPECT_FALSE(Cut(";:H A EC1 U0,0 D100,100 @\r\n", CPlotFileReader::Format::Dmpl));
    EXPECT_FALSE(Cut(";:H A U0,0 D100,100\r\n", CPlotFileReader::Format::Dmpl));
}

// What a transfer or copy that stopped early leaves behind.
TEST(PlotDataEnd, CutFilesAreCut)
{
    const std::string cut[] = {
        "IN;SP1;PU0,0;PD100,1",     // in a number
        "IN;SP1;PU0,0;PD100,",      // after a separator
        "IN;SP1;PU0,0;PD-",         // after a sign
        "IN;SP1;PU0,0;P",           // half a command name
        "IN;PU0,0;LBBack pie",      // label without its terminator
        "IN;PU0,0;PE<=?@",          // encoded data without ';'
        "IN;CO\"a comm",            // quoted string
        "IN;PU;" + kEsc + "*b10Wabc", // PCL block shorter than announced
        "IN;PU;" + kEsc + "%-123",  // escape sequence
    };
    for (const std::string& data : cut)
        EXPECT_TRUE(Cut(data)) << data;
    EXPECT_TRUE(Cut(";:H A U0,0 D100,10", CPlotFileReader::Format::Dmpl));
}

// The demo plot files shipped with the program: every one is whole, and
// every one cut short inside its last coordinates is noticed.
TEST(PlotDataEnd, DemoFilesAreWholeAndTheirTruncationsAreNot)
{
    const std::string demo = std::string(PLOTVANE_SOURCE_DIR) + "/resources/demo";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(demo)) {
        const CPlotDocumentCheck::Result result = CPlotDocumentCheck::CheckFile(entry.path().string(), "demo");
        EXPECT_EQ(result.verdict, CPlotDocumentCheck::Verdict::Plot) << entry.path() << ": " << result.message;
        ++files;
    }
    EXPECT_GT(files, 0);

    TempDir dir;
    std::string data;
    {
        std::ifstream in(demo + "/tee_front.plt", std::ios::binary);
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const size_t lastPd = data.rfind("PD");
    ASSERT_NE(lastPd, std::string::npos);
    for (size_t end = lastPd + 3; end < data.find(';', lastPd); ++end) {
        std::ofstream(dir.File("cut.plt"), std::ios::binary) << data.substr(0, end);
        const CPlotDocumentCheck::Result result = CPlotDocumentCheck::CheckFile(dir.File("cut.plt"), "cut.plt");
        EXPECT_EQ(result.verdict, CPlotDocumentCheck::Verdict::Cut) << "cut after " << end << " bytes";
        EXPECT_NE(result.message.find("cut.plt ends inside a command"), std::string::npos) << result.message;
    }
}

TEST(PlotDocumentCheck, NonPlotDataIsRefusedWithTheReadersReason)
{
    TempDir dir;
    std::ofstream(dir.File("a.bin"), std::ios::binary) << std::string("\x7f" "ELF\x02\x01\x01\0\0\0binary", 16);
    std::ofstream(dir.File("letter.txt")) << "Dear customer, please find the pattern attached.\n";
    std::ofstream(dir.File("empty.plt")) << "";
    for (const char* name : {"a.bin", "letter.txt", "empty.plt"}) {
        const CPlotDocumentCheck::Result result = CPlotDocumentCheck::CheckFile(dir.File(name), name);
        EXPECT_EQ(result.verdict, CPlotDocumentCheck::Verdict::NotPlot) << name;
        // The station's name for the document, not the spool file's path.
        EXPECT_EQ(result.message.find(dir.Path()), std::string::npos) << result.message;
        EXPECT_EQ(result.message.rfind(name, 0), 0u) << result.message;
    }
    const uint8_t hpgl[] = "IN;SP1;PU0,0;PD10,10;";
    EXPECT_STREQ(CPlotDocumentCheck::SniffMimeType(hpgl, sizeof hpgl - 1), CPlotDocumentCheck::kHpglMime);
    const uint8_t dmpl[] = ";:H A U0,0 D10,10 @";
    EXPECT_STREQ(CPlotDocumentCheck::SniffMimeType(dmpl, sizeof dmpl - 1), CPlotDocumentCheck::kDmplMime);
    const uint8_t elf[] = "\x7f" "ELF\x02\x01";
    EXPECT_EQ(CPlotDocumentCheck::SniffMimeType(elf, sizeof elf - 1), nullptr);
}

// A pattern DXF is a plot file to the program, so a station may print one;
// its end is checked by the DXF reader, not by the HP-GL command scan
// (which would take "EOF" for a cut command).
TEST(PlotDocumentCheck, DxfDocumentsAreTakenAndACutOneIsRefused)
{
    const std::string data = std::string(PLOTVANE_SOURCE_DIR) + "/tests/data/dxf/";
    const CPlotDocumentCheck::Result whole = CPlotDocumentCheck::CheckFile(data + "minimal.dxf", "minimal.dxf");
    EXPECT_EQ(whole.verdict, CPlotDocumentCheck::Verdict::Plot) << whole.message;
    EXPECT_EQ(whole.format, CPlotFileReader::Format::Dxf);
    const CPlotDocumentCheck::Result cut = CPlotDocumentCheck::CheckFile(data + "truncated.dxf", "truncated.dxf");
    EXPECT_NE(cut.verdict, CPlotDocumentCheck::Verdict::Plot);
    const uint8_t dxf[] = "  0\nSECTION\n  2\nHEADER\n";
    EXPECT_STREQ(CPlotDocumentCheck::SniffMimeType(dxf, sizeof dxf - 1), CPlotDocumentCheck::kDxfMime);
}
