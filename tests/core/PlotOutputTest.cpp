// Plotting: the block property (plot in blocks, reassemble what was sent,
// get the drawing back), the whole road through Plotter to the default
// folder device and to a loopback plotter with cancel and pause mid-job,
// and PlotterToFile.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <random>
#include <thread>

#include <gtest/gtest.h>

#include "LoopbackPlotter.h"
#include "TempDir.h"
#include "plotlib/AtomicFile.h"
#include "plotlib/DeviceList.h"
#include "plotlib/Devices.h"
#include "plotlib/PlotEncoder.h"
#include "plotlib/PlotJob.h"
#include "plotlib/PlotOutput.h"
#include "plotlib/ProgramDir.h"

using namespace std::chrono_literals;

namespace {

struct Segment {
    double ax, ay, bx, by;
};

double DistanceToSegment(double px, double py, const Segment& s)
{
    const double dx = s.bx - s.ax, dy = s.by - s.ay;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((px - s.ax) * dx + (py - s.ay) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - (s.ax + t * dx), py - (s.ay + t * dy));
}

double Nearest(double px, double py, const std::vector<Segment>& segments)
{
    double best = INFINITY;
    for (const Segment& s : segments)
        best = std::min(best, DistanceToSegment(px, py, s));
    return best;
}

std::vector<Segment> Segments(const CPolylineIArray& drawing, double dx = 0, double dy = 0)
{
    std::vector<Segment> out;
    for (const CPolylineI& line : drawing.m_lines) {
        for (size_t i = 1; i < line.m_points.size(); ++i) {
            const PointI& a = line.m_points[i - 1];
            const PointI& b = line.m_points[i];
            if (a != b)
                out.push_back({a.x + dx, a.y + dy, b.x + dx, b.y + dy});
        }
    }
    return out;
}

double Length(const std::vector<Segment>& segments)
{
    double total = 0;
    for (const Segment& s : segments)
        total += std::hypot(s.bx - s.ax, s.by - s.ay);
    return total;
}

// Random polylines in three pens (none of them the half-cut pen, which is
// dashed on purpose), some closed, some lying exactly on block lines.
CPolylineIArray RandomDrawing(unsigned seed, int boundaryStep)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> coord(0, 6000), count(2, 12), pen(0, 2);
    const int pens[] = {1, 2, 4};
    CPolylineIArray drawing;
    for (int i = 0; i < 40; ++i) {
        CPolylineI& line = drawing.Add(pens[pen(rng)]);
        const int n = count(rng);
        for (int k = 0; k < n; ++k)
            line.AddPoint(coord(rng), coord(rng) * 5 / 6);
        if (i % 5 == 0)
            line.AddPoint(line.m_points[0].x, line.m_points[0].y);
    }
    CPolylineI& onLine = drawing.Add(1);
    onLine.AddPoint(boundaryStep, 100);
    onLine.AddPoint(boundaryStep, 4000);
    onLine.AddPoint(boundaryStep * 2, 4000);
    return drawing;
}

std::vector<std::string> Split(const std::string& data, const std::string& marker)
{
    std::vector<std::string> parts;
    size_t from = 0;
    for (size_t at; (at = data.find(marker, from)) != std::string::npos; from = at + marker.size())
        parts.push_back(data.substr(from, at - from));
    parts.push_back(data.substr(from));
    return parts;
}

PLOTTERCONFIG ConfigWithUnits(int widthUnits, int blockUnits)
{
    PLOTTERCONFIG c;
    c.resolution = 1016;
    c.paperWidth = static_cast<float>(widthUnits * 2.54 / 100.0 / 1016.0);
    c.blockLength = static_cast<float>(blockUnits * 2.54 / 100.0 / 1016.0);
    return c;
}

std::string SendToString(CPlotJob& job, const PLOTTERCONFIG& config)
{
    const PlotCommandSet set = config.language == PlotLanguage::Dmpl ? StandardDmplCommandSet()
                                                                      : StandardHpglCommandSet();
    std::string out;
    CPlotEncoder encoder(config.language, set, 1.0, 1.0, config.resolution,
                         [&](const char* p, size_t n) {
                             out.append(p, n);
                             return true;
                         });
    EXPECT_EQ(job.Send(encoder, PlotLayout::Device, true, true, 0, PlotControl()),
              SendResult::Done);
    return out;
}

