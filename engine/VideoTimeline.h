// Where each video frame lands in the output: the frame-dropping and timestamp rules.
#pragma once

extern "C" {
#include <libavutil/rational.h>
}

#include <cstdint>
#include <limits>

namespace zentrova {

struct VideoTimelineConfig {
    AVRational timeBase{1, 25};  // the output's, one tick per frame slot
    int sourceFps = 0;           // integer part of the source rate
    bool dropAllowed = true;     // false for "rm" outputs, which keep every frame
    bool stampByCount = false;   // frames follow one another regardless of their source time
    // Where this source begins on the output timeline: the picture may be behind it (an earlier
    // source of a merge had more sound than picture), and a first frame there is no jump.
    double startSeconds = 0;
    double endSeconds = std::numeric_limits<double>::infinity();
    std::int64_t lastPts = -1;   // carried from an earlier row of a merge, -1 before any frame
};

class VideoTimeline {
public:
    enum class Action { Encode, Drop, PastEnd };
    struct Placement {
        Action action = Action::Drop;
        std::int64_t pts = 0;
        std::int64_t duration = 1;
    };

    explicit VideoTimeline(const VideoTimelineConfig &config);

    // `seconds` is the frame's place on the output timeline (NaN when the source gave none).
    // A frame whose time lies before the next free slot is dropped when the output rate is below
    // the source rate; otherwise it takes the slot at or before its time, never earlier than the
    // next free one, and the frame before it lasts until then.
    Placement Place(double seconds);

    // The start of the next free slot, seconds.
    double position() const;
    std::int64_t lastPts() const { return lastPts_; }

private:
    VideoTimelineConfig config_;
    std::int64_t lastPts_;
    double shift_ = 0;  // undoes jumps in the source's timestamps
};

// How much of a task's output is done, seconds. While the picture runs, the pictures written:
// pictures placed but still in the queues or the encoder's look-ahead (over a second of them) do
// not count, nor the sound, which is read ahead of the picture. Once the picture has ended (or
// without one), the further of the sound converted and the pictures placed, less those in flight.
double ConvertedSeconds(double sound, double picturesPlaced, double picturesWritten, bool pictureRuns);

} // namespace zentrova
