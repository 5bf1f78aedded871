// Conversion and merge runs from the main window: filling the job from the checked rows,
// the worker thread, the progress dialog, polling on timer 1 and the end of a run.
#include "app/CTamselAVConverterDlg.h"

#include "app/ConvertEngine.h"
#include "app/EnginePath.h"
#include "controls/CCheckListCtrl.h"
#include "controls/CLabel.h"
#include "desktop/DesktopServices.h"
#include "dialogs/CAVConvertDlg.h"
#include "dialogs/PlayerPicture.h"
#include "engine/AVConvert.h"
#include "profiles/JobSetup.h"
#include "profiles/OutputFolder.h"
#include "profiles/OutputSettings.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QTableWidgetItem>
#include <QTimerEvent>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace zentrova {

namespace {

constexpr int kPollTimer = 1;
constexpr int kPollIntervalMs = 300;
// A worker that ends within this time needs no notice.
constexpr int kBusyNoticeDelayMs = 150;
// How often a waiting run looks at the worker and at the files being added.
constexpr int kRunWaitIntervalMs = 20;

} // namespace

void CTamselAVConverterDlg::StartConversion()
{
    StartRun(RunKind::Convert);
}

void CTamselAVConverterDlg::StartMerge()
{
    StartRun(RunKind::Merge);
}

RunController &CTamselAVConverterDlg::Run()
{
    if (!m_run)
        m_run = std::make_unique<RunController>(EnsureConvertEngine());
    return *m_run;
}

