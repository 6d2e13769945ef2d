// plotvane-cli run as a real process: the built binary next to core_tests.
#include <gtest/gtest.h>


#include <filesystem>
#include <fstream>

#include "TempDir.h"
#include "core/CliRunner.h"
#include "plotlib/AtomicFile.h"
#include "plotlib/PlotterConfig.h"
#include "plotlib/Polyline.h"

namespace fs = std::filesystem;

namespace {

int Lines(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(CliPath()))
            GTEST_SKIP() << "plotvane-cli is not built next to core_tests (" << CliPath() << ")";
    }
};

std::string Sample(const char* name) { return std::string(PLOTVANE_SAMPLES_DIR) + "/" + name; }

} // namespace

TEST_F(Cli, InfoReportsTheDrawing)
{
    const std::string path = Sample("sds_Basic_Tee_layered.plt");
    CPolylineIArray drawing;
    ASSERT_TRUE(drawing.Load(path).ok());
    size_t points = 0;
    for (const CPolylineI& line : drawing.m_lines)
        points += line.m_points.size();
    int minX, minY, maxX, maxY;
    ASSERT_TRUE(drawing.GetBoundRect(minX, minY, maxX, maxY));

    const CliResult r = RunCli({"info", path});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("polylines: " + std::to_string(drawing.GetCount()) + "\n"),
              std::string::npos) << r.out;
    EXPECT_NE(r.out.find("points: " + std::to_string(points) + "\n"), std::string::npos) << r.out;
    // The tee uses pens 1, 2 and 3.
    EXPECT_NE(r.out.find("pens: 1 ("), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" 2 ("), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" 3 ("), std::string::npos) << r.out;
    const std::string mm = std::to_string(UnitsToMillimetres(maxX - minX, 1016)) + " x " +
                           std::to_string(UnitsToMillimetres(maxY - minY, 1016)) + " mm";
    EXPECT_NE(r.out.find(mm), std::string::npos) << r.out;
}

TEST_F(Cli, ConvertWritesWhatLoadsBackTheSame)
{
    TempDir dir;
    const std::string in = Sample("sds_Light_Jacket_2D.plt");
    CPolylineIArray original;
    ASSERT_TRUE(original.Load(in).ok());
    for (const char* option : {"--hpgl", "--dmpl"}) {
        const std::string out = dir.File(std::string("jacket") + option + ".plt");
        const CliResult r = RunCli({"convert", in, out, option});
        ASSERT_EQ(r.status, 0) << r.err;
        std::string text;
        ASSERT_TRUE(ReadWholeFile(out, text).ok());
        EXPECT_EQ(text.rfind(option == std::string("--dmpl") ? ";:" : "IN;", 0), 0u) << option;
        CPolylineIArray converted;
        ASSERT_TRUE(converted.Load(out).ok()) << option;
        ASSERT_EQ(converted.GetCount(), original.GetCount()) << option;
        for (int i = 0; i < original.GetCount(); ++i) {
            EXPECT_EQ(converted.GetPolyline(i)->GetPenNo(), original.GetPolyline(i)->GetPenNo());
            EXPECT_EQ(converted.GetPolyline(i)->m_points, original.GetPolyline(i)->m_points);
        }
    }
}

TEST_F(Cli, BadInputGivesOneClearLineAndAFailureStatus)
{
    TempDir dir;
    const std::string binary = dir.File("picture.png");
    {
        std::ofstream f(binary, std::ios::binary);
        const unsigned char bytes[] = {0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a, 0, 0, 0, 13, 0xff, 0xfe};
        for (int i = 0; i < 200; ++i)
            f.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    }
    const std::string missing = dir.File("missing.plt");
    const std::string goodIn = Sample("sds_Basic_Tee_layered.plt");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string mention;  // the error line must contain this
    };
    const std::vector<Case> cases = {
        {"missing file", {"info", missing}, 1, missing},
        {"binary file", {"info", binary}, 1, "not a plot file"},
        {"folder", {"info", dir.Path()}, 1, "folder"},
        {"convert missing", {"convert", missing, dir.File("o.plt")}, 1, missing},
        {"convert into a missing folder", {"convert", goodIn, dir.File("x/y/o.plt")}, 1,
         dir.File("x/y/o.plt")},
        {"unknown command", {"frobnicate"}, 2, "unknown command 'frobnicate'"},
        {"no command", {}, 2, "usage"},
        {"info without file", {"info"}, 2, "usage: plotvane-cli info"},
        {"info, two files", {"info", goodIn, goodIn}, 2, "usage: plotvane-cli info"},
        {"bad resolution", {"info", goodIn, "--resolution", "abc"}, 2, "usage"},
        {"convert, one path", {"convert", goodIn}, 2, "usage: plotvane-cli convert"},
        {"convert, unknown option", {"convert", goodIn, dir.File("o.plt"), "--dxf"}, 2, "usage"},
    };
    for (const Case& c : cases) {
        const CliResult r = RunCli(c.args);
        EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
        EXPECT_EQ(Lines(r.err), 1) << c.name << ": " << r.err;
        EXPECT_NE(r.err.find(c.mention), std::string::npos) << c.name << ": " << r.err;
        EXPECT_EQ(r.out, "") << c.name;
    }
    // Nothing was created by the failed conversions.
    EXPECT_FALSE(fs::exists(dir.File("o.plt")));

    const CliResult help = RunCli({"help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("convert IN OUT"), std::string::npos) << help.out;
}

TEST_F(Cli, InfoAndConvertWorkOnEverySample)
{
    TempDir dir;
    int samples = 0;
    for (const auto& entry : fs::directory_iterator(PLOTVANE_SAMPLES_DIR)) {
        const std::string path = entry.path().string();
        if (entry.path().extension() == ".md")
            continue;
        ++samples;
        const CliResult info = RunCli({"info", path});
        EXPECT_EQ(info.status, 0) << path << ": " << info.err;
        EXPECT_NE(info.out.find("polylines: "), std::string::npos) << path;
        const std::string out = dir.File("converted.plt");
        const CliResult convert = RunCli({"convert", path, out});
        EXPECT_EQ(convert.status, 0) << path << ": " << convert.err;
        CPolylineIArray original, converted;
        static_cast<void>(original.Load(path));  // some samples have no lines
        EXPECT_TRUE(converted.Load(out).ok() || original.GetCount() == 0) << path;
        EXPECT_EQ(converted.GetCount(), original.GetCount()) << path;
    }
    EXPECT_GT(samples, 20);
}
