// The device verdict for output settings.
#include "profiles/DeviceLine.h"

#include "profiles/ValueText.h"

namespace zentrova {

DeviceVerdict JudgeSettings(const OutputSettings &s)
{
    OutputValues v;
    v.video = !s.AudioOnly;
    if (v.video) {
        v.videoCodecId = VideoCodecIdFromText(s.VideoEncoder).value_or(0);
        v.width = s.Width;
        v.height = s.Height;
        v.fps = FrameRateFromText(s.FrameRate).value_or(0);
        v.videoBps = s.VideoBitRate;
    }
    v.audioCodecId = AudioCodecIdFromText(s.AudioEncoder).value_or(0);
    v.sampleRate = s.SampleRate;
    v.channels = s.Channels;
    v.audioBps = s.AudioBitRate;
    return JudgeOutput(v);
}

std::string DeviceLine(const OutputSettings &s)
{
    return FormatVerdict(JudgeSettings(s));
}

} // namespace zentrova
