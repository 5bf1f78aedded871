#include "profiles/OutputSettings.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/ValueText.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

using namespace zentrova;

namespace {

std::vector<std::string> Texts(std::span<const std::string_view> list)
{
    return {list.begin(), list.end()};
}

} // namespace

TEST(ProfileCatalogue, DisplayTextsTypesAndOrder)
{
    struct Row {
        const char *text;
        int type;
        bool audioOnly;
        const char *ext;
    };
    const Row rows[kProfileCount] = {
        {" iPod H.264(*.mp4)", 90400, false, ".mp4"},
        {" iPod H.264 for TV(*.mp4)", 90401, false, ".mp4"},
        {" iPod  MPEG4 Video(*.mp4)", 90402, false, ".mp4"},
        {" iPod  MPEG4 Video for TV(*.mp4)", 90403, false, ".mp4"},
        {" iPod nano5 H.264 Video(*.mp4)", 90404, false, ".mp4"},
        {" iPod nano5 MPEG4 Video(*.mp4)", 90405, false, ".mp4"},
        {" iPod touch H.264(*.mp4)", 90406, false, ".mp4"},
        {" iPod touch H.264 AVC for TV(*.mp4)", 90407, false, ".mp4"},
        {" iPod touch MPEG4 Video(*.mp4)", 90408, false, ".mp4"},
        {" iPod touch MPEG4 Video for TV(*.mp4)", 90409, false, ".mp4"},
        {" AAC -Advanced Audio Coding(*.aac)", 90100, true, ".aac"},
        {" MP3 -MPEG Layer-3 Audio(*.mp3)", 90106, true, ".mp3"},
        {" M4A -MPEG4 Audio(*.m4a)", 90104, true, ".m4a"},
    };
    ASSERT_EQ(Profiles().size(), static_cast<std::size_t>(kProfileCount));
    for (int i = 0; i < kProfileCount; ++i) {
        const Profile &p = Profiles()[i];
        EXPECT_EQ(p.index, i);
        EXPECT_EQ(p.displayText, rows[i].text) << i;
        EXPECT_EQ(p.type, rows[i].type) << i;
        EXPECT_EQ(p.audioOnly, rows[i].audioOnly) << i;
        EXPECT_EQ(ProfileExtension(p.displayText), rows[i].ext) << i;
        EXPECT_EQ(ProfileByType(p.type), &p);
        EXPECT_EQ(ProfileByDisplayText(p.displayText), &p);
        EXPECT_EQ(ProfileByIndex(i), &p);
    }
    EXPECT_EQ(ProfileByIndex(-1), nullptr);
    EXPECT_EQ(ProfileByIndex(13), nullptr);
    EXPECT_EQ(ProfileByType(0), nullptr);
    EXPECT_EQ(ProfileByDisplayText("iPod H.264(*.mp4)"), nullptr);
}

TEST(ProfileCatalogue, SelectionDefaults)
{
    struct Row {
        int type, w, h;
        const char *fps;
        int vbr;
        const char *venc;
    };
    const Row video[] = {
        {90400, 320, 240, "29.97 fps", 2000000, "H.264"}, {90401, 640, 480, "29.97 fps", 2000000, "H.264"},
        {90402, 320, 240, "29.97 fps", 1000000, "MPEG4"}, {90403, 640, 480, "29.97 fps", 2000000, "MPEG4"},
        {90404, 374, 240, "30.0 fps", 2000000, "H.264"},  {90405, 374, 240, "30.0 fps", 2000000, "MPEG4"},
        {90406, 480, 320, "29.97 fps", 512000, "H.264"},  {90407, 640, 480, "29.97 fps", 512000, "H.264"},
        {90408, 480, 320, "29.97 fps", 512000, "MPEG4"},  {90409, 640, 480, "29.97 fps", 640000, "MPEG4"},
    };
    for (const Row &r : video) {
        const Profile *p = ProfileByType(r.type);
        ASSERT_NE(p, nullptr);
        OutputSettings s;
        ASSERT_TRUE(ApplyProfileSelection(s, p->index));
        EXPECT_EQ(s.ProfileType, r.type);
        EXPECT_FALSE(s.AudioOnly);
        EXPECT_EQ(s.Width, r.w) << r.type;
        EXPECT_EQ(s.Height, r.h) << r.type;
        EXPECT_EQ(s.FrameRate, r.fps) << r.type;
        EXPECT_EQ(s.VideoBitRate, r.vbr) << r.type;
        EXPECT_EQ(s.VideoEncoder, r.venc) << r.type;
        EXPECT_EQ(s.AudioEncoder, "AAC");
        EXPECT_EQ(s.SampleRate, 48000);
        EXPECT_EQ(s.Channels, 2);
        EXPECT_EQ(s.AudioBitRate, 128000);
        // Every frame-rate and encoder text the catalogue writes is one the Convert command knows.
        EXPECT_TRUE(FrameRateFromText(s.FrameRate).has_value());
        EXPECT_TRUE(VideoCodecIdFromText(s.VideoEncoder).has_value());
        EXPECT_TRUE(AudioCodecIdFromText(s.AudioEncoder).has_value());
    }
}

