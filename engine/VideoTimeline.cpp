// The video frame-dropping and timestamp rules.
#include "engine/VideoTimeline.h"

#include <algorithm>
#include <cmath>

namespace zentrova {

namespace {

constexpr double kMaxBackwardJump = 1.0;
constexpr double kMaxForwardJump = 10.0;

} // namespace

VideoTimeline::VideoTimeline(const VideoTimelineConfig &config) : config_(config), lastPts_(config.lastPts) {}

double VideoTimeline::position() const
{
    return static_cast<double>(lastPts_ + 1) * av_q2d(config_.timeBase);
}

VideoTimeline::Placement VideoTimeline::Place(double seconds)
{
    const AVRational tb = config_.timeBase;
    const std::int64_t next = lastPts_ + 1;
    const double v = position();
    Placement p;
    if (config_.stampByCount) {
        p.pts = next;
    } else {
        const double reference = std::max(v, config_.startSeconds);
        double a = std::isnan(seconds) ? reference : seconds + shift_;
        // A jump in the source's timestamps (a stream that restarts them, a broken file) is not
        // a real gap: the frames go on from where the picture is, as the sound does.
        if (a < reference - kMaxBackwardJump || a > reference + kMaxForwardJump) {
            shift_ += reference - a;
            a = reference;
        }
        const int outputFps = tb.num > 0 ? tb.den / tb.num : 0;
        if (config_.dropAllowed && outputFps < config_.sourceFps && a < v) {
            p.action = Action::Drop;
            return p;
        }
        const auto n = a <= v ? std::int64_t{1}
                              : static_cast<std::int64_t>((a - v) * tb.den / tb.num + 1.0);
        p.pts = std::max(lastPts_ + n, next);
    }
    if (static_cast<double>(p.pts) * av_q2d(tb) >= config_.endSeconds - 1e-9) {
        p.action = Action::PastEnd;
        return p;
    }
    p.duration = p.pts - lastPts_;
    // The first frame has nothing before it to stretch.
    if (lastPts_ < 0 || config_.stampByCount)
        p.duration = 1;
    lastPts_ = p.pts;
    p.action = Action::Encode;
    return p;
}

double ConvertedSeconds(double sound, double picturesPlaced, double picturesWritten, bool pictureRuns)
{
    if (pictureRuns)
        return std::max(picturesWritten, 0.0);
    const double inFlight = std::max(picturesPlaced - picturesWritten, 0.0);
    return std::max(std::max(sound, picturesPlaced) - inFlight, 0.0);
}

} // namespace zentrova
