// Conversion and merge runs from the main window: filling the job from the checked rows,
// the worker thread, the progress dialog, polling on timer 1 and the end of a run.
#include "CTamselAVConverterDlg.h"

#include "AVConvert.h"
#include "CAVConvertDlg.h"
#include "CCheckListCtrl.h"
#include "CLabel.h"
#include "ConvertEngine.h"
#include "DesktopServices.h"
#include "JobSetup.h"
#include "OutputFolder.h"
#include "OutputSettings.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QTimerEvent>
#include <QUrl>

#include <algorithm>
#include <system_error>

namespace zentrova {

namespace {

constexpr int kPollTimer = 1;
constexpr int kPollIntervalMs = 300;
constexpr int kPreviewPositionTimer = 100;
constexpr int kPreviewFrameTimer = 200;
// A worker that ends within this time needs no notice.
constexpr int kBusyNoticeDelayMs = 150;

std::string ToEngine(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

QString FromEngine(const std::string &path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString FileNameOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

} // namespace

void CTamselAVConverterDlg::StartConversion()
{
    StartRun(RunKind::Convert);
}

void CTamselAVConverterDlg::StartMerge()
{
    StartRun(RunKind::Merge);
}

void CTamselAVConverterDlg::StartRun(RunKind kind)
{
    StopPreview();
    // Waiting below lets events through; a second press must not start a run inside the first.
    if (m_startingRun)
        return;
    m_startingRun = true;
    struct Reset {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{m_startingRun};

    // The job record is the worker's until it ends, and the probe's while files are added.
    WaitForWorker();
    WaitWhileAddingFiles();

    std::vector<TaskRow> rows;
    rows.reserve(static_cast<std::size_t>(m_taskList->GetItemCount()));
    for (int row = 0; row < m_taskList->GetItemCount(); ++row)
        rows.push_back({ToEngine(m_taskList->GetItemText(row, 0)), m_taskList->GetItemText(row, 1).toStdString(),
                        m_taskList->GetItemText(row, 2).toStdString(), m_taskList->GetCheck(row)});

    AVConvert &job = EnsureConvertEngine();
    const std::string settingsFile = ToEngine(FolderSettingsPath);
    const auto saveFolder = [&settingsFile](const std::string &folder) { SaveOutputFolder(settingsFile, folder); };
    const std::string profile = m_profile->currentText().toStdString();
    const std::string folder = ToEngine(m_folder->currentText());
    const JobSetup setup = kind == RunKind::Merge
        ? FillMergeJob(job, rows, profile, folder, ProcessOutputSettings(), saveFolder)
        : FillConvertJob(job, rows, profile, folder, ProcessOutputSettings(), saveFolder);
    if (!setup.checkedRows.empty())
        CheckedRows = setup.checkedRows;
    if (!setup.outputFolder.empty())
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
    m_workerDone.store(false, std::memory_order_relaxed);
    try {
        m_worker = std::thread([this, &job, entry] {
            entry(job);
            m_workerDone.store(true, std::memory_order_release);
        });
    } catch (const std::system_error &) {
        m_workerDone.store(true, std::memory_order_relaxed);
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

    // After Stop the worker still completes the file it writes; the next command waits for it here.
    WaitForWorker();
    m_sleepBlock.reset();
}

void CTamselAVConverterDlg::WaitWhileAddingFiles()
{
    while (IsAddingFiles()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(5);
    }
}

void CTamselAVConverterDlg::WaitForWorker()
{
    if (!m_worker.joinable())
        return;
    if (!m_workerDone.load(std::memory_order_acquire)) {
        QElapsedTimer clock;
        clock.start();
        bool noticeShown = false;
        while (!m_workerDone.load(std::memory_order_acquire)) {
            if (!noticeShown && clock.elapsed() >= kBusyNoticeDelayMs) {
                ShowBusyNotice(true);
                noticeShown = true;
            }
            // Paint and timers go on; clicks wait until the worker is gone.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            QThread::msleep(10);
        }
        if (noticeShown)
            ShowBusyNotice(false);
    }
    m_worker.join();
}

void CTamselAVConverterDlg::StopWorker()
{
    KillTimer(kPollTimer);
    if (!m_worker.joinable())
        return;
    if (AVConvert *job = ConvertEngine()) {
        job->StopRequested.store(true, std::memory_order_relaxed);
        job->DetachPreview();
    }
    m_worker.join();
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
    m_timers[id].start(milliseconds, this);
}

void CTamselAVConverterDlg::KillTimer(int id)
{
    if (auto it = m_timers.find(id); it != m_timers.end())
        it->second.stop();
}

bool CTamselAVConverterDlg::IsTimerActive(int id) const
{
    const auto it = m_timers.find(id);
    return it != m_timers.end() && it->second.isActive();
}

void CTamselAVConverterDlg::timerEvent(QTimerEvent *event)
{
    for (const auto &[id, timer] : m_timers) {
        if (timer.timerId() == event->timerId()) {
            OnTimer(id);
            return;
        }
    }
    QDialog::timerEvent(event);
}

void CTamselAVConverterDlg::OnTimer(int id)
{
    if (id == kPreviewPositionTimer || id == kPreviewFrameTimer) {
        if (previewTimer)
            previewTimer(id);
        return;
    }
    PollProgress();
}

// ---------------------------------------------------------------------------------------------
// Polling

void CTamselAVConverterDlg::PollProgress()
{
    AVConvert *job = ConvertEngine();
    if (!job)
        return;
    CAVConvertDlg &dialog = *m_convertDlg;
    const int rows = m_taskList->GetItemCount();
    // Acquire: the statuses of the rows before it are final.
    const int current = job->CurrentTask.load(std::memory_order_acquire);
    const int progress = job->Progress.load(std::memory_order_relaxed);

    const QString name = current >= 0 && current < rows ? FileNameOf(m_taskList->GetItemText(current, 0)) : QString();
    if (progress >= 0 && current < rows)
        dialog.CurrentFileLabel()->setText(name + QStringLiteral("   ") + QString::number(progress) +
                                           QStringLiteral("% has completed"));
    dialog.TotalLabel()->setText(QString::number(CompletedCount) + QStringLiteral(" Task Completed / Total ") +
                                 QString::number(job->CheckedTaskCount) + QStringLiteral(" Task(s)"));
    if (job->CheckedTaskCount > 0)
        dialog.TotalBar()->setValue(CompletedCount * 100 / job->CheckedTaskCount);
    if (progress >= 0 && progress <= 100)
        dialog.CurrentBar()->setValue(progress);
    const QString folder = m_folder->currentText();

    if (job->StopRequested.load(std::memory_order_relaxed)) {
        KillTimer(kPollTimer);
        if (dialog.isVisible())
            dialog.StopConverting();
    }

    int completed = 0;
    const int reported = std::min({current, rows, AVConvert::kStatusEntries});
    for (int i = 0; i < reported; ++i) {
        const std::uint8_t status = job->TaskStatus[static_cast<std::size_t>(i)].load(std::memory_order_relaxed);
        if (status == kTaskCompleted)
            ++completed;
        const int row = i < static_cast<int>(CheckedRows.size()) ? CheckedRows[static_cast<std::size_t>(i)] : -1;
        if (row < 0)
            continue;
        if (status == kTaskFailed) {
            m_taskList->SetItemText(row, 4, QStringLiteral("Failure"));
        } else if (status == kTaskCompleted) {
            m_taskList->SetItemText(row, 4, QStringLiteral("Completed"));
            m_taskList->SetCheck(row, false);
        }
    }
    CompletedCount = completed;

    if (current == rows && !m_runEnded)
        EndRun(*job, folder);
}

void CTamselAVConverterDlg::EndRun(AVConvert &job, const QString &folder)
{
    m_runEnded = true;
    KillTimer(kPollTimer);
    job.StopRequested.store(true, std::memory_order_relaxed);
    QThread::msleep(100);
    m_convertDlg->done(QDialog::Accepted);
    if (ShutDownWhenDone) {
        // No message may hold up the power-off the user asked for.
        Desktop().OpenUrl(QUrl::fromLocalFile(folder));
        ShutDownComputer();
    } else {
        OpenOutputFolder(folder);
    }
}

bool CTamselAVConverterDlg::ShutDownComputer()
{
    return Desktop().PowerOff();
}

} // namespace zentrova
