#include "engine/OpenedSource.h"
#include "engine/ProbeMedia.h"
#include "engine/SourceInput.h"
#include "tests/engine/ConvertTestSupport.h"
#include "tests/engine/MediaCheck.h"
#include "tests/support/TestMedia.h"

extern "C" {
#include <libavutil/avutil.h>
}

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

using namespace zentrova;
using zentrova::test::MediaPath;

namespace {

struct Expected {
    const char *file;
    int width, height, videoCodec, fpsNum, fpsDen, sourceFps;
    int audioCodec, sampleRate, channels;
    int durationSeconds;
};

void PrintTo(const Expected &e, std::ostream *os)
{
    *os << e.file;
}

} // namespace

class ProbeValid : public ::testing::TestWithParam<Expected> {};

TEST_P(ProbeValid, ReadsStreamParameters)
{
    const Expected &e = GetParam();
    const MediaProbe p = ProbeMedia(MediaPath(e.file));
    ASSERT_EQ(p.result, kProbeOk);
    EXPECT_TRUE(p.Usable());
    EXPECT_EQ(p.width, e.width);
    EXPECT_EQ(p.height, e.height);
    EXPECT_EQ(p.videoCodecId, e.videoCodec);
    EXPECT_EQ(p.frameRateNum, e.fpsNum);
    EXPECT_EQ(p.frameRateDen, e.fpsDen);
    EXPECT_EQ(p.fps, e.sourceFps);
    if (!e.videoCodec) {
        EXPECT_EQ(p.videoBitRate, 0);
    }
    EXPECT_EQ(p.audioCodecId, e.audioCodec);
    EXPECT_EQ(p.sampleRate, e.sampleRate);
    EXPECT_EQ(p.channels, e.channels);
    if (!e.audioCodec) {
        EXPECT_EQ(p.audioBitRate, 0);
    }
    EXPECT_EQ(p.startSeconds, 0);
    EXPECT_EQ(p.durationSeconds, e.durationSeconds);
    EXPECT_EQ(p.durationSeconds, p.duration / 1000000);
    EXPECT_GE(p.duration, e.durationSeconds * 1000000LL);
}

INSTANTIATE_TEST_SUITE_P(
    Media, ProbeValid,
    ::testing::Values(
        Expected{"h264_aac_stereo_12s.mp4", 320, 240, 28, 25, 1, 25, 0x15002, 48000, 2, 12},
        Expected{"name with spaces ÄÖü 视频.mp4", 320, 240, 28, 25, 1, 25, 0x15002, 48000, 2, 12},
        Expected{"mpeg2_ac3_5_1.ts", 352, 288, 2, 25, 1, 25, 0x15003, 48000, 6, 5},
        Expected{"mpeg4_mp3.avi", 320, 240, 13, 25, 1, 25, 0x15001, 44100, 2, 5},
        // The last audio stream is the one reported: AAC mono at 44.1 kHz, not Vorbis at 48 kHz.
        Expected{"two_audio_streams.mkv", 320, 240, 28, 25, 1, 25, 0x15002, 44100, 1, 5},
        Expected{"audio_only.mp3", 0, 0, 0, 0, 0, 0, 0x15001, 44100, 2, 6},
        Expected{"audio_only.flac", 0, 0, 0, 0, 0, 0, 0x1500E, 44100, 2, 4},
        Expected{"audio_only.wav", 0, 0, 0, 0, 0, 0, 0x10000, 22050, 1, 3},
        Expected{"audio_only.ogg", 0, 0, 0, 0, 0, 0, 0x15005, 44100, 2, 4},
        // Cover art is a still picture, not a video: the file reads as audio only.
        Expected{"audio_with_cover.mp3", 0, 0, 0, 0, 0, 0, 0x15001, 44100, 2, 6},
        Expected{"video_only.mp4", 320, 240, 28, 25, 1, 25, 0, 0, 0, 4},
        // A rate above 1000 fps is a broken header: read as 30000/1001.
        Expected{"fps_30000.mp4", 160, 120, 13, 30000, 1001, 29, 0, 0, 0, 0},
        Expected{"fps_359_12.avi", 160, 120, 13, 359, 12, 29, 0, 0, 0, 3}));

