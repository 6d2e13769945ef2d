#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <filesystem>
#include <string>
#include <sys/stat.h>

#include "FileSizeLimit.h"
#include "TempDir.h"
#include "app/IniSettings.h"
#include "plotlib/AtomicFile.h"
#include "plotlib/ProgramDir.h"

namespace {

// Points Setting.ini at a fresh temporary folder for one test.
class IniSettings : public ::testing::Test {
protected:
    void SetUp() override { OverrideProgramDirectoryForTests(m_dir.Path()); }
    void TearDown() override { OverrideProgramDirectoryForTests(""); }

    void WriteIni(const std::string& text)
    {
        ASSERT_TRUE(WriteFileAtomically(GetIniPath(), text).ok());
    }
    std::string ReadIni()
    {
        std::string text;
        EXPECT_TRUE(ReadWholeFile(GetIniPath(), text).ok());
        return text;
    }

    TempDir m_dir;
};

} // namespace

TEST_F(IniSettings, MissingFileGivesDefaultsAndFirstWriteCreatesIt)
{
    EXPECT_FLOAT_EQ(GetIniFloat("Global", "MarkSpace", 5.0f), 5.0f);
    EXPECT_EQ(GetIniInt("Global", "ExtractPen", 1), 1);
    EXPECT_TRUE(GetIniBool("Global", "AutoPlot", true));

    SetIniInt("Emulate", "Speed", 10);
    EXPECT_EQ(ReadIni(), "[Emulate]\nSpeed=10\n");
    EXPECT_EQ(GetIniInt("Emulate", "Speed", -1), 10);
}

TEST_F(IniSettings, FloatsAreExpressions)
{
    WriteIni("[Global]\nMarkSpace=2*3\nFrontSpace=abc\nGap=12'3/8\nBad=1/0\n"
             "NaN=ACOS(2)\nHuge=EXP(1000)\nEmpty=\n");
    EXPECT_FLOAT_EQ(GetIniFloat("Global", "MarkSpace", 5.0f), 6.0f);
    EXPECT_FLOAT_EQ(GetIniFloat("Global", "FrontSpace", 5.0f), 0.0f);  // not the default
    EXPECT_FLOAT_EQ(GetIniFloat("Global", "Gap", 5.0f), 12.375f);
    EXPECT_FLOAT_EQ(GetIniFloat("Global", "Bad", 5.0f), 0.0f);
    // Values no caller could use as a length read 0 as well.
    EXPECT_FLOAT_EQ(GetIniFloat("Global", "NaN", 5.0f), 0.0f);
    EXPECT_FLOAT_EQ(GetIniFloat("Global", "Huge", 5.0f), 0.0f);
    EXPECT_FLOAT_EQ(GetIniFloat("Global", "Missing", 5.0f), 5.0f);
    EXPECT_FLOAT_EQ(GetIniFloat("HalfCut", "Space", 0.1f), 0.1f);

    SetIniFloat("HalfCut", "Space", 0.1f);
    SetIniFloat("HalfCut", "Neg", -1.5f);
    EXPECT_EQ(GetIniString("HalfCut", "Space", ""), "0.100000");
    EXPECT_EQ(GetIniString("HalfCut", "Neg", ""), "-1.500000");
    EXPECT_FLOAT_EQ(GetIniFloat("HalfCut", "Space", 7.0f), 0.1f);
}

// The GUI sets a locale; a comma as decimal point must not reach the file.
TEST_F(IniSettings, FloatTextIgnoresTheLocale)
{
    const std::string old = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "de_DE"))
        GTEST_SKIP() << "no German locale installed";
    SetIniFloat("HalfCut", "Space", 0.5f);
    const std::string text = GetIniString("HalfCut", "Space", "");
    const float value = GetIniFloat("HalfCut", "Space", 7.0f);
    std::setlocale(LC_NUMERIC, old.c_str());
    EXPECT_EQ(text, "0.500000");
    EXPECT_FLOAT_EQ(value, 0.5f);
}

TEST_F(IniSettings, BoolsAndIntegers)
{
    WriteIni("[Global]\nAutoPlot=true\nAutoDeleteFile=TRUE\nX= TRUE \nLanguage=12abc\n"
             "Slot_Width=abc\nSlot_Length=-7\nSlotSpace=99999999999999\nNeg=-99999999999\n");
    EXPECT_FALSE(GetIniBool("Global", "AutoPlot", true));  // lower case is false
    EXPECT_TRUE(GetIniBool("Global", "AutoDeleteFile", false));
    EXPECT_TRUE(GetIniBool("Global", "X", false));  // surrounding blanks are not part of it
    EXPECT_EQ(GetIniInt("Global", "Language", 0), 12);
    EXPECT_EQ(GetIniInt("Global", "Slot_Width", 6), 0);  // not the default
    EXPECT_EQ(GetIniInt("Global", "Slot_Length", 10), -7);
    EXPECT_EQ(GetIniInt("Global", "SlotSpace", 3), INT_MAX);
    EXPECT_EQ(GetIniInt("Global", "Neg", 3), INT_MIN);

    SetIniBool("Global", "AutoPlot", true);
    SetIniBool("Global", "AutoDeleteFile", false);
    EXPECT_EQ(GetIniString("Global", "AutoPlot", ""), "TRUE");
    EXPECT_EQ(GetIniString("Global", "AutoDeleteFile", ""), "FALSE");
}

