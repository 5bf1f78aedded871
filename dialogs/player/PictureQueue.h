// Decoded pictures waiting for their time, and the choice of the one due at the clock.
#pragma once

#include "dialogs/player/PlaybackClock.h"
#include "engine/FFmpegPtr.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace zentrova::player {

struct Picture {
    AVFramePtr frame;
    double pts = 0;
    double end = 0; // when the next picture is due
    int serial = 0;
};

class PictureQueue {
public:
    explicit PictureQueue(std::size_t capacity) : capacity_(capacity) {}

    // Waits for room. Nobody may be fetching pictures, so while waiting the pictures that a
    // later one has replaced at the clock are dropped here. False when aborted or when the
    // picture's serial is no longer current.
    bool Push(Picture picture, const PlaybackClock &clock);
    void Flush(int serial);
    void Abort();

    // The newest picture due at `clock`, taking it out with the older due ones. A picture whose
    // time is over is dropped instead: it is never shown late. With `first`, the head is taken
    // even before it is due: the first picture after an open or a seek shows while the clock is
    // held.
    std::optional<Picture> TakeDue(double clock, bool first);

private:
    void DropReplaced(double clock);

    const std::size_t capacity_;
    std::mutex m_;
    std::condition_variable cv_;
    std::deque<Picture> pictures_;
    int serial_ = 0;
    bool abort_ = false;
};

} // namespace zentrova::player
