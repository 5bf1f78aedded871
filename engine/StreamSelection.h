// Which of a source's streams the converter reads: the last video and the last audio stream.
#pragma once

struct AVFormatContext;

namespace zentrova {

struct StreamChoice {
    int video = -1;
    int audio = -1;
};

// A later stream of a type replaces an earlier one. Cover art of an audio file (an attached
// picture) is a still image, not a video, and is never chosen.
StreamChoice ChooseStreams(const AVFormatContext &input);

} // namespace zentrova