TEST_F(IniSettings, NamesIgnoreCaseAndWritesKeepTheRestOfTheFile)
{
    const std::string original = "; written by hand\r\n"
                                 "\r\n"
                                 "[global]\r\n"
                                 "; the plot folder\r\n"
                                 "plotpath = /srv/plots \r\n"
                                 "not a key line\r\n"
                                 "PlotPath=/second/occurrence\r\n"
                                 "\r\n"
                                 "; emulation\r\n"
                                 "[Emulate]\r\n"
                                 "Speed=4\r\n"
                                 "[GLOBAL]\r\n"
                                 "MarkSpace=9";
    WriteIni(original);
    EXPECT_EQ(GetIniString("GLOBAL", "PLOTPATH", "x"), "/srv/plots");
    // Only the first section of a name counts.
    EXPECT_FLOAT_EQ(GetIniFloat("Global", "MarkSpace", 5.0f), 5.0f);

    SetIniString("Global", "PlotPath", "/new");
    SetIniInt("Global", "ExtractPen", 0);
    SetIniInt("emulate", "speed", 10);
    SetIniFloat("HalfCut", "Solid", 2.0f);
    EXPECT_EQ(ReadIni(), "; written by hand\r\n"
                         "\r\n"
                         "[global]\r\n"
                         "; the plot folder\r\n"
                         "plotpath=/new\r\n"
                         "not a key line\r\n"
                         "PlotPath=/second/occurrence\r\n"
                         "ExtractPen=0\r\n"
                         "\r\n"
                         "; emulation\r\n"
                         "[Emulate]\r\n"
                         "Speed=10\r\n"
                         "[GLOBAL]\r\n"
                         "MarkSpace=9\r\n"
                         "[HalfCut]\r\n"
                         "Solid=2.000000\r\n");
}

TEST_F(IniSettings, KeyAddedToALastSectionWithoutLineBreak)
{
    WriteIni("[Global]\nGap=1");
    SetIniFloat("Global", "MarkSpace", 5.0f);
    EXPECT_EQ(ReadIni(), "[Global]\nGap=1\nMarkSpace=5.000000\n");
    WriteIni("[Global]");
    SetIniInt("Global", "Language", 3);
    EXPECT_EQ(ReadIni(), "[Global]\nLanguage=3\n");
    // A carriage return alone at the very end is no line break: the new key
    // must not be glued to the last line.
    WriteIni("[Global]\r\nGap=1\r");
    SetIniInt("Global", "Language", 3);
    EXPECT_EQ(GetIniInt("Global", "Language", 0), 3);
    EXPECT_FLOAT_EQ(GetIniFloat("Global", "Gap", 0.0f), 1.0f);
}

TEST_F(IniSettings, LongValuesAreCutTo1023)
{
    const std::string path(1500, 'p');
    SetIniString("Global", "PlotPath", path);
    EXPECT_EQ(GetIniString("Global", "PlotPath", ""), path.substr(0, 1023));
    EXPECT_NE(ReadIni().find(path), std::string::npos);  // the file keeps it whole
}

// Texts that would break the line structure are refused, not written half:
// a path with a line break would otherwise plant a second key.
TEST_F(IniSettings, RefusesTextThatWouldBreakTheFile)
{
    WriteIni("[Global]\nPlotPath=/old\n");
    EXPECT_FALSE(WriteProfileString(GetIniPath(), "Global", "PlotPath", "/x\nAutoPlot=TRUE"));
    EXPECT_FALSE(WriteProfileString(GetIniPath(), "Glo]bal", "Key", "v"));
    EXPECT_FALSE(WriteProfileString(GetIniPath(), "Global", "A=B", "v"));
    EXPECT_FALSE(WriteProfileString(GetIniPath(), "", "Key", "v"));
    EXPECT_EQ(ReadIni(), "[Global]\nPlotPath=/old\n");
    EXPECT_FALSE(GetIniBool("Global", "AutoPlot", false));
}

TEST_F(IniSettings, FailedWriteLeavesTheOldFileWhole)
{
    const std::string original = "[Global]\nMarkSpace=7\n; " + std::string(200, 'c') + "\n";
    WriteIni(original);
    {
        FileSizeLimit limit(16);
        SetIniFloat("Global", "MarkSpace", 3.0f);
    }
    EXPECT_EQ(ReadIni(), original);
    EXPECT_FLOAT_EQ(GetIniFloat("Global", "MarkSpace", 5.0f), 7.0f);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.Path()),
                            std::filesystem::directory_iterator()),
              1);  // no temporary file left behind
}

// A Setting.ini that is there but cannot be read must not be replaced by a
// file holding the one key being written.
TEST_F(IniSettings, UnreadableFileIsNotReplaced)
{
    ASSERT_EQ(mkdir(GetIniPath().c_str(), 0755), 0);
    SetIniInt("Global", "Language", 1);
    EXPECT_TRUE(std::filesystem::is_directory(GetIniPath()));
    EXPECT_EQ(GetIniInt("Global", "Language", 4), 4);
}
