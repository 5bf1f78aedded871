// The modal progress dialog of a conversion or merge run: the live picture of the frames being
// converted, the current file and the totals with their bars, Stop, and the two check boxes.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

class QCheckBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace zentrova {

class AVConvert;
class CLabel;

enum ProgressDialogControl : int {
    IDC_CONVERT_STOP = 1000,
    IDC_CURRENT_BAR = 1011,
    IDC_TOTAL_BAR = 1012,
    IDC_CURRENT_TEXT = 1018,
    IDC_TOTAL_TEXT = 1019,
    IDC_TIME_LEFT = 1020,
    IDC_PREVIEW_AREA = 1108,
    IDC_SHOW_PREVIEW = 1120,
    IDC_SHUT_DOWN = 1147,
};

class CAVConvertDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAVConvertDlg(QWidget *parent = nullptr);
    ~CAVConvertDlg() override;

    // The job record whose preview the dialog attaches and hides; set before every run.
    void SetJob(AVConvert *job) { m_job = job; }

    // Everything a fresh dialog needs before it is shown, once per run: the preview window is
    // published, "Show preview" is ticked, the shut-down box is cleared.
    bool OnInitDialog();

    // Stop and the window's close button: asks the owner to stop the run and its polling, and
    // closes the dialog with OK.
    void StopConverting();

    // The run's time left in seconds, negative while unknown.
    void SetTimeLeft(double seconds);

    // A line under the current file's bar saying where the files go (an iPod); empty hides it.
    void SetIpodNote(const QString &text);
    QLabel *IpodNote() const { return m_ipodNote; }

    QWidget *controlById(int id) const;
    CLabel *CurrentFileLabel() const { return m_currentText; }
    CLabel *TotalLabel() const { return m_totalText; }
    QLabel *TimeLeftLabel() const { return m_timeLeft; }
    QProgressBar *CurrentBar() const { return m_currentBar; }
    QProgressBar *TotalBar() const { return m_totalBar; }
    QCheckBox *ShowPreviewBox() const { return m_showPreview; }
    QCheckBox *ShutDownBox() const { return m_shutDown; }
    QPushButton *StopButton() const { return m_stop; }
    // The native window inside the preview area that the worker draws into.
    QWidget *PreviewWindow() const { return m_previewWindow; }

    // Ends the modal loop once the worker has let go of the preview window: the dialog stays up
    // (on a timer, never blocking) until then, or until a deadline passes.
    void done(int result) override;
    // done() was called and the dialog waits for the worker to let go of the preview window.
    bool IsClosing() const { return m_pendingResult >= 0; }

public slots:
    // Escape does nothing: only Stop and the close button end a run early.
    void reject() override;

signals:
    // The "Shut down computer when conversion completed" box as the owner must remember it.
    void ShutDownWhenDoneChanged(bool on);
    // The user asked the run to stop.
    void StopRun();
    // The owner's progress polling must stop now.
    void StopPolling();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void OnShowPreviewClicked(bool checked);
    // True once no worker draws into the preview window any more.
    bool ReleasePreview();
    void OnReleaseWaitTick();

    AVConvert *m_job = nullptr;
    QGroupBox *m_previewArea = nullptr;
    QWidget *m_previewWindow = nullptr;
    CLabel *m_currentText = nullptr;
    CLabel *m_totalText = nullptr;
    QLabel *m_timeLeft = nullptr;
    QLabel *m_ipodNote = nullptr;
    QProgressBar *m_currentBar = nullptr;
    QProgressBar *m_totalBar = nullptr;
    QCheckBox *m_showPreview = nullptr;
    QCheckBox *m_shutDown = nullptr;
    QPushButton *m_stop = nullptr;
    QTimer m_releaseWait;
    QElapsedTimer m_releaseClock;
    int m_pendingResult = -1;
};

} // namespace zentrova
