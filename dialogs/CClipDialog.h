// The clip dialog: plays one task's source and lets the user mark the part to convert while
// watching; OK writes the begin and end times into the task's row.
#pragma once

#include "controls/WindowTimers.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

namespace zentrova {

class CBitmapSlider;
class CCheckListCtrl;
class CControlButton;
class PlayerPicture;

enum ClipDialogControl : int {
    IDC_CLIP_SET_BEGIN = 3,
    IDC_CLIP_SET_END = 4,
    IDC_CLIP_PLAY = 1000,
    IDC_CLIP_STOP = 1001,
    IDC_CLIP_OK = 1004,
    IDC_CLIP_CANCEL = 1005,
    IDC_CLIP_BEGIN_TEXT = 1023,
    IDC_CLIP_END_TEXT = 1024,
    IDC_CLIP_CUT_TEXT = 1025,
    IDC_CLIP_RESET = 1109,
    IDC_CLIP_POSITION = 1142,
    IDC_CLIP_PICTURE = 1144,
};

class CClipDialog : public QDialog {
    Q_OBJECT
public:
    // `tasks` is the task list whose rows it edits; `handBack` gives the player back to the
    // preview panel whenever the dialog ends.
    CClipDialog(CCheckListCtrl &tasks, std::function<void()> handBack, QWidget *parent = nullptr);
    ~CClipDialog() override;

    // Prepares one opening for row `ClipTaskIndex`; run before every exec.
    bool OnInitDialog();

    void OnPlay();
    void OnStop();
    void OnSetBeginTime();
    void OnSetEndTime();
    void OnReset();
    void OnOK();

    QWidget *controlById(int id) const;
    QString Text(int id) const;
    CBitmapSlider *PositionSlider() const { return m_slider; }
    PlayerPicture *Picture() const { return m_picture; }

    int ClipTaskIndex = 0;
    QString PlayButtonMode = QStringLiteral("PLAY");
    bool ReopenNeeded = true;
    int PositionTimer = 0;
    int FrameTimer = 0;
    int ClipPosition = 0;
    // Set once the dialog has opened a file; stays set for the rest of the process.
    static bool ClipPlayerOpened;

    // Every way out (OK, Cancel, Escape, the close box) stops and closes the player and hands it
    // back before the dialog ends.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    void CreateControls();
    void OpenFile();
    void StartTimers();
    void SetPlayLook(bool pauseLook);
    void OnSliderMoving(int controlId, int position);
    void SetText(int id, int seconds);
    int Duration() const;

    CCheckListCtrl &m_tasks;
    std::function<void()> m_handBack;
    PlayerPicture *m_picture = nullptr;
    CBitmapSlider *m_slider = nullptr;
    CControlButton *m_play = nullptr;
    CControlButton *m_stop = nullptr;
    WindowTimers m_timers;
    bool m_looksGiven = false;
    bool m_showPending = false;
    bool m_open = false;
};

} // namespace zentrova
