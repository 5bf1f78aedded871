// Runs under a real X server (xvfb-run): the worker's live picture inside the progress dialog's
// preview area, "Show preview", and many runs stopped at random moments without an X error.
#include "tests/app/RunFixture.h"

#include "app/ConvertEngine.h"
#include "controls/CBitmapSlider.h"
#include "controls/CCheckListCtrl.h"
#include "dialogs/CClipDialog.h"
#include "dialogs/PlayerPicture.h"
#include "engine/AVConvert.h"
#include "tests/engine/MediaCheck.h"
#include "tests/support/TestMedia.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QStandardPaths>
#include <QTest>

#include <random>

// Last: Xlib's macros (None, Bool, Status) clash with the headers above.
#include <X11/Xlib.h>

using namespace zentrova;
using zentrova::test::RunTest;

namespace {

int g_xErrors = 0;
QStringList g_xMessages;

int CountXError(Display *display, XErrorEvent *error)
{
    char text[256] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    ++g_xErrors;
    g_xMessages.append(QStringLiteral("%1 (request %2)").arg(QString::fromLocal8Bit(text)).arg(error->request_code));
    return 0;
}

QtMessageHandler g_previousHandler = nullptr;

void CatchXcbErrors(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QStringLiteral("XCB error"))) {
        ++g_xErrors;
        g_xMessages.append(message);
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

class X11Run : public RunTest {
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs the X11 platform";
        // Qt has installed its own handler by now; SDL chains to whatever it finds at its start.
        XSetErrorHandler(CountXError);
        g_previousHandler = qInstallMessageHandler(CatchXcbErrors);
        g_xErrors = 0;
        g_xMessages.clear();
        RunTest::SetUp();
    }

    void TearDown() override
    {
        RunTest::TearDown();
        if (QGuiApplication::platformName() == QLatin1String("xcb")) {
            qInstallMessageHandler(g_previousHandler);
            EXPECT_EQ(g_xErrors, 0) << g_xMessages.join(QStringLiteral("; ")).toStdString();
        }
    }

    // What the screen shows in the preview window, read back from the X server.
    static QImage Picture(CAVConvertDlg &dialog)
    {
        QScreen *screen = QGuiApplication::primaryScreen();
        return screen->grabWindow(dialog.PreviewWindow()->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }

    // The same area taken from the whole screen: the picture is really visible there.
    static QImage OnScreen(CAVConvertDlg &dialog)
    {
        QWidget *preview = dialog.PreviewWindow();
        const QPoint origin = preview->mapToGlobal(QPoint(0, 0));
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, origin.x(), origin.y(), preview->width(), preview->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }

    static int DistinctColours(const QImage &image)
    {
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                colours.insert(image.pixel(x, y) & 0xF0F0F0);
        return static_cast<int>(colours.size());
    }

    // The whole screen as the user sees it, for a look at the run.
    void Screenshot(const QString &name)
    {
        const QString path = programDir + QLatin1Char('/') + name;
        if (!QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty())
            QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
        else
            QGuiApplication::primaryScreen()->grabWindow(0).save(path);
        std::printf("screenshot: %s\n", qPrintable(path));
    }
};

} // namespace

TEST_F(X11Run, LivePictureInsideThePreviewAreaStopsWhenUnticked)
{
    window->move(40, 40);
    Add({Media("long_h264_aac_30s.mp4")});
    bool checked = false;
    DriveDialog([&](CAVConvertDlg &dialog) {
        const AVConvert &job = *ConvertEngine();
        if (checked || job.Progress.load() < 8)
            return;
        checked = true;
        EXPECT_EQ(qgetenv("SDL_WINDOWID"), QByteArray::number(static_cast<qulonglong>(dialog.PreviewWindow()->winId())));

        const QImage first = Picture(dialog);
        QTest::qWait(400);
        const QImage second = Picture(dialog);
        Screenshot(QStringLiteral("live-preview.png"));
        EXPECT_EQ(first.size(), QSize(160, 120));
        // The source's moving test pattern: many colours, and a picture that changes.
        EXPECT_GT(DistinctColours(first), 20);
        EXPECT_GT(DistinctColours(second), 20);
        EXPECT_NE(first, second);
        EXPECT_GT(DistinctColours(OnScreen(dialog)), 20);

        dialog.ShowPreviewBox()->click();
        EXPECT_TRUE(ConvertEngine()->PreviewHidden.load());
        QTest::qWait(300);
        const QImage hidden = Picture(dialog);
        QTest::qWait(500);
        EXPECT_EQ(hidden, Picture(dialog));
        EXPECT_LT(job.Progress.load(), 100);
        Screenshot(QStringLiteral("preview-unticked.png"));

        // Ticked again, the picture comes back at the next frame.
        dialog.ShowPreviewBox()->click();
        QTest::qWait(300);
        EXPECT_GT(DistinctColours(Picture(dialog)), 20);
        QTest::mouseClick(dialog.StopButton(), Qt::LeftButton);
    });
    Convert();
    EXPECT_TRUE(checked);
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_FALSE(window->IsConverting());
}

