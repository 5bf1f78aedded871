// The profile tables. Display texts are used character for character, leading and double
// spaces included: other code and stored task rows compare against them.
#include "profiles/ProfileCatalogue.h"

namespace zentrova {

namespace {

using sv = std::string_view;

constexpr sv kFrameRates[] = {"15.0 fps", "20.0 fps", "23.975 fps", "24.0 fps", "25.0 fps", "29.97 fps", "30.0 fps"};

constexpr sv kBitRates1[] = {"900 kbps", "1500 kbps", "2000 kbps", "2500 kbps", "3000 kbps", "4000 kbps"};
constexpr sv kBitRates2[] = {"128 kbps", "256 kbps", "384 kbps", "512 kbps",
                             "640 kbps", "768 kbps", "900 kbps", "1500 kbps"};
constexpr sv kBitRates3[] = {"256 kbps", "384 kbps", "512 kbps", "640 kbps", "768 kbps", "1000 kbps", "1200 kbps"};
constexpr sv kBitRates4[] = {"256 kbps", "384 kbps", "512 kbps",  "640 kbps",
                             "768 kbps", "1000 kbps", "1200 kbps", "1500 kbps"};
constexpr sv kBitRates5[] = {"512 kbps", "800 kbps", "1000 kbps", "1500 kbps", "2000 kbps"};

constexpr sv kRes320[] = {"320*240"};
constexpr sv kRes640[] = {"640*480"};
constexpr sv kRes374[] = {"374*240"};
constexpr sv kRes480[] = {"480*320"};
constexpr sv kH264[] = {"H.264"};
constexpr sv kMpeg4[] = {"MPEG4"};
constexpr sv kAac[] = {"AAC"};
constexpr sv kMp3[] = {"MP3"};

constexpr sv kSampleRates[] = {"44100 Hz", "48000 Hz", "22050 Hz", "32000 Hz"};
constexpr sv kAudioBitRates[] = {"64 kbps", "96 kbps", "128 kbps", "160 kbps", "192 kbps", "256 kbps", "320 kbps"};
constexpr sv kChannels[] = {"1 Channel Mono", "2 Channel Stereo"};

constexpr SelectionDefaults Video(int w, int h, sv fps, int vbr, sv venc)
{
    return {w, h, fps, vbr, venc, "AAC", 48000, 2, 128000};
}

constexpr SelectionDefaults Audio(sv aenc, int rate, int abr)
{
    return {0, 0, {}, 0, {}, aenc, rate, 2, abr};
}

constexpr DialogChoices VideoDialog(sv title, std::span<const sv> res, std::span<const sv> venc,
                                    std::span<const sv> vbr, sv fps, sv defaultVbr)
{
    return {title, res, kFrameRates, vbr, venc, kAac, fps, defaultVbr};
}

constexpr DialogChoices AudioDialog(sv title, std::span<const sv> aenc)
{
    return {title, {}, {}, {}, {}, aenc, {}, {}};
}

constexpr Profile kProfiles[kProfileCount] = {
    {0, " iPod H.264(*.mp4)", 90400, false, Video(320, 240, "29.97 fps", 2000000, "H.264"),
     VideoDialog("iPod H.264(*.mp4)", kRes320, kH264, kBitRates1, "29.97 fps", "2000 kbps")},
    {1, " iPod H.264 for TV(*.mp4)", 90401, false, Video(640, 480, "29.97 fps", 2000000, "H.264"),
     VideoDialog("iPod H.264 for TV(*.mp4)", kRes640, kH264, kBitRates1, "29.97 fps", "2000 kbps")},
    {2, " iPod  MPEG4 Video(*.mp4)", 90402, false, Video(320, 240, "29.97 fps", 1000000, "MPEG4"),
     VideoDialog("iPod MPEG4 Video(*.MP4)", kRes320, kMpeg4, kBitRates2, "29.97 fps", "512 kbps")},
    {3, " iPod  MPEG4 Video for TV(*.mp4)", 90403, false, Video(640, 480, "29.97 fps", 2000000, "MPEG4"),
     VideoDialog("iPod MPEG4 Video for TV(*.MP4)", kRes640, kMpeg4, kBitRates2, "29.97 fps", "512 kbps")},
    {4, " iPod nano5 H.264 Video(*.mp4)", 90404, false, Video(374, 240, "30.0 fps", 2000000, "H.264"),
     VideoDialog("iPod nano5 H.264 Video(*.MP4)", kRes374, kH264, kBitRates3, "30.0 fps", "512 kbps")},
    {5, " iPod nano5 MPEG4 Video(*.mp4)", 90405, false, Video(374, 240, "30.0 fps", 2000000, "MPEG4"),
     VideoDialog("iPod nano5 MPEG4 Video(*.MP4)", kRes374, kMpeg4, kBitRates4, "30.0 fps", "640 kbps")},
    {6, " iPod touch H.264(*.mp4)", 90406, false, Video(480, 320, "29.97 fps", 512000, "H.264"),
     VideoDialog("iPod touch H.264 Video(*.MP4)", kRes480, kH264, kBitRates1, "29.97 fps", "2000 kbps")},
    {7, " iPod touch H.264 AVC for TV(*.mp4)", 90407, false, Video(640, 480, "29.97 fps", 512000, "H.264"),
     VideoDialog("iPod touch H.264 Video for TV(*.MP4)", kRes640, kH264, kBitRates1, "29.97 fps", "2000 kbps")},
    {8, " iPod touch MPEG4 Video(*.mp4)", 90408, false, Video(480, 320, "29.97 fps", 512000, "MPEG4"),
     VideoDialog("iPod touch MPEG4(*.mp4)", kRes480, kMpeg4, kBitRates5, "29.97 fps", "1000 kbps")},
    {9, " iPod touch MPEG4 Video for TV(*.mp4)", 90409, false, Video(640, 480, "29.97 fps", 640000, "MPEG4"),
     VideoDialog("iPod touch MPEG4 for TV(*.mp4)", kRes640, kMpeg4, kBitRates5, "29.97 fps", "1000 kbps")},
    {10, " AAC -Advanced Audio Coding(*.aac)", 90100, true, Audio("AAC", 48000, 192000),
     AudioDialog("AAC -Advanced Audio Codec(*.aac)", kAac)},
    {11, " MP3 -MPEG Layer-3 Audio(*.mp3)", 90106, true, Audio("MP3", 44100, 128000),
     AudioDialog("MP3 - MPEG Layer-3 Audio(*.MP3)", kMp3)},
    {12, " M4A -MPEG4 Audio(*.m4a)", 90104, true, Audio("AAC", 48000, 192000),
     AudioDialog("M4A - MPEG-4 Audio(*.m4a)", kAac)},
};

} // namespace

std::span<const Profile> Profiles()
{
    return kProfiles;
}

const Profile *ProfileByIndex(int index)
{
    return index >= 0 && index < kProfileCount ? &kProfiles[index] : nullptr;
}

const Profile *ProfileByType(std::int32_t type)
{
    for (const Profile &p : kProfiles)
        if (p.type == type)
            return &p;
    return nullptr;
}

const Profile *ProfileByDisplayText(std::string_view text)
{
    for (const Profile &p : kProfiles)
        if (p.displayText == text)
            return &p;
    return nullptr;
}

std::span<const std::string_view> SampleRateTexts()
{
    return kSampleRates;
}

std::span<const std::string_view> AudioBitRateTexts()
{
    return kAudioBitRates;
}

std::span<const std::string_view> ChannelTexts()
{
    return kChannels;
}

} // namespace zentrova
