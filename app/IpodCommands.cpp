// iPods in the output folder list, and runs that end on one: converted into a temporary
// folder, then sent to the iPod off the window's thread while the progress dialog says so.
#include "app/CTamselAVConverterDlg.h"

#include "app/EnginePath.h"
#include "desktop/DesktopServices.h"
#include "dialogs/CAVConvertDlg.h"
#include "engine/AVConvert.h"
#include "engine/EngineStatus.h"
#include "ipod/IpodDatabase.h"
#include "ipod/IpodSender.h"
#include "profiles/ValueText.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFutureWatcher>
#include <QtConcurrent>

#include <filesystem>

namespace zentrova {

namespace {

constexpr int kIpodWatchIntervalMs = 2000;
const QString kIpodPrefix = QStringLiteral("iPod: ");

} // namespace

struct CTamselAVConverterDlg::IpodRun {
    IpodTarget target;
    std::string staging;
    QFutureWatcher<IpodSendResult> send;
    int fileCount = 0;

    ~IpodRun()
    {
        // Files are still being copied from the folder: the send ends (and rolls back if it must)
        // before the folder goes.
        send.waitForFinished();
        std::error_code ec;
        if (!staging.empty())
            std::filesystem::remove_all(staging, ec);
    }
};

void CTamselAVConverterDlg::IpodRunDeleter::operator()(IpodRun *run) const
{
    delete run;
}

void CTamselAVConverterDlg::RefreshIpods()
{
    if (!m_ipodWatch.isActive()) {
        connect(&m_ipodWatch, &QTimer::timeout, this, &CTamselAVConverterDlg::RefreshIpods, Qt::UniqueConnection);
        m_ipodWatch.start(kIpodWatchIntervalMs);
    }
    QFile table(FromEngine(MountTable));
    const QByteArray mounts = table.open(QIODevice::ReadOnly) ? table.readAll() : QByteArray();
    if (m_mountsRead && mounts == m_mountsSeen)
        return;
    m_mountsRead = true;
    m_mountsSeen = mounts;

    std::map<QString, IpodTarget> found;
    for (const IpodInfo &ipod : FindIpods(MountTable)) {
        const QString name = QString::fromStdString(ipod.name);
        QString text = kIpodPrefix + name;
        // Two iPods of one name are told apart by where they are.
        if (found.contains(text))
            text += QStringLiteral(" (") + FromEngine(ipod.mountPoint) + QLatin1Char(')');
        found[text] = {ipod.mountPoint, name};
    }
    // Unchanged entries leave the box alone, so nobody's typing is disturbed.
    if (found == m_ipods)
        return;
    const QString typed = m_folder->currentText();
    for (const auto &entry : m_ipods)
        if (const int at = m_folder->findText(entry.first, Qt::MatchExactly | Qt::MatchCaseSensitive); at >= 0)
            m_folder->removeItem(at);
    m_ipods = std::move(found);
    for (const auto &entry : m_ipods)
        m_folder->addItem(entry.first);
    m_folder->setEditText(typed);
}

bool CTamselAVConverterDlg::IsSendingToIpod() const
{
    return m_ipodRun && m_ipodRun->send.isRunning();
}

bool CTamselAVConverterDlg::PrepareIpodRun(std::string &folder)
{
    m_ipodRun.reset();
    m_convertDlg->SetIpodNote(QString());
    const auto chosen = m_ipods.find(m_folder->currentText());
    if (chosen == m_ipods.end())
        return true;
    const IpodTarget &target = chosen->second;
    // Read again: the iPod may have gone, or been replaced, since the list was made.
    std::string why;
    const std::optional<IpodInfo> ipod = ReadIpod(target.mountPoint, &why);
    if (!ipod) {
        ShowMessage(this, QStringLiteral("The iPod \"%1\" cannot be used: %2").arg(target.name, QString::fromStdString(why)));
        return false;
    }
    if (!ipod->refusal.empty()) {
        ShowMessage(this, QString::fromStdString(ipod->refusal));
        return false;
    }
    const std::string extension = ProfileExtension(m_profile->currentText().toStdString());
    if (!IpodPlaysFileType("x" + extension)) {
        ShowMessage(this, QStringLiteral("The iPod does not play %1 files. Please choose another profile (M4A for AAC "
                                         "sound).")
                              .arg(QString::fromStdString(extension)));
        return false;
    }
    std::string pattern = ToEngine(QDir::tempPath()) + "/zentrova-ipod-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        ShowMessage(this, QStringLiteral("There is no room for a temporary folder to convert the files for the iPod in."));
        return false;
    }
    m_ipodRun.reset(new IpodRun);
    m_ipodRun->target = target;
    m_ipodRun->staging = pattern;
    folder = pattern;
    m_convertDlg->SetIpodNote(QStringLiteral("At the end, to the iPod \"%1\"").arg(target.name));
    return true;
}

void CTamselAVConverterDlg::SendRunToIpod(const AVConvert &job)
{
    std::vector<IpodItem> items;
    const int rows = std::min(static_cast<int>(job.OutputPaths.size()), AVConvert::kStatusEntries);
    for (int i = 0; i < rows; ++i) {
        const auto row = static_cast<std::size_t>(i);
        if (job.TaskStatus[row].load(std::memory_order_relaxed) != kTaskCompleted)
            continue;
        // A merge names its one file on every row it took in.
        const std::string &file = job.OutputPaths[row];
        if (std::none_of(items.begin(), items.end(), [&](const IpodItem &item) { return item.file == file; }))
            items.push_back({file, row < job.SourcePaths.size() ? job.SourcePaths[row] : file});
    }
    IpodRun &run = *m_ipodRun;
    run.fileCount = static_cast<int>(items.size());
    m_convertDlg->SetIpodNote(QStringLiteral("Sending %1 file(s) to \"%2\"...").arg(run.fileCount).arg(run.target.name));
    connect(&run.send, &QFutureWatcher<IpodSendResult>::finished, this, &CTamselAVConverterDlg::OnIpodSent,
            Qt::UniqueConnection);
    const std::string mountPoint = run.target.mountPoint;
    run.send.setFuture(QtConcurrent::run([mountPoint, items = std::move(items)] {
        return items.empty() ? IpodSendResult{} : SendToIpod(mountPoint, items);
    }));
}

void CTamselAVConverterDlg::OnIpodSent()
{
    if (!m_ipodRun)
        return;
    const IpodSendResult result = m_ipodRun->send.result();
    const QString name = m_ipodRun->target.name;
    const int count = m_ipodRun->fileCount;
    // The record stays until the next run: this runs inside its watcher's signal. Its files go now.
    std::error_code ec;
    std::filesystem::remove_all(m_ipodRun->staging, ec);
    m_ipodRun->staging.clear();
    // Stop may have closed the dialog while the files were being sent.
    if (m_convertDlg->isVisible())
        m_convertDlg->done(QDialog::Accepted);
    Desktop().SetLauncherProgress(0, 0, false);
    QString text;
    if (!result.ok())
        text = QStringLiteral("Nothing was sent to the iPod \"%1\": %2").arg(name, QString::fromStdString(result.error));
    else if (count == 0)
        text = QStringLiteral("No file was completed, so nothing was sent to the iPod \"%1\".").arg(name);
    else
        text = QStringLiteral("%1 file(s) were sent to the iPod \"%2\".").arg(count).arg(name);
    // No message may hold up the power-off the user asked for.
    if (ShutDownWhenDone)
        ShutDownComputer();
    else
        ShowMessage(this, text);
}

} // namespace zentrova
