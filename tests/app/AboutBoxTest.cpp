// The about box and the file-information dialog.
#include "controls/CHyperLink.h"
#include "controls/ControlLayout.h"
#include "controls/ProgramStyle.h"
#include "dialogs/CAbout.h"
#include "dialogs/CAVConvertDlg.h"
#include "dialogs/CFileInfomation.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace zentrova;

TEST(AboutBox, ShowsBannerVersionAndTwoLinks)
{
    CAbout about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.size(), QSize(432, 262));
    auto *version = qobject_cast<QLabel *>(FindControl(&about, 1103));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), QStringLiteral("Version 2.1"));

    bool banner = false;
    for (QLabel *label : about.findChildren<QLabel *>())
        banner = banner || label->pixmap().size() == QSize(408, 86);
    EXPECT_TRUE(banner);

    CHyperLink *support = about.SupportLink();
    CHyperLink *home = about.HomepageLink();
    EXPECT_EQ(FindControl(&about, 1101), support);
    EXPECT_EQ(FindControl(&about, 1102), home);
    EXPECT_EQ(support->GetURL(), QStringLiteral("mailto:support@zentrova.example"));
    EXPECT_EQ(support->toolTip(), support->GetURL());
    EXPECT_EQ(home->GetURL(), QStringLiteral("https://zentrova.example/ipod-video-converter"));
    EXPECT_EQ(home->text(), home->GetURL());
    EXPECT_EQ(home->GetUnderline(), CHyperLink::UnderlineAlways);
    EXPECT_TRUE(home->font().underline());
    EXPECT_EQ(home->font().pointSize(), 10);
    EXPECT_FALSE(support->IsVisited());

    QSignalSpy accepted(&about, &QDialog::accepted);
    auto *ok = qobject_cast<QPushButton *>(FindControl(&about, 1));
    ASSERT_NE(ok, nullptr);
    ok->click();
    EXPECT_EQ(accepted.count(), 1);
}

TEST(FileInformation, ShowsTheFormattedTexts)
{
    MediaInfoTexts texts;
    texts.path = "/videos/holiday/clip.avi";
    texts.mediaLength = "00:01:40";
    texts.frameRate = "25.00 fps";
    texts.width = "640";
    texts.height = "480";
    texts.videoCodecId = "13";
    texts.audioCodecId = "0";
    texts.videoBitRate = "1500000";
    texts.channels = "2";
    texts.sampleRate = "44100";
    texts.audioBitRate = "128000";
    CFileInfomation info(texts);
    EXPECT_EQ(info.windowTitle(), QStringLiteral("File Information"));
    EXPECT_EQ(info.FieldText(1075), QStringLiteral("clip.avi"));
    EXPECT_EQ(info.FieldText(1004), QStringLiteral("00:01:40"));
    EXPECT_EQ(info.FieldText(1005), QStringLiteral("640*480"));
    EXPECT_EQ(info.FieldText(1006), QStringLiteral("1500 Kbps"));
    // No audio stream: the audio fields stay empty.
    EXPECT_TRUE(info.FieldText(1122).isEmpty());
    EXPECT_TRUE(info.FieldText(1123).isEmpty());
    EXPECT_TRUE(info.FieldText(1124).isEmpty());

    QSignalSpy accepted(&info, &QDialog::accepted);
    info.show();
    QTest::keyClick(&info, Qt::Key_Return);
    EXPECT_EQ(accepted.count(), 1);
}

TEST(ProgressDialog, FixedSizeWithoutMaximiseAndBarsLinedUp)
{
    CAVConvertDlg dialog;
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    const QRect current = dialog.CurrentBar()->geometry();
    const QRect total = dialog.TotalBar()->geometry();
    EXPECT_EQ(current.left(), total.left());
    EXPECT_EQ(current.right(), total.right());
}

// Any dialog, also one written later, takes the program's look from the application, and a
// disabled list reads as disabled in it.
TEST(ProgramStyle, DialogsShareTheLookAndDisabledListsLookDisabled)
{
    ApplyProgramStyle(*qApp);
    QDialog dialog;
    dialog.resize(200, 80);
    auto *enabled = new QComboBox(&dialog);
    auto *disabled = new QComboBox(&dialog);
    for (QComboBox *combo : {enabled, disabled})
        combo->addItem(QStringLiteral("2 Channel Stereo"));
    enabled->setGeometry(10, 10, 150, 24);
    disabled->setGeometry(10, 44, 150, 24);
    disabled->setEnabled(false);
    dialog.show();
    const QImage shot = dialog.grab().toImage();
    const QColor background = shot.pixelColor(180, 5);
    const QColor enabledFill = shot.pixelColor(enabled->geometry().center() + QPoint(50, 0));
    const QColor disabledFill = shot.pixelColor(disabled->geometry().center() + QPoint(50, 0));
    qApp->setStyleSheet(QString());

    EXPECT_EQ(background, QColor(0xf4, 0xf8, 0xf5));
    EXPECT_EQ(enabledFill, QColor(Qt::white));
    EXPECT_NE(disabledFill, enabledFill);
}

// A message keeps every word: a line longer than the box is wrapped, never cut off at its edge.
TEST(ProgramStyle, MessagesShowTheirWholeText)
{
    ApplyProgramStyle(*qApp);
    for (const QString text : {QStringLiteral("2 file(s) were sent to the iPod \"Demo iPod\"."),
                               QStringLiteral("Nothing was sent to the iPod \"Demo iPod\": it has 3.1 MB free but "
                                              "the files need 12.4 MB. Delete something from it first.")}) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Title"), text, QMessageBox::Ok);
        box.show();
        auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        ASSERT_NE(label, nullptr);
        const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 10000),
                                                               Qt::TextWordWrap, text);
        EXPECT_LE(needed.width(), label->width()) << text.toStdString();
        EXPECT_LE(needed.height(), label->height()) << text.toStdString();
    }
    qApp->setStyleSheet(QString());
}
