// The preview panel: plays the last selected row's source in the main window's picture area,
// with Play/Pause, Stop, a position slider that seeks and a volume slider.
#include "app/CTamselAVConverterDlg.h"

#include "app/MainWindowIds.h"
#include "controls/CBitmapSlider.h"
#include "controls/CCheckListCtrl.h"
#include "controls/CControlButton.h"
#include "dialogs/player/PlayerModule.h"
#include "dialogs/PlayerPicture.h"

#include <algorithm>

namespace zentrova {

namespace {

// The volume slider runs to 100000; everything above the player's full scale is full volume.
constexpr int kFullVolume = 65535;

} // namespace

bool CTamselAVConverterDlg::PreviewOpened = false;

void CTamselAVConverterDlg::InitialisePreview()
{
    TakeOverPlayer(this, [this] { OnPlayerEnd(); });
    m_picture->ReleaseFrameBuffer();
    m_position->SetRange(0, 1000);
    m_position->SetPos(0);
    m_position->update();
    // The player plays at what the volume slider shows, not at a full scale the slider does not.
    ApplyVolume(m_volume->GetPos());
    ReopenNeeded = true;
    PlayButtonMode = QStringLiteral("PLAY");
}

void CTamselAVConverterDlg::SetPlayLook(bool pauseLook)
{
    ShowPlayLook(*Button(IDC_PLAY), pauseLook);
}

void CTamselAVConverterDlg::StartPreviewTimers()
{
    StartPlayerTimers(m_timers, this);
    PositionTimer = kPlayerPositionTimer;
    FrameTimer = kPlayerFrameTimer;
}

bool CTamselAVConverterDlg::OpenSelected()
{
    QList<int> rows = m_taskList->SelectedRows();
    // Rows just added are left unselected, and Play would then do nothing at all: it plays the
    // top row, selected so that the list shows what plays.
    if (rows.isEmpty() && m_taskList->GetItemCount() > 0) {
        m_taskList->SetRowSelected(0, true);
        rows = m_taskList->SelectedRows();
    }
    if (rows.isEmpty() || ClipTaskIndex < 0)
        return false;
    const int row = *std::max_element(rows.begin(), rows.end());
    StopPreview();
    const QString path = m_taskList->GetItemText(row, 0);
    StartPreviewTimers();
    if (!m_picture->OpenInPlayer(path))
        return false;
    PreviewOpened = true;
    return true;
}

void CTamselAVConverterDlg::OnPlay()
{
    if (PlayButtonMode == QLatin1String("PLAY")) {
        // A file the player refused plays nothing, even when an earlier one was opened.
        if (ReopenNeeded && !OpenSelected())
            return;
        if (!PreviewOpened)
            return;
        StartPreviewTimers();
        PlayerModule_Start();
        m_position->setEnabled(true);
        PlayButtonMode = QStringLiteral("PAUSE");
        SetPlayLook(true);
        return;
    }
    ReopenNeeded = false;
    if (!PreviewOpened)
        return;
    StartPreviewTimers();
    PlayerModule_Pause();
    PlayButtonMode = QStringLiteral("PLAY");
    SetPlayLook(false);
}

void CTamselAVConverterDlg::StopPreview()
{
    emit PreviewStopped();
    ReopenNeeded = true;
    if (!PreviewOpened)
        return;
    KillTimer(kPlayerPositionTimer);
    KillTimer(kPlayerFrameTimer);
    PositionTimer = FrameTimer = 0;
    PlayerModule_Stop();
    PlayerModule_Close();

    m_position->setEnabled(false);
    PlayButtonMode = QStringLiteral("PLAY");
    EnableCommand(IDC_PLAY, true);
    SetPlayLook(false);
    m_position->SetPos(0);
    m_position->update();
    m_lastSeek = -1;
    m_picture->Erase();
    if (m_taskList->FirstSelected() < 0) {
        EnableCommand(IDC_PLAY, false);
        EnableCommand(IDC_STOP, false);
    }
}

void CTamselAVConverterDlg::OnPlayerEnd()
{
    StopPreview();
}

void CTamselAVConverterDlg::OnPreviewTimer(int id)
{
    if (id == kPlayerPositionTimer) {
        float fraction = 0;
        PlayerModule_GetPos(&fraction);
        const int position = static_cast<int>(fraction * 1000.0f);
        if (position != m_position->GetPos()) {
            m_position->SetPos(position);
            m_position->update();
        }
    } else if (id == kPlayerFrameTimer && m_picture->HasVideo()) {
        m_picture->FetchFrame();
    }
}

void CTamselAVConverterDlg::OnSliderMoving(int controlId, int position)
{
    if (controlId == IDC_POSITION) {
        if (!PreviewOpened)
            return;
        m_lastSeek = position;
        PlayerModule_Pause();
        PlayerModule_SetPos(static_cast<float>(position) / 1000.0f);
        PlayerModule_Start();
    } else if (controlId == IDC_VOLUME) {
        ApplyVolume(position);
    }
}

void CTamselAVConverterDlg::OnSliderMoved(int controlId, int position)
{
    // The end of a drag repeats its last position, which is already playing; a key press
    // moves the slider without a drag and acts like one.
    const bool afterDrag = position == m_lastSeek;
    m_lastSeek = -1;
    if (!afterDrag)
        OnSliderMoving(controlId, position);
}

void CTamselAVConverterDlg::ApplyVolume(int sliderPosition)
{
    PreviewVolume = std::clamp(sliderPosition, 0, kFullVolume);
    PlayerModule_SetVolume(PreviewVolume);
    std::int32_t volume = 0;
    PlayerModule_GetVolume(&volume);
}

} // namespace zentrova