TEST(ProbeMedia, BitRatesOfTheSource)
{
    const MediaProbe p = ProbeMedia(MediaPath("h264_aac_stereo_12s.mp4"));
    ASSERT_EQ(p.result, kProbeOk);
    EXPECT_GT(p.videoBitRate, 0);
    EXPECT_NEAR(p.audioBitRate, 128000, 16000);
}

TEST(ProbeMedia, StreamWithoutDurationIsNotUsable)
{
    const MediaProbe p = ProbeMedia(MediaPath("no_duration.h264"));
    EXPECT_EQ(p.result, kProbeOk);
    EXPECT_EQ(p.duration, AV_NOPTS_VALUE);
    EXPECT_LT(p.durationSeconds, 0);
    EXPECT_EQ(p.videoCodecId, 28);
    EXPECT_FALSE(p.Usable());
}

TEST(ProbeMedia, BrokenFilesFailToOpenAndCarryNoFacts)
{
    for (const std::string &file :
         {MediaPath("zero_bytes.mp4"), MediaPath("random_bytes.avi"), MediaPath("truncated.mp4"),
          MediaPath("does_not_exist.mp4"), std::string()}) {
        const MediaProbe p = ProbeMedia(file);
        EXPECT_TRUE(p.result == kProbeOpenFailed || p.result == kProbeStreamInfoFailed) << file << " gave " << p.result;
        EXPECT_FALSE(p.Usable()) << file;
        EXPECT_EQ(p.videoCodecId, 0) << file;
        EXPECT_EQ(p.audioCodecId, 0) << file;
    }
}

// The command line's probe leaves the file open for its conversion; the conversion must not tell.
TEST(ProbeMedia, AKeptSourceIsTakenOnceWhileUnchangedAndConvertsToTheSameFile)
{
    const std::string dir = test::ScratchDir("kept-source");
    const std::string source = dir + "/source.mp4";
    std::filesystem::copy_file(MediaPath("short_h264_aac_3s.mp4"), source);
    constexpr int kMp3 = 11;

    ASSERT_TRUE(ProbeMedia(source, true).Usable());
    EXPECT_FALSE(TakeOpenedSource(MediaPath("short_h264_aac_3s.mp4")));
    EXPECT_TRUE(TakeOpenedSource(source));
    EXPECT_FALSE(TakeOpenedSource(source));

    ASSERT_TRUE(ProbeMedia(source, true).Usable());
    std::filesystem::last_write_time(source, std::filesystem::last_write_time(source) + std::chrono::seconds(5));
    EXPECT_FALSE(TakeOpenedSource(source));

    auto fresh = test::ConvertRows({test::RowFor(source)}, kMp3, dir + "/fresh");
    ASSERT_TRUE(ProbeMedia(source, true).Usable());
    auto kept = test::ConvertRows({test::RowFor(source)}, kMp3, dir + "/kept");
    EXPECT_FALSE(TakeOpenedSource(source));  // the conversion took it
    ASSERT_EQ(fresh->TaskStatus[0].load(), kTaskCompleted);
    ASSERT_EQ(kept->TaskStatus[0].load(), kTaskCompleted);
    EXPECT_EQ(test::FileBytes(fresh->OutputPaths[0]), test::FileBytes(kept->OutputPaths[0]));
}

// A stop request must still cut short the reads of a source the probe opened.
TEST(ProbeMedia, AKeptSourceHearsItsNewReadersStopRequest)
{
    const std::string source = MediaPath("long_h264_aac_30s.mp4");
    ASSERT_TRUE(ProbeMedia(source, true).Usable());
    bool stop = false;
    const AVIOInterruptCB interrupt{[](void *flag) { return *static_cast<bool *>(flag) ? 1 : 0; }, &stop};
    SourceInput input;
    ASSERT_TRUE(input.Open(source, interrupt).ok());
    EXPECT_FALSE(TakeOpenedSource(source));  // the input took it over
    stop = true;
    AVPacket *packet = av_packet_alloc();
    int ret = 0;
    while ((ret = input.ReadPacket(packet)) >= 0)
        av_packet_unref(packet);
    av_packet_free(&packet);
    EXPECT_EQ(ret, AVERROR_EXIT);
}
