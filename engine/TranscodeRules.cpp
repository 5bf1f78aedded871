// The frame-rate tables and switches of the two workers.
#include "engine/TranscodeRules.h"

namespace zentrova {

namespace {

// A single file keeps whole-number rates exact.
constexpr FrameRateTimeBase kConvertRates[] = {
    {10, {1, 10}},   {12, {1, 12}},   {14.985, {1001, 15000}}, {15, {1, 15}},
    {18, {1, 18}},   {20, {1, 20}},   {23.975, {1001, 24000}}, {24, {1, 24}},
    {25, {1, 25}},   {29.97, {1001, 30000}}, {30, {1, 30}},    {50, {1, 50}},
    {60, {1, 60}},
};

// A merge stretches most whole-number rates by 1001/1000, as it always has.
constexpr FrameRateTimeBase kMergeRates[] = {
    {10, {1, 10}},           {12, {1001, 12012}}, {14.985, {1001, 15000}}, {15, {1001, 15015}},
    {18, {1, 18}},           {20, {1001, 20020}}, {23.975, {1001, 24000}}, {24, {1001, 24024}},
    {25, {1001, 25025}},     {29.97, {1001, 30000}}, {30, {1001, 30030}},  {50, {1, 50}},
    {60, {1, 60}},
};

} // namespace

const TranscodeRules &ConvertRules()
{
    static const TranscodeRules rules{.frameRates = kConvertRates,
                                      .rmOutputUsesSourceRate = true,
                                      .mjpegFullRange422 = true,
                                      .useClip = true,
                                      .stampOddSourcesByCount = true,
                                      .vorbisProgressByPackets = true};
    return rules;
}

const TranscodeRules &MergeRules()
{
    static const TranscodeRules rules{.frameRates = kMergeRates};
    return rules;
}

std::optional<AVRational> TimeBaseForFrameRate(const TranscodeRules &rules, double frameRate)
{
    for (const FrameRateTimeBase &entry : rules.frameRates)
        if (entry.fps == frameRate)
            return entry.timeBase;
    return std::nullopt;
}

} // namespace zentrova
