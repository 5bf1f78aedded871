#include "profiles/ValueText.h"

#include <gtest/gtest.h>

using namespace zentrova;

TEST(ValueText, ParsesBitAndSampleRates)
{
    EXPECT_EQ(ParseValueText("2000 kbps"), 2000000);
    EXPECT_EQ(ParseValueText("4.75 kbps"), 4750);
    EXPECT_EQ(ParseValueText("0.0015 kbps"), 1);
    EXPECT_EQ(ParseValueText("192 kbps"), 192000);
    EXPECT_EQ(ParseValueText("48000 Hz"), 48000);
    EXPECT_EQ(ParseValueText("44100 Hz"), 44100);
    EXPECT_EQ(ParseValueText(""), 0);
    EXPECT_EQ(ParseValueText("2000"), 0);
    EXPECT_EQ(ParseValueText("29.97 fps"), 0);
    EXPECT_EQ(ParseValueText("abc kbps"), 0);
    // " kbps" wins over " Hz" and only its first occurrence counts.
    EXPECT_EQ(ParseValueText("5 kbps 7 Hz"), 5000);
    EXPECT_GT(ParseValueText("99999999999 kbps"), 0);
}

TEST(ValueText, ParsesResolutionAndChannels)
{
    auto r = ParseResolutionText("320*240");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->width, 320);
    EXPECT_EQ(r->height, 240);
    r = ParseResolutionText("374*240*9");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->width, 374);
    EXPECT_EQ(r->height, 240);
    EXPECT_FALSE(ParseResolutionText(""));
    EXPECT_FALSE(ParseResolutionText("320x240"));
    EXPECT_FALSE(ParseResolutionText("*240"));
    EXPECT_FALSE(ParseResolutionText("320*"));

    EXPECT_EQ(ParseChannelText("1 Channel Mono"), 1);
    EXPECT_EQ(ParseChannelText("2 Channel Stereo"), 2);
    EXPECT_EQ(ParseChannelText("5.1 Channel"), 6);
    EXPECT_FALSE(ParseChannelText("2 Channel stereo"));
    EXPECT_FALSE(ParseChannelText(""));
}

TEST(ValueText, ValuesInEffectBecomeTheTextsTheParsersRead)
{
    const std::pair<int, const char *> bitRates[] = {
        {2000000, "2000 kbps"}, {128000, "128 kbps"}, {4750, "4.75 kbps"}, {1, "0.001 kbps"}, {0, ""}, {-5, ""}};
    for (const auto &[value, text] : bitRates) {
        EXPECT_EQ(BitRateText(value), text) << value;
        if (value > 0) {
            EXPECT_EQ(ParseValueText(BitRateText(value)), value) << value;
        }
    }
    EXPECT_EQ(SampleRateText(48000), "48000 Hz");
    EXPECT_EQ(ParseValueText(SampleRateText(22050)), 22050);
    EXPECT_EQ(SampleRateText(0), "");
    EXPECT_EQ(ResolutionText(374, 240), "374*240");
    EXPECT_EQ(ResolutionText(0, 240), "");
    for (int channels : {1, 2, 6})
        EXPECT_EQ(ParseChannelText(ChannelText(channels)), channels);
    EXPECT_EQ(ChannelText(4), "");
}

TEST(ValueText, FrameRateTable)
{
    const std::pair<const char *, double> rows[] = {
        {"10.0 fps", 10.0}, {"12.0 fps", 12.0},   {"14.985 fps", 14.985}, {"15.0 fps", 15.0},
        {"20.0 fps", 20.0}, {"23.975 fps", 23.975}, {"24.0 fps", 24.0},   {"25.0 fps", 25.0},
        {"29.97 fps", 29.97}, {"30.0 fps", 30.0}, {"50.0 fps", 50.0},     {"60.0 fps", 60.0},
    };
    for (const auto &[text, value] : rows)
        EXPECT_EQ(FrameRateFromText(text), value) << text;
    for (const char *text : {"", "30 fps", "29.97fps", "29.97 FPS", " 25.0 fps", "18.0 fps"})
        EXPECT_FALSE(FrameRateFromText(text)) << text;
}

TEST(ValueText, EncoderTables)
{
    const std::pair<const char *, int> video[] = {
        {"MPEG4", 13}, {"H.264", 28}, {"H.263", 5}, {"DivX", 17}, {"FLV", 22}, {"WMV1", 18}, {"WMV2", 19},
        {"MPEG1VIDEO", 1}, {"MPEG2VIDEO", 2}, {"DVVIDEO", 25}, {"RV20", 7}, {"M-JPEG", 8}, {"XVID", 63},
    };
    for (const auto &[text, id] : video)
        EXPECT_EQ(VideoCodecIdFromText(text), id) << text;
    const std::pair<const char *, int> audio[] = {
        {"AAC", 0x15002},      {"AC3", 0x15003},      {"AMR_NB", 0x12000},  {"MP3", 0x15001},
        {"MP2", 0x15000},      {"WMA7", 0x15007},     {"WMA8", 0x15008},    {"VORBIS", 0x15005},
        {"FLAC", 0x1500E},     {"PCM_S16LE", 0x10000}, {"PCM_S16BE", 0x10001}, {"PCM_S8", 0x10004},
        {"PCM_U8", 0x10005},   {"PCM_MULAW", 0x10006}, {"PCM_ALAW", 0x10007}, {"APE", 0x15023},
    };
    for (const auto &[text, id] : audio)
        EXPECT_EQ(AudioCodecIdFromText(text), id) << text;
    EXPECT_FALSE(VideoCodecIdFromText("h.264"));
    EXPECT_FALSE(VideoCodecIdFromText(""));
    EXPECT_FALSE(AudioCodecIdFromText("aac"));
    EXPECT_FALSE(AudioCodecIdFromText("H.264"));
}

TEST(ValueText, ProfileExtension)
{
    EXPECT_EQ(ProfileExtension(" iPod H.264(*.mp4)"), ".mp4");
    EXPECT_EQ(ProfileExtension(" iPod touch H.264 AVC for TV(*.mp4)"), ".mp4");
    EXPECT_EQ(ProfileExtension(" M4A -MPEG4 Audio(*.m4a)"), ".m4a");
    EXPECT_EQ(ProfileExtension("a*b(*.x)"), ".x");
    EXPECT_EQ(ProfileExtension("no star here"), "no star here");
    EXPECT_EQ(ProfileExtension("(*.mp4"), "(*.mp4");
    EXPECT_EQ(ProfileExtension(""), "");
}