TEST(ProfileCatalogue, StartUpValues)
{
    OutputSettings s;
    ASSERT_TRUE(ApplyProfileSelection(s, 0));
    EXPECT_EQ(s.ProfileType, 90400);
    EXPECT_FALSE(s.AudioOnly);
    EXPECT_EQ(s.Width, 320);
    EXPECT_EQ(s.Height, 240);
    EXPECT_EQ(s.FrameRate, "29.97 fps");
    EXPECT_EQ(s.VideoBitRate, 2000000);
    EXPECT_EQ(s.VideoEncoder, "H.264");
    EXPECT_EQ(s.AudioEncoder, "AAC");
    EXPECT_EQ(s.SampleRate, 48000);
    EXPECT_EQ(s.Channels, 2);
    EXPECT_EQ(s.AudioBitRate, 128000);
}

TEST(ProfileCatalogue, AudioOnlyProfilesKeepVideoFields)
{
    OutputSettings s;
    ApplyProfileSelection(s, ProfileByType(90406)->index);
    ASSERT_TRUE(ApplyProfileSelection(s, ProfileByType(90106)->index));
    EXPECT_EQ(s.ProfileType, 90106);
    EXPECT_TRUE(s.AudioOnly);
    EXPECT_EQ(s.Width, 480);
    EXPECT_EQ(s.Height, 320);
    EXPECT_EQ(s.FrameRate, "29.97 fps");
    EXPECT_EQ(s.VideoBitRate, 512000);
    EXPECT_EQ(s.VideoEncoder, "H.264");
    EXPECT_EQ(s.AudioEncoder, "MP3");
    EXPECT_EQ(s.SampleRate, 44100);
    EXPECT_EQ(s.Channels, 2);
    EXPECT_EQ(s.AudioBitRate, 128000);

    for (int type : {90100, 90104}) {
        ASSERT_TRUE(ApplyProfileSelection(s, ProfileByType(type)->index));
        EXPECT_TRUE(s.AudioOnly);
        EXPECT_EQ(s.AudioEncoder, "AAC");
        EXPECT_EQ(s.SampleRate, 48000);
        EXPECT_EQ(s.AudioBitRate, 192000);
        EXPECT_EQ(s.Width, 480);
    }

    // Back to a video profile: audio-only is cleared.
    ASSERT_TRUE(ApplyProfileSelection(s, 2));
    EXPECT_FALSE(s.AudioOnly);
    EXPECT_EQ(s.VideoBitRate, 1000000);
}

TEST(ProfileCatalogue, NoSelectionChangesOnlyAudioOnly)
{
    OutputSettings s;
    ApplyProfileSelection(s, 11);
    const OutputSettings before = s;
    EXPECT_FALSE(ApplyProfileSelection(s, -1));
    EXPECT_FALSE(s.AudioOnly);
    EXPECT_EQ(s.ProfileType, before.ProfileType);
    EXPECT_EQ(s.AudioEncoder, before.AudioEncoder);
}

