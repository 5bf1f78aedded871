// Converting and merging from the main window, end to end with real media: the job filled from
// the checked rows, the progress dialog, the statuses in the list, Stop, the end of a run.
#include "tests/app/RunFixture.h"

#include "app/ConvertEngine.h"
#include "app/MainWindowIds.h"
#include "controls/CBitmapSlider.h"
#include "controls/CCheckListCtrl.h"
#include "controls/CLabel.h"
#include "controls/ControlLayout.h"
#include "dialogs/CClipDialog.h"
#include "engine/AVConvert.h"
#include "engine/ConvertWorker.h"
#include "tests/engine/MediaCheck.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidgetItem>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <thread>

using namespace zentrova;
using zentrova::test::RunTest;

namespace {

QStringList FilesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

std::string Encoded(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The progress dialog on its own

TEST(ProgressDialog, TemplateControlsAtTheirPlaces)
{
    CAVConvertDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Zentrova iPod Video Converter"));
    EXPECT_EQ(dialog.size(), QSize(600, 171));
    EXPECT_EQ(dialog.controlById(IDC_CURRENT_BAR)->geometry(), DialogUnitRect(122, 22, 256, 14, 6, 13));
    // Lined up with the current-file bar rather than two units off as the template drew it.
    EXPECT_EQ(dialog.controlById(IDC_TOTAL_BAR)->geometry(), DialogUnitRect(122, 58, 256, 14, 6, 13));
    // Stop sits at its place unless the check box's text needs the room (our fonts run wider).
    const QRect stop = dialog.controlById(IDC_CONVERT_STOP)->geometry();
    const QRect stopTemplate = DialogUnitRect(330, 79, 50, 19, 6, 13);
    EXPECT_EQ(stop.size(), stopTemplate.size());
    EXPECT_EQ(stop.y(), stopTemplate.y());
    EXPECT_GE(stop.x(), stopTemplate.x());
    EXPECT_LE(stop.right(), dialog.width() - 1);
    EXPECT_FALSE(stop.intersects(dialog.ShutDownBox()->geometry()));
    EXPECT_GE(dialog.ShutDownBox()->width(), dialog.ShutDownBox()->sizeHint().width());
    EXPECT_EQ(dialog.CurrentBar()->maximum(), 100);
    EXPECT_EQ(dialog.TotalBar()->maximum(), 100);
    EXPECT_EQ(dialog.StopButton()->text(), QStringLiteral("Stop"));
    EXPECT_EQ(dialog.StopButton()->toolTip(), QStringLiteral("Stop converting"));
    EXPECT_EQ(dialog.ShowPreviewBox()->text(), QStringLiteral("Show preview"));
    EXPECT_EQ(dialog.ShutDownBox()->text(), QStringLiteral("Shut down computer when conversion completed"));
    EXPECT_TRUE(qobject_cast<CLabel *>(dialog.controlById(IDC_CURRENT_TEXT)));
    EXPECT_TRUE(qobject_cast<CLabel *>(dialog.controlById(IDC_TOTAL_TEXT)));
    EXPECT_EQ(dialog.CurrentFileLabel()->text(), QStringLiteral("Converting..."));
    // The time left sits between the bars, clear of both text lines and within the dialog.
    const QRect timeLeft = dialog.TimeLeftLabel()->geometry();
    EXPECT_EQ(dialog.TimeLeftLabel()->text(), QStringLiteral("Time left: --:--:--"));
    for (QWidget *other : {static_cast<QWidget *>(dialog.CurrentBar()), static_cast<QWidget *>(dialog.TotalBar()),
                           static_cast<QWidget *>(dialog.TotalLabel())})
        EXPECT_FALSE(timeLeft.intersects(other->geometry())) << other->objectName().toStdString();
    EXPECT_LE(timeLeft.right(), dialog.width() - 1);
    EXPECT_GE(timeLeft.width(), dialog.TimeLeftLabel()->sizeHint().width());

    // The preview area starts where the template puts it and holds the whole 160x120 picture
    // in a native window of its own.
    auto *area = qobject_cast<QGroupBox *>(dialog.controlById(IDC_PREVIEW_AREA));
    ASSERT_TRUE(area);
    EXPECT_EQ(area->pos(), DialogUnitRect(7, 6, 106, 68, 6, 13).topLeft());
    EXPECT_EQ(dialog.PreviewWindow()->size(), QSize(160, 120));
    EXPECT_TRUE(area->rect().contains(dialog.PreviewWindow()->geometry()));
    // Nothing overlaps: the check boxes sit below the preview area.
    EXPECT_LT(area->geometry().bottom(), dialog.ShowPreviewBox()->geometry().top());
}

TEST(ProgressDialog, InitialisationPublishesThePreviewAndResetsTheChoices)
{
    AVConvert job;
    CAVConvertDlg dialog;
    dialog.SetJob(&job);
    QList<bool> shutDown;
    QObject::connect(&dialog, &CAVConvertDlg::ShutDownWhenDoneChanged, [&](bool on) { shutDown.append(on); });

    // Without X11 there is no window the worker could draw into.
    qputenv("SDL_WINDOWID", "12345");
    dialog.OnInitDialog();
    EXPECT_EQ(qgetenv("SDL_WINDOWID"), QByteArray("0"));
    EXPECT_TRUE(dialog.ShowPreviewBox()->isChecked());
    EXPECT_FALSE(dialog.ShutDownBox()->isChecked());
    EXPECT_EQ(shutDown, QList<bool>{false});
    dialog.show();

    // The user's choices reach the job and the owner.
    dialog.ShowPreviewBox()->click();
    EXPECT_TRUE(job.PreviewHidden.load());
    dialog.ShutDownBox()->click();
    EXPECT_EQ(shutDown, (QList<bool>{false, true}));
    dialog.ShowPreviewBox()->click();
    EXPECT_FALSE(job.PreviewHidden.load());
    dialog.ShowPreviewBox()->click();
    dialog.CurrentFileLabel()->setText(QStringLiteral("a.mp4   50% has completed"));
    dialog.TotalBar()->setValue(50);

    // The next run starts as a fresh dialog would.
    dialog.OnInitDialog();
    EXPECT_TRUE(dialog.ShowPreviewBox()->isChecked());
    EXPECT_FALSE(job.PreviewHidden.load());
    EXPECT_FALSE(dialog.ShutDownBox()->isChecked());
    EXPECT_EQ(shutDown.last(), false);
    EXPECT_EQ(dialog.CurrentFileLabel()->text(), QStringLiteral("Converting..."));
    EXPECT_EQ(dialog.TotalBar()->value(), 0);
}

TEST(ProgressDialog, EnterAndEscapeDoNothingCloseActsAsStop)
{
    AVConvert job;
    CAVConvertDlg dialog;
    dialog.SetJob(&job);
    int pollingStops = 0;
    int stops = 0;
    QObject::connect(&dialog, &CAVConvertDlg::StopPolling, [&] { ++pollingStops; });
    QObject::connect(&dialog, &CAVConvertDlg::StopRun, [&] { ++stops; });
    dialog.OnInitDialog();
    dialog.show();
    dialog.StopButton()->setFocus();

    for (QWidget *target : {static_cast<QWidget *>(&dialog), static_cast<QWidget *>(dialog.StopButton()),
                            static_cast<QWidget *>(dialog.ShowPreviewBox())}) {
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter})
            QTest::keyClick(target, key);
    }
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(stops, 0);
    EXPECT_EQ(pollingStops, 0);
    EXPECT_TRUE(dialog.ShowPreviewBox()->isChecked());

