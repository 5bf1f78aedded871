// The compiled-in catalogue of the thirteen output profiles.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace zentrova {

// Values a profile's selection writes into the output settings. Audio-only profiles have
// no video values: selecting them keeps the ones already there.
struct SelectionDefaults {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::string_view frameRate;
    std::int32_t videoBitRate = 0;
    std::string_view videoEncoder;
    std::string_view audioEncoder;
    std::int32_t sampleRate = 0;
    std::int32_t channels = 0;
    std::int32_t audioBitRate = 0;
};

// What the settings dialog offers for a profile, and what it selects when it remembers nothing.
struct DialogChoices {
    std::string_view title;
    std::span<const std::string_view> resolutions;
    std::span<const std::string_view> frameRates;
    std::span<const std::string_view> videoBitRates;
    std::span<const std::string_view> videoEncoders;
    std::span<const std::string_view> audioEncoders;
    std::string_view defaultFrameRate;
    std::string_view defaultVideoBitRate;
};

struct Profile {
    int index;
    std::string_view displayText;
    std::int32_t type;
    bool audioOnly;
    SelectionDefaults defaults;
    DialogChoices dialog;
};

constexpr int kProfileCount = 13;

// The profiles in Profile-box order.
std::span<const Profile> Profiles();

// Lookups; null when nothing matches.
const Profile *ProfileByIndex(int index);
const Profile *ProfileByType(std::int32_t type);
const Profile *ProfileByDisplayText(std::string_view text);

// The settings dialog's audio lists, the same for every audio encoder the catalogue offers,
// with the position each list selects when it is rebuilt.
std::span<const std::string_view> SampleRateTexts();
std::span<const std::string_view> AudioBitRateTexts();
std::span<const std::string_view> ChannelTexts();
constexpr int kDefaultSampleRatePos = 0;
constexpr int kDefaultAudioBitRatePos = 4;
constexpr int kDefaultChannelPos = 1;

} // namespace zentrova
