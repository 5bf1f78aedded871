// Hyperlinks and labels.
#include "controls/CHyperLink.h"
#include "controls/CLabel.h"
#include "tests/support/RecordingDesktop.h"

#include <QApplication>
#include <QEnterEvent>
#include <QTest>

#include <gtest/gtest.h>

using namespace zentrova;

namespace {

void Enter(QWidget &w)
{
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&w, &enter);
}

void Leave(QWidget &w)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&w, &leave);
}

} // namespace

TEST(HyperLink, ColoursFollowHoverAndVisit)
{
    test::RecordingDesktop desktop;
    CHyperLink link(QStringLiteral("support@zentrova.example"));
    link.SetURL(QStringLiteral("mailto:support@zentrova.example"));
    link.SetUnderline(CHyperLink::UnderlineAlways);
    link.show();

    EXPECT_EQ(link.toolTip(), QStringLiteral("mailto:support@zentrova.example"));
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(link.font().underline());
    EXPECT_EQ(link.CurrentColour(), QColor(0, 0, 238));
    Enter(link);
    EXPECT_EQ(link.CurrentColour(), QColor(255, 0, 0));
    EXPECT_TRUE(link.font().underline());
    Leave(link);
    EXPECT_EQ(link.CurrentColour(), QColor(0, 0, 238));

    QTest::mouseClick(&link, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    ASSERT_EQ(desktop.openedUrls.size(), 1);
    EXPECT_EQ(desktop.openedUrls.first(), QUrl(QStringLiteral("mailto:support@zentrova.example")));
    EXPECT_TRUE(link.IsVisited());
    EXPECT_EQ(link.CurrentColour(), QColor(85, 26, 139));
    EXPECT_TRUE(desktop.messages.isEmpty());
}

TEST(HyperLink, HoverUnderlineOnlyWhileOver)
{
    CHyperLink link(QStringLiteral("https://zentrova.example/"));
    EXPECT_FALSE(link.font().underline());
    Enter(link);
    EXPECT_TRUE(link.font().underline());
    Leave(link);
    EXPECT_FALSE(link.font().underline());
}

TEST(HyperLink, FailedOpeningIsReportedAndLeavesTheLinkUnvisited)
{
    test::RecordingDesktop desktop;
    desktop.openUrlResult = false;
    CHyperLink web(QStringLiteral("https://zentrova.example/ipod-video-converter"));
    EXPECT_FALSE(web.Open());
    EXPECT_FALSE(web.IsVisited());
    ASSERT_EQ(desktop.messages.size(), 1);
    EXPECT_EQ(desktop.messages.first().text,
              QStringLiteral("Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension."));
    EXPECT_EQ(desktop.messages.first().caption, kApplicationTitle);

    CHyperLink file(QStringLiteral("file:///nowhere/at/all.html"));
    EXPECT_FALSE(file.Open());
    EXPECT_EQ(desktop.messages.last().text, QStringLiteral("Unable to open hyperlink:\n\nThe specified file was not found."));
}

TEST(HyperLink, ErrorTexts)
{
    EXPECT_EQ(CHyperLink::ErrorText(26), QStringLiteral("A sharing violation occurred. "));
    EXPECT_EQ(CHyperLink::ErrorText(5), QStringLiteral("The operating system denied\naccess to the specified file."));
    EXPECT_EQ(CHyperLink::ErrorText(99), QStringLiteral("Unknown Error (99) occurred."));
}

TEST(Label, PaintsInWindowTextOnButtonFaceAndStopsFlashing)
{
    CLabel label(QStringLiteral("Converting..."));
    EXPECT_EQ(label.TextColor(), QApplication::palette().color(QPalette::WindowText));
    EXPECT_EQ(label.BkColor(), QApplication::palette().color(QPalette::Button));

    label.resize(120, 20);
    const QImage shown = label.grab().toImage();
    EXPECT_EQ(shown.pixelColor(118, 18), label.BkColor());

    label.FlashBackground(true);
    EXPECT_EQ(label.FlashMode(), CLabel::Flash::Background);
    label.StopBkFlash();
    EXPECT_EQ(label.FlashMode(), CLabel::Flash::None);
    label.FlashText(true);
    label.StopBkFlash(); // only a background flash is stopped
    EXPECT_EQ(label.FlashMode(), CLabel::Flash::Text);
    EXPECT_TRUE(QTest::qWaitFor([&] { return label.FlashHidden(); }, 2000));
}

TEST(Label, LongLineCanGiveWayAtItsStart)
{
    const QString text = QStringLiteral("a_very_long_name_of_a_holiday_video_file.mp4   42% has completed");
    CLabel cut(text);
    CLabel elided(text);
    elided.SetElideMode(Qt::ElideLeft);
    CLabel expected(elided.fontMetrics().elidedText(text, Qt::ElideLeft, 150));
    for (CLabel *label : {&cut, &elided, &expected})
        label->resize(150, 20);
    EXPECT_EQ(elided.text(), text);
    EXPECT_EQ(elided.grab().toImage(), expected.grab().toImage());
    EXPECT_NE(elided.grab().toImage(), cut.grab().toImage());
}