CPolylineIArray LoadText(const TempDir& dir, const std::string& text, const char* ext = ".plt")
{
    const std::string path = dir.File(std::string("chunk") + ext);
    EXPECT_TRUE(WriteFileAtomically(path, text));
    CPolylineIArray drawing;
    static_cast<void>(drawing.Load(path));  // a chunk without lines is not an error here
    return drawing;
}

}  // namespace

TEST(PlotBlocks, ReassembledBlocksGiveBackTheDrawing)
{
    struct Case {
        int width, block;
        bool rotate, mirror;
        PlotLanguage language;
    };
    const Case cases[] = {
        {2000, 1500, false, false, PlotLanguage::Hpgl},
        {1234, 777, true, false, PlotLanguage::Hpgl},
        {2500, 2000, false, true, PlotLanguage::Hpgl},
        {1800, 1000, true, true, PlotLanguage::Hpgl},
        {100000, 0, false, false, PlotLanguage::Hpgl},  // one block
        {3000, 0, true, false, PlotLanguage::Hpgl},     // bands only
        {2000, 1500, true, false, PlotLanguage::Dmpl},
    };
    TempDir dir;
    unsigned seed = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE("width " + std::to_string(c.width) + " block " + std::to_string(c.block) +
                     (c.rotate ? " rotated" : "") + (c.mirror ? " mirrored" : "") +
                     (c.language == PlotLanguage::Dmpl ? " DMPL" : ""));
        PLOTTERCONFIG config = ConfigWithUnits(c.width, c.block);
        config.language = c.language;
        // DMPL at 1016 units per inch steps 0.025 mm, the same unit.
        PLOTFILE file;
        file.rotate = c.rotate;
        file.mirror = c.mirror;
        file.beginBlock = 0;
        file.stopBlock = 1000000;
        PlotSpacing spacing;
        spacing.frontSpace = 0;
        CPlotJob job;
        ASSERT_TRUE(job.PrepareDrawing(RandomDrawing(seed++, c.block > 0 ? c.block : 1500), file,
                                       config, spacing));
        const std::string data = SendToString(job, config);
        const std::vector<std::string> chunks =
            Split(data, c.language == PlotLanguage::Dmpl ? "@" : "PG;");
        ASSERT_EQ(static_cast<int>(chunks.size()), job.BlockCount() + 1);

        std::vector<Segment> sent;
        for (int i = 0; i < job.BlockCount(); ++i) {
            const BlockRect r = job.Splitter()->Block(i);
            std::string chunk = chunks[static_cast<size_t>(i)];
            if (c.language == PlotLanguage::Dmpl && chunk.find(";:") == std::string::npos)
                continue;
            const CPolylineIArray back = LoadText(dir, chunk);
            const auto part = Segments(back, static_cast<double>(r.originX),
                                       static_cast<double>(r.originY));
            sent.insert(sent.end(), part.begin(), part.end());
        }
        const std::vector<Segment> original = Segments(job.Drawing());
        ASSERT_FALSE(sent.empty());
        // Nothing sent that is not in the drawing...
        for (const Segment& s : sent) {
            ASSERT_LE(Nearest(s.ax, s.ay, original), 1.0);
            ASSERT_LE(Nearest(s.bx, s.by, original), 1.0);
            ASSERT_LE(Nearest((s.ax + s.bx) / 2, (s.ay + s.by) / 2, original), 1.0);
        }
        // ...nothing of the drawing left out...
        for (const Segment& s : original) {
            for (double t : {0.0, 0.2, 0.5, 0.8, 1.0})
                ASSERT_LE(Nearest(s.ax + t * (s.bx - s.ax), s.ay + t * (s.by - s.ay), sent), 1.0)
                    << "part of a segment missing";
        }
        // ...and nothing twice (a boundary line plotted in two blocks).
        const double lengthOriginal = Length(original);
        EXPECT_NEAR(Length(sent), lengthOriginal, 1e-3 * lengthOriginal + sent.size());
    }
}

