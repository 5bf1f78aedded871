// The device table and the rules derived from it.
#include "engine/DeviceTable.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace zentrova {

namespace {

// H.264 Baseline level limits (ITU-T H.264 Table A-1): level_idc, macroblocks per second,
// macroblocks per frame, bit rate (kb/s), decoder buffer (kbit).
struct H264Limit {
    int level, mbPerSecond, mbPerFrame, kbps, bufferKbits;
};
constexpr H264Limit kH264Levels[] = {
    {10, 1485, 99, 64, 175},        {11, 3000, 396, 192, 500},      {12, 6000, 396, 384, 1000},
    {13, 11880, 396, 768, 2000},    {20, 11880, 396, 2000, 2000},   {21, 19800, 792, 4000, 4000},
    {22, 20250, 1620, 4000, 4000},  {30, 40500, 1620, 10000, 10000}, {31, 108000, 3600, 14000, 14000},
};

// MPEG-4 Visual Simple Profile levels (ISO/IEC 14496-2 Annex N; level 4 is 4a): the VBV buffer
// is given in units of 16384 bits.
struct Mpeg4Limit {
    int level, mbPerFrame, mbPerSecond, kbps, vbvUnits;
};
constexpr Mpeg4Limit kMpeg4Levels[] = {
    {0, 99, 1485, 64, 10},     {1, 99, 1485, 64, 10},       {2, 396, 5940, 128, 40},   {3, 396, 11880, 384, 40},
    {4, 1200, 36000, 4000, 80}, {5, 1620, 40500, 8000, 112}, {6, 3600, 108000, 12000, 248},
};

// The H.264 buffer for every iPod mode; Level 1.3's, and what the 5G's decoder is said to hold.
constexpr int kH264BufferKbits = 2000;
// The H.264 peak for 320x240 at Level 1.3 (the 5G before firmware 1.2) and for every other
// H.264 output: the Low-Complexity 640x480 clause caps the 5G/5.5G at 1.5 Mb/s.
constexpr int kH264LowKbps = 768;
constexpr int kH264Kbps = 1500;
constexpr int kMpeg4Kbps = 2500;
constexpr int kMpeg4MaxBufferBits = 112 * 16384;

int Macroblocks(int pixels)
{
    return (pixels + 15) / 16;
}

std::string Kbps(int kbps)
{
    return std::to_string(kbps) + " kb/s";
}

std::string LevelText(int codecId, int level)
{
    if (codecId == kH264CodecId)
        return std::to_string(level / 10) + "." + std::to_string(level % 10);
    return level == 4 ? std::string("4a") : std::to_string(level);
}

std::string ModeProblem(const VideoMode &mode, const StreamFacts &f)
{
    const bool h264 = f.videoCodecId == kH264CodecId;
    if (!f.baseline)
        return h264 ? "H.264 profile is not Baseline" : "MPEG-4 profile is not Simple";
    if (h264 && f.level > mode.maxLevel)
        return "H.264 level " + LevelText(f.videoCodecId, f.level) + " above " + LevelText(f.videoCodecId, mode.maxLevel);
    if (f.refs > 1)
        return std::to_string(f.refs) + " reference frames (1 allowed)";
    if (f.bFrames)
        return "B-frames";
    if (f.cabac)
        return "CABAC";
    if (f.width > mode.maxWidth || f.height > mode.maxHeight)
        return "frame " + std::to_string(f.width) + "x" + std::to_string(f.height) + " larger than " +
               std::to_string(mode.maxWidth) + "x" + std::to_string(mode.maxHeight);
    if (f.fps > kDeviceMaxFps + 0.01)
        return "frame rate above 30 fps";
    if (f.peakKbps > mode.maxKbps)
        return "peak rate " + Kbps(f.peakKbps) + " over the buffer above " + Kbps(mode.maxKbps);
    if (!f.squarePixels)
        return "pixels not square";
    if (h264 && !f.ipodAtom && f.width > 320)
        return "no iPod atom";
    return {};
}

} // namespace

