// The task list's commands: adding and dropping files (probed one per event-loop turn, so the
// window keeps painting through long batches), removing, clearing, clicking, the context menu,
// the clip and file-information commands and the profile box's rewrite of the rows.
#include "app/CTamselAVConverterDlg.h"

#include "app/ConvertEngine.h"
#include "app/EnginePath.h"
#include "app/FileFilters.h"
#include "app/MainWindowIds.h"
#include "controls/CCheckListCtrl.h"
#include "controls/CControlButton.h"
#include "desktop/DesktopServices.h"
#include "dialogs/CClipDialog.h"
#include "dialogs/CFileInfomation.h"
#include "dialogs/MediaInfoText.h"
#include "engine/AVConvert.h"
#include "profiles/ClipTime.h"
#include "profiles/MediaInfoFormat.h"
#include "profiles/OutputSettings.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

#include <optional>
#include <utility>

namespace zentrova {

namespace {

// Batches shorter than this finish before a progress bar would be worth showing.
constexpr int kProgressDelayMs = 250;

// A path from the desktop with doubled separators collapsed, as the shell once handed them over.
QString NormalisePath(QString path)
{
    if (path.size() > 1 && path.indexOf(QLatin1Char('/'), 1) > 0)
        path.replace(QStringLiteral("//"), QStringLiteral("/"));
    return path;
}

// A dropped folder stands for the media files directly inside it, in name order; what is not
// media there is passed over without a word, as the user asked for the folder, not for each file.
QStringList ExpandDroppedFolders(const QStringList &paths)
{
    QStringList files;
    for (const QString &path : paths) {
        if (!QFileInfo(path).isDir()) {
            files.append(path);
            continue;
        }
        const QFileInfoList entries = QDir(path).entryInfoList(MediaFilePatterns(), QDir::Files | QDir::Readable,
                                                               QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo &entry : entries)
            files.append(entry.filePath());
    }
    return files;
}

int Seconds(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Adding and dropping

void CTamselAVConverterDlg::AddFiles()
{
    const QStringList chosen = Desktop().GetOpenFileNames(this, QString(), FileDialogFilters());
    Batch batch;
    if (SelectionLength(chosen) > kMaxSelectionChars) {
        // The selection does not fit the dialog's hand-over: nothing is added.
        ShowMessage(this, QStringLiteral("Too many files were selected at once. Please add them in smaller groups."));
    } else {
        batch.paths = chosen;
    }
    QueueBatch(std::move(batch));
}

void CTamselAVConverterDlg::OpenFiles(const QStringList &paths)
{
    Batch batch;
    for (const QString &path : paths)
        batch.paths.append(QFileInfo(path).absoluteFilePath());
    QueueBatch(std::move(batch));
}

void CTamselAVConverterDlg::DropFiles(const QStringList &paths)
{
    Batch batch;
    batch.dropped = true;
    batch.paths = ExpandDroppedFolders(paths);
    QueueBatch(std::move(batch));
}

void CTamselAVConverterDlg::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CTamselAVConverterDlg::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CTamselAVConverterDlg::dropEvent(QDropEvent *event)
{
    QStringList paths;
    const QList<QUrl> urls = event->mimeData()->urls();
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    DropFiles(paths);
}

void CTamselAVConverterDlg::QueueBatch(Batch batch)
{
    if (m_batches.empty())
        m_batchClock.start();
    m_batches.push_back(std::move(batch));
    m_probeTimer.start(0);
}

void CTamselAVConverterDlg::ProcessNextFile()
{
    if (m_batches.empty() || m_inProbeStep || m_probe.isRunning())
        return;
    // Another dialog of the program is up (a message box, a conversion run): nothing should
    // change behind that dialog's back, nor while a stopped run's worker finishes its file.
    if (QWidget *modal = QApplication::activeModalWidget(); (modal && modal != this) || IsConverting()) {
        m_probeTimer.start(50);
        return;
    }
    Batch &batch = m_batches.front();
    if (batch.next < batch.paths.size()) {
        const QString path = batch.paths.at(batch.next++);
        if (StartProbe(batch, path))
            return;
    }
    m_inProbeStep = true;
    EndProbeStep();
}

bool CTamselAVConverterDlg::StartProbe(Batch &batch, const QString &rawPath)
{
    CCheckListCtrl *list = m_taskList;
    if (list->GetItemCount() >= AVConvert::kMaxTasks) {
        // A run holds 9999 tasks at most: refuse the rest of this batch in one message.
        batch.refused = static_cast<int>(batch.paths.size()) - (batch.next - 1);
        batch.next = static_cast<int>(batch.paths.size());
        ShowMessage(this, QStringLiteral("The task list is full: it holds at most %1 files. "
                                         "%2 file(s) were not added.")
                              .arg(AVConvert::kMaxTasks)
                              .arg(batch.refused));
        return false;
    }
    // The job record is made with the first file, as the run commands expect.
    EnsureConvertEngine();
    m_probePath = NormalisePath(rawPath);
    // A slow or network file must not hold up the window: the probe runs on a worker and comes
    // back as a value.
    m_probe.setFuture(QtConcurrent::run([path = ToEngine(m_probePath)] { return ProbeMedia(path); }));
    return true;
}

void CTamselAVConverterDlg::OnProbeDone()
{
    if (m_batches.empty())
        return;
    // A message below runs its own loop: no further file starts until this one is in.
    m_inProbeStep = true;
    InsertProbed(m_batches.front(), m_probePath, m_probe.result());
    EndProbeStep();
}

void CTamselAVConverterDlg::EndProbeStep()
{
    Batch &batch = m_batches.front();
    if (batch.next >= batch.paths.size()) {
        const Batch done = std::move(batch);
        m_batches.pop_front();
        FinishBatch(done);
        if (!m_batches.empty())
            m_batchClock.start();
        emit FilesProcessed();
    }
    UpdateAddProgress();
    m_inProbeStep = false;
    if (!m_batches.empty())
        m_probeTimer.start(0);
}

void CTamselAVConverterDlg::InsertProbed(Batch &batch, const QString &path, const MediaProbe &probe)
{
    CCheckListCtrl *list = m_taskList;
    if (!probe.Usable()) {
        ShowMessage(this, QStringLiteral("File:") + FileNameOf(path) + QStringLiteral(" is invalid!"));
        return;
    }

    list->SetRowSelected(0, false);
    const int row = list->InsertItem(batch.dropped ? 0 : list->GetItemCount(), path);
    list->SetItemText(row, 1, QString::fromStdString(FormatClipTime(Seconds(probe.startSeconds))));
    list->SetItemText(row, 2, QString::fromStdString(FormatClipTime(Seconds(probe.durationSeconds))));
    if (!batch.dropped)
        list->SetItemText(row, 3, m_profile->currentText());
    list->SetItemText(row, 4, QStringLiteral(" Ready"));
    list->SetItemText(row, 5, QString::number(probe.duration / 1000000));
    if (!batch.dropped) {
        list->SetCheck(row, true);
        EnablePreviewButtons();
    }
}

void CTamselAVConverterDlg::FinishBatch(const Batch &batch)
{
    if (batch.dropped && m_taskList->GetItemCount() > 0) {
        m_taskList->SelectAndFocus(0);
        m_taskList->setFocus();
    }
    LoadRowInfo(kInfoOnly);
    ApplyAfterAddingRule();
}

void CTamselAVConverterDlg::UpdateAddProgress()
{
    if (m_batches.empty()) {
        m_addProgress->hide();
        return;
    }
    const Batch &batch = m_batches.front();
    const int total = static_cast<int>(batch.paths.size());
    if (total < 2 || m_batchClock.elapsed() < kProgressDelayMs)
        return;
    m_addProgress->setRange(0, total);
    m_addProgress->setValue(batch.next);
    if (!m_addProgress->isVisible()) {
        m_addProgress->raise();
        m_addProgress->show();
    }
}

void CTamselAVConverterDlg::ApplyAfterAddingRule()
{
    const int rows = m_taskList->GetItemCount();
    if (rows == 0) {
        m_taskList->hide();
        for (int id : {IDC_CLEAR, IDC_CONVERT, IDC_SETTING, IDC_MERGE, IDC_FILEINFO})
            EnableCommand(id, false);
        return;
    }
    m_taskList->show();
    for (int id : {IDC_CLEAR, IDC_CONVERT, IDC_CLIP, IDC_REMOVE, IDC_FILEINFO, IDC_SETTING})
        EnableCommand(id, true);
    EnableCommand(IDC_MERGE, rows >= 2);
}

// ---------------------------------------------------------------------------------------------
// Media information

bool CTamselAVConverterDlg::LoadMediaInfo()
{
    const int row = m_taskList->FirstSelected();
    if (row < 0)
        return false;
    const QString path = m_taskList->GetItemText(row, 0);
    const std::string file = ToEngine(path);
    const MediaProbe probe = ProbeMedia(file);
    if (probe.result < 0)
        return false;
    MediaInfoText() = MediaInfoFromProbe(probe, file, m_taskList->GetItemText(row, 2).toStdString());
    return true;
}

void CTamselAVConverterDlg::ShowFileInformation()
{
    // Adding enables the button and leaves no row selected: say what is missing, as Clip does,
    // rather than do nothing.
    if (m_taskList->FirstSelected() < 0) {
        ShowMessage(this, QStringLiteral("Please select the video file to show its information!"));
        return;
    }
    LoadRowInfo(kInfoDialog);
}

// ---------------------------------------------------------------------------------------------
// Removing and clearing

void CTamselAVConverterDlg::RemoveSelected()
{
    CCheckListCtrl *list = m_taskList;
    const int row = list->FirstSelected();
    if (row < 0)
        return;
    list->DeleteItem(row);
    const int rows = list->GetItemCount();
    if (rows == 0) {
        list->hide();
        for (int id : {IDC_CLIP, IDC_CONVERT, IDC_SETTING, IDC_CLEAR, IDC_REMOVE, IDC_MERGE, IDC_FILEINFO})
            EnableCommand(id, false);
        return;
    }
    if (rows == 1)
        EnableCommand(IDC_MERGE, false);
    list->SelectAndFocus(row < rows ? row : rows - 1);
    list->setFocus();
}

void CTamselAVConverterDlg::OnRemoveButton()
{
    if (m_taskList->FirstSelected() < 0) {
        ShowMessage(this, QStringLiteral("Please select the video files to remove!"));
        return;
    }
    RemoveSelected();
    StopPreview();
}

void CTamselAVConverterDlg::ClearAll()
{
    m_taskList->DeleteAllItems();
    m_taskList->hide();
    for (int id : {IDC_CLEAR, IDC_CLIP, IDC_REMOVE, IDC_CONVERT, IDC_SETTING, IDC_MERGE, IDC_FILEINFO})
        EnableCommand(id, false);
    StopPreview();
}

// ---------------------------------------------------------------------------------------------
// Clicks, the context menu and clipping

void CTamselAVConverterDlg::OnListClick()
{
    StopPreview();
    const int row = m_taskList->FirstSelected();
    if (row < 0) {
        for (int id : {IDC_CLIP, IDC_REMOVE, IDC_MERGE, IDC_FILEINFO})
            EnableCommand(id, false);
        return;
    }
    LoadRowInfo(kInfoButtons);
}

void CTamselAVConverterDlg::LoadRowInfo(unsigned use)
{
    const int row = m_taskList->FirstSelected();
    if (row < 0)
        return;
    const QString path = m_taskList->GetItemText(row, 0);
    m_rowInfoUse = path == m_rowInfoPath ? (m_rowInfoUse | use) : use;
    m_rowInfoPath = path;
    m_rowInfo.setFuture(QtConcurrent::run(
        [file = ToEngine(path), length = m_taskList->GetItemText(row, 2).toStdString()]()
            -> std::optional<MediaInfoTexts> {
            const MediaProbe probe = ProbeMedia(file);
            if (probe.result < 0)
                return std::nullopt;
            return MediaInfoFromProbe(probe, file, length);
        }));
}

void CTamselAVConverterDlg::OnRowInfoDone()
{
    if (!m_rowInfo.isFinished())
        return;
    const QString path = std::exchange(m_rowInfoPath, QString());
    // Only the latest click's probe reports here; a row that has gone or lost the selection
    // since then takes nothing from it.
    const int row = m_taskList->FirstSelected();
    if (path.isEmpty() || row < 0 || m_taskList->GetItemText(row, 0) != path)
        return;
    const std::optional<MediaInfoTexts> info = m_rowInfo.result();
    const unsigned use = std::exchange(m_rowInfoUse, kInfoOnly);
    if (!info) {
        // Only a click says so; File Information and the end of adding stay silent.
        if (use & kInfoButtons)
            ShowMessage(this, QStringLiteral("File:") + path + QStringLiteral(" invalid!"));
        return;
    }
    MediaInfoText() = *info;
    if (use & kInfoDialog) {
        CFileInfomation dialog(MediaInfoText(), this);
        Desktop().ExecDialog(dialog);
    }
    if (!(use & kInfoButtons))
        return;
    for (int id : {IDC_CLIP, IDC_REMOVE, IDC_CONVERT, IDC_FILEINFO})
        EnableCommand(id, true);
    // Merge follows a click on any row but the last; on the last it keeps its state.
    if (row != m_taskList->GetItemCount() - 1)
        EnableCommand(IDC_MERGE, true);
}

std::unique_ptr<QMenu> CTamselAVConverterDlg::PrepareTaskMenu()
{
    const bool selected = m_taskList->FirstSelected() >= 0;
    if (selected) {
        for (int id : {IDC_CONVERT, IDC_FILEINFO, IDC_CLIP, IDC_REMOVE})
            EnableCommand(id, true);
    } else {
        for (int id : {IDC_FILEINFO, IDC_CLIP, IDC_REMOVE})
            EnableCommand(id, false);
    }

    auto menu = std::make_unique<QMenu>(this);
    auto add = [&](const QString &text, int id, bool enabled) {
        QAction *action = menu->addAction(text);
        action->setData(id);
        action->setEnabled(enabled);
    };
    add(QStringLiteral("Add Files.."), ID_MENU_ADDFILES, true);
    menu->addSeparator();
    add(QStringLiteral("Remove"), ID_MENU_REMOVE, selected);
    add(QStringLiteral("Clear All"), ID_MENU_CLEARALL, true);
    menu->addSeparator();
    add(QStringLiteral("Clip..."), ID_MENU_CLIP, selected);
    menu->addSeparator();
    add(QStringLiteral("File Information..."), ID_MENU_FILEINFO, selected);
    return menu;
}

void CTamselAVConverterDlg::OnListRightClick(const QPoint &globalPos)
{
    std::unique_ptr<QMenu> menu = PrepareTaskMenu();
    const QAction *chosen = menu->exec(globalPos);
    if (chosen)
        RunTaskMenuCommand(chosen->data().toInt());
}

void CTamselAVConverterDlg::RunTaskMenuCommand(int id)
{
    switch (id) {
    case ID_MENU_ADDFILES: AddFiles(); break;
    case ID_MENU_REMOVE: RemoveSelected(); break;
    case ID_MENU_CLEARALL: ClearAll(); break;
    case ID_MENU_CLIP: ClipSelected(); break;
    case ID_MENU_FILEINFO: ShowFileInformation(); break;
    default: break;
    }
}

void CTamselAVConverterDlg::ClipSelected()
{
    // Every row selected now gets its dialog in turn, whatever the dialogs do to the selection.
    const QList<int> rows = m_taskList->SelectedRows();
    if (rows.isEmpty()) {
        ShowMessage(this, QStringLiteral("Please select the video files to cut!"));
        return;
    }
    for (int row : rows) {
        ClipTaskIndex = row;
        m_taskList->setFocus();
        StopPreview();
        m_clipDlg->ClipTaskIndex = row;
        m_clipDlg->OnInitDialog();
        Desktop().ExecDialog(*m_clipDlg);
    }
}

// ---------------------------------------------------------------------------------------------
// Profile box

void CTamselAVConverterDlg::OnProfileChanged()
{
    ApplyProfileSelection(ProcessOutputSettings(), m_profile->currentIndex());
    const QString text = m_profile->currentText();
    for (int row = 0; row < m_taskList->GetItemCount(); ++row)
        m_taskList->SetItemText(row, 3, text);
}

} // namespace zentrova
