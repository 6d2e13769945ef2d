// Turning, mirroring and aligning a drawing for the view, and putting an
// edited drawing back into its file's frame.
#include <gtest/gtest.h>

#include "view/DrawingPlacement.h"

namespace {

CPolylineIArray Sample()
{
    CPolylineIArray d;
    CPolylineI& a = d.Add(1);
    a.AddPoint(-300, 1200);
    a.AddPoint(4500, 1700);
    a.AddPoint(4500, 9100);
    CPolylineI& b = d.Add(2);
    b.AddPoint(250, -40);
    return d;
}

} // namespace

TEST(DrawingPlacementTest, RestoreUndoesEveryCombinationExactly)
{
    for (bool rotate : {false, true}) {
        for (bool mirror : {false, true}) {
            CPolylineIArray d = Sample();
            const CDrawingPlacement placement = CDrawingPlacement::Apply(d, rotate, mirror);
            int minX, minY, maxX, maxY;
            ASSERT_TRUE(d.GetBoundRect(minX, minY, maxX, maxY));
            EXPECT_EQ(minX, 0);
            EXPECT_EQ(minY, 0);
            EXPECT_EQ(placement.Rotated(), rotate);
            EXPECT_EQ(placement.Mirrored(), mirror);
            placement.Restore(d);
            for (int i = 0; i < d.GetCount(); ++i)
                EXPECT_EQ(d.GetPolyline(i)->m_points, Sample().GetPolyline(i)->m_points)
                    << "rotate " << rotate << " mirror " << mirror << " polyline " << i;
        }
    }
}

// An edit that moves the drawing's corner (here a polyline added left of
// and below everything) must not move the rest: the placement keeps the
// offset of the drawing as it was placed, not of the edited one.
TEST(DrawingPlacementTest, AnEditThatMovesTheCornerLeavesTheRestInPlace)
{
    CPolylineIArray d = Sample();
    const CDrawingPlacement placement = CDrawingPlacement::Apply(d, true, false);
    CPolylineI& added = d.Add(3);
    added.AddPoint(-1000, -1000);
    added.AddPoint(-900, -1000);
    placement.Restore(d);
    ASSERT_EQ(d.GetCount(), 3);
    EXPECT_EQ(d.GetPolyline(0)->m_points, Sample().GetPolyline(0)->m_points);
    EXPECT_EQ(d.GetPolyline(1)->m_points, Sample().GetPolyline(1)->m_points);
}

TEST(DrawingPlacementTest, EmptyDrawingAndIdentity)
{
    CPolylineIArray empty;
    const CDrawingPlacement placement = CDrawingPlacement::Apply(empty, true, true);
    placement.Restore(empty);
    EXPECT_EQ(empty.GetCount(), 0);
    EXPECT_TRUE(CDrawingPlacement().IsIdentity());
    CPolylineIArray atOrigin;
    atOrigin.Add(1).AddPoint(0, 0);
    EXPECT_TRUE(CDrawingPlacement::Apply(atOrigin, false, false).IsIdentity());
}