const std::vector<Device> &Devices()
{
    // Apple's published iPod technical data pages and Technical Note TN2188 "Exporting Movies for iPod,
    // Apple TV, iPad and iPhone": the 5G before firmware 1.2 plays H.264 Baseline up to Level 1.3
    // at 768 kb/s and 320x240, MPEG-4 Simple at 2.5 Mb/s up to 480x480; firmware 1.2 adds H.264
    // "Low-Complexity" Baseline (one reference frame, Level 3.0) at 1.5 Mb/s and 640x480; the
    // classic, nano 3G-5G and touch 1G/2G play Baseline Level 3.0 at 2.5 Mb/s and MPEG-4 Simple
    // at 2.5 Mb/s, both up to 640x480. All: 30 fps, AAC-LC up to 160 kb/s, 48 kHz, stereo.
    static const std::vector<Device> devices{
        {"iPod 5G (firmware before 1.2)",
         {{kH264CodecId, 320, 240, 13, 768}, {kMpeg4CodecId, 480, 480, 0, 2500}}},
        {"iPod 5G/5.5G (firmware 1.2 or later)",
         {{kH264CodecId, 320, 240, 13, 768}, {kH264CodecId, 640, 480, 30, 1500}, {kMpeg4CodecId, 480, 480, 0, 2500}}},
        {"iPod classic, nano 3G-5G, touch 1G/2G", {{kH264CodecId, 640, 480, 30, 2500}, {kMpeg4CodecId, 640, 480, 0, 2500}}},
    };
    return devices;
}

int H264Level(int width, int height, double fps, int maxKbps, int bufferKbits)
{
    const int frame = Macroblocks(width) * Macroblocks(height);
    const double perSecond = frame * (fps > 0 ? fps : kDeviceMaxFps);
    for (const H264Limit &l : kH264Levels)
        if (frame <= l.mbPerFrame && perSecond <= l.mbPerSecond + 0.5 && maxKbps <= l.kbps && bufferKbits <= l.bufferKbits)
            return l.level;
    return 0;
}

int Mpeg4SimpleLevel(int width, int height, double fps, int maxKbps, int bufferKbits)
{
    const int frame = Macroblocks(width) * Macroblocks(height);
    const double perSecond = frame * (fps > 0 ? fps : kDeviceMaxFps);
    for (const Mpeg4Limit &l : kMpeg4Levels)
        if (l.level > 0 && frame <= l.mbPerFrame && perSecond <= l.mbPerSecond + 0.5 && maxKbps <= l.kbps &&
            bufferKbits * 1000 <= l.vbvUnits * 16384)
            return l.level;
    return 0;
}

VideoRatePlan PlanVideoRate(int codecId, int width, int height, double fps, int requestedBps)
{
    VideoRatePlan plan;
    plan.averageBps = requestedBps;
    if (codecId != kH264CodecId && codecId != kMpeg4CodecId)
        return plan;
    if (width > 640 || height > 480) {
        plan.refusal = "no listed device plays a frame larger than 640x480 (" + std::to_string(width) + "x" +
                       std::to_string(height) + ")";
        return plan;
    }
    if (fps > kDeviceMaxFps + 0.01) {
        plan.refusal = "no listed device plays more than 30 frames a second";
        return plan;
    }
    if (codecId == kH264CodecId) {
        const bool low = width <= 320 && height <= 240 && requestedBps <= kH264LowKbps * 1000;
        plan.maxBps = (low ? kH264LowKbps : kH264Kbps) * 1000;
        plan.bufferBits = kH264BufferKbits * 1000;
        plan.level = H264Level(width, height, fps, plan.maxBps / 1000, kH264BufferKbits);
    } else {
        plan.maxBps = kMpeg4Kbps * 1000;
        plan.level = Mpeg4SimpleLevel(width, height, fps, kMpeg4Kbps, 0);
        int vbvUnits = kMpeg4MaxBufferBits / 16384;
        for (const Mpeg4Limit &l : kMpeg4Levels)
            if (l.level == plan.level)
                vbvUnits = std::min(vbvUnits, l.vbvUnits);
        plan.bufferBits = vbvUnits * 16384;
    }
    if (requestedBps > plan.maxBps) {
        plan.averageBps = plan.maxBps;
        plan.averageCapped = true;
    }
    return plan;
}

