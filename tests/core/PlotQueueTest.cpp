#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "mainframe/PlotQueue.h"
#include "plotlib/Polyline.h"

namespace {

const std::string kSamples = PLOTVANE_SAMPLES_DIR;

PlotRowTexts MakeRow(const std::string& name)
{
    PlotRowTexts row;
    row[ColName] = name;
    return row;
}

PlotQueue QueueOf(int rows)
{
    PlotQueue queue;
    for (int i = 0; i < rows; ++i)
        queue.AppendRow(MakeRow("f" + std::to_string(i) + ".plt"));
    return queue;
}

std::string Names(const PlotQueue& queue)
{
    std::string names;
    for (int i = 0; i < queue.GetCount(); ++i)
        names += queue.Row(i)[ColName].substr(0, 2) + " ";
    return names;
}

}  // namespace

TEST(PlotQueueTest, BlockRangeIsClampedIntoTheTotal)
{
    const struct {
        const char* name;
        int total, begin, stop;
        int wantBegin, wantStop;
    } cases[] = {
        {"begin and stop past the total", 5, 7, 2, 5, 5},
        {"zero begin and stop", 10, 0, 0, 1, 1},
        {"stop before begin", 10, 4, 2, 4, 4},
        {"full range kept", 10, 1, 10, 1, 10},
    };
    for (const auto& c : cases) {
        const BlockRange range = PlotQueue::ClampBlocks(c.total, c.begin, c.stop);
        EXPECT_EQ(range.total, c.total) << c.name;
        EXPECT_EQ(range.begin, c.wantBegin) << c.name;
        EXPECT_EQ(range.stop, c.wantStop) << c.name;
    }
    EXPECT_TRUE(PlotQueue::BlockRangeValid({5, 1, 5}));
    EXPECT_FALSE(PlotQueue::BlockRangeValid({5, 0, 5}));
    EXPECT_FALSE(PlotQueue::BlockRangeValid({5, 3, 2}));
    EXPECT_FALSE(PlotQueue::BlockRangeValid({5, 1, 6}));
}

TEST(PlotQueueTest, CopiesOutsideOneToThousandAreRefused)
{
    EXPECT_FALSE(PlotQueue::CopiesValid(0));
    EXPECT_FALSE(PlotQueue::CopiesValid(-1));
    EXPECT_FALSE(PlotQueue::CopiesValid(1001));
    EXPECT_TRUE(PlotQueue::CopiesValid(1));
    EXPECT_TRUE(PlotQueue::CopiesValid(1000));
}

TEST(PlotQueueTest, MovesShiftTheRowsBetween)
{
    PlotQueue queue = QueueOf(5);
    EXPECT_TRUE(queue.MovePlotRow(3, 0));
    EXPECT_EQ(Names(queue), "f3 f0 f1 f2 f4 ");
    EXPECT_TRUE(queue.MovePlotRow(0, 4));
    EXPECT_EQ(Names(queue), "f0 f1 f2 f4 f3 ");
    EXPECT_TRUE(queue.MovePlotRow(2, 2));
    EXPECT_EQ(Names(queue), "f0 f1 f2 f4 f3 ");
    EXPECT_FALSE(queue.MovePlotRow(5, 0));
    EXPECT_FALSE(queue.MovePlotRow(0, -1));
    EXPECT_EQ(Names(queue), "f0 f1 f2 f4 f3 ");
}

TEST(PlotQueueTest, AddingWithoutLoadingShowsTheFullRange)
{
    PlotQueue queue;
    PLOTTERCONFIG config;
    CPolylineIArray drawing;
    const int row = queue.AddFile("cut1.plt", "/nowhere", false, config, drawing);
    ASSERT_EQ(row, 0);
    const PlotRowTexts& texts = queue.Row(0);
    EXPECT_EQ(texts[ColTotal], "10000");
    EXPECT_EQ(texts[ColBegin], "1");
    EXPECT_EQ(texts[ColStop], "10000");
    EXPECT_EQ(texts[ColRotate], "No");
    EXPECT_EQ(texts[ColMirror], "No");
    EXPECT_EQ(texts[ColExtent], "0 x 0");
    EXPECT_EQ(texts[ColCopies], "1");
}

TEST(PlotQueueTest, DuplicateInOtherCaseKeepsSettingsAndResetsBlocks)
{
    PlotQueue queue;
    PLOTTERCONFIG config;
    CPolylineIArray drawing;
    queue.AddFile("other.plt", "/nowhere", false, config, drawing);
    queue.AddFile("Shirt.plt", "/nowhere", false, config, drawing);
    PlotRowTexts& row = queue.Row(1);
    row[ColRotate] = "Yes";
    row[ColMirror] = "Yes";
    row[ColCopies] = "7";
    row[ColBegin] = "3";
    row[ColStop] = "9";

    EXPECT_EQ(queue.AddFile("SHIRT.PLT", "/nowhere", false, config, drawing), 1);
    ASSERT_EQ(queue.GetCount(), 2);
    const PlotRowTexts& again = queue.Row(1);
    EXPECT_EQ(again[ColName], "Shirt.plt");
    EXPECT_EQ(again[ColRotate], "Yes");
    EXPECT_EQ(again[ColMirror], "Yes");
    EXPECT_EQ(again[ColCopies], "7");
    EXPECT_EQ(again[ColBegin], "1");
    EXPECT_EQ(again[ColStop], "10000");
}

