// The preview's editing tools without a window: the drag threshold,
// selection toggling, applying pens, slots and splines, deleting the
// selection, and the slot sizes read from Setting.ini.
#include <gtest/gtest.h>

#include <algorithm>

#include "TempDir.h"
#include "app/IniSettings.h"
#include "plotlib/ProgramDir.h"
#include "view/CanvasTools.h"

namespace {

// `count` short horizontal lines, line i at y = 100 * i, pen i + 1 (so a
// line can be recognised after others were removed).
CPolylineIArray Lines(int count)
{
    CPolylineIArray d;
    for (int i = 0; i < count; ++i) {
        CPolylineI& l = d.Add(i + 1);
        l.AddPoint(0, 100 * i);
        l.AddPoint(1000, 100 * i);
    }
    return d;
}

std::vector<int> Pens(const CPolylineIArray& d)
{
    std::vector<int> pens;
    for (int i = 0; i < d.GetCount(); ++i)
        pens.push_back(d.GetPolyline(i)->GetPenNo());
    return pens;
}

PLOTTERCONFIG Config()
{
    PLOTTERCONFIG c;
    c.drawPen = 1;
    c.cutPen = 2;
    c.halfCutPen = 3;
    c.resolution = 1016;
    return c;
}

} // namespace

TEST(CanvasToolsTest, DragNeedsMoreThanFivePixels)
{
    EXPECT_FALSE(IsDrag(100, 100, 105, 100));  // exactly 5: a click
    EXPECT_FALSE(IsDrag(100, 100, 103, 96));   // 3-4-5 triangle: still 5
    EXPECT_FALSE(IsDrag(100, 100, 100, 100));
    EXPECT_TRUE(IsDrag(100, 100, 106, 100));
    EXPECT_TRUE(IsDrag(100, 100, 96, 96));  // 5.66 diagonally
}

TEST(CanvasToolsTest, SelectingTheSameFindingsTwiceDeselectsThem)
{
    CPolylineIArray d = Lines(6);
    std::vector<int> sel;
    ToggleSelection(d, sel, {1, 3});
    ToggleSelection(d, sel, {3, 4});
    EXPECT_EQ(sel, (std::vector<int>{1, 4}));  // order of adding kept
    for (int i = 0; i < d.GetCount(); ++i)
        EXPECT_EQ(d.GetPolyline(i)->m_selected != 0, i == 1 || i == 4) << i;
    // An index the drawing does not have is not taken.
    ToggleSelection(d, sel, {1, 4, 99, -1});
    EXPECT_TRUE(sel.empty());
    for (int i = 0; i < d.GetCount(); ++i)
        EXPECT_EQ(d.GetPolyline(i)->m_selected, 0) << i;
}

TEST(CanvasToolsTest, PenToolsGiveTheConfiguredPenToTheSelectionOnly)
{
    struct Case {
        const char* name;
        int tool;
        int pen;
    };
    const PLOTTERCONFIG cfg = Config();
    for (const Case& c : {Case{"draw", kToolDrawPen, 1}, Case{"cut", kToolCutPen, 2},
                          Case{"half cut", kToolHalfCutPen, 3}}) {
        CPolylineIArray d = Lines(5);
        for (auto& l : d.m_lines)
            l.SetPenNo(7);
        std::vector<int> sel;
        ToggleSelection(d, sel, {4, 0});
        EXPECT_TRUE(ApplyTool(d, sel, c.tool, cfg, nullptr)) << c.name;
        EXPECT_EQ(Pens(d), (std::vector<int>{c.pen, 7, 7, 7, c.pen})) << c.name;
        EXPECT_TRUE(sel.empty());
        EXPECT_EQ(d.GetPolyline(0)->m_selected, 0);
        EXPECT_EQ(d.GetPolyline(4)->m_selected, 0);
    }
    // Nothing selected: nothing changes and the caller is told so.
    CPolylineIArray d = Lines(3);
    std::vector<int> none;
    EXPECT_FALSE(ApplyTool(d, none, kToolCutPen, cfg, nullptr));
    EXPECT_EQ(Pens(d), (std::vector<int>{1, 2, 3}));
}

TEST(CanvasToolsTest, DeleteRemovesFromTheHighestIndexDown)
{
    // Selected 3, 7, 5: removing in that order would hit the wrong lines
    // once the first removal shifted the rest.
    CPolylineIArray d = Lines(10);
    std::vector<int> sel;
    ToggleSelection(d, sel, {3});
    ToggleSelection(d, sel, {7});
    ToggleSelection(d, sel, {5});
    sel.push_back(42);  // a stale index is skipped, not removed elsewhere
    EXPECT_EQ(DeleteSelected(d, sel), 3);
    EXPECT_TRUE(sel.empty());
    EXPECT_EQ(Pens(d), (std::vector<int>{1, 2, 3, 5, 7, 9, 10}));
}

