// Wall-clock extrapolation between anchors, held while paused or waiting for data.
#include "dialogs/player/PlaybackClock.h"

#include <cmath>

namespace zentrova::player {

namespace {
// Sound devices hand out buffers in bursts; smaller differences are callback jitter, and
// following them would make the position step back and forth.
constexpr double kAnchorTolerance = 0.015;

double Seconds(PlaybackClock::TimePoint from, PlaybackClock::TimePoint to)
{
    return std::chrono::duration<double>(to - from).count();
}
} // namespace

double PlaybackClock::NowLocked(TimePoint now) const
{
    return running_ ? pts_ + Seconds(at_, now) : pts_;
}

double PlaybackClock::Now() const
{
    std::lock_guard lock(m_);
    return NowLocked(std::chrono::steady_clock::now());
}

void PlaybackClock::SetAudioDriven(bool audioDriven)
{
    std::lock_guard lock(m_);
    audioDriven_ = audioDriven;
}

int PlaybackClock::Serial() const
{
    std::lock_guard lock(m_);
    return serial_;
}

void PlaybackClock::SetRunning(bool running, TimePoint now)
{
    if (running == running_)
        return;
    pts_ = NowLocked(now);
    at_ = now;
    running_ = running;
}

void PlaybackClock::Reset(double pts, int serial)
{
    std::lock_guard lock(m_);
    running_ = false;
    pts_ = pts;
    serial_ = serial;
    primed_ = false;
}

void PlaybackClock::Prime(int serial)
{
    std::lock_guard lock(m_);
    if (serial != serial_ || primed_)
        return;
    primed_ = true;
    SetRunning(playing_, std::chrono::steady_clock::now());
}

void PlaybackClock::SetPlaying(bool playing)
{
    std::lock_guard lock(m_);
    playing_ = playing;
    SetRunning(playing_ && primed_, std::chrono::steady_clock::now());
}

void PlaybackClock::Anchor(double pts, TimePoint at, int serial)
{
    std::lock_guard lock(m_);
    if (!audioDriven_ || !running_ || serial != serial_)
        return;
    if (std::abs(NowLocked(at) - pts) <= kAnchorTolerance)
        return;
    pts_ = pts;
    at_ = at;
}

} // namespace zentrova::player
