#include "dialogs/PlayerPicture.h"

#include "controls/CControlButton.h"
#include "dialogs/player/PlayerModule.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPointer>

#include <atomic>

namespace zentrova {

namespace {

// The owner and its handler are touched on the user-interface thread only; the player's thread
// reads nothing but the hand-over count, which tells a stale notice from a current one.
QPointer<QObject> g_owner;
std::function<void()> g_onEnd;
std::atomic<unsigned> g_handOvers{0};

void PlayerEnded()
{
    const unsigned handOver = g_handOvers.load(std::memory_order_relaxed);
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(
        app,
        [handOver] {
            if (handOver != g_handOvers.load(std::memory_order_relaxed) || !g_owner || !g_onEnd)
                return;
            // A copy: the handler may hand the player over and so replace itself.
            const std::function<void()> onEnd = g_onEnd;
            onEnd();
        },
        Qt::QueuedConnection);
}

void IgnoreSecondCallback(std::int32_t)
{
}

} // namespace

void StartPlayerTimers(WindowTimers &timers, QObject *owner)
{
    timers.Start(kPlayerPositionTimer, kPlayerPositionInterval, owner);
    timers.Start(kPlayerFrameTimer, kPlayerFrameInterval, owner);
}

void ShowPlayLook(CControlButton &play, bool pauseLook)
{
    const int look = pauseLook ? 310 : 302;
    play.SetBitmaps(look, look, look, look);
    play.setToolTip(pauseLook ? QStringLiteral("Pause") : QStringLiteral("Play"));
}

void TakeOverPlayer(QObject *owner, std::function<void()> onEnd)
{
    g_owner = owner;
    g_onEnd = std::move(onEnd);
    g_handOvers.fetch_add(1, std::memory_order_relaxed);
    PlayerModule_Initialize(&PlayerEnded, &IgnoreSecondCallback, L"PlayerOwner");
}

void ReleasePlayer(const QObject *owner)
{
    if (g_owner != owner)
        return;
    g_owner = nullptr;
    g_onEnd = nullptr;
    g_handOvers.fetch_add(1, std::memory_order_relaxed);
    PlayerModule_Initialize(nullptr, nullptr, nullptr);
}

PlayerPicture::PlayerPicture(QWidget *parent)
    : QFrame(parent)
{
}

bool PlayerPicture::OpenInPlayer(const QString &path)
{
    PlayerModule_SetFileName(QFile::encodeName(path).constData());
    if (PlayerModule_Open() == -1)
        return false;
    PlayerModule_GetMideaType(&m_hasVideo, &m_hasAudio);
    m_frame.clear();
    m_frame.shrink_to_fit();
    m_width = m_height = 0;
    if (m_hasVideo) {
        PlayerModule_GetFrameSize(&m_width, &m_height);
        if (m_width > 0 && m_height > 0)
            m_frame.assign(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height) * 3, 0);
        else
            m_hasVideo = 0;
    }
    return true;
}

void PlayerPicture::ReleaseFrameBuffer()
{
    m_hasVideo = m_hasAudio = 0;
    m_width = m_height = 0;
    m_frame.clear();
    m_frame.shrink_to_fit();
    Erase();
}

void PlayerPicture::FetchFrame()
{
    if (!m_hasVideo || m_frame.empty())
        return;
    if (PlayerModule_GetFrame(m_frame.data(), m_width, m_height) != 0)
        return;
    m_showing = true;
    update();
}

void PlayerPicture::Erase()
{
    m_showing = false;
    update();
}

void PlayerPicture::paintEvent(QPaintEvent *event)
{
    if (!m_showing || m_frame.empty()) {
        QFrame::paintEvent(event);
        return;
    }
    // The player's frame size already has the source's display shape: fitting it whole into
    // the area, with black beside it, keeps circles round whatever the area's proportions.
    QSize fitted = QSize(m_width, m_height).scaled(size(), Qt::KeepAspectRatio);
    QRect target(QPoint(0, 0), fitted);
    target.moveCenter(rect().center());
    QPainter painter(this);
    if (target != rect())
        painter.fillRect(rect(), Qt::black);
    // The buffer is laid over as it is; the bottom-up rows are turned by the painter, not copied.
    const QImage picture(m_frame.data(), m_width, m_height, m_width * 3, QImage::Format_BGR888);
    painter.translate(0, height());
    painter.scale(1, -1);
    painter.drawImage(QRect(target.x(), height() - target.bottom() - 1, target.width(), target.height()), picture);
}

} // namespace zentrova
