// The process's one player behind the C functions: the open file, the volume and the end notifier.
#include "dialogs/player/PlayerModule.h"

#include "dialogs/player/EndNotifier.h"
#include "dialogs/player/PlaybackSession.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

namespace zentrova::player {
namespace {

constexpr int kFullVolume = 65535;

class Player {
public:
    ~Player()
    {
        std::lock_guard lock(m_);
        session_.reset();
    }

    int Initialize(PlayerModuleEndCallback onEnd)
    {
        notifier_.SetCallback(onEnd);
        return 0;
    }

    int SetFileName(const char *path)
    {
        if (!path)
            return -1;
        std::lock_guard lock(m_);
        path_ = path;
        return 0;
    }

    int Open()
    {
        std::lock_guard lock(m_);
        session_.reset();
        if (path_.empty())
            return -1;
        session_ = PlaybackSession::Open(path_, notifier_, volume_);
        return session_ ? 0 : -1;
    }

    int MediaType(std::int32_t *hasVideo, std::int32_t *hasAudio)
    {
        if (!hasVideo || !hasAudio)
            return -1;
        std::lock_guard lock(m_);
        *hasVideo = session_ && session_->HasVideo() ? 1 : 0;
        *hasAudio = session_ && session_->HasAudio() ? 1 : 0;
        return 0;
    }

    int FrameSize(std::int32_t *width, std::int32_t *height)
    {
        if (!width || !height)
            return -1;
        std::lock_guard lock(m_);
        const PictureSize size = session_ ? session_->FrameSize() : PictureSize{};
        *width = size.width;
        *height = size.height;
        return 0;
    }

    int Frame(std::uint8_t *buffer, std::int32_t width, std::int32_t height)
    {
        if (!buffer || width <= 0 || height <= 0)
            return -1;
        std::lock_guard lock(m_);
        if (!session_ || !session_->HasVideo())
            return -1;
        session_->Frame(buffer, width, height);
        return 0;
    }

    template <typename Action> int WithSession(Action action)
    {
        std::lock_guard lock(m_);
        if (session_)
            action(*session_);
        return 0;
    }

    int Close()
    {
        std::lock_guard lock(m_);
        session_.reset();
        return 0;
    }

    int Position(float *fraction)
    {
        if (!fraction)
            return -1;
        std::lock_guard lock(m_);
        *fraction = session_ ? session_->Position() : 0.0f;
        return 0;
    }

    int Duration(double *seconds)
    {
        if (!seconds)
            return -1;
        std::lock_guard lock(m_);
        *seconds = session_ ? session_->Duration() : 0.0;
        return 0;
    }

    int SetVolume(std::int32_t volume)
    {
        volume_ = std::clamp(volume, 0, kFullVolume);
        return 0;
    }

    int Volume(std::int32_t *volume)
    {
        if (!volume)
            return -1;
        *volume = volume_.load();
        return 0;
    }

private:
    // The notifier outlives every session, which posts to it.
    EndNotifier notifier_;
    std::atomic<int> volume_{kFullVolume};
    std::mutex m_;
    std::string path_;
    std::unique_ptr<PlaybackSession> session_;
};

// Destroyed at exit, which stops the playback threads and the notifier.
Player &ThePlayer()
{
    static Player player;
    return player;
}

} // namespace
} // namespace zentrova::player

using zentrova::player::PlaybackSession;
using zentrova::player::ThePlayer;

extern "C" {

int PlayerModule_Initialize(PlayerModuleEndCallback onEnd, PlayerModuleSecondCallback, const wchar_t *)
{
    return ThePlayer().Initialize(onEnd);
}

int PlayerModule_SetFileName(const char *path)
{
    return ThePlayer().SetFileName(path);
}

int PlayerModule_Open(void)
{
    return ThePlayer().Open();
}

int PlayerModule_GetMideaType(std::int32_t *hasVideo, std::int32_t *hasAudio)
{
    return ThePlayer().MediaType(hasVideo, hasAudio);
}

int PlayerModule_GetFrameSize(std::int32_t *width, std::int32_t *height)
{
    return ThePlayer().FrameSize(width, height);
}

int PlayerModule_GetFrame(std::uint8_t *buffer, std::int32_t width, std::int32_t height)
{
    return ThePlayer().Frame(buffer, width, height);
}

int PlayerModule_Start(void)
{
    return ThePlayer().WithSession([](PlaybackSession &s) { s.Start(); });
}

int PlayerModule_Pause(void)
{
    return ThePlayer().WithSession([](PlaybackSession &s) { s.Pause(); });
}

int PlayerModule_Stop(void)
{
    return ThePlayer().WithSession([](PlaybackSession &s) { s.Stop(); });
}

int PlayerModule_Close(void)
{
    return ThePlayer().Close();
}

int PlayerModule_GetPos(float *fraction)
{
    return ThePlayer().Position(fraction);
}

int PlayerModule_SetPos(float fraction)
{
    return ThePlayer().WithSession([fraction](PlaybackSession &s) { s.Seek(fraction); });
}

int PlayerModule_GetDuration(double *seconds)
{
    return ThePlayer().Duration(seconds);
}

int PlayerModule_SetVolume(std::int32_t volume)
{
    return ThePlayer().SetVolume(volume);
}

int PlayerModule_GetVolume(std::int32_t *volume)
{
    return ThePlayer().Volume(volume);
}

} // extern "C"
