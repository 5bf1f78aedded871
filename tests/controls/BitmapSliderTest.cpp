// The bitmap slider: position <-> pixel mapping, dragging and keys.
#include "controls/CBitmapSlider.h"
#include "controls/ControlLayout.h"

#include <QApplication>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QTest>

#include <gtest/gtest.h>

using namespace zentrova;

namespace {

struct Slider : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(slider.SetChannelBitmaps(306, 307));
        ASSERT_TRUE(slider.SetThumbBitmaps());
        SetControlId(&slider, 1140);
        slider.SetRange(0, 10000);
        slider.show();
    }
    CBitmapSlider slider;
};

} // namespace

TEST_F(Slider, TakesTheChannelSizeAndMapsPositionsToPixels)
{
    EXPECT_EQ(slider.size(), QSize(315, 11));
    EXPECT_FALSE(slider.SetChannelBitmaps(306, 12345));
    EXPECT_EQ(slider.size(), QSize(315, 11));

    slider.SetMargin(2, 0, 2, 0);
    // Usable length 315 - 2 - 23 - 2 = 288; half of it is 144, plus margin and half a thumb.
    EXPECT_EQ(slider.PixelOf(5000), 2 + 144 + 11);
    EXPECT_EQ(slider.PixelOf(0), 13);
    EXPECT_EQ(slider.PixelOf(10000), 2 + 288 + 11);
    EXPECT_EQ(slider.PositionOf(slider.PixelOf(5000)), 5000);

    slider.SetRange(7, 7);
    EXPECT_EQ(slider.PixelOf(7), 13);
    EXPECT_EQ(slider.PositionOf(200), 7);
}

TEST_F(Slider, PositionIsClampedToTheRange)
{
    slider.SetPos(20000);
    EXPECT_EQ(slider.GetPos(), 10000);
    slider.SetPos(-5);
    EXPECT_EQ(slider.GetPos(), 0);
}

TEST_F(Slider, PressAwayFromTheThumbJumpsAndReleaseAlwaysReports)
{
    QSignalSpy moving(&slider, &CBitmapSlider::SliderMoving);
    QSignalSpy moved(&slider, &CBitmapSlider::SliderMoved);

    QTest::mousePress(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(200, 5));
    ASSERT_EQ(moving.count(), 1);
    EXPECT_EQ(moving.at(0).at(0).toInt(), 1140);
    // Truncating to a position may land one pixel short of the mouse.
    EXPECT_NEAR(slider.PixelOf(slider.GetPos()), 200, 1);
    QTest::mouseRelease(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(200, 5));
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved.at(0).at(1).toInt(), slider.GetPos());

    // Grabbing the thumb itself and letting go moves nothing but still reports the release.
    moving.clear();
    QTest::mousePress(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(200, 5));
    QTest::mouseRelease(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(200, 5));
    EXPECT_EQ(moving.count(), 0);
    EXPECT_EQ(moved.count(), 2);
}

TEST_F(Slider, NavigationKeysMoveAndReportOthersDoNot)
{
    QSignalSpy moved(&slider, &CBitmapSlider::SliderMoved);
    slider.SetPos(500);
    QTest::keyClick(&slider, Qt::Key_End);
    EXPECT_EQ(slider.GetPos(), 10000);
    QTest::keyClick(&slider, Qt::Key_Home);
    EXPECT_EQ(slider.GetPos(), 0);
    QTest::keyClick(&slider, Qt::Key_PageDown);
    EXPECT_EQ(slider.GetPos(), 20);
    QTest::keyClick(&slider, Qt::Key_Right);
    EXPECT_EQ(slider.GetPos(), 21);
    QTest::keyClick(&slider, Qt::Key_Up);
    EXPECT_EQ(slider.GetPos(), 20);
    QTest::keyClick(&slider, Qt::Key_Down);
    QTest::keyClick(&slider, Qt::Key_Left);
    QTest::keyClick(&slider, Qt::Key_PageUp);
    EXPECT_EQ(slider.GetPos(), 0);
    EXPECT_EQ(moved.count(), 8);
    QTest::keyClick(&slider, Qt::Key_A);
    EXPECT_EQ(moved.count(), 8);
    // The wheel is not a way to move it: the owner would not hear of the move.
    QWheelEvent wheel(QPointF(100, 5), slider.mapToGlobal(QPointF(100, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&slider, &wheel);
    EXPECT_EQ(slider.GetPos(), 0);
}
