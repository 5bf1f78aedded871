// The devices the iPod profiles are made for, what each of them plays, and the rate limits,
// level and verdict that follow for a set of output values.
#pragma once

#include "engine/CodecMap.h"

#include <string>
#include <vector>

namespace zentrova {

// One kind of video a device plays: codec, largest frame, highest level (H.264 level_idc; 0 for
// MPEG-4) and highest rate.
struct VideoMode {
    int codecId;
    int maxWidth;
    int maxHeight;
    int maxLevel;
    int maxKbps;
};

struct Device {
    const char *name;
    std::vector<VideoMode> modes;
};

const std::vector<Device> &Devices();

// Limits every device of the table shares.
constexpr double kDeviceMaxFps = 30.0;
constexpr int kDeviceMaxAudioKbps = 160;
constexpr int kDeviceMaxSampleRate = 48000;
constexpr int kDeviceMaxChannels = 2;

// What the encoder is told for a video of the iPod codecs.
struct VideoRatePlan {
    int averageBps = 0;   // the requested average, lowered to maxBps when above it
    int maxBps = 0;       // peak rate
    int bufferBits = 0;   // decoder buffer the peaks are measured over
    int level = 0;        // H.264 level_idc, or MPEG-4 Simple Profile level (0, 1, 2, 3, 4 = 4a, 5, 6)
    bool averageCapped = false;
    std::string refusal;  // not empty: no device of the table plays these values
};

// `fps` 0 means the source's rate, which is not known here and is not checked.
VideoRatePlan PlanVideoRate(int codecId, int width, int height, double fps, int requestedBps);
// The level a stream of these facts conforms to; 0 when none of the table's does.
int H264Level(int width, int height, double fps, int maxKbps, int bufferKbits);
int Mpeg4SimpleLevel(int width, int height, double fps, int maxKbps, int bufferKbits);

// The facts of a stream, as written or as read back from a file.
struct StreamFacts {
    bool hasVideo = false;
    int videoCodecId = 0;         // program codec number
    bool baseline = true;         // H.264 Constrained Baseline / MPEG-4 Simple
    int level = 0;
    int refs = 1;
    bool bFrames = false;
    bool cabac = false;
    int width = 0;
    int height = 0;
    double fps = 0;               // 0: not known
    int peakKbps = 0;             // peak rate over the device buffer (0: not known)
    bool squarePixels = true;
    bool ipodAtom = true;         // H.264 only
    bool hasAudio = false;
    int audioCodecId = 0;
    bool aacLowComplexity = true;
    int sampleRate = 0;
    int channels = 0;
    int audioKbps = 0;
};

// Empty when `device` plays a stream of these facts, otherwise the first reason it does not.
std::string FirstProblem(const Device &device, const StreamFacts &facts);

// For the output values of a job: the devices the file plays on and the values lowered to what
// they play. Audio-only outputs play on every device of the table.
struct DeviceVerdict {
    std::vector<std::string> devices;
    std::vector<std::string> caps;  // "video bit rate capped at 1500 kbps" ...
    std::string refusal;
};
struct OutputValues {
    bool video = false;
    int videoCodecId = 0;
    int width = 0;
    int height = 0;
    double fps = 0;
    int videoBps = 0;
    int audioCodecId = 0;
    int sampleRate = 0;
    int channels = 0;
    int audioBps = 0;
};
// The audio rate a video output is encoded at.
int CappedAudioBps(const OutputValues &values);
DeviceVerdict JudgeOutput(const OutputValues &values);
// One line: "Plays on: A; B" followed by the caps, or the refusal.
std::string FormatVerdict(const DeviceVerdict &verdict);

} // namespace zentrova
