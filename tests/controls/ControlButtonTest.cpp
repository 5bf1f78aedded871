// The bitmap button: which image shows when, and its cut shape.
#include "controls/CControlButton.h"
#include "controls/SkinBitmap.h"

#include <QEnterEvent>
#include <QWindow>
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

TEST(ControlButton, AllWhiteShapeLeavesNothingToSeeOrPress)
{
    QWidget parent;
    parent.resize(200, 100);
    parent.setStyleSheet(QStringLiteral("background: rgb(10, 20, 30);"));
    parent.setAutoFillBackground(true);
    CControlButton button(&parent);
    button.setGeometry(0, 0, 137, 59);
    button.SetBitmaps(177, 177, 177, 177);
    QImage white(137, 59, QImage::Format_RGB32);
    white.fill(Qt::white);
    button.SetRegionFromImage(white);
    parent.show();

    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    EXPECT_TRUE(button.HasEmptyShape());
    EXPECT_EQ(parent.childAt(68, 30), nullptr);
    EXPECT_EQ(parent.grab().toImage().pixel(68, 30), qRgb(10, 20, 30));
    QTest::mouseClick(&parent, Qt::LeftButton, Qt::NoModifier, QPoint(68, 30));
    EXPECT_EQ(button.focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(clicked.count(), 0);

    // A real shape afterwards makes it whole again.
    ASSERT_TRUE(button.SetRegionFromBitmap(177));
    EXPECT_EQ(parent.childAt(68, 30), &button);
}

// The cursor the window really shows, not the property: Qt shows a disabled widget's parent's.
TEST(ControlButton, HandCursorShowsOverTheButtonEnabledOrNot)
{
    QWidget parent;
    parent.resize(200, 100);
    CControlButton button(&parent);
    button.setGeometry(20, 20, 60, 30);
    button.setCursor(Qt::PointingHandCursor);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    const auto shown = [&parent] { return parent.windowHandle()->cursor().shape(); };
    const QPoint outside(150, 80), over(50, 35);

    for (bool enabled : {true, false}) {
        SCOPED_TRACE(enabled);
        button.setEnabled(enabled);
        QTest::mouseMove(&parent, outside);
        EXPECT_EQ(shown(), Qt::ArrowCursor);
        QTest::mouseMove(&parent, over);
        EXPECT_EQ(shown(), Qt::PointingHandCursor);
        // A command that turns its own button off or on under the pointer.
        button.setEnabled(!enabled);
        EXPECT_EQ(shown(), Qt::PointingHandCursor);
        button.setEnabled(enabled);
        EXPECT_EQ(shown(), Qt::PointingHandCursor);
        QTest::mouseMove(&parent, outside);
        EXPECT_EQ(shown(), Qt::ArrowCursor);
        EXPECT_EQ(parent.cursor().shape(), Qt::ArrowCursor);
    }
}