TEST(ProfileCatalogue, DialogChoices)
{
    struct Row {
        int type;
        const char *title, *res, *venc;
        std::vector<std::string> bitRates;
        const char *fps, *vbr;
    };
    const std::vector<std::string> l1 = {"900 kbps", "1500 kbps", "2000 kbps", "2500 kbps", "3000 kbps", "4000 kbps"};
    const std::vector<std::string> l2 = {"128 kbps", "256 kbps", "384 kbps", "512 kbps",
                                         "640 kbps", "768 kbps", "900 kbps", "1500 kbps"};
    const std::vector<std::string> l3 = {"256 kbps", "384 kbps", "512 kbps", "640 kbps",
                                         "768 kbps", "1000 kbps", "1200 kbps"};
    std::vector<std::string> l4 = l3;
    l4.push_back("1500 kbps");
    const std::vector<std::string> l5 = {"512 kbps", "800 kbps", "1000 kbps", "1500 kbps", "2000 kbps"};
    const Row rows[] = {
        {90400, "iPod H.264(*.mp4)", "320*240", "H.264", l1, "29.97 fps", "2000 kbps"},
        {90401, "iPod H.264 for TV(*.mp4)", "640*480", "H.264", l1, "29.97 fps", "2000 kbps"},
        {90402, "iPod MPEG4 Video(*.MP4)", "320*240", "MPEG4", l2, "29.97 fps", "512 kbps"},
        {90403, "iPod MPEG4 Video for TV(*.MP4)", "640*480", "MPEG4", l2, "29.97 fps", "512 kbps"},
        {90404, "iPod nano5 H.264 Video(*.MP4)", "374*240", "H.264", l3, "30.0 fps", "512 kbps"},
        {90405, "iPod nano5 MPEG4 Video(*.MP4)", "374*240", "MPEG4", l4, "30.0 fps", "640 kbps"},
        {90406, "iPod touch H.264 Video(*.MP4)", "480*320", "H.264", l1, "29.97 fps", "2000 kbps"},
        {90407, "iPod touch H.264 Video for TV(*.MP4)", "640*480", "H.264", l1, "29.97 fps", "2000 kbps"},
        {90408, "iPod touch MPEG4(*.mp4)", "480*320", "MPEG4", l5, "29.97 fps", "1000 kbps"},
        {90409, "iPod touch MPEG4 for TV(*.mp4)", "640*480", "MPEG4", l5, "29.97 fps", "1000 kbps"},
    };
    const std::vector<std::string> f = {"15.0 fps", "20.0 fps", "23.975 fps", "24.0 fps",
                                        "25.0 fps", "29.97 fps", "30.0 fps"};
    for (const Row &r : rows) {
        const DialogChoices &d = ProfileByType(r.type)->dialog;
        EXPECT_EQ(d.title, r.title);
        EXPECT_EQ(Texts(d.resolutions), std::vector<std::string>{r.res});
        EXPECT_EQ(Texts(d.videoEncoders), std::vector<std::string>{r.venc});
        EXPECT_EQ(Texts(d.videoBitRates), r.bitRates) << r.type;
        EXPECT_EQ(Texts(d.frameRates), f);
        EXPECT_EQ(Texts(d.audioEncoders), std::vector<std::string>{"AAC"});
        EXPECT_EQ(d.defaultFrameRate, r.fps);
        EXPECT_EQ(d.defaultVideoBitRate, r.vbr);
    }
    // The selection default of " iPod  MPEG4 Video(*.mp4)" is not among its dialog entries.
    const Profile *mpeg4 = ProfileByType(90402);
    const auto list = Texts(mpeg4->dialog.videoBitRates);
    EXPECT_EQ(std::set<std::string>(list.begin(), list.end()).count("1000 kbps"), 0u);

    struct Audio {
        int type;
        const char *title, *enc;
    };
    for (const Audio &a : {Audio{90100, "AAC -Advanced Audio Codec(*.aac)", "AAC"},
                           Audio{90104, "M4A - MPEG-4 Audio(*.m4a)", "AAC"},
                           Audio{90106, "MP3 - MPEG Layer-3 Audio(*.MP3)", "MP3"}}) {
        const DialogChoices &d = ProfileByType(a.type)->dialog;
        EXPECT_EQ(d.title, a.title);
        EXPECT_TRUE(d.resolutions.empty());
        EXPECT_TRUE(d.frameRates.empty());
        EXPECT_TRUE(d.videoBitRates.empty());
        EXPECT_TRUE(d.videoEncoders.empty());
        EXPECT_EQ(Texts(d.audioEncoders), std::vector<std::string>{a.enc});
        EXPECT_TRUE(d.defaultFrameRate.empty());
        EXPECT_TRUE(d.defaultVideoBitRate.empty());
    }
}

TEST(ProfileCatalogue, AudioListsOfTheSettingsDialog)
{
    EXPECT_EQ(Texts(SampleRateTexts()), (std::vector<std::string>{"44100 Hz", "48000 Hz", "22050 Hz", "32000 Hz"}));
    EXPECT_EQ(Texts(AudioBitRateTexts()), (std::vector<std::string>{"64 kbps", "96 kbps", "128 kbps", "160 kbps",
                                                                      "192 kbps", "256 kbps", "320 kbps"}));
    EXPECT_EQ(Texts(ChannelTexts()), (std::vector<std::string>{"1 Channel Mono", "2 Channel Stereo"}));
    EXPECT_EQ(SampleRateTexts()[kDefaultSampleRatePos], "44100 Hz");
    EXPECT_EQ(AudioBitRateTexts()[kDefaultAudioBitRatePos], "192 kbps");
    EXPECT_EQ(ChannelTexts()[kDefaultChannelPos], "2 Channel Stereo");
}