std::string FirstProblem(const Device &device, const StreamFacts &f)
{
    if (f.hasVideo) {
        std::string problem = "video codec";
        for (const VideoMode &mode : device.modes) {
            if (mode.codecId != f.videoCodecId)
                continue;
            problem = ModeProblem(mode, f);
            if (problem.empty())
                break;
        }
        if (!problem.empty())
            return problem;
    }
    if (f.hasAudio) {
        // Audio-only files may also be MP3, and go up to 320 kb/s.
        const bool aac = f.audioCodecId == kAacCodecId;
        if (!aac && (f.hasVideo || f.audioCodecId != kMp3CodecId))
            return "audio codec";
        if (aac && !f.aacLowComplexity)
            return "AAC profile is not LC";
        if (f.sampleRate > kDeviceMaxSampleRate)
            return "audio sample rate above 48000 Hz";
        if (f.channels > kDeviceMaxChannels)
            return "more than 2 audio channels";
        if (f.audioKbps > (f.hasVideo ? kDeviceMaxAudioKbps : 320))
            return "audio bit rate " + Kbps(f.audioKbps) + " above " + Kbps(f.hasVideo ? kDeviceMaxAudioKbps : 320);
    }
    return {};
}

int CappedAudioBps(const OutputValues &v)
{
    return v.video ? std::min(v.audioBps, kDeviceMaxAudioKbps * 1000) : v.audioBps;
}

DeviceVerdict JudgeOutput(const OutputValues &v)
{
    DeviceVerdict verdict;
    StreamFacts f;
    if (v.video) {
        const VideoRatePlan plan = PlanVideoRate(v.videoCodecId, v.width, v.height, v.fps, v.videoBps);
        if (!plan.refusal.empty()) {
            verdict.refusal = plan.refusal;
            return verdict;
        }
        if (plan.averageCapped)
            verdict.caps.push_back("video bit rate lowered to " + std::to_string(plan.averageBps / 1000) + " kbps");
        f.hasVideo = true;
        f.videoCodecId = v.videoCodecId;
        f.level = plan.level;
        f.width = v.width;
        f.height = v.height;
        f.fps = v.fps;
        f.peakKbps = plan.maxBps / 1000;
    }
    f.hasAudio = v.audioCodecId != 0;
    f.audioCodecId = v.audioCodecId;
    f.sampleRate = v.sampleRate;
    f.channels = std::min(v.channels, kDeviceMaxChannels);  // more are mixed down
    f.audioKbps = CappedAudioBps(v) / 1000;
    if (f.audioKbps * 1000 < v.audioBps)
        verdict.caps.push_back("audio bit rate lowered to " + std::to_string(f.audioKbps) + " kbps");
    for (const Device &d : Devices())
        if (FirstProblem(d, f).empty())
            verdict.devices.push_back(d.name);
    return verdict;
}

std::string FormatVerdict(const DeviceVerdict &verdict)
{
    if (!verdict.refusal.empty())
        return "Refused: " + verdict.refusal;
    std::string text = verdict.devices.empty() ? "Plays on no listed device" : "Plays on: ";
    for (std::size_t i = 0; i < verdict.devices.size(); ++i)
        text += (i ? "; " : "") + verdict.devices[i];
    for (const std::string &cap : verdict.caps)
        text += ". " + std::string(1, static_cast<char>(std::toupper(cap[0]))) + cap.substr(1);
    return text;
}

} // namespace zentrova
