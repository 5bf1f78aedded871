// The points where a single-file conversion and a merge treat the same pipeline differently.
#pragma once

extern "C" {
#include <libavutil/rational.h>
}

#include <optional>
#include <span>

namespace zentrova {

struct FrameRateTimeBase {
    double fps;
    AVRational timeBase;
};

struct TranscodeRules {
    // Output time base per FrameRate value, compared exactly; a value not listed (0 included)
    // takes the inverse of the source's rate.
    std::span<const FrameRateTimeBase> frameRates;
    // An "rm" output takes the source's rate whatever FrameRate says, and never drops frames.
    bool rmOutputUsesSourceRate = false;
    // Motion JPEG encodes full-range 4:2:2; otherwise only DV differs from 4:2:0.
    bool mjpegFullRange422 = false;
    // Seek to the row's clip start and end at its clip duration.
    bool useClip = false;
    // "rm"/"rmvb" inputs and 359/12 sources are stamped by frame count instead of by the timeline.
    bool stampOddSourcesByCount = false;
    // Vorbis output counts progress in source packets, which starts again with every source; a
    // run over several sources measures what reached the encoder instead, so it never falls back.
    bool vorbisProgressByPackets = false;
};

const TranscodeRules &ConvertRules();
const TranscodeRules &MergeRules();

// The output video time base for `frameRate`; nothing when it takes the source's rate.
std::optional<AVRational> TimeBaseForFrameRate(const TranscodeRules &rules, double frameRate);

} // namespace zentrova