void CTamselAVConverterDlg::StartRun(RunKind kind)
{
    StopPreview();
    // The dialog's loop lets events through; a second press must not start a run inside the first.
    if (m_startingRun)
        return;
    // A worker that has returned only waits for the next tick to be joined.
    if (IsConverting() && m_run->WorkerDone()) {
        if (!m_pendingRun)
            m_runWait.stop();
        FinishRun();
    }
    // A stopped worker still finishing its file holds the job record; the notice says so.
    if (IsConverting() || IsSendingToIpod())
        return;
    // The rows are read once every added file has been probed; the run starts from the wait.
    if (IsAddingFiles()) {
        m_pendingRun = kind;
        m_runWait.start(kRunWaitIntervalMs);
        return;
    }
    m_startingRun = true;
    struct Reset {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{m_startingRun};

    std::vector<TaskRow> rows;
    rows.reserve(static_cast<std::size_t>(m_taskList->GetItemCount()));
    for (int row = 0; row < m_taskList->GetItemCount(); ++row)
        rows.push_back({ToEngine(m_taskList->GetItemText(row, 0)), m_taskList->GetItemText(row, 1).toStdString(),
                        m_taskList->GetItemText(row, 2).toStdString(), m_taskList->GetCheck(row)});

    RunController &run = Run();
    AVConvert &job = run.Job();
    const std::string settingsFile = ToEngine(FolderSettingsPath);
    std::string folder = ToEngine(m_folder->currentText());
    if (!PrepareIpodRun(folder))
        return;
    // A temporary folder for an iPod is never the folder to start with next time.
    const auto saveFolder = [this, &settingsFile](const std::string &f) {
        if (!m_ipodRun)
            SaveOutputFolder(settingsFile, f);
    };
    const std::string profile = m_profile->currentText().toStdString();
    const JobSetup setup = kind == RunKind::Merge
        ? FillMergeJob(job, rows, profile, folder, ProcessOutputSettings(), saveFolder)
        : FillConvertJob(job, rows, profile, folder, ProcessOutputSettings(), saveFolder);
    if (!setup.checkedRows.empty())
        CheckedRows = setup.checkedRows;
    if (!setup.outputFolder.empty() && !m_ipodRun)
        OutputFolder = FromEngine(setup.outputFolder);
    if (setup.outcome != JobSetupOutcome::Ready) {
        const std::string_view message = JobSetupMessage(setup.outcome);
        if (!message.empty())
            ShowMessage(this, QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
        return;
    }
    const WorkerEntry entry = kind == RunKind::Merge ? mergeWorker : convertWorker;
    if (!entry)
        return;

    CompletedCount = 0;
    m_runEnded = false;
    m_sleepBlock = Desktop().InhibitSleep(QStringLiteral("Converting video files"));
    if (!run.Start(kind, entry)) {
        m_sleepBlock.reset();
        ShowMessage(this, QStringLiteral("The conversion could not be started: the system has no thread left for it."));
        return;
    }
    SetTimer(kPollTimer, kPollIntervalMs);
    if (!m_convertDlg->isVisible()) {
        if (m_convertDlg->parentWidget() != this)
            m_convertDlg->setParent(this, m_convertDlg->windowFlags());
        m_convertDlg->SetJob(&job);
        m_convertDlg->OnInitDialog();
        Desktop().ExecDialog(*m_convertDlg);
    }

    // After Stop the worker still completes the file it writes; the window follows it on a timer.
    if (run.WorkerDone()) {
        FinishRun();
        return;
    }
    m_finishClock.start();
    m_runWait.start(kRunWaitIntervalMs);
}

void CTamselAVConverterDlg::OnRunWaitTick()
{
    if (IsConverting()) {
        if (!m_run->WorkerDone()) {
            if (!m_noticeShown && m_finishClock.isValid() && m_finishClock.elapsed() >= kBusyNoticeDelayMs) {
                ShowBusyNotice(true);
                m_noticeShown = true;
            }
            return;
        }
        FinishRun();
    }
    if (m_pendingRun && IsAddingFiles())
        return;
    m_runWait.stop();
    if (const std::optional<RunKind> pending = std::exchange(m_pendingRun, std::nullopt))
        StartRun(*pending);
}

void CTamselAVConverterDlg::FinishRun()
{
    if (m_run)
        m_run->Join();
    m_finishClock.invalidate();
    if (m_noticeShown) {
        ShowBusyNotice(false);
        m_noticeShown = false;
    }
    m_sleepBlock.reset();
    Desktop().SetLauncherProgress(0, 0, false);
}

void CTamselAVConverterDlg::StopWorker()
{
    KillTimer(kPollTimer);
    m_runWait.stop();
    m_pendingRun.reset();
    if (!IsConverting())
        return;
    // The window is going: its record goes with the process, so the worker is joined here.
    m_run->RequestStop();
    m_run->Job().Preview.Withdraw();
    m_run->Join();
    if (m_noticeShown) {
        ShowBusyNotice(false);
        m_noticeShown = false;
    }
    m_sleepBlock.reset();
}

void CTamselAVConverterDlg::ShowBusyNotice(bool on)
{
    if (!m_busyNotice) {
        m_busyNotice = new QLabel(QStringLiteral("Finishing the file that was being converted, please wait..."), this);
        m_busyNotice->setAlignment(Qt::AlignCenter);
        m_busyNotice->setStyleSheet(QStringLiteral(
            "background: #1e3640; color: #ffffff; border: 1px solid #28a460; border-radius: 8px; padding: 10px 18px;"));
        m_busyNotice->adjustSize();
    }
    if (on) {
        const QRect list = m_taskList->geometry();
        m_busyNotice->move(list.center() - m_busyNotice->rect().center());
        m_busyNotice->raise();
        m_busyNotice->show();
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        m_busyNotice->hide();
        QApplication::restoreOverrideCursor();
    }
}

// ---------------------------------------------------------------------------------------------
// Timers

void CTamselAVConverterDlg::SetTimer(int id, int milliseconds)
{
    m_timers.Start(id, milliseconds, this);
}

void CTamselAVConverterDlg::KillTimer(int id)
{
    m_timers.Kill(id);
}

bool CTamselAVConverterDlg::IsTimerActive(int id) const
{
    return m_timers.IsActive(id);
}

void CTamselAVConverterDlg::timerEvent(QTimerEvent *event)
{
    if (const int id = m_timers.IdOf(event)) {
        OnTimer(id);
        return;
    }
    QDialog::timerEvent(event);
}

void CTamselAVConverterDlg::OnTimer(int id)
{
    if (id == kPlayerPositionTimer || id == kPlayerFrameTimer) {
        OnPreviewTimer(id);
        return;
    }
    PollProgress();
}

// ---------------------------------------------------------------------------------------------
// Polling

void CTamselAVConverterDlg::PollProgress()
{
    if (!ConvertEngine())
        return;
    const RunSnapshot run = Run().Snapshot();
    CAVConvertDlg &dialog = *m_convertDlg;
    const int rows = m_taskList->GetItemCount();
    const int current = run.currentTask;
    const int progress = run.percent;

    const QString name = current >= 0 && current < rows ? FileNameOf(m_taskList->GetItemText(current, 0)) : QString();
    if (progress >= 0 && current < rows)
        dialog.CurrentFileLabel()->setText(name + QStringLiteral("   ") + QString::number(progress) +
                                           QStringLiteral("% has completed"));
    dialog.TotalLabel()->setText(QString::number(CompletedCount) + QStringLiteral(" Task Completed / Total ") +
                                 QString::number(run.checkedTaskCount) + QStringLiteral(" Task(s)"));
    if (run.checkedTaskCount > 0)
        dialog.TotalBar()->setValue(CompletedCount * 100 / run.checkedTaskCount);
    if (progress >= 0 && progress <= 100)
        dialog.CurrentBar()->setValue(progress);
    dialog.SetTimeLeft(run.runSecondsLeft);
    const QString folder = m_folder->currentText();

    if (run.stopRequested) {
        KillTimer(kPollTimer);
        if (dialog.isVisible())
            dialog.StopConverting();
    }

    const int reported = std::min(static_cast<int>(run.rows.size()), rows);
    for (int i = 0; i < reported; ++i) {
        const auto index = static_cast<std::size_t>(i);
        const RowOutcome &outcome = run.rows[index];
        const int row = i < static_cast<int>(CheckedRows.size()) ? CheckedRows[index] : -1;
        if (row < 0)
            continue;
        if (outcome.status == kTaskFailed) {
            m_taskList->SetItemText(row, 4, QStringLiteral("Failure"));
            // Failed rows keep their tick, also one a merge had completed before its file was lost,
            // so the next Convert or Merge takes it again.
            m_taskList->SetCheck(row, true);
            if (QTableWidgetItem *cell = m_taskList->item(row, 4))
                cell->setToolTip(QString::fromStdString(outcome.reason));
        } else if (outcome.status == kTaskCompleted) {
            m_taskList->SetItemText(row, 4, QStringLiteral("Completed"));
            if (QTableWidgetItem *cell = m_taskList->item(row, 4))
                cell->setToolTip(QString());
            m_taskList->SetCheck(row, false);
        }
    }
    CompletedCount = run.completedCount;

    // The dock or task bar shows the same: the share of the run done and the tasks still to go.
    if (run.checkedTaskCount > 0 && !m_runEnded) {
        const double share = (run.completedCount + std::clamp(progress, 0, 100) / 100.0) / run.checkedTaskCount;
        Desktop().SetLauncherProgress(std::min(share, 1.0), run.checkedTaskCount - reported, true);
    }

    if (current == rows && !m_runEnded)
        EndRun(folder);
}

void CTamselAVConverterDlg::EndRun(const QString &folder)
{
    m_runEnded = true;
    KillTimer(kPollTimer);
    // Every row is done; the worker only lets go of the preview and returns.
    Run().RequestStop();
    if (m_ipodRun) {
        SendRunToIpod(Run().Job());
        return;
    }
    m_endRunFolder = folder;
    m_convertDlg->done(QDialog::Accepted);
}

void CTamselAVConverterDlg::FinishEndRun()
{
    if (!m_endRunFolder)
        return;
    const QString folder = *std::exchange(m_endRunFolder, std::nullopt);
    Desktop().SetLauncherProgress(0, 0, false);
    NotifyRunEnded(Run().Job(), folder);
    if (ShutDownWhenDone) {
        // No message may hold up the power-off the user asked for.
        Desktop().OpenUrl(QUrl::fromLocalFile(folder));
        ShutDownComputer();
    } else {
        OpenOutputFolder(folder);
    }
}

void CTamselAVConverterDlg::NotifyRunEnded(const AVConvert &job, const QString &folder)
{
    int completed = 0;
    int failed = 0;
    QList<QUrl> files;
    const int rows = std::min({static_cast<int>(job.OutputPaths.size()), m_taskList->GetItemCount(),
                               AVConvert::kStatusEntries});
    for (int i = 0; i < rows; ++i) {
        const std::uint8_t status = job.TaskStatus[static_cast<std::size_t>(i)].load(std::memory_order_relaxed);
        if (status == kTaskFailed)
            ++failed;
        if (status != kTaskCompleted)
            continue;
        ++completed;
        // A merge names its one file on every row it took in.
        const QString path = FromEngine(job.OutputPaths[static_cast<std::size_t>(i)]);
        const QUrl url = QUrl::fromLocalFile(path);
        if (QFileInfo(path).isFile() && !files.contains(url))
            files.append(url);
    }
    QString counts = QStringLiteral("%1 completed").arg(completed);
    if (failed > 0)
        counts += QStringLiteral(", %1 failed").arg(failed);
    Desktop().Notify(counts, QStringLiteral("The files are in %1").arg(folder), QStringLiteral("Show in folder"),
                     [files, folder] {
                         if (!Desktop().ShowItems(files))
                             Desktop().OpenUrl(QUrl::fromLocalFile(folder));
                     });
}

bool CTamselAVConverterDlg::ShutDownComputer()
{
    return Desktop().PowerOff();
}

} // namespace zentrova
