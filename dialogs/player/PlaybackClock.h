// The playing position of the open file, in seconds of the file's own timeline.
#pragma once

#include <chrono>
#include <mutex>

namespace zentrova::player {

// Runs on the wall clock between anchors; the audio output re-anchors it to the sound actually
// played. It only runs while playback is wanted and the data of the current serial (after an
// open or a seek) has arrived, so a slow seek does not make its first pictures late.
class PlaybackClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // Whether Anchor is heeded: only when the sound goes to a device that plays in real time.
    void SetAudioDriven(bool audioDriven);

    double Now() const;
    int Serial() const;

    // Jumps to `pts` for a new serial and holds there until Prime(serial).
    void Reset(double pts, int serial);
    // The first data of `serial` is ready; the clock runs from here when playing.
    void Prime(int serial);
    void SetPlaying(bool playing);
    // `pts` is the sample being heard at `at`. Ignored for another serial, while held, and when
    // the clock follows the wall.
    void Anchor(double pts, TimePoint at, int serial);

private:
    double NowLocked(TimePoint now) const;
    void SetRunning(bool running, TimePoint now);

    mutable std::mutex m_;
    bool audioDriven_ = false;
    double pts_ = 0;
    TimePoint at_{};
    bool playing_ = false;
    bool primed_ = true;
    bool running_ = false;
    int serial_ = 0;
};

} // namespace zentrova::player