TEST(CanvasToolsTest, SplineKeepsThePenAndPassesThroughEveryPointExactly)
{
    // Odd, negative and large coordinates: the millimetre round trip only
    // comes back exact when rounded half away from zero (truncation loses a
    // unit on values like -2.9999999).
    CPolylineIArray d;
    CPolylineI& l = d.Add(5);
    const std::vector<PointI> input{{-3, 7}, {1001, -2999}, {40003, 12345}, {80001, 3}};
    for (const PointI& p : input)
        l.AddPoint(p.x, p.y);
    std::vector<int> sel;
    ToggleSelection(d, sel, {0});
    ASSERT_TRUE(ApplyTool(d, sel, kToolSpline, Config(), nullptr));
    ASSERT_EQ(d.GetCount(), 1);
    const CPolylineI& out = *d.GetPolyline(0);
    EXPECT_EQ(out.GetPenNo(), 5);
    EXPECT_GT(out.GetCount(), 20);  // curved: many samples
    size_t next = 0;
    for (int i = 0; i < out.GetCount() && next < input.size(); ++i) {
        if (out.GetPoint(i) == input[next])
            ++next;
    }
    EXPECT_EQ(next, input.size()) << "input point " << next << " missing from the curve";
    EXPECT_EQ(out.GetPoint(0), input.front());
    EXPECT_EQ(out.GetPoint(out.GetCount() - 1), input.back());
}

TEST(CanvasToolsTest, PolylinesLeftEmptyAreRemoved)
{
    // A stale selection may name a polyline without points: the spline gives
    // nothing for it, and the tool removes it with any other empty one.
    CPolylineIArray d = Lines(4);
    d.GetPolyline(1)->Destroy();
    d.GetPolyline(2)->Destroy();
    std::vector<int> sel{2, 3};
    ASSERT_TRUE(ApplyTool(d, sel, kToolSpline, Config(), nullptr));
    EXPECT_EQ(Pens(d), (std::vector<int>{1, 4}));
}

class CanvasToolsSlotTest : public testing::Test {
protected:
    void SetUp() override { OverrideProgramDirectoryForTests(m_dir.Path()); }
    void TearDown() override { OverrideProgramDirectoryForTests(""); }
    TempDir m_dir;
};

TEST_F(CanvasToolsSlotTest, SizesComeFromSettingIniAnewEachTime)
{
    SlotSettings s = ReadSlotSettings();
    EXPECT_EQ(s.width, 6);
    EXPECT_EQ(s.length, 10);
    EXPECT_EQ(s.preSpaceA, 3);
    EXPECT_EQ(s.preSpaceB, 3);
    EXPECT_EQ(s.space, 3);
    SetIniInt("Global", "Slot_Width", 8);
    SetIniInt("Global", "Slot_Length", 12);
    SetIniInt("Global", "Slot_PreSpaceA", 1);
    SetIniInt("Global", "Slot_PreSpaceB", 2);
    SetIniInt("Global", "SlotSpace", 0);
    s = ReadSlotSettings();
    EXPECT_EQ(s.width, 8);
    EXPECT_EQ(s.length, 12);
    EXPECT_EQ(s.preSpaceA, 1);
    EXPECT_EQ(s.preSpaceB, 2);
    EXPECT_EQ(s.space, 0);
}

TEST_F(CanvasToolsSlotTest, SlotToolCutsEachSelectedMarkWithTheCutPen)
{
    // A square piece with two notch marks across its bottom edge.
    CPolylineIArray d;
    CPolylineI& piece = d.Add(1);
    for (PointI p : {PointI{0, 0}, PointI{20000, 0}, PointI{20000, 20000}, PointI{0, 20000},
                     PointI{0, 0}})
        piece.AddPoint(p.x, p.y);
    for (int x : {5000, 15000}) {
        CPolylineI& mark = d.Add(1);
        mark.AddPoint(x, -200);
        mark.AddPoint(x, 400);
    }
    const CPolylineIArray before = d;
    SetIniInt("Global", "Slot_Width", 8);

    int asked = 0;
    std::vector<int> sel;
    ToggleSelection(d, sel, {2, 1});
    ASSERT_TRUE(ApplyTool(d, sel, kToolSlot, Config(), [&asked] {
        ++asked;
        return ReadSlotSettings();
    }));
    EXPECT_EQ(asked, 2);  // once per polyline
    ASSERT_EQ(d.GetCount(), 3);
    EXPECT_EQ(d.GetPolyline(0)->m_points, before.GetPolyline(0)->m_points);
    for (int i : {1, 2}) {
        // The same as the slot made directly with the stored sizes.
        CPolylineIArray expected = before;
        expected.GetPolyline(i)->CreateSlot(expected, 2, 8, 10, 3, 3, 3);
        EXPECT_EQ(d.GetPolyline(i)->GetPenNo(), 2) << i;
        EXPECT_EQ(d.GetPolyline(i)->m_points, expected.GetPolyline(i)->m_points) << i;
        EXPECT_NE(d.GetPolyline(i)->m_points, before.GetPolyline(i)->m_points) << i;
    }
}