TEST(PlotQueueTest, UnreadableFileGivesNoBlocksAndSaysWhy)
{
    PlotQueue queue;
    PLOTTERCONFIG config;
    CPolylineIArray drawing;
    Status status;
    queue.AddFile("missing.plt", "/nowhere/at/all", true, config, drawing, &status);
    EXPECT_FALSE(status.ok());
    EXPECT_FALSE(status.message().empty());
    const PlotRowTexts& row = queue.Row(0);
    EXPECT_EQ(row[ColTotal], "0");
    EXPECT_EQ(row[ColBegin], "0");
    EXPECT_EQ(row[ColStop], "0");
    EXPECT_EQ(row[ColExtent], "0 x 0");
    // A block dialog is offered only above 0.
    EXPECT_EQ(PlotQueue::ParseNumber(row[ColTotal]), 0);
}

TEST(PlotQueueTest, LoadedSampleCountsBlocksAndRotationSwapsTheExtent)
{
    PLOTTERCONFIG config;
    config.paperWidth = 0.1f;
    config.blockLength = 0.1f;
    PlotQueue queue;
    CPolylineIArray drawing;
    Status status;
    queue.AddFile("hp2xx_fill.plt", kSamples, true, config, drawing, &status);
    ASSERT_TRUE(status.ok()) << status.message();

    int minX = 0, minY = 0, maxX = 0, maxY = 0;
    drawing.GetBoundRect(minX, minY, maxX, maxY);
    EXPECT_EQ(minX, 0);
    EXPECT_EQ(minY, 0);
    const int widthUnits = MetresToUnits(0.1, config.resolution);
    const int bands = std::max(1, (maxY + widthUnits - 1) / widthUnits);
    const int perBand = std::max(1, (maxX + widthUnits - 1) / widthUnits);
    const PlotRowTexts plain = queue.Row(0);
    EXPECT_EQ(plain[ColTotal], std::to_string(bands * perBand));
    EXPECT_EQ(plain[ColExtent], PlotQueue::FormatExtent(maxX, maxY, config.resolution));

    queue.Row(0)[ColRotate] = "Yes";
    queue.AddFile("hp2xx_fill.plt", kSamples, true, config, drawing, &status);
    EXPECT_EQ(queue.Row(0)[ColExtent], PlotQueue::FormatExtent(maxY, maxX, config.resolution));
}

TEST(PlotQueueTest, RowsBecomeJobsInOrder)
{
    PlotQueue queue("Ja", "Nein");
    PlotRowTexts a = MakeRow("a.plt");
    a[ColBegin] = "2";
    a[ColStop] = "4";
    a[ColRotate] = "Ja";
    a[ColMirror] = "Nein";
    a[ColCopies] = "3";
    PlotRowTexts b = MakeRow("sub/b.plt");
    b[ColRotate] = "No";  // not the translated "No": reads as set
    b[ColMirror] = "Nein";
    b[ColCopies] = "x";
    queue.AppendRow(a);
    queue.AppendRow(b);

    PlotList list;
    queue.BuildPlotList("/plots", list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].path, "/plots/a.plt");
    EXPECT_EQ(list[0].beginBlock, 1);
    EXPECT_EQ(list[0].stopBlock, 3);
    EXPECT_TRUE(list[0].rotate);
    EXPECT_FALSE(list[0].mirror);
    EXPECT_EQ(list[0].copies, 3);
    EXPECT_EQ(list[1].path, "/plots/sub/b.plt");
    EXPECT_TRUE(list[1].rotate);
    EXPECT_EQ(list[1].copies, 0);
    EXPECT_EQ(list[1].beginBlock, -1);

    PLOTFILE job;
    EXPECT_TRUE(queue.TakeNextJob("/plots", job, false));
    EXPECT_EQ(queue.GetCount(), 2);
    EXPECT_TRUE(queue.TakeNextJob("/plots", job, true));
    EXPECT_EQ(job.path, "/plots/a.plt");
    EXPECT_TRUE(queue.TakeNextJob("/plots", job, true));
    EXPECT_EQ(job.path, "/plots/sub/b.plt");
    EXPECT_FALSE(queue.TakeNextJob("/plots", job, true));
}

TEST(PlotQueueTest, NumbersThatDoNotParseReadAsZero)
{
    EXPECT_EQ(PlotQueue::ParseNumber("12"), 12);
    EXPECT_EQ(PlotQueue::ParseNumber(""), 0);
    EXPECT_EQ(PlotQueue::ParseNumber("abc"), 0);
    EXPECT_EQ(PlotQueue::ParseNumber("99999999999999999999"), 0);
}