    // The title bar's close button.
    dialog.close();
    EXPECT_FALSE(dialog.isVisible());
    // The dialog only asks: the stop flag is the owner's to write.
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(job.StopRequested.load());
    EXPECT_EQ(pollingStops, 1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// ---------------------------------------------------------------------------------------------
// Commands that start nothing

TEST_F(RunTest, EmptyListIsRefusedByBothCommands)
{
    Convert();
    Merge();
    EXPECT_EQ(Messages(), (QStringList{QStringLiteral("Please add video files!"), QStringLiteral("Please add video files!")}));
    EXPECT_EQ(desktop.messages.first().caption, QStringLiteral("Zentrova iPod Video Converter"));
    EXPECT_EQ(previewStops, 2);
    EXPECT_TRUE(desktop.dialogs.isEmpty());
}

TEST_F(RunTest, CheckedRowsDecideWhatStarts)
{
    Add({Media("short_h264_aac_3s.mp4"), Media("audio_only.wav"), Media("video_only.mp4")});
    window->TaskList()->SetAllChecks(false);
    Convert();
    Merge();
    window->TaskList()->SetCheck(1, true);
    Merge();
    EXPECT_EQ(Messages(), (QStringList{QStringLiteral("Please select at least one task to convert!"),
                                       QStringLiteral("Merge is effective when two or more files are chosen!"),
                                       QStringLiteral("Merge is effective when two or more files are chosen!")}));
    EXPECT_EQ(window->CheckedRows, (std::vector<int>{-1, 1, -1}));
    EXPECT_EQ(previewStops, 3);

    // A list of one row cannot be merged either.
    window->ClearAll();
    Add({Media("audio_only.wav")});
    Merge();
    EXPECT_EQ(Messages().last(), QStringLiteral("Merge is effective when two or more files are chosen!"));
    EXPECT_EQ(desktop.messages.size(), 4);

    EXPECT_TRUE(desktop.dialogs.isEmpty());
    EXPECT_FALSE(window->IsConverting());
    EXPECT_FALSE(window->IsTimerActive(1));
    EXPECT_TRUE(FilesIn(outDir).isEmpty());
}

TEST_F(RunTest, UnusableFolderOrNamelessSourceStartsNothing)
{
    Add({Media("short_h264_aac_3s.mp4"), CopyOf("short_h264_aac_3s.mp4", QStringLiteral("nodot"))});
    ASSERT_EQ(Rows(), 2);

    window->FolderBox()->setEditText(programDir + QStringLiteral("/missing/out"));
    Convert();
    Merge();
    const QString folderMessage =
        QStringLiteral("The folder that you selected does not exit.Please specify a different folder!");
    EXPECT_EQ(Messages(), (QStringList{folderMessage, folderMessage}));
    EXPECT_FALSE(QFileInfo::exists(programDir + QStringLiteral("/missing")));

    // The bare root is what an unset folder box held: nothing happens, nothing is said.
    window->FolderBox()->setEditText(QStringLiteral("/"));
    Convert();
    EXPECT_EQ(desktop.messages.size(), 2);

    // A source named without a dot ends both commands without a word, after the folder was
    // created and remembered.
    UseOutputFolder();
    Convert();
    Merge();
    EXPECT_EQ(desktop.messages.size(), 2);
    EXPECT_TRUE(QFileInfo(outDir).isDir());
    EXPECT_EQ(window->OutputFolder, outDir);
    EXPECT_TRUE(desktop.dialogs.isEmpty());
    EXPECT_FALSE(window->IsConverting());
    EXPECT_FALSE(window->IsTimerActive(1));
    EXPECT_EQ(desktop.inhibitions, 0);
    EXPECT_TRUE(FilesIn(outDir).isEmpty());
}

// ---------------------------------------------------------------------------------------------
// The poller against a job record set by hand

TEST_F(RunTest, PollerWritesOnlyCheckedRowsAndEndsTheRunOnce)
{
    Add({Media("short_h264_aac_3s.mp4"), Media("audio_only.wav"), Media("video_only.mp4")});
    AVConvert &job = *ConvertEngine();
    CAVConvertDlg &dialog = Dialog();
    dialog.SetJob(&job);
    dialog.OnInitDialog();
    window->TaskList()->SetCheck(0, false);
    window->TaskList()->SetCheck(1, false);
    window->CheckedRows = {-1, -1, 2};
    window->CompletedCount = 0;
    job.TaskCount = 3;
    job.CheckedTaskCount = 1;
    job.StopRequested = false;

    // A task that has not produced a value yet leaves the current line and bar alone.
    job.CurrentTask = 0;
    job.Progress = -1;
    window->PollProgress();
    EXPECT_EQ(dialog.CurrentFileLabel()->text(), QStringLiteral("Converting..."));
    EXPECT_EQ(dialog.CurrentBar()->value(), 0);
    EXPECT_EQ(dialog.TotalLabel()->text(), QStringLiteral("0 Task Completed / Total 1 Task(s)"));

    job.Progress = 42;
    window->PollProgress();
    EXPECT_EQ(dialog.CurrentFileLabel()->text(), QStringLiteral("short_h264_aac_3s.mp4   42% has completed"));
    EXPECT_EQ(dialog.CurrentBar()->value(), 42);

    // Unchecked rows fail in the worker; the list shows nothing for them.
    job.TaskStatus[0] = kTaskFailed;
    job.TaskStatus[1] = kTaskFailed;
    job.TaskStatus[2] = kTaskCompleted;
    job.CurrentTask = 3;
    job.Progress = 100;
    window->PollProgress();
    EXPECT_EQ(StatusText(0), QStringLiteral(" Ready"));
    EXPECT_EQ(StatusText(1), QStringLiteral(" Ready"));
    EXPECT_EQ(StatusText(2), QStringLiteral("Completed"));
    EXPECT_FALSE(Checked(2));
    EXPECT_EQ(window->CompletedCount, 1);
    // The totals lag the list by one tick.
    EXPECT_EQ(dialog.TotalLabel()->text(), QStringLiteral("0 Task Completed / Total 1 Task(s)"));
    EXPECT_TRUE(job.StopRequested.load());
    // A merge whose file could not be finished turns its completed rows into failures.
    job.TaskStatus[2] = kTaskFailed;
    window->PollProgress();
    EXPECT_EQ(StatusText(2), QStringLiteral("Failure"));
    EXPECT_TRUE(Checked(2));
    EXPECT_EQ(desktop.calls, QStringList{QStringLiteral("open ") + outDir});
    EXPECT_EQ(desktop.powerOffs, 0);
}

TEST_F(RunTest, EndOfRunTellsWhereTheFilesAreWhenNoFileManagerOpensThem)
{
    desktop.openUrlResult = false;
    for (bool powerOff : {false, true}) {
        SCOPED_TRACE(powerOff);
        OpenWindow();
        UseOutputFolder();
        Add({Media("audio_only.wav")});
        AVConvert &job = *ConvertEngine();
        Dialog().SetJob(&job);
        desktop.messages.clear();
        window->ShutDownWhenDone = powerOff;
        window->CheckedRows = {0};
        job.CheckedTaskCount = 1;
        job.TaskStatus[0] = kTaskCompleted;
        job.CurrentTask = 1;
        window->SetTimer(1, 300);
        window->PollProgress();
        // A machine that is going down gets no message that would hold it up.
        EXPECT_EQ(Messages(), powerOff ? QStringList{} : QStringList{QStringLiteral("The files are in ") + outDir});
        EXPECT_EQ(desktop.powerOffs, powerOff ? 1 : 0);
    }
}

// ---------------------------------------------------------------------------------------------
// Real runs

TEST_F(RunTest, ConvertsCheckedRowsAroundAnUncheckedOne)
{
    Add({Media("short_h264_aac_3s.mp4"), Media("video_only.mp4"), Media("audio_only.wav"),
         Media("h264_aac_stereo_12s.mp4")});
    window->TaskList()->SetCheck(1, false);
    CountWorkers();
    bool polling = true;
    QStringList timesLeft;
    DriveDialog([&](CAVConvertDlg &dialog) {
        polling = polling && window->IsTimerActive(1);
        if (!timesLeft.contains(dialog.TimeLeftLabel()->text()))
            timesLeft.append(dialog.TimeLeftLabel()->text());
    });
    Convert();

    EXPECT_TRUE(polling);
    // The dialog shows the controller's estimate once the first file has a percent.
    EXPECT_TRUE(timesLeft.size() >= 2 && timesLeft.first() == QStringLiteral("Time left: --:--:--") &&
                QRegularExpression(QStringLiteral("^Time left: \\d+:\\d\\d:\\d\\d$")).match(timesLeft.at(1)).hasMatch())
        << timesLeft.join(QStringLiteral(", ")).toStdString();
    EXPECT_EQ(desktop.dialogs, QStringList{QStringLiteral("Zentrova iPod Video Converter")});
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_EQ(StatusText(0), QStringLiteral("Completed"));
    EXPECT_EQ(StatusText(1), QStringLiteral(" Ready"));
    EXPECT_EQ(StatusText(2), QStringLiteral("Completed"));
    EXPECT_EQ(StatusText(3), QStringLiteral("Completed"));
    for (int row : {0, 1, 2, 3})
        EXPECT_FALSE(Checked(row)) << row;
    EXPECT_EQ(window->CheckedRows, (std::vector<int>{0, -1, 2, 3}));
    EXPECT_EQ(window->CompletedCount, 3);
    EXPECT_TRUE(totalsSeen.contains(QStringLiteral("2 Task Completed / Total 3 Task(s)"))) << totalsSeen.join(", ").toStdString();
    EXPECT_FALSE(totalsSeen.contains(QStringLiteral("3 Task Completed / Total 3 Task(s)")));

    EXPECT_EQ(FilesIn(outDir), (QStringList{QStringLiteral("audio_only.mp4"), QStringLiteral("h264_aac_stereo_12s.mp4"),
                                            QStringLiteral("short_h264_aac_3s.mp4")}));
    const auto report = test::Ffprobe(Encoded(outDir + QStringLiteral("/h264_aac_stereo_12s.mp4")));
    EXPECT_NEAR(report.Number(report.format, "duration"), 12.0, 0.3);

    // The folder opened once, after the dialog closed; no power-off; sleep held for the run only.
    EXPECT_EQ(desktop.calls, (QStringList{QStringLiteral("inhibit sleep"), QStringLiteral("open ") + outDir,
                                          QStringLiteral("release sleep")}));
    EXPECT_FALSE(window->IsConverting());
    EXPECT_FALSE(window->IsTimerActive(1));
    EXPECT_EQ(workersStarted.load(), 1);
    EXPECT_EQ(workersMax.load(), 1);
}

TEST_F(RunTest, FailedTaskStaysCheckedAndPowerOffFollowsTheFolder)
{
    const QString gone = CopyOf("short_h264_aac_3s.mp4", QStringLiteral("gone.mp4"));
    Add({gone, Media("audio_only.wav"), Media("short_h264_aac_3s.mp4")});
    ASSERT_TRUE(QFile::remove(gone));
    bool ticked = false;
    DriveDialog([&](CAVConvertDlg &dialog) {
        if (!ticked) {
            dialog.ShutDownBox()->click();
            ticked = true;
        }
    });
    Convert();

    EXPECT_EQ(StatusText(0), QStringLiteral("Failure"));
    // The reason sits on the Status cell.
    EXPECT_TRUE(window->TaskList()->item(0, 4)->toolTip().startsWith(QStringLiteral("cannot open ") + gone))
        << window->TaskList()->item(0, 4)->toolTip().toStdString();
    EXPECT_EQ(window->TaskList()->item(1, 4)->toolTip(), QString());
    EXPECT_TRUE(Checked(0));
    EXPECT_EQ(StatusText(1), QStringLiteral("Completed"));
    EXPECT_EQ(StatusText(2), QStringLiteral("Completed"));
    EXPECT_FALSE(Checked(1));
    EXPECT_FALSE(Checked(2));
    EXPECT_EQ(window->CompletedCount, 2);
    for (const QString &totals : totalsSeen)
        EXPECT_FALSE(totals.startsWith(QStringLiteral("3 "))) << totals.toStdString();
    EXPECT_EQ(desktop.calls, (QStringList{QStringLiteral("inhibit sleep"), QStringLiteral("open ") + outDir,
                                          QStringLiteral("power off"), QStringLiteral("release sleep")}));
    EXPECT_EQ(desktop.powerOffs, 1);
}

TEST_F(RunTest, StopInTheSecondTaskFinishesItsFileAndStartsNoMore)
{
    Add({Media("short_h264_aac_3s.mp4"), Media("long_h264_aac_30s.mp4"), Media("audio_only.wav")});
    CountWorkers();
    bool stopped = false;
    DriveDialog([&](CAVConvertDlg &dialog) {
        const AVConvert &job = *ConvertEngine();
        if (!stopped && StatusText(0) == QStringLiteral("Completed") && job.CurrentTask.load() == 1 &&
            job.Progress.load() >= 10) {
            // The choices of a stopped run do not carry over to the next.
            dialog.ShowPreviewBox()->click();
            dialog.ShutDownBox()->click();
            QTest::mouseClick(dialog.StopButton(), Qt::LeftButton);
            stopped = true;
        }
    });
    Convert();
    ASSERT_TRUE(stopped);

    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_FALSE(window->IsConverting());
    EXPECT_FALSE(window->IsTimerActive(1));
    EXPECT_EQ(StatusText(0), QStringLiteral("Completed"));
    EXPECT_EQ(StatusText(1), QStringLiteral(" Ready"));
    EXPECT_EQ(StatusText(2), QStringLiteral(" Ready"));
    EXPECT_TRUE(Checked(1));
    EXPECT_TRUE(Checked(2));
    const AVConvert &job = *ConvertEngine();
    EXPECT_EQ(job.TaskStatus[1].load(), kTaskNotFinished);
    EXPECT_EQ(job.CurrentTask.load(), 2);
    EXPECT_EQ(FilesIn(outDir), (QStringList{QStringLiteral("long_h264_aac_30s.mp4"), QStringLiteral("short_h264_aac_3s.mp4")}));

    // The interrupted file plays up to where it stopped.
    const std::string interrupted = Encoded(outDir + QStringLiteral("/long_h264_aac_30s.mp4"));
    const auto report = test::Ffprobe(interrupted);
    EXPECT_TRUE(report.errors.empty()) << report.errors;
    const double duration = report.Number(report.format, "duration");
    EXPECT_GT(duration, 1.0);
    EXPECT_LT(duration, 29.0);
    EXPECT_EQ(test::DecodeErrors(interrupted), "");
    EXPECT_EQ(desktop.calls, (QStringList{QStringLiteral("inhibit sleep"), QStringLiteral("release sleep")}));

    // Convert again at once: the rows left over run, one worker at a time, with fresh choices.
    bool checkedChoices = false;
    DriveDialog([&](CAVConvertDlg &dialog) {
        if (!checkedChoices) {
            EXPECT_TRUE(dialog.ShowPreviewBox()->isChecked());
            EXPECT_FALSE(ConvertEngine()->PreviewHidden.load());
            EXPECT_FALSE(dialog.ShutDownBox()->isChecked());
            EXPECT_FALSE(window->ShutDownWhenDone);
            checkedChoices = true;
        }
    });
    Convert();
    EXPECT_TRUE(checkedChoices);
    EXPECT_EQ(StatusText(1), QStringLiteral("Completed"));
    EXPECT_EQ(StatusText(2), QStringLiteral("Completed"));
    EXPECT_EQ(workersStarted.load(), 2);
    EXPECT_EQ(workersMax.load(), 1);
    EXPECT_EQ(desktop.powerOffs, 0);
    // The stopped file is kept; its new conversion takes the next free name.
    EXPECT_TRUE(FilesIn(outDir).contains(QStringLiteral("long_h264_aac_30s(0).mp4")));
}

TEST_F(RunTest, WindowShowsThatAStoppedFileIsBeingFinished)
{
    Add({Media("h264_aac_stereo_12s.mp4"), Media("short_h264_aac_3s.mp4")});
    // A worker that takes its time after the stop, as one draining a long file would.
    window->convertWorker = [](AVConvert &job) {
        ConvertWorker(job);
        if (job.StopRequested.load() && job.CurrentTask.load() < job.TaskCount)
            std::this_thread::sleep_for(std::chrono::milliseconds(900));
    };
    CountWorkers();
    bool stopped = false;
    bool noticeSeen = false;
    bool waitCursor = false;
    DriveDialog([&](CAVConvertDlg &dialog) {
        if (stopped || ConvertEngine()->Progress.load() < 5)
            return;
        stopped = true;
        // While the window waits, a command arriving by another way than the user's input
        // (which waits in the queue) must not start a run inside the one that is ending.
        QTimer::singleShot(500, window.get(), [&] {
            for (QLabel *label : window->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly))
                noticeSeen = noticeSeen || (label->isVisible() && label->text().startsWith(QStringLiteral("Finishing")));
            waitCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            Convert();
        });
        QTest::mouseClick(dialog.StopButton(), Qt::LeftButton);
    });
    Convert();
    ASSERT_TRUE(stopped);
    EXPECT_TRUE(noticeSeen);
    EXPECT_TRUE(waitCursor);
    EXPECT_FALSE(QApplication::overrideCursor());
    for (QLabel *label : window->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_FALSE(label->isVisible() && label->text().startsWith(QStringLiteral("Finishing")));
    EXPECT_EQ(workersStarted.load(), 1);
    EXPECT_FALSE(window->IsConverting());
    EXPECT_EQ(desktop.dialogs.size(), 1);

    // Pressed again once the window answers: the next run starts and completes.
    Convert();
    EXPECT_EQ(workersStarted.load(), 2);
    EXPECT_EQ(workersMax.load(), 1);
    EXPECT_EQ(StatusText(0), QStringLiteral("Completed"));
    EXPECT_EQ(StatusText(1), QStringLiteral("Completed"));
}

TEST_F(RunTest, MergesTheCheckedRowsIntoOneFile)
{
    Add({Media("short_h264_aac_3s.mp4"), Media("video_only.mp4"), Media("mpeg4_mp3.avi"),
         CopyOf("short_h264_aac_3s.mp4", QStringLiteral("again.mp4"))});
    window->TaskList()->SetCheck(1, false);
    CountWorkers();
    DriveDialog();
    Merge();

    const AVConvert &job = *ConvertEngine();
    EXPECT_EQ(job.MergeTotalSeconds, 3 + 5 + 3);
    EXPECT_EQ(window->CheckedRows, (std::vector<int>{0, -1, 2, 3}));
    for (int row : {0, 2, 3}) {
        EXPECT_EQ(StatusText(row), QStringLiteral("Completed")) << row;
        EXPECT_FALSE(Checked(row)) << row;
    }
    EXPECT_EQ(StatusText(1), QStringLiteral(" Ready"));
    EXPECT_EQ(workersStarted.load(), 1);

    // One file, named after the first merged row, playing the three back to back.
    EXPECT_EQ(FilesIn(outDir), QStringList{QStringLiteral("short_h264_aac_3s.mp4")});
    const std::string merged = Encoded(outDir + QStringLiteral("/short_h264_aac_3s.mp4"));
    const auto report = test::Ffprobe(merged);
    EXPECT_NEAR(report.Number(report.format, "duration"), 11.0, 0.5);
    EXPECT_NE(report.Stream("video"), nullptr);
    EXPECT_NE(report.Stream("audio"), nullptr);
    EXPECT_EQ(test::DecodeErrors(merged), "");
    EXPECT_EQ(desktop.calls, (QStringList{QStringLiteral("inhibit sleep"), QStringLiteral("open ") + outDir,
                                          QStringLiteral("release sleep")}));
}

TEST_F(RunTest, AClipMarkedInTheClipDialogIsWhatConverts)
{
    Add({Media("counter_30fps.mp4")});
    window->TaskList()->SetRowSelected(0, true);
    // Driven as a user would: pause, drag to 2 s, Set Begin Time, drag to 5 s, Set End Time, OK.
    desktop.onDialog = [](QDialog &dialog) {
        auto &clip = static_cast<CClipDialog &>(dialog);
        clip.show();
        auto press = [&clip](int id) { static_cast<QAbstractButton *>(clip.controlById(id))->click(); };
        press(IDC_CLIP_PLAY);
        for (const auto &[position, button] : {std::pair{250, IDC_CLIP_SET_BEGIN}, {625, IDC_CLIP_SET_END}}) {
            clip.PositionSlider()->SetPos(position);
            emit clip.PositionSlider()->SliderMoving(IDC_CLIP_POSITION, position);
            press(button);
        }
        press(IDC_CLIP_OK);
        return clip.result();
    };
    window->ClipSelected();
    EXPECT_EQ(Cell(0, 1), QStringLiteral("00:00:02"));
    EXPECT_EQ(Cell(0, 2), QStringLiteral("00:00:05"));

    DriveDialog();
    Convert();
    ASSERT_EQ(StatusText(0), QStringLiteral("Completed"));
    const std::string output = Encoded(outDir + QStringLiteral("/counter_30fps.mp4"));
    const auto report = test::Ffprobe(output);
    EXPECT_NEAR(report.Number(report.format, "duration"), 3.0, 0.2);
    const auto luma = test::VideoLuma(output);
    ASSERT_FALSE(luma.empty());
    EXPECT_NEAR(luma.front().meanLuma, 180.0, 3.0); // frame 60 of the 30 fps counter
}

TEST_F(RunTest, TheEndOfARunIsNotifiedAndItsActionShowsTheNewFiles)
{
    const QString vanishing = CopyOf("short_h264_aac_3s.mp4", QStringLiteral("vanishing.mp4"));
    Add({Media("short_h264_aac_3s.mp4"), vanishing});
    QFile::remove(vanishing);
    DriveDialog();
    Convert();

    ASSERT_EQ(desktop.notifications.size(), 1);
    const auto &notice = desktop.notifications.first();
    EXPECT_EQ(notice.summary, QStringLiteral("1 completed, 1 failed"));
    EXPECT_EQ(notice.body, QStringLiteral("The files are in ") + outDir);
    // The task bar followed the run and is cleared at its end.
    ASSERT_FALSE(desktop.launcher.isEmpty());
    EXPECT_TRUE(desktop.launcher.first().visible);
    EXPECT_FALSE(desktop.launcher.last().visible);

    notice.onAction();
    ASSERT_EQ(desktop.shownItems.size(), 1);
    EXPECT_EQ(desktop.shownItems.first(), QList<QUrl>{QUrl::fromLocalFile(outDir + QStringLiteral("/short_h264_aac_3s.mp4"))});
    // Without a file manager that selects files, the folder opens.
    desktop.showItemsResult = false;
    desktop.openedUrls.clear();
    notice.onAction();
    EXPECT_EQ(desktop.openedUrls, QList<QUrl>{QUrl::fromLocalFile(outDir)});
}

// ---------------------------------------------------------------------------------------------
// Nothing waits on the window's thread

TEST_F(RunTest, TheWindowStaysLiveWhileAStoppedWorkerFinishes)
{
    Add({Media("h264_aac_stereo_12s.mp4")});
    std::atomic<bool> letGo{false};
    window->convertWorker = [&letGo](AVConvert &job) {
        ConvertWorker(job);
        for (int i = 0; i < 2000 && job.StopRequested.load() && !letGo.load(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    bool stopped = false;
    DriveDialog([&](CAVConvertDlg &dialog) {
        if (!stopped && ConvertEngine()->Progress.load() >= 5) {
            stopped = true;
            QTest::mouseClick(dialog.StopButton(), Qt::LeftButton);
        }
    });
    window->StartConversion();
    ASSERT_TRUE(stopped);
    // The command returned with the worker still at work, and the window goes on with its timers.
    EXPECT_TRUE(window->IsConverting());
    int ticks = 0;
    QTimer other;
    QObject::connect(&other, &QTimer::timeout, [&] { ++ticks; });
    other.start(10);
    QLabel *notice = nullptr;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        for (QLabel *label : window->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly))
            if (label->isVisible() && label->text().startsWith(QStringLiteral("Finishing")))
                notice = label;
        return notice != nullptr;
    }));
    EXPECT_GT(ticks, 0);
    ASSERT_TRUE(QApplication::overrideCursor());
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_EQ(desktop.calls, QStringList{QStringLiteral("inhibit sleep")});

    letGo = true;
    WaitForRunEnd();
    EXPECT_FALSE(notice->isVisible());
    EXPECT_FALSE(QApplication::overrideCursor());
    EXPECT_EQ(desktop.calls, (QStringList{QStringLiteral("inhibit sleep"), QStringLiteral("release sleep")}));
}

TEST_F(RunTest, ARunAskedForWhileFilesAreAddedStartsOnceTheyAreIn)
{
    Add({Media("short_h264_aac_3s.mp4")});
    CountWorkers();
    DriveDialog();
    desktop.fileReplies.push_back({Media("audio_only.wav"), Media("video_only.mp4")});
    window->AddFiles();
    ASSERT_TRUE(window->IsAddingFiles());
    window->StartConversion();
    EXPECT_EQ(workersStarted.load(), 0);
    WaitForRunEnd();
    EXPECT_EQ(workersStarted.load(), 1);
    // The rows added meanwhile took part in the run.
    ASSERT_EQ(Rows(), 3);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(StatusText(row), QStringLiteral("Completed")) << row;
}
