// The plot file writer: CPlotter and CPlotEncoder write drawings that the
// reader loads back exactly, in HP-GL and DMPL, and never damage the file
// they replace.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <random>

#include "TempDir.h"
#include "plotlib/CommandSets.h"
#include "plotlib/AtomicFile.h"
#include "plotlib/PlotEncoder.h"
#include "plotlib/Plotter.h"
#include "plotlib/Polyline.h"

namespace fs = std::filesystem;

namespace {

PLOTTERCONFIG Config(PlotLanguage language, float scaleX = 1.0f, float scaleY = 1.0f)
{
    PLOTTERCONFIG config;
    config.language = language;
    config.scaleX = scaleX;
    config.scaleY = scaleY;
    return config;
}

// The write-back sequence every editing tool uses.
Status Write(const CPolylineIArray& drawing, const std::string& path, const PLOTTERCONFIG& config)
{
    CPlotter plotter(config, path, HpglCommandSet(), AlternateCommandSet());
    plotter.Begin(nullptr);
    drawing.Draw(plotter, nullptr);
    plotter.End(nullptr);
    return plotter.Close();
}

// A garment-like drawing: closed outlines and open lines in several pens,
// pens changing back and forth, coordinates up to a few metres, some
// negative (before AlignZero), long polylines.
CPolylineIArray Generated(unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> coord(-20000, 240000);
    std::uniform_int_distribution<int> step(-800, 800);
    std::uniform_int_distribution<int> pens(1, 8);
    std::uniform_int_distribution<int> length(2, 600);
    CPolylineIArray drawing;
    for (int i = 0; i < 120; ++i) {
        CPolylineI& line = drawing.Add(i % 7 == 3 ? 1 : pens(rng));
        int x = coord(rng), y = coord(rng) / 3;
        const int n = length(rng);
        for (int k = 0; k < n; ++k) {
            line.AddPoint(x, y);
            x += step(rng);
            y += step(rng);
        }
        if (i % 2 == 0)
            line.AddPoint(line.GetPoint(0).x, line.GetPoint(0).y);  // closed outline
    }
    return drawing;
}

void ExpectSameDrawing(const CPolylineIArray& expected, const CPolylineIArray& actual,
                       const std::string& what)
{
    ASSERT_EQ(actual.GetCount(), expected.GetCount()) << what;
    for (int i = 0; i < expected.GetCount(); ++i) {
        const CPolylineI& e = *expected.GetPolyline(i);
        const CPolylineI& a = *actual.GetPolyline(i);
        ASSERT_EQ(a.GetPenNo(), e.GetPenNo()) << what << ", polyline " << i;
        ASSERT_EQ(a.m_points, e.m_points) << what << ", polyline " << i;
    }
}

// Polylines the writer can express exactly: at least two points (a single
// point is written as a dot, which a reader may drop).
CPolylineIArray Drawable(const CPolylineIArray& drawing)
{
    CPolylineIArray out;
    for (const CPolylineI& line : drawing.m_lines)
        if (line.GetCount() >= 2)
            out.m_lines.push_back(line);
    return out;
}

size_t FilesIn(const std::string& folder)
{
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

std::string ReadAll(const std::string& path)
{
    std::string data;
    EXPECT_TRUE(ReadWholeFile(path, data).ok()) << path;
    return data;
}

} // namespace

TEST(PlotWriter, CommandSetsSurvivePackingWithAnyBytes)
{
    const PlotCommandSet odd{std::string("I\0N;", 4), "1:,", "", ",,,", "12:SP"};
    PlotCommandSet back;
    ASSERT_TRUE(UnpackCommandSet(PackCommandSet(odd), back));
    EXPECT_EQ(back.init, odd.init);
    EXPECT_EQ(back.end, odd.end);
    EXPECT_EQ(back.penUp, odd.penUp);
    EXPECT_EQ(back.penDown, odd.penDown);
    EXPECT_EQ(back.selectPen, odd.selectPen);

    ASSERT_TRUE(UnpackCommandSet(AlternateCommandSet(), back));
    EXPECT_EQ(back.init, ";:");
    EXPECT_EQ(back.penDown, "D");

    // Damaged sets are refused, not half used.
    const std::string good = HpglCommandSet();
    for (const std::string& bad :
         {std::string(), good.substr(0, good.size() - 1), good + "x", good + "2:PU,",
          std::string("IN;\x1fPU;PG;\x1fPU\x1fPD\x1fSP"), std::string("99999999999999999999:a,")}) {
        PlotCommandSet untouched{"a", "b", "c", "d", "e"};
        EXPECT_FALSE(UnpackCommandSet(bad, untouched)) << bad;
        EXPECT_EQ(untouched.init, "a");
    }
}

TEST(PlotWriter, GeneratedDrawingsRoundTripExactly)
{
    TempDir dir;
    for (const PlotLanguage language : {PlotLanguage::Hpgl, PlotLanguage::Dmpl}) {
        const char* name = language == PlotLanguage::Hpgl ? "HP-GL" : "DMPL";
        for (unsigned seed : {1u, 2u, 3u}) {
            const CPolylineIArray drawing = Generated(seed);
            const std::string path = dir.File("generated.plt");
            ASSERT_TRUE(Write(drawing, path, Config(language)).ok()) << name;
            CPolylineIArray loaded;
            ASSERT_TRUE(loaded.Load(path).ok()) << name;
            ExpectSameDrawing(drawing, loaded, std::string(name) + " seed " + std::to_string(seed));
        }
    }
}

TEST(PlotWriter, SamplesRoundTripExactly)
{
    int tried = 0;
    TempDir dir;
    for (const auto& entry : fs::directory_iterator(PLOTVANE_SAMPLES_DIR)) {
        if (entry.path().extension() == ".md")
            continue;
        CPolylineIArray original;
        if (!original.Load(entry.path().string()).ok() || original.GetCount() == 0)
            continue;
        const CPolylineIArray drawing = Drawable(original);
        ++tried;
        for (const PlotLanguage language : {PlotLanguage::Hpgl, PlotLanguage::Dmpl}) {
            const std::string what = entry.path().filename().string() +
                                     (language == PlotLanguage::Hpgl ? " as HP-GL" : " as DMPL");
            const std::string path = dir.File("copy.plt");
            ASSERT_TRUE(Write(drawing, path, Config(language)).ok()) << what;
            CPolylineIArray once;
            ASSERT_TRUE(once.Load(path).ok()) << what;
            ExpectSameDrawing(drawing, once, what);
            // Writing what was read back changes nothing either.
            ASSERT_TRUE(Write(once, path, Config(language)).ok()) << what;
            CPolylineIArray twice;
            ASSERT_TRUE(twice.Load(path).ok()) << what;
            ExpectSameDrawing(drawing, twice, what + ", second time");
        }
    }
    EXPECT_GE(tried, 10) << "too few samples loaded from " << PLOTVANE_SAMPLES_DIR;
}

TEST(PlotWriter, ScaleFactorsRoundHalfAwayFromZero)
{
    CPolylineIArray drawing;
    CPolylineI& line = drawing.Add(2);
    line.AddPoint(3, -3);
    line.AddPoint(-5, 5);
    line.AddPoint(1001, -1001);
    TempDir dir;
    const std::string path = dir.File("scaled.plt");
    for (const PlotLanguage language : {PlotLanguage::Hpgl, PlotLanguage::Dmpl}) {
        ASSERT_TRUE(Write(drawing, path, Config(language, 0.5f, 2.5f)).ok());
        CPolylineIArray loaded;
        ASSERT_TRUE(loaded.Load(path).ok());
        ASSERT_EQ(loaded.GetCount(), 1);
        EXPECT_EQ(loaded.GetPolyline(0)->m_points,
                  (std::vector<PointI>{{2, -8}, {-3, 13}, {501, -2503}}));
    }
}

TEST(PlotWriter, SelectsAPenOnlyWhenItChanges)
{
    CPolylineIArray drawing;
    for (int pen : {3, 3, 2, 2, 3, 1, 1}) {
        CPolylineI& line = drawing.Add(pen);
        line.AddPoint(0, 0);
        line.AddPoint(10, 10);
    }
    drawing.Add(5);  // no points: nothing written, no pen selected for it
    std::string out;
    CPlotEncoder encoder(PlotLanguage::Hpgl, StandardHpglCommandSet(), 1.0, 1.0, 1016,
                         [&out](const char* p, size_t n) {
                             out.append(p, n);
                             return true;
                         });
    encoder.Begin();
    for (const CPolylineI& line : drawing.m_lines)
        encoder.WritePolyline(line);
    encoder.End();
    ASSERT_TRUE(encoder.Flush());
    size_t selects = 0;
    for (size_t at = out.find("SP"); at != std::string::npos; at = out.find("SP", at + 1))
        ++selects;
    EXPECT_EQ(selects, 4u) << out;
    EXPECT_EQ(out.find("SP5"), std::string::npos);
}

TEST(PlotWriter, OutputDoesNotDependOnFlushSizeOrCommandSplitting)
{
    const CPolylineIArray drawing = Generated(7);
    auto encode = [&drawing](size_t threshold, size_t maxPoints, PlotLanguage language) {
        std::string out;
        const PlotCommandSet set = language == PlotLanguage::Hpgl ? StandardHpglCommandSet()
                                                                   : StandardDmplCommandSet();
        CPlotEncoder encoder(language, set, 1.0, 1.0, 1016,
                             [&out](const char* p, size_t n) {
                                 out.append(p, n);
                                 return true;
                             },
                             threshold);
        encoder.SetMaxPointsPerCommand(maxPoints);
        encoder.Begin();
        for (const CPolylineI& line : drawing.m_lines)
            encoder.WritePolyline(line);
        encoder.End();
        encoder.Flush();
        EXPECT_EQ(encoder.BytesEncoded(), out.size());
        return out;
    };
    TempDir dir;
    for (const PlotLanguage language : {PlotLanguage::Hpgl, PlotLanguage::Dmpl}) {
        EXPECT_EQ(encode(1, 0, language), encode(1 << 20, 0, language));
        // Pen-down lists split for a small device buffer draw the same lines.
        const std::string split = encode(64, 25, language);
        ASSERT_TRUE(WriteFileAtomically(dir.File("split.plt"), split).ok());
        CPolylineIArray loaded;
        ASSERT_TRUE(loaded.Load(dir.File("split.plt")).ok());
        ExpectSameDrawing(drawing, loaded, "split pen-down lists");
    }
}

TEST(PlotWriter, FailedSinkStopsTheEncoder)
{
    int calls = 0;
    CPlotEncoder encoder(PlotLanguage::Hpgl, StandardHpglCommandSet(), 1.0, 1.0, 1016,
                         [&calls](const char*, size_t) {
                             ++calls;
                             return false;
                         },
                         8);
    encoder.Begin();
    CPolylineI line(1);
    for (int i = 0; i < 100; ++i)
        line.AddPoint(i, i);
    encoder.WritePolyline(line);
    encoder.End();
    EXPECT_FALSE(encoder.Flush());
    EXPECT_TRUE(encoder.Failed());
    EXPECT_EQ(calls, 1);  // nothing more is pushed into a broken sink
}

TEST(PlotWriter, CancelledOrFailedWritesLeaveTheOldFileWhole)
{
    TempDir dir;
    const std::string path = dir.File("piece.plt");
    ASSERT_TRUE(WriteFileAtomically(path, "IN;SP1;PU0,0;PD10,10;").ok());
    const CPolylineIArray drawing = Generated(4);

    {   // Cancelled half way through the drawing.
        std::atomic<bool> cancel{false};
        CPlotter plotter(Config(PlotLanguage::Hpgl), path, HpglCommandSet(),
                         AlternateCommandSet());
        ASSERT_TRUE(plotter.Begin(&cancel));
        CPolylineIArray half = drawing;
        half.m_lines.resize(10);
        EXPECT_TRUE(half.Draw(plotter, &cancel));
        cancel = true;
        EXPECT_FALSE(drawing.Draw(plotter, &cancel));
        EXPECT_FALSE(plotter.End(&cancel));
        EXPECT_FALSE(plotter.Close().ok());
    }
    {   // A command set that cannot be unpacked.
        CPlotter plotter(Config(PlotLanguage::Dmpl), path, HpglCommandSet(), "garbage");
        EXPECT_FALSE(plotter.Begin(nullptr));
        drawing.Draw(plotter, nullptr);
        plotter.End(nullptr);
        const Status status = plotter.Close();
        EXPECT_FALSE(status.ok());
        EXPECT_NE(status.message().find("DMPL"), std::string::npos) << status.message();
    }
    {   // Close without Begin writes nothing.
        CPlotter plotter(Config(PlotLanguage::Hpgl), path, HpglCommandSet(),
                         AlternateCommandSet());
        EXPECT_FALSE(plotter.Close().ok());
    }
    EXPECT_EQ(ReadAll(path), "IN;SP1;PU0,0;PD10,10;");
    EXPECT_EQ(FilesIn(dir.Path()), 1u);  // no temporary file left behind

    // A folder that does not exist: a clear error naming the file.
    const std::string missing = dir.File("no/such/folder/out.plt");
    const Status status = Write(drawing, missing, Config(PlotLanguage::Hpgl));
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find(missing), std::string::npos) << status.message();
}

TEST(PlotWriter, CloseWithoutEndStillFinishesTheFile)
{
    CPolylineIArray drawing;
    CPolylineI& line = drawing.Add(2);
    line.AddPoint(0, 0);
    line.AddPoint(400, 0);
    TempDir dir;
    const std::string path = dir.File("noend.plt");
    CPlotter plotter(Config(PlotLanguage::Hpgl), path, HpglCommandSet(), AlternateCommandSet());
    ASSERT_TRUE(plotter.Begin(nullptr));
    drawing.Draw(plotter, nullptr);
    ASSERT_TRUE(plotter.Close().ok());
    const std::string text = ReadAll(path);
    EXPECT_NE(text.find("PU;PG;"), std::string::npos) << text;
    CPolylineIArray loaded;
    ASSERT_TRUE(loaded.Load(path).ok());
    ExpectSameDrawing(drawing, loaded, "closed without End");
}
