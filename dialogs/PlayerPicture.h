// The picture area of a window that plays a source with the player library, and the hand-over
// of the one player between the windows that use it in turn.
#pragma once

#include "controls/WindowTimers.h"

#include <QFrame>

#include <cstdint>
#include <functional>
#include <vector>

class QObject;

namespace zentrova {

class CControlButton;

// The player windows' timers: the playing position every 100 ms, the picture every 67 ms.
inline constexpr int kPlayerPositionTimer = 100;
inline constexpr int kPlayerFrameTimer = 200;
inline constexpr int kPlayerPositionInterval = 100;
inline constexpr int kPlayerFrameInterval = 67;

// Starts, or restarts, a player window's position and picture timers on `owner`.
void StartPlayerTimers(WindowTimers &timers, QObject *owner);

// The Play button of a player window: its Play look (302) or its Pause look (310), with the
// tooltip that names what a press does.
void ShowPlayLook(CControlButton &play, bool pauseLook);

// Makes `owner` the player's owner: when playback reaches the end of the file, `onEnd` runs on
// the user-interface thread, posted by the player's own thread and never waited for, so the
// owner's Stop cannot deadlock with it. A notice that arrives after a later hand-over, or after
// the owner is gone, is dropped.
void TakeOverPlayer(QObject *owner, std::function<void()> onEnd);
// Forgets `owner` if it still holds the player (a window going away).
void ReleasePlayer(const QObject *owner);

class PlayerPicture : public QFrame {
    Q_OBJECT
public:
    explicit PlayerPicture(QWidget *parent = nullptr);

    // Names `path` to the player and opens it. On success reads whether the file has a picture
    // and sizes the frame buffer for it; returns false when the player refused the file.
    bool OpenInPlayer(const QString &path);
    // Forgets the opened file's facts and releases the frame buffer.
    void ReleaseFrameBuffer();
    bool HasVideo() const { return m_hasVideo != 0; }
    QSize FrameSize() const { return {m_width, m_height}; }

    // Fetches the picture due now and draws it over the whole area.
    void FetchFrame();
    // Drops the last picture so the background shows again.
    void Erase();
    // Whether a picture is drawn now (tests look at what a user would see).
    bool ShowsPicture() const { return m_showing; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::int32_t m_hasVideo = 0;
    std::int32_t m_hasAudio = 0;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    // BGR, rows of exactly m_width * 3 bytes, bottom row first: the player's layout.
    std::vector<std::uint8_t> m_frame;
    bool m_showing = false;
};

} // namespace zentrova
