// Inspecting converted files from tests: ffprobe's view, a full decode, and decoded pictures and sound.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace zentrova::test {

using Fields = std::map<std::string, std::string>;

struct ProbeReport {
    std::vector<Fields> streams;
    Fields format;
    std::string errors;  // what ffprobe said at level "error"
    const Fields *Stream(const std::string &type) const;
    double Number(const Fields &f, const std::string &key) const;
};

// Runs the ffprobe program on `path`.
ProbeReport Ffprobe(const std::string &path);

// Decodes every stream of `path` with the ffmpeg program; returns what it reported at level "error".
std::string DecodeErrors(const std::string &path);

// What an independent parser (GStreamer's discoverer) reports for `path`.
std::string Discover(const std::string &path);

struct LumaSample {
    double seconds;
    double meanLuma;
};
// Mean luma of every decoded picture, in presentation order.
std::vector<LumaSample> VideoLuma(const std::string &path);

struct AudioTrack {
    int sampleRate = 0;
    int channels = 0;
    double startSeconds = 0;
    std::vector<float> samples;  // the first channel
};
AudioTrack DecodeAudio(const std::string &path);

struct GrayPicture {
    int width = 0;
    int height = 0;
    std::string luma;  // width x height bytes, row by row
    int At(int x, int y) const { return static_cast<unsigned char>(luma[static_cast<std::size_t>(y * width + x)]); }
};
// The luma of the first picture at or after `seconds`.
GrayPicture PictureAt(const std::string &path, double seconds);

struct PacketInfo {
    double seconds;
    double duration;
    int bytes;
};
// The video packets in presentation order.
std::vector<PacketInfo> VideoPackets(const std::string &path);

// Presentation times of the video packets flagged as key frames, in file order.
std::vector<double> KeyFrameTimes(const std::string &path);

// The types of the top-level boxes of an MP4-family file, in file order ("ftyp", "moov" ...),
// and the major brand its "ftyp" names (empty when it has none).
std::vector<std::string> TopLevelBoxes(const std::string &path);
std::string MajorBrand(const std::string &path);
// The whole file.
std::string FileBytes(const std::string &path);

// Frequency estimate from zero crossings.
double ZeroCrossingFrequency(const AudioTrack &track);

// `command` quoted for /bin/sh.
std::string ShellQuote(const std::string &text);

} // namespace zentrova::test
