// The emulation's core: the pixel steps of one animated segment, and the
// plotter data it replays (written through a "^_^" temporary file that must
// be gone afterwards, whether the data could be made or not).
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "plotlib/CommandSets.h"
#include "mainframe/EmulationData.h"
#include "mainframe/TempPlotFile.h"
#include "plotlib/Devices.h"
#include "plotlib/PlotOutput.h"
#include "plotlib/ProgramDir.h"
#include "view/EmulationStroke.h"

namespace fs = std::filesystem;

namespace {

struct StrokeCase {
    const char* name;
    float ax, ay, bx, by;
    int steps;
};

TEST(EmulationStrokeTest, StepsCoverTheSegmentPixelByPixelAndEndOnItsEnd)
{
    const StrokeCase cases[] = {
        {"five pixels right", 10, 20, 15, 20, 5},
        {"diagonal 3-4-5", 0, 0, 3, 4, 5},
        {"fraction rounds up", 0, 0, 5.3f, 0, 6},
        {"shorter than a pixel", 7, 7, 7.4f, 7, 1},
        {"no length", 3, 3, 3, 3, 1},
        {"backwards and up", 100, 50, 40, 50, 60},
    };
    for (const StrokeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CEmulationStroke stroke(c.ax, c.ay, c.bx, c.by);
        ASSERT_EQ(stroke.StepCount(), c.steps);
        // The steps chain: each starts where the one before ended, the
        // first at the start, only the last one is marked last and ends
        // exactly on the end.
        float x = c.ax, y = c.ay;
        for (int k = 0; k < stroke.StepCount(); ++k) {
            const EmulationStep step = stroke.Step(k);
            EXPECT_NEAR(step.px, x, 1e-3) << k;
            EXPECT_NEAR(step.py, y, 1e-3) << k;
            EXPECT_EQ(step.last, k + 1 == stroke.StepCount()) << k;
            if (!step.last) {
                EXPECT_NEAR(std::hypot(step.qx - step.px, step.qy - step.py), 1.0, 1e-3) << k;
            }
            x = step.qx;
            y = step.qy;
        }
        EXPECT_EQ(x, c.bx);
        EXPECT_EQ(y, c.by);
    }
}

TEST(EmulationStrokeTest, AnAbsurdLengthDoesNotOverflowTheCount)
{
    const CEmulationStroke huge(0, 0, 3e30f, 0);
    EXPECT_GT(huge.StepCount(), 1000000);
    EXPECT_TRUE(huge.Step(huge.StepCount() - 1).last);
    const CEmulationStroke nan(0, 0, std::nanf(""), 0);
    EXPECT_EQ(nan.StepCount(), 1);
}

// The temporary folder of these tests: TMPDIR points into a fresh folder so
// that leftovers can be counted.
class EmulationDataTest : public testing::Test {
protected:
    void SetUp() override
    {
        const char* old = std::getenv("TMPDIR");
        m_hadTmpDir = old != nullptr;
        if (old)
            m_oldTmpDir = old;
        fs::create_directories(m_tmp);
        setenv("TMPDIR", m_tmp.c_str(), 1);
        OverrideProgramDirectoryForTests(m_program.Path());
        InitDevices();
    }
    void TearDown() override
    {
        if (m_hadTmpDir)
            setenv("TMPDIR", m_oldTmpDir.c_str(), 1);
        else
            unsetenv("TMPDIR");
        OverrideProgramDirectoryForTests("");
    }

    int Leftovers() const
    {
        int n = 0;
        for (const auto& entry : fs::directory_iterator(m_tmp))
            if (entry.path().filename().string().find("^_^") != std::string::npos)
                ++n;
        return n;
    }

    PLOTFILE Sample(const char* name, int copies = 1) const
    {
        PLOTFILE job;
        job.path = (fs::path(PLOTVANE_SAMPLES_DIR) / name).string();
        job.beginBlock = 0;
        job.stopBlock = 1000;
        job.copies = copies;
        return job;
    }

    TempDir m_program;
    TempDir m_folder;
    std::string m_tmp = m_folder.File("tmp");
    bool m_hadTmpDir = false;
    std::string m_oldTmpDir;
};

TEST_F(EmulationDataTest, TempPlotFileIsCreatedWithThePrefixAndRemoved)
{
    std::string path;
    {
        CTempPlotFile file;
        ASSERT_TRUE(file.GetStatus()) << file.GetStatus().message();
        path = file.Path();
        EXPECT_EQ(fs::path(path).parent_path(), fs::path(m_tmp));
        EXPECT_EQ(fs::path(path).filename().string().rfind("^_^", 0), 0u) << path;
        EXPECT_TRUE(fs::exists(path));
        CTempPlotFile other;
        EXPECT_NE(other.Path(), path);
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(Leftovers(), 0);

    // A temporary folder that is not there: the system's /tmp instead.
    setenv("TMPDIR", m_folder.File("missing").c_str(), 1);
    CTempPlotFile fallback;
    ASSERT_TRUE(fallback.GetStatus()) << fallback.GetStatus().message();
    EXPECT_EQ(fs::path(fallback.Path()).parent_path(), fs::path("/tmp"));
    fallback.Remove();
    EXPECT_TRUE(fallback.Path().empty());
}

TEST_F(EmulationDataTest, DrawingIsWhatPlotToFileWritesAndNoTemporaryFileStays)
{
    const PlotList list = {Sample("summa_test.plt", 2), Sample("jemgreen_test-Model.PLT")};
    PlotSpacing spacing;
    spacing.markSpace = 3.0f;
    spacing.frontSpace = 1.0f;
    CPolylineIArray drawing;
    const Status s = GenerateEmulationDrawing(list, spacing, drawing);
    ASSERT_TRUE(s) << s.message();
    EXPECT_EQ(Leftovers(), 0);

    const std::string direct = m_folder.File("direct.plt");
    ASSERT_TRUE(PlotterToFile(direct, list, spacing.markSpace, false, spacing.halfSolid,
                              spacing.halfSpace, spacing.frontSpace, HpglCommandSet(),
                              AlternateCommandSet()));
    CPolylineIArray expected;
    ASSERT_TRUE(expected.Load(direct));
    ASSERT_GT(expected.GetCount(), 0);
    ASSERT_EQ(drawing.GetCount(), expected.GetCount());
    for (int i = 0; i < drawing.GetCount(); ++i) {
        EXPECT_EQ(drawing.GetPolyline(i)->m_points, expected.GetPolyline(i)->m_points) << i;
        EXPECT_EQ(drawing.GetPolyline(i)->GetPenNo(), expected.GetPolyline(i)->GetPenNo()) << i;
    }
    // The sources were not deleted.
    EXPECT_TRUE(fs::exists(list[0].path));
}

TEST_F(EmulationDataTest, FailureGivesAnEmptyDrawingAReasonAndNoTemporaryFile)
{
    CPolylineIArray drawing;
    drawing.Add(1).AddPoint(1, 2);
    PLOTFILE missing;
    missing.path = m_folder.File("gone.plt");
    Status s = GenerateEmulationDrawing({missing}, PlotSpacing(), drawing);
    EXPECT_FALSE(s);
    EXPECT_FALSE(s.message().empty());
    EXPECT_EQ(drawing.GetCount(), 0);
    EXPECT_EQ(Leftovers(), 0);

    drawing.Add(1).AddPoint(1, 2);
    s = GenerateEmulationDrawing({}, PlotSpacing(), drawing);
    EXPECT_FALSE(s);
    EXPECT_EQ(drawing.GetCount(), 0);
    EXPECT_EQ(Leftovers(), 0);
}

}  // namespace