// The dialog's own modal loop, ended by the poller; a task with audio only starts and stops
// SDL without drawing.
TEST_F(X11Run, RunsOfEveryKindEndCleanly)
{
    Add({Media("audio_only.wav"), Media("short_h264_aac_3s.mp4"), Media("video_only.mp4")});
    int result = -1;
    desktop.onDialog = [&](QDialog &dialog) {
        result = dialog.exec();
        return result;
    };
    Convert();
    EXPECT_EQ(result, QDialog::Accepted);
    for (int row : {0, 1, 2})
        EXPECT_EQ(StatusText(row), QStringLiteral("Completed")) << row;
    EXPECT_EQ(desktop.calls, (QStringList{QStringLiteral("inhibit sleep"), QStringLiteral("open ") + outDir,
                                          QStringLiteral("release sleep")}));
}

// Thirty runs back to back, conversions and merges, each stopped at a random moment (or left
// to finish).
TEST_F(X11Run, BackToBackRunsStoppedAtRandomMoments)
{
    Add({Media("short_h264_aac_3s.mp4"), Media("video_only.mp4"), Media("audio_only.wav")});
    CountWorkers();
    const unsigned seed = std::random_device{}();
    std::printf("seed %u\n", seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delay(0, 1600);

    int stoppedRuns = 0;
    for (int run = 0; run < 30; ++run) {
        window->TaskList()->SetAllChecks(true);
        const int stopAfter = delay(random);
        QElapsedTimer clock;
        bool stopped = false;
        DriveDialog([&](CAVConvertDlg &dialog) {
            if (!clock.isValid())
                clock.start();
            if (!stopped && clock.elapsed() >= stopAfter) {
                stopped = true;
                if (run % 3 == 2)
                    dialog.close();
                else
                    QTest::mouseClick(dialog.StopButton(), Qt::LeftButton);
            }
        });
        if (run % 4 == 3)
            Merge();
        else
            Convert();
        stoppedRuns += stopped ? 1 : 0;
        ASSERT_FALSE(Dialog().isVisible()) << "run " << run << ", seed " << seed;
        ASSERT_FALSE(window->IsConverting()) << "run " << run;
        ASSERT_EQ(workersStarted.load(), run + 1);
        ASSERT_EQ(workersMax.load(), 1);
        ASSERT_FALSE(desktop.SleepInhibited());
    }
    EXPECT_GT(stoppedRuns, 0);
    EXPECT_EQ(desktop.powerOffs, 0);

    // Whatever was written plays.
    for (const QString &name : QDir(outDir).entryList(QDir::Files)) {
        const std::string path = QFile::encodeName(outDir + QLatin1Char('/') + name).toStdString();
        EXPECT_TRUE(test::Ffprobe(path).errors.empty()) << path;
    }
}

TEST_F(X11Run, PreviewAndClipDialogShowTheSourceOnScreen)
{
    window->move(40, 40);
    Add({Media("h264_aac_stereo_12s.mp4")});
    window->TaskList()->SetRowSelected(0, true);
    PlayerPicture *area = window->PreviewPicture();
    auto grab = [](QWidget *widget) {
        const QPoint origin = widget->mapToGlobal(QPoint(0, 0));
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, origin.x(), origin.y(), widget->width(), widget->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    const QImage before = grab(area);

    window->OnPlay();
    QTest::qWait(1000);
    const QImage playing = grab(area);
    EXPECT_GT(DistinctColours(playing), 20) << "the colour bars, not a black box";
    QTest::qWait(300);
    EXPECT_NE(grab(area), playing) << "the picture moves";
    Screenshot(QStringLiteral("preview-playing.png"));

    window->OnPlay();
    QTest::qWait(200);
    const QImage paused = grab(area);
    QTest::qWait(300);
    EXPECT_EQ(grab(area), paused) << "paused, the picture holds";
    EXPECT_GT(DistinctColours(paused), 20);
    Screenshot(QStringLiteral("preview-paused.png"));

    window->StopPreview();
    QTest::qWait(200);
    EXPECT_EQ(grab(area), before) << "Stop erases the picture";

    desktop.onDialog = [&](QDialog &dialog) {
        auto &clip = static_cast<CClipDialog &>(dialog);
        clip.move(560, 300);
        clip.show();
        QTest::qWait(1500);
        clip.ClipPosition = 2;
        clip.PositionSlider()->SetPos(170);
        clip.OnSetBeginTime();
        clip.ClipPosition = 9;
        clip.PositionSlider()->SetPos(750);
        clip.OnSetEndTime();
        QTest::qWait(300);
        EXPECT_GT(DistinctColours(grab(clip.Picture())), 20);
        Screenshot(QStringLiteral("clip-playing.png"));
        clip.reject();
        return clip.result();
    };
    window->ClipSelected();
}
