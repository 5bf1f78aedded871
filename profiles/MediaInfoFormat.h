// Probe results as texts, in the forms the file-information view shows them.
#pragma once

#include <string>

namespace zentrova {

struct MediaProbe;

// Numerator / denominator printed as "%5.2f" followed by " fps" (a zero denominator shows 0).
std::string FrameRateText(int num, int den);

// A bits-per-second text in the kilobit form: "128000" -> "128 Kbps"; an empty text stays empty.
std::string KilobitText(const std::string &bitsPerSecond);

// "1" -> "1 Channel Mono", "2" -> "2 Channel stereo", "6" -> "6 Channel stereo"; others unchanged.
std::string ChannelWords(const std::string &channels);

// The texts the media information view keeps for the last probed file.
struct MediaInfoTexts {
    std::string path;
    std::string mediaLength;
    std::string frameRate;
    std::string width;
    std::string height;
    std::string videoCodecId;
    std::string audioCodecId;
    std::string videoBitRate;
    std::string channels;
    std::string sampleRate;
    std::string audioBitRate;
};

// Fills the texts from a successful probe of `path`; `mediaLength` is the row's end-time text.
MediaInfoTexts MediaInfoFromProbe(const MediaProbe &probe, const std::string &path, const std::string &mediaLength);

// The eight fields of the information view, after the view's own rules (file name, emptied
// video or audio fields for sources without them, units).
struct MediaInfoFields {
    std::string fileName;
    std::string mediaLength;
    std::string resolution;
    std::string frameRate;
    std::string videoBitRate;
    std::string audioBitRate;
    std::string samples;
    std::string channel;
};

MediaInfoFields FormatMediaInfo(const MediaInfoTexts &texts);

} // namespace zentrova
