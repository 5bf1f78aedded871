// Which of a source's streams the converter reads: the last usable video and the last usable
// audio stream.
#pragma once

#include "engine/FFmpegPtr.h"

#include <deque>

namespace zentrova {

struct StreamChoice {
    int video = -1;
    int audio = -1;
};

// Packets read while choosing, for the packet loop to start with. `end` is the read result that
// ended the look ahead (end of file or an error), 0 when it stopped on its own.
struct ReadAhead {
    std::deque<AVPacketPtr> packets;
    int end = 0;
};

// Reads the first seconds of `input` (after its stream information) and chooses among the
// streams that carry data: a later stream of a type replaces an earlier one. Not usable are
// cover art (an attached picture), a stream without decodable parameters (no size, no sample
// rate or channels), a stream with no packet in the look ahead, and a stream holding a few
// milliseconds while the file goes on for seconds. The packets read are handed to `keep` (only
// those of video and audio streams), or dropped when it is null.
StreamChoice ChooseStreams(AVFormatContext &input, ReadAhead *keep);

} // namespace zentrova
