// Media probing: what a source file is, read without decoding any frame, returned as a value.
#pragma once

#include <cstdint>
#include <string>

namespace zentrova {

// A probe's result code.
enum ProbeResult : int {
    kProbeOk = 0,
    kProbeOpenFailed = -1,
    kProbeStreamInfoFailed = -2,
    kProbeNoVideoDecoder = -4,
    kProbeVideoDecoderFailed = -5,
};

// The facts of one source file. Codec ids are the program's codec numbers (CodecMap); a stream
// the file lacks leaves its fields 0.
struct MediaProbe {
    int result = kProbeOpenFailed;
    // The container's duration in microseconds (AV_NOPTS_VALUE when it has none), and in whole
    // seconds (negative then).
    std::int64_t duration = 0;
    std::int64_t durationSeconds = 0;
    std::int64_t startSeconds = 0;

    std::int32_t videoCodecId = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t videoBitRate = 0;
    // The stream's frame rate; a rate above 1000 fps is a broken header and reads as num/1001.
    std::int32_t frameRateNum = 0;
    std::int32_t frameRateDen = 0;
    // Whole frames per second of that rate.
    double fps = 0;

    std::int32_t audioCodecId = 0;
    std::int32_t sampleRate = 0;
    std::int32_t channels = 0;
    std::int32_t audioBitRate = 0;

    // A file the task list and the command line take: read, with a start and a length.
    bool Usable() const { return result >= 0 && startSeconds >= 0 && durationSeconds >= 0; }
};

// Opens `path`, reads the stream information, opens the chosen streams' decoders to learn their
// parameters and closes everything again. Safe on any thread; touches no shared state unless
// `keepOpen`: then a usable file is left open for its conversion (KeepOpenedSource).
MediaProbe ProbeMedia(const std::string &path, bool keepOpen = false);

} // namespace zentrova