TEST(PlotBlocks, ChosenBlocksOnlyAndDevicesSpacing)
{
    PLOTTERCONFIG config = ConfigWithUnits(100000, 1000);
    CPolylineIArray drawing;
    CPolylineI& line = drawing.Add(1);
    line.AddPoint(0, 0);
    line.AddPoint(5000, 0);  // five blocks of 1000
    PLOTFILE file;
    file.beginBlock = 1;
    file.stopBlock = 2;
    PlotSpacing spacing;
    spacing.frontSpace = 1.0f;  // 400 units at 1016 per inch
    spacing.markSpace = 5.0f;   // 2000 units
    CPlotJob job;
    ASSERT_TRUE(job.PrepareDrawing(drawing, file, config, spacing));
    EXPECT_EQ(job.BlockCount(), 5);
    const std::string data = SendToString(job, config);
    // Front space advance, block 2 (1000..2000 shifted to 0), advance by the
    // block, block 3, mark space past it, end.
    EXPECT_EQ(data,
              "IN;PU0,0;\nPU400,0;PG;\n"
              "SP1;PU0,0;PD1000,0;\nPU1000,0;PG;\n"
              "PU0,0;PD1000,0;\nPU3000,0;PU;PG;\n");

    file.beginBlock = 4;
    file.stopBlock = 2;
    EXPECT_FALSE(job.PrepareDrawing(drawing, file, config, spacing));
}

namespace {

// Program folder in a temporary directory with its own device list.
class PlotterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OverrideProgramDirectoryForTests(m_dir.Path());
        InitDevices();
        m_hpgl = PackCommandSet(StandardHpglCommandSet());
        m_dmpl = PackCommandSet(StandardDmplCommandSet());
    }
    void TearDown() override { OverrideProgramDirectoryForTests(""); }

    // A drawing of `lines` polylines written as a plot file.
    std::string MakePlotFile(const std::string& name, int lines, int step = 97)
    {
        CPolylineIArray drawing;
        for (int i = 0; i < lines; ++i) {
            CPolylineI& line = drawing.Add(i % 3 == 0 ? 2 : 1);
            for (int k = 0; k < 20; ++k)
                line.AddPoint((i * step) % 20000 + k * 40, (i * 53) % 6000 + (k % 2) * 300);
        }
        std::string text;
        CPlotEncoder encoder(PlotLanguage::Hpgl, StandardHpglCommandSet(), 1.0, 1.0, 1016,
                             [&](const char* p, size_t n) {
                                 text.append(p, n);
                                 return true;
                             });
        encoder.Begin();
        for (const CPolylineI& line : drawing.m_lines)
            encoder.WritePolyline(line);
        encoder.End();
        encoder.Flush();
        const std::string path = m_dir.File(name);
        EXPECT_TRUE(WriteFileAtomically(path, text));
        return path;
    }

    void UseDevice(const DeviceInfo& device)
    {
        ASSERT_TRUE(SetDeviceInfos({device}, device.name));
    }

    TempDir m_dir;
    std::string m_hpgl, m_dmpl;
};

PLOTFILE Job(const std::string& path)
{
    PLOTFILE job;
    job.path = path;
    job.beginBlock = 0;
    job.stopBlock = 1000000;
    return job;
}

}  // namespace

TEST_F(PlotterTest, FirstStartPlotsIntoTheDefaultFolder)
{
    const std::string source = MakePlotFile("shirt.plt", 50);
    std::string error;
    ASSERT_TRUE(Plotter(Job(source), 5.0f, false, 2.0f, 0.1f, 0.0f, m_hpgl, m_dmpl, nullptr,
                        nullptr, nullptr, nullptr, &error))
        << error;
    ASSERT_TRUE(Plotter(Job(source), 5.0f, false, 2.0f, 0.1f, 0.0f, m_hpgl, m_dmpl, nullptr,
                        nullptr, nullptr, nullptr, &error))
        << error;
    const std::string first = m_dir.File("Plot output/000001.plt");
    ASSERT_TRUE(std::filesystem::exists(first));
    ASSERT_TRUE(std::filesystem::exists(m_dir.File("Plot output/000002.plt")));
    CPolylineIArray back;
    ASSERT_TRUE(back.Load(first));
    EXPECT_EQ(back.GetCount(), 50);
}

