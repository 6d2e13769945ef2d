#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "view/PlotProgress.h"
#include "view/PlotProgressEvent.h"

TEST(PlotProgress, BlocksAdvanceAlongTheBandThenTheNextBandStarts)
{
    // A drawing 2500 long and 250 tall; bands of 100, blocks of 1000.
    CPlotProgress p;
    p.SetExtents(2500, 250, 100, 1000);
    p.SetMode(true);
    p.Start(0.0f);

    p.Update(0.5f);
    EXPECT_FLOAT_EQ(p.BlockDone(), 500);
    EXPECT_FLOAT_EQ(p.BlockStart(), 0);
    p.Update(1.0f);  // first block done
    EXPECT_FLOAT_EQ(p.BlockStart(), 1000);
    EXPECT_FLOAT_EQ(p.BlockDone(), 0);
    p.Update(1.0f);
    EXPECT_FLOAT_EQ(p.BlockStart(), 2000);
    // The last block is the 500 that are left, not a full block.
    p.Update(0.5f);
    EXPECT_FLOAT_EQ(p.BlockDone(), 250);
    p.Update(1.0f);  // band 1 finished: band 2 starts at Y 100
    EXPECT_FLOAT_EQ(p.BandOffset(), 100);
    EXPECT_FLOAT_EQ(p.BlockStart(), 0);
    EXPECT_FLOAT_EQ(p.BlockDone(), 0);
    for (int i = 0; i < 3; ++i)
        p.Update(1.0f);
    EXPECT_FLOAT_EQ(p.BandOffset(), 200);  // third band (200..300 covers 250)
    for (int i = 0; i < 3; ++i)
        p.Update(1.0f);
    // Last block of the last band: the band stays, finished.
    EXPECT_FLOAT_EQ(p.BandOffset(), 200);
    EXPECT_GE(p.BlockStart() + p.BlockDone(), 2500);
    p.Update(1.0f);
    EXPECT_FLOAT_EQ(p.BandOffset(), 200);
}

TEST(PlotProgress, DrawingShorterThanABlockFinishesTheBandAtOnce)
{
    CPlotProgress p;
    p.SetExtents(300, 150, 100, 1000);
    p.SetMode(true);
    p.Start(0.0f);
    p.Update(1.0f);
    EXPECT_FLOAT_EQ(p.BandOffset(), 100);  // taller than the band: next band
    p.Update(1.0f);
    EXPECT_FLOAT_EQ(p.BandOffset(), 100);  // no third band
    EXPECT_FLOAT_EQ(p.BlockStart(), 300);
}

TEST(PlotProgress, NoBlockLengthMeansOneBlockPerBand)
{
    CPlotProgress p;
    p.SetExtents(4000, 100, 100, 0);
    p.SetMode(true);
    p.Start(0.0f);
    p.Update(0.25f);
    EXPECT_FLOAT_EQ(p.BlockDone(), 1000);
    p.Update(1.0f);
    EXPECT_FLOAT_EQ(p.BlockStart(), 4000);
}

TEST(PlotProgress, EmptyDrawingAndModeChangesStayCalm)
{
    CPlotProgress p;
    p.SetExtents(0, 0, 100, 1000);
    p.SetMode(true);
    p.Start(0.0f);
    for (int i = 0; i < 5; ++i)
        p.Update(1.0f);
    EXPECT_FLOAT_EQ(p.BandOffset(), 0);
    EXPECT_FLOAT_EQ(p.BlockStart(), 0);

    p.SetExtents(1000, 100, 100, 500);
    p.Update(0.5f);
    EXPECT_FLOAT_EQ(p.BlockDone(), 250);
    p.SetMode(false);
    EXPECT_FALSE(p.Showing());
    EXPECT_FLOAT_EQ(p.BlockDone(), 0);
}

TEST(PlotProgress, OverlayCoversDoneBandsAndTheCurrentBandUpToTheReachedX)
{
    CPlotProgress p;
    p.SetExtents(2000, 250, 100, 1000);
    p.SetMode(true);
    p.Start(0.0f);
    ProgressRect r[2];
    ASSERT_EQ(p.OverlayRects(2000, 100, r), 1);
    EXPECT_FLOAT_EQ(r[0].x2, 0);  // nothing done yet
    p.Update(1.0f);
    p.Update(1.0f);  // band 1 done
    p.Update(1.0f);
    p.Update(0.5f);  // half of the second block of band 2
    ASSERT_EQ(p.OverlayRects(2000, 100, r), 2);
    EXPECT_FLOAT_EQ(r[0].y1, 0);
    EXPECT_FLOAT_EQ(r[0].y2, 100);
    EXPECT_FLOAT_EQ(r[0].x2, 2000);
    EXPECT_FLOAT_EQ(r[1].y1, 100);
    EXPECT_FLOAT_EQ(r[1].y2, 200);
    EXPECT_FLOAT_EQ(r[1].x2, 1500);
}

TEST(PlotProgressEvent, AutoResetsAndWaitsOnlyAsLongAsAsked)
{
    CPlotProgressEvent ev;
    EXPECT_FALSE(ev.Wait(0));
    ev.Signal();
    EXPECT_TRUE(ev.IsSignalled());
    EXPECT_TRUE(ev.Wait(0));
    EXPECT_FALSE(ev.Wait(0));  // taken: reset by the wait

    // A signal from another thread wakes a waiter in slices.
    std::thread signaller([&ev] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        ev.Signal();
    });
    bool got = false;
    for (int slice = 0; slice < 50 && !got; ++slice)
        got = ev.Wait(100);
    signaller.join();
    EXPECT_TRUE(got);

    ev.Signal();
    ev.Reset();
    EXPECT_FALSE(ev.Wait(0));
}
