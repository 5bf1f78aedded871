// Formatting of probe results for the file-information view and the command line.
#include "profiles/MediaInfoFormat.h"

#include "engine/ProbeMedia.h"

#include <cstdio>
#include <cstdlib>

namespace zentrova {

std::string FrameRateText(int num, int den)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%5.2f", den != 0 ? static_cast<double>(num) / den : 0.0);
    return std::string(buf) + " fps";
}

std::string KilobitText(const std::string &bitsPerSecond)
{
    if (bitsPerSecond.empty())
        return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%f", std::strtod(bitsPerSecond.c_str(), nullptr) / 1000.0);
    std::string text = buf;
    if (auto dot = text.find('.'); dot != std::string::npos)
        text.erase(dot);
    return text + " Kbps";
}

std::string ChannelWords(const std::string &channels)
{
    if (channels == "1")
        return "1 Channel Mono";
    if (channels == "2")
        return "2 Channel stereo";
    if (channels == "6")
        return "6 Channel stereo";
    return channels;
}

MediaInfoTexts MediaInfoFromProbe(const MediaProbe &probe, const std::string &path, const std::string &mediaLength)
{
    MediaInfoTexts t;
    t.path = path;
    t.mediaLength = mediaLength;
    t.frameRate = FrameRateText(probe.frameRateNum, probe.frameRateDen);
    t.width = std::to_string(probe.width);
    t.height = std::to_string(probe.height);
    t.videoCodecId = std::to_string(probe.videoCodecId);
    t.audioCodecId = std::to_string(probe.audioCodecId);
    t.videoBitRate = std::to_string(probe.videoBitRate);
    t.channels = std::to_string(probe.channels);
    t.sampleRate = std::to_string(probe.sampleRate);
    t.audioBitRate = std::to_string(probe.audioBitRate);
    return t;
}

MediaInfoFields FormatMediaInfo(const MediaInfoTexts &t)
{
    MediaInfoFields f;
    const auto slash = t.path.find_last_of('/');
    f.fileName = slash == std::string::npos ? t.path : t.path.substr(slash + 1);
    f.mediaLength = t.mediaLength;
    f.frameRate = t.frameRate;
    f.videoBitRate = KilobitText(t.videoBitRate);
    if (!t.width.empty() && !t.height.empty())
        f.resolution = t.width + "*" + t.height;
    if (std::atoi(t.videoCodecId.c_str()) < 1) {
        f.videoBitRate.clear();
        f.frameRate.clear();
        f.resolution.clear();
    }
    if (!t.sampleRate.empty())
        f.samples = t.sampleRate + " Hz";
    f.channel = ChannelWords(t.channels);
    f.audioBitRate = KilobitText(t.audioBitRate);
    if (std::atoi(t.audioCodecId.c_str()) < 1) {
        f.audioBitRate.clear();
        f.channel.clear();
        f.samples.clear();
    }
    return f;
}

} // namespace zentrova
