// DXF through plotvane-cli: info names the pieces and the unit; convert
// writes HP-GL that an independent HP-GL interpreter (hp2xx) draws with the
// same extent as the DXF reader's drawing, and that our own reader reads
// back unchanged.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "TempDir.h"
#include "core/CliRunner.h"
#include "plotlib/DxfReader.h"
#include "plotlib/PlotFileReader.h"
#include "plotlib/ProgramDir.h"
#include "view/DxfSettings.h"

namespace {

std::string Data(const std::string& name)
{
    return std::string(PLOTVANE_SOURCE_DIR) + "/tests/data/dxf/" + name;
}

struct Extent {
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    void Add(double x, double y)
    {
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
    }
    double Width() const { return maxX - minX; }
    double Height() const { return maxY - minY; }
};

// The extent of what hp2xx draws (pen-down vectors), in plotter units: it
// writes its picture again as HP-GL ("-m hpgl", true size with -t).
bool Hp2xxExtent(const std::string& input, const std::string& output, Extent& extent)
{
    const std::string cmd = "hp2xx -q -t -n -m hpgl -f '" + output + "' '" + input + "' >/dev/null 2>&1";
    const int rc = std::system(cmd.c_str());
    if (rc == -1 || !WIFEXITED(rc))
        return false;
    const std::string text = ReadFileBytes(output);
    if (text == "(missing)")
        return false;
    double x = 0, y = 0;
    for (size_t i = 0; i + 2 < text.size(); ++i) {
        if (text[i] != 'P' || (text[i + 1] != 'U' && text[i + 1] != 'D'))
            continue;
        char* after = nullptr;
        const double nx = std::strtod(text.c_str() + i + 2, &after);
        if (!after || *after != ',')
            continue;
        const double ny = std::strtod(after + 1, &after);
        if (text[i + 1] == 'D') {
            extent.Add(x, y);
            extent.Add(nx, ny);
        }
        x = nx;
        y = ny;
    }
    return extent.maxX >= extent.minX;
}

Extent ExtentOf(const CPolylineIArray& d)
{
    Extent e;
    for (const CPolylineI& l : d.m_lines)
        if (l.m_points.size() >= 2)
            for (const PointI& p : l.m_points)
                e.Add(p.x, p.y);
    return e;
}

// The options plotvane-cli reads DXF with: the Setting.ini beside it, and
// (without a device list read) 1016 units per inch and pens 1, 2, 3.
DxfReadOptions CliOptions()
{
    OverrideProgramDirectoryForTests(std::filesystem::path(CliPath()).parent_path().string());
    DxfReadOptions options = ReadDxfReadOptions();
    OverrideProgramDirectoryForTests("");
    options.resolution = 1016;
    options.drawPen = 1;
    options.cutPen = 2;
    options.halfCutPen = 3;
    return options;
}

} // namespace

TEST(DxfCli, InfoNamesThePiecesAndTheUnit)
{
    const CliResult r = RunCli({"info", Data("generated/astm-two-pieces.dxf")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("format: DXF"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("units: millimetres"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("piece: FRONT, size M, quantity 2, category BODY"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("piece: BACK, size M"), std::string::npos) << r.out;

    const CliResult bad = RunCli({"info", Data("truncated.dxf")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("truncated.dxf is a damaged DXF file"), std::string::npos) << bad.err;
}

TEST(DxfCli, ConvertedToHpglHp2xxDrawsTheSameExtent)
{
    if (std::system("command -v hp2xx >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "hp2xx is not installed";
    TempDir dir;
    for (const char* name : {"generated/astm-two-pieces.dxf", "generated/plain-curves.dxf",
                             "generated/insert-transforms.dxf"}) {
        const std::string plt = dir.File("out.plt");
        const CliResult r = RunCli({"convert", Data(name), plt});
        ASSERT_EQ(r.status, 0) << name << ": " << r.err;

        CPolylineIArray dxf;
        CDxfReader reader(CliOptions());
        ASSERT_TRUE(reader.ReadFile(Data(name), dxf).ok()) << name;
        const Extent ours = ExtentOf(dxf);

        // Our reader gets the same drawing back from the HP-GL.
        CPolylineIArray back;
        ASSERT_TRUE(back.Load(plt).ok()) << name;
        const Extent again = ExtentOf(back);
        EXPECT_EQ(again.minX, ours.minX) << name;
        EXPECT_EQ(again.maxY, ours.maxY) << name;
        EXPECT_EQ(back.GetCount(), dxf.GetCount()) << name;

        Extent theirs;
        ASSERT_TRUE(Hp2xxExtent(plt, dir.File("hp2xx.hpgl"), theirs)) << name;
        EXPECT_NEAR(theirs.Width(), ours.Width(), 2.0) << name;
        EXPECT_NEAR(theirs.Height(), ours.Height(), 2.0) << name;
    }
}
