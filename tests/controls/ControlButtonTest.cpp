// The bitmap button: which image shows when, and its cut shape.
#include "CControlButton.h"
#include "SkinBitmap.h"

#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

using namespace zentrova;

namespace {

QRgb Shown(CControlButton &button, QPoint at)
{
    return button.grab().toImage().pixel(at);
}

QRgb Pixel(int number, QPoint at)
{
    return SkinImage(number).pixel(at);
}

} // namespace

TEST(ControlButton, HoverAndPressedImagesFollowTheMouse)
{
    QWidget parent;
    CControlButton button(&parent);
    button.setGeometry(0, 0, 137, 59);
    button.SetBitmaps(178, 177, 180, 178);
    const QPoint middle(40, 30);
    ASSERT_NE(Pixel(177, middle), Pixel(178, middle));

    EXPECT_EQ(Shown(button, middle), Pixel(177, middle));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    EXPECT_TRUE(button.IsHovered());
    EXPECT_EQ(Shown(button, middle), Pixel(178, middle));
    button.setDown(true);
    EXPECT_EQ(Shown(button, middle), Pixel(180, middle));
    button.setDown(false);
    EXPECT_EQ(Shown(button, middle), Pixel(178, middle));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.IsHovered());
    EXPECT_EQ(Shown(button, middle), Pixel(177, middle));
    EXPECT_EQ(button.NormalBitmap(), 177);
    EXPECT_EQ(button.HoverBitmap(), 178);
}

TEST(ControlButton, ShapeDecidesWhereClicksLand)
{
    QWidget parent;
    parent.resize(200, 100);
    CControlButton button(&parent);
    button.setGeometry(0, 0, 137, 59);
    button.SetBitmaps(178, 177, 177, 178);
    ASSERT_TRUE(button.SetRegionFromBitmap(177));
    EXPECT_FALSE(button.SetRegionFromBitmap(12345));
    ASSERT_TRUE(button.SetRegionFromBitmap(177));
    parent.show();

    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    EXPECT_EQ(parent.childAt(68, 30), &button);
    EXPECT_EQ(parent.childAt(1, 1), nullptr); // rounded corner: outside the shape
    QTest::mouseClick(&button, Qt::LeftButton, Qt::NoModifier, QPoint(68, 30));
    EXPECT_EQ(clicked.count(), 1);
}