TEST_F(PlotterTest, FailuresAreReportedWithTheirReason)
{
    std::string error;
    EXPECT_FALSE(Plotter(Job(m_dir.File("missing.plt")), 5.0f, false, 2.0f, 0.1f, 0.0f, m_hpgl,
                         m_dmpl, nullptr, nullptr, nullptr, nullptr, &error));
    EXPECT_NE(error.find("missing.plt"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("Plot output/000001.plt")));

    const std::string source = MakePlotFile("shirt.plt", 5);
    EXPECT_FALSE(Plotter(Job(source), 5.0f, false, 2.0f, 0.1f, 0.0f, "garbage", m_dmpl, nullptr,
                         nullptr, nullptr, nullptr, &error));
    EXPECT_EQ(error, "the HP-GL command set is damaged");

    DeviceInfo tcp;
    tcp.name = "Gone";
    tcp.kind = ConnectionKind::Tcp;
    {
        CLoopbackPlotter probe;
        tcp.target = probe.Target();
    }
    UseDevice(tcp);
    EXPECT_FALSE(Plotter(Job(source), 5.0f, false, 2.0f, 0.1f, 0.0f, m_hpgl, m_dmpl, nullptr,
                         nullptr, nullptr, nullptr, &error));
    EXPECT_EQ(error, "cannot connect to " + tcp.target + ": connection refused");
}

namespace {

struct RunWatch {
    std::atomic<bool>* cancel = nullptr;
    CPlotCommand* command = nullptr;
    double cancelAt = 2.0, pauseAt = 2.0;
    std::atomic<bool> paused{false};
    std::vector<double> blockReports;  // fractions for the preview
};

void OnProgress(double job, double block, void* context)
{
    RunWatch* w = static_cast<RunWatch*>(context);
    if (job < 0) {
        w->blockReports.push_back(block);
        return;
    }
    if (job >= w->cancelAt && w->cancel)
        *w->cancel = true;
    if (job >= w->pauseAt && !w->paused) {
        w->paused = true;
        w->command->Set("PP");
    }
}

}  // namespace

TEST_F(PlotterTest, CancelMidJobLiftsThePenAndEndsTheJob)
{
    CLoopbackPlotter plotter;
    DeviceInfo device;
    device.name = "Loopback";
    device.kind = ConnectionKind::Tcp;
    device.target = plotter.Target();
    device.config.blockLength = 0.05f;  // 2000 units: about ten blocks
    UseDevice(device);
    const std::string source = MakePlotFile("marker.plt", 400);

    std::atomic<bool> cancel{false};
    RunWatch watch;
    watch.cancel = &cancel;
    watch.cancelAt = 0.3;  // of what the plotter has taken; a little more is on its way
    std::string error;
    EXPECT_FALSE(Plotter(Job(source), 5.0f, false, 2.0f, 0.1f, 0.0f, m_hpgl, m_dmpl, &cancel,
                         OnProgress, &watch, nullptr, &error));
    EXPECT_EQ(error, "cancelled");
    ASSERT_TRUE(plotter.WaitForJobs(1, 10s));
    const std::string sent = plotter.Jobs()[0];
    EXPECT_EQ(sent.substr(0, 9), "IN;PU0,0;");
    ASSERT_GE(sent.size(), 10u);
    EXPECT_EQ(sent.substr(sent.size() - 10), "PU;PU;PG;\n") << "pen lift and end sequence";
    const auto blocksSent = Split(sent, "PG;").size() - 1;
    EXPECT_GE(blocksSent, 3u);
    EXPECT_LE(blocksSent, 8u);
}

