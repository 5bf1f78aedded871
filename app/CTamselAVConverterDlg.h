// The main window: a captionless skinned window holding the task list, the Profile and output
// folder boxes, the preview panel and the command buttons.
#pragma once

#include "controls/WindowTimers.h"
#include "engine/ProbeMedia.h"
#include "engine/RunController.h"
#include "profiles/MediaInfoFormat.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QMenu;
class QProgressBar;

namespace zentrova {

class AVConvert;
class CAVConvertDlg;
class CBitmapSlider;
class CClipDialog;
class CCheckListCtrl;
class CControlButton;
class PlayerPicture;
class SleepInhibition;
class WindowDrag;

class CTamselAVConverterDlg : public QDialog {
    Q_OBJECT
public:
    // `programFolder` is where the folder settings, the default output folder and the help page
    // live; empty means the folder of the running program.
    explicit CTamselAVConverterDlg(const QString &programFolder = QString(), QWidget *parent = nullptr);
    ~CTamselAVConverterDlg() override;

    // Everything that needs the controls in place, in start-up order. Call once before showing.
    bool OnInitDialog();

    // Controls by the identifiers of the window's layout.
    QWidget *controlById(int id) const;
    CControlButton *Button(int id) const;
    CCheckListCtrl *TaskList() const { return m_taskList; }
    QComboBox *ProfileCombo() const { return m_profile; }
    QComboBox *FolderBox() const { return m_folder; }
    CBitmapSlider *PositionSlider() const { return m_position; }
    CBitmapSlider *VolumeSlider() const { return m_volume; }
    QProgressBar *AddProgress() const { return m_addProgress; }
    QString ProgramFolder() const { return m_programFolder; }

    // Task list commands.
    void AddFiles();
    void DropFiles(const QStringList &paths);
    // Files named on the program's command line: added in order, as the Add command adds them.
    void OpenFiles(const QStringList &paths);
    void RemoveSelected();
    void OnRemoveButton();
    void ClearAll();
    void ClipSelected();
    void ShowFileInformation();
    // Probes the selected row on this thread and keeps its texts (the preview tool's way; the
    // window itself probes off this thread).
    bool LoadMediaInfo();
    // A row click: the row's file is probed off the window's thread; its information and the
    // buttons follow when the probe returns.
    void OnListClick();
    // True from a row's probe request (click, File Information, end of adding) until its
    // result has been applied.
    bool IsLoadingRowInfo() const { return !m_rowInfoPath.isEmpty(); }
    void OnListRightClick(const QPoint &globalPos);
    // The list's context menu as it would pop up now; also applies the menu's button rules.
    std::unique_ptr<QMenu> PrepareTaskMenu();
    void RunTaskMenuCommand(int id);
    // True while added or dropped files wait to be probed.
    bool IsAddingFiles() const { return !m_batches.empty(); }

    // Profile box.
    void OnProfileChanged();

    // Runs: Convert and Merge start one, the poller follows it on timer 1 and ends it.
    void StartConversion();
    void StartMerge();
    void PollProgress();
    // Powers the machine off; the result is not looked at.
    bool ShutDownComputer();
    CAVConvertDlg *ConvertDialog() const { return m_convertDlg; }
    // True from a run's start until its worker thread has been joined.
    bool IsConverting() const { return m_run && m_run->HasWorker(); }
    // A run was asked for while files were being added; it starts once they are in.
    bool IsRunPending() const { return m_pendingRun.has_value(); }

    // The window's timers by the program's identifiers: 1 polls a run, 100 and 200 belong to
    // the preview panel.
    void SetTimer(int id, int milliseconds);
    void KillTimer(int id);
    bool IsTimerActive(int id) const;

    // The preview panel: plays the last selected row's source in the picture area.
    void OnPlay();
    void StopPreview();
    PlayerPicture *PreviewPicture() const { return m_picture; }
    CClipDialog *ClipDialog() const { return m_clipDlg; }
    QString PlayButtonMode = QStringLiteral("PLAY");
    bool ReopenNeeded = true;
    int PositionTimer = 0;
    int FrameTimer = 0;
    int PreviewVolume = 65535;
    // Set once the player has opened a file for the panel; stays set for the rest of the process.
    static bool PreviewOpened;

    // Output folder and the auxiliary commands.
    void Browse();
    void FindTarget();
    void OpenHelp();
    void OnSetting();
    void ShowAbout();
    void OnClose();
    // The menu of the window's title area (the window has no caption of its own).
    std::unique_ptr<QMenu> BuildSystemMenu();

    // Mounted iPods join the output folder list as "iPod: NAME", found in this mount table
    // (tests name another); the list follows it while the window is open.
    std::string MountTable = "/proc/self/mounts";
    void RefreshIpods();
    // True while the end of a run sends its files to an iPod.
    bool IsSendingToIpod() const;

    int ClipTaskIndex = 0;
    QString OutputFolder;
    QString FolderSettingsPath;

    // State of the run: entry i is i when row i was checked at its start, -1 otherwise; the
    // tasks shown as completed; the progress dialog's shut-down box.
    std::vector<int> CheckedRows;
    int CompletedCount = 0;
    bool ShutDownWhenDone = false;

    // The thread bodies of the two kinds of run; tests may wrap them.
    using WorkerEntry = std::function<void(AVConvert &)>;
    WorkerEntry convertWorker;
    WorkerEntry mergeWorker;

signals:
    // The preview panel's Stop ran (whoever asked for it).
    void PreviewStopped();

