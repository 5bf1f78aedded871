#include "profiles/MediaInfoFormat.h"

#include <gtest/gtest.h>

using namespace zentrova;

TEST(MediaInfoFormat, KilobitForm)
{
    EXPECT_EQ(KilobitText("128000"), "128 Kbps");
    EXPECT_EQ(KilobitText("127999"), "127 Kbps");
    EXPECT_EQ(KilobitText("0"), "0 Kbps");
    EXPECT_EQ(KilobitText("1500000"), "1500 Kbps");
    EXPECT_EQ(KilobitText(""), "");
}

TEST(MediaInfoFormat, FrameRateAndChannels)
{
    EXPECT_EQ(FrameRateText(30000, 1001), "29.97 fps");
    EXPECT_EQ(FrameRateText(25, 1), "25.00 fps");
    EXPECT_EQ(FrameRateText(5, 1), " 5.00 fps");
    EXPECT_EQ(FrameRateText(0, 0), " 0.00 fps");
    EXPECT_EQ(ChannelWords("1"), "1 Channel Mono");
    EXPECT_EQ(ChannelWords("2"), "2 Channel stereo");
    EXPECT_EQ(ChannelWords("6"), "6 Channel stereo");
    EXPECT_EQ(ChannelWords("4"), "4");
}

namespace {

MediaInfoTexts Sample()
{
    MediaInfoTexts t;
    t.path = "/home/user/video/clip.avi";
    t.mediaLength = "00:01:02";
    t.frameRate = "25.00 fps";
    t.width = "640";
    t.height = "480";
    t.videoCodecId = "13";
    t.audioCodecId = "86017";
    t.videoBitRate = "1500000";
    t.channels = "2";
    t.sampleRate = "44100";
    t.audioBitRate = "128000";
    return t;
}

} // namespace

TEST(MediaInfoFormat, FillsEveryField)
{
    const MediaInfoFields f = FormatMediaInfo(Sample());
    EXPECT_EQ(f.fileName, "clip.avi");
    EXPECT_EQ(f.mediaLength, "00:01:02");
    EXPECT_EQ(f.resolution, "640*480");
    EXPECT_EQ(f.frameRate, "25.00 fps");
    EXPECT_EQ(f.videoBitRate, "1500 Kbps");
    EXPECT_EQ(f.audioBitRate, "128 Kbps");
    EXPECT_EQ(f.samples, "44100 Hz");
    EXPECT_EQ(f.channel, "2 Channel stereo");
}

TEST(MediaInfoFormat, SourcesWithoutVideoOrAudioShowEmptyFields)
{
    MediaInfoTexts t = Sample();
    t.videoCodecId = "0";
    MediaInfoFields f = FormatMediaInfo(t);
    EXPECT_EQ(f.resolution, "");
    EXPECT_EQ(f.frameRate, "");
    EXPECT_EQ(f.videoBitRate, "");
    EXPECT_EQ(f.samples, "44100 Hz");

    t = Sample();
    t.audioCodecId = "0";
    f = FormatMediaInfo(t);
    EXPECT_EQ(f.audioBitRate, "");
    EXPECT_EQ(f.channel, "");
    EXPECT_EQ(f.samples, "");
    EXPECT_EQ(f.resolution, "640*480");

    t = Sample();
    t.path = "clip.avi";
    t.height.clear();
    f = FormatMediaInfo(t);
    EXPECT_EQ(f.fileName, "clip.avi");
    EXPECT_EQ(f.resolution, "");
}