TEST_F(PlotterTest, PauseHoldsTheOutputUntilContinue)
{
    CLoopbackPlotter plotter;
    DeviceInfo device;
    device.name = "Loopback";
    device.kind = ConnectionKind::Tcp;
    device.target = plotter.Target();
    device.config.blockLength = 0.05f;
    UseDevice(device);
    const std::string source = MakePlotFile("marker.plt", 400);

    // The reference: the same job without a pause.
    std::string error;
    ASSERT_TRUE(Plotter(Job(source), 5.0f, false, 2.0f, 0.1f, 0.0f, m_hpgl, m_dmpl, nullptr,
                        nullptr, nullptr, nullptr, &error))
        << error;

    CPlotCommand command;
    RunWatch watch;
    watch.command = &command;
    watch.pauseAt = 0.4;
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    bool result = false;
    std::thread run([&] {
        result = Plotter(Job(source), 5.0f, false, 2.0f, 0.1f, 0.0f, m_hpgl, m_dmpl, &cancel,
                         OnProgress, &watch, &command, &error);
        done = true;
    });
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (!watch.paused && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(5ms);
    ASSERT_TRUE(watch.paused.load());
    std::this_thread::sleep_for(200ms);
    const size_t held = plotter.BytesReceived();
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(plotter.BytesReceived(), held) << "output went on while paused";
    EXPECT_FALSE(done.load());
    command.Set("PS");
    run.join();
    EXPECT_TRUE(result) << error;
    ASSERT_TRUE(plotter.WaitForJobs(2, 10s));
    const auto jobs = plotter.Jobs();
    TempDir dir;
    const CPolylineIArray reference = LoadText(dir, jobs[0]);
    const CPolylineIArray paused = LoadText(dir, jobs[1]);
    EXPECT_EQ(paused.m_lines.size(), reference.m_lines.size());
    EXPECT_TRUE(Segments(paused).size() == Segments(reference).size());
    // The preview saw each block finish exactly once.
    const long finished = std::count(watch.blockReports.begin(), watch.blockReports.end(), 1.0);
    const auto blocks = Split(jobs[1], "PG;").size() - 1;
    EXPECT_EQ(static_cast<size_t>(finished), blocks);
}

TEST_F(PlotterTest, PlotterToFilePlacesJobsSideBySideAndDeletesOnlyWhenComplete)
{
    const std::string a = MakePlotFile("a.plt", 10, 50);
    const std::string b = MakePlotFile("b.plt", 7, 30);
    PLOTFILE ja = Job(a), jb = Job(b);
    ja.copies = 2;
    jb.copies = 1;
    jb.rotate = true;
    const std::string out = m_dir.File("all.plt");

    // A missing source: no file, nothing deleted.
    PLOTFILE missing = Job(m_dir.File("gone.plt"));
    Status s = PlotterToFile(out, {ja, missing}, 5.0f, true, 2.0f, 0.1f, 1.0f, m_hpgl, m_dmpl);
    EXPECT_FALSE(s);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_TRUE(std::filesystem::exists(a));

    s = PlotterToFile(out, {ja, jb}, 5.0f, true, 2.0f, 0.1f, 1.0f, m_hpgl, m_dmpl);
    ASSERT_TRUE(s) << s.message();
    EXPECT_FALSE(std::filesystem::exists(a));
    EXPECT_FALSE(std::filesystem::exists(b));
    CPolylineIArray all;
    ASSERT_TRUE(all.Load(out));
    ASSERT_EQ(all.GetCount(), 27);
    // Copy by copy along X: front space 400 units, mark space 2000 between.
    auto bounds = [&](int from, int count, int& minX, int& maxX) {
        minX = INT32_MAX;
        maxX = INT32_MIN;
        for (int i = from; i < from + count; ++i)
            for (const PointI& p : all.m_lines[static_cast<size_t>(i)].m_points) {
                minX = std::min(minX, p.x);
                maxX = std::max(maxX, p.x);
            }
    };
    // Each job's pieces are reordered for travel, so take extents by range
    // of X instead of by index: the three copies do not overlap.
    int minX = 0, maxX = 0;
    bounds(0, 27, minX, maxX);
    EXPECT_EQ(minX, 400);
    std::vector<std::pair<int, int>> spans;
    for (const CPolylineI& line : all.m_lines) {
        int lo = INT32_MAX, hi = INT32_MIN;
        for (const PointI& p : line.m_points) {
            lo = std::min(lo, p.x);
            hi = std::max(hi, p.x);
        }
        spans.push_back({lo, hi});
    }
    std::sort(spans.begin(), spans.end());
    int gaps = 0;
    int reach = spans[0].second;
    for (const auto& span : spans) {
        if (span.first > reach) {
            EXPECT_EQ(span.first - reach, 2000) << "mark space between copies";
            ++gaps;
        }
        reach = std::max(reach, span.second);
    }
    EXPECT_EQ(gaps, 2);
}