    // A batch of added or dropped files has been probed and the list's buttons follow it.
    void FilesProcessed();

public slots:
    // Enter and Escape do nothing: the window ends only through its Close button.
    void accept() override;
    void reject() override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    struct Batch {
        bool dropped = false;
        QStringList paths;
        int next = 0;
        int refused = 0;
    };
    void CreateControls();
    void SkinButtons();
    void SetUpSliders();
    void SetUpTaskList();
    void FitSourceColumn();
    void ChooseOutputFolder();
    void InitialisePreview();

    void EnableCommand(int id, bool enable);
    bool IsCommandEnabled(int id) const;
    void EnablePreviewButtons();
    void ApplyAfterAddingRule();

    bool OpenSelected();
    void StartPreviewTimers();
    void OnPlayerEnd();
    void OnPreviewTimer(int id);
    void OnSliderMoving(int controlId, int position);
    void OnSliderMoved(int controlId, int position);
    void ApplyVolume(int sliderPosition);
    void SetPlayLook(bool pauseLook);

    void QueueBatch(Batch batch);
    void ProcessNextFile();
    // Starts probing the batch's next file on a worker thread; false when the file is not
    // probed (the list is full), and the step ends at once.
    bool StartProbe(Batch &batch, const QString &rawPath);
    void OnProbeDone();
    void InsertProbed(Batch &batch, const QString &path, const MediaProbe &probe);
    // After a file: ends the batch when it was its last, and schedules the next file.
    void EndProbeStep();
    void FinishBatch(const Batch &batch);
    void UpdateAddProgress();

    void AddFolderItem(const QString &folder);
    // Shows `folder` in the file manager, or tells where it is when none can.
    void OpenOutputFolder(const QString &folder);

    void StartRun(RunKind kind);
    // A run into an "iPod: NAME" entry converts into a temporary folder: `folder` becomes it.
    // False, with a message shown, when the iPod cannot take the files.
    bool PrepareIpodRun(std::string &folder);
    // The end of such a run: its completed files go to the iPod while the progress dialog
    // says so; the dialog closes when they are there or the send failed.
    void SendRunToIpod(const AVConvert &job);
    void OnIpodSent();
    // The controller of the runs over the process's job record.
    RunController &Run();
    void OnTimer(int id);
    // The last row is done: closes the progress dialog; the rest of the run's end follows once
    // it has closed (FinishEndRun).
    void EndRun(const QString &folder);
    void FinishEndRun();
    // The run's counts in a desktop notification whose action shows the new files.
    void NotifyRunEnded(const AVConvert &job, const QString &folder);
    // Runs on m_runWait while a run waits for files being added, or a worker that was asked to
    // stop finishes its file (the window says so after a moment); the window stays live.
    void OnRunWaitTick();
    // The worker has returned: joins it and gives the machine its sleep back.
    void FinishRun();
    // The window is going: the worker stops after its file and is joined.
    void StopWorker();
    void ShowBusyNotice(bool on);

    QString m_programFolder;
    QPixmap m_background;
    CCheckListCtrl *m_taskList = nullptr;
    QComboBox *m_profile = nullptr;
    QComboBox *m_folder = nullptr;
    CBitmapSlider *m_position = nullptr;
    CBitmapSlider *m_volume = nullptr;
    PlayerPicture *m_picture = nullptr;
    CClipDialog *m_clipDlg = nullptr;
    int m_lastSeek = -1;
    QProgressBar *m_addProgress = nullptr;

    std::deque<Batch> m_batches;
    QTimer m_probeTimer;
    QElapsedTimer m_batchClock;
    bool m_inProbeStep = false;
    // One file at a time is probed, so rows arrive in the order they were given.
    QFutureWatcher<MediaProbe> m_probe;
    QString m_probePath;
    // The clicked row's probe: the latest click wins.
    QFutureWatcher<std::optional<MediaInfoTexts>> m_rowInfo;
    QString m_rowInfoPath;
    // What the row's probe result is for; requests for the same file add up.
    enum RowInfoUse : unsigned { kInfoOnly = 0, kInfoButtons = 1, kInfoDialog = 2 };
    unsigned m_rowInfoUse = kInfoOnly;
    void LoadRowInfo(unsigned use);
    void OnRowInfoDone();

    CAVConvertDlg *m_convertDlg = nullptr;
    WindowTimers m_timers;
    std::unique_ptr<RunController> m_run;
    QTimer m_runWait;
    QElapsedTimer m_finishClock;
    std::optional<RunKind> m_pendingRun;
    bool m_noticeShown = false;
    std::unique_ptr<SleepInhibition> m_sleepBlock;
    QLabel *m_busyNotice = nullptr;
    bool m_startingRun = false;
    bool m_runEnded = false;
    // Set by EndRun until the progress dialog has closed; the folder the run wrote to.
    std::optional<QString> m_endRunFolder;

    struct IpodTarget {
        std::string mountPoint;
        QString name;
        bool operator==(const IpodTarget &) const = default;
    };
    // The list's iPod entries by their text.
    std::map<QString, IpodTarget> m_ipods;
    QByteArray m_mountsSeen;
    bool m_mountsRead = false;
    QTimer m_ipodWatch;
    struct IpodRun;
    struct IpodRunDeleter {
        void operator()(IpodRun *run) const;
    };
    std::unique_ptr<IpodRun, IpodRunDeleter> m_ipodRun;

    bool m_closing = false;
    std::unique_ptr<WindowDrag> m_drag;
};

} // namespace zentrova
