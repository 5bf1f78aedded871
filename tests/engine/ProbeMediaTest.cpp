#include "AVConvert.h"
#include "TestMedia.h"

extern "C" {
#include <libavutil/avutil.h>
}

#include <gtest/gtest.h>

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

AVConvert &Probed(AVConvert &job, const std::string &file, int &result)
{
    job.ProbePath = MediaPath(file);
    result = job.ProbeMedia();
    return job;
}

} // namespace

class ProbeValid : public ::testing::TestWithParam<Expected> {};

TEST_P(ProbeValid, ReadsStreamParameters)
{
    const Expected &e = GetParam();
    AVConvert job;
    int result = 1;
    Probed(job, e.file, result);
    ASSERT_EQ(result, kProbeOk);
    EXPECT_EQ(job.SourceWidth, e.width);
    EXPECT_EQ(job.SourceHeight, e.height);
    EXPECT_EQ(job.VideoCodecId, e.videoCodec);
    if (e.videoCodec) {
        EXPECT_EQ(job.SourceFrameRateNum, e.fpsNum);
        EXPECT_EQ(job.SourceFrameRateDen, e.fpsDen);
        EXPECT_EQ(job.SourceFps, e.sourceFps);
    } else {
        EXPECT_EQ(job.VideoBitRate, 0);
    }
    EXPECT_EQ(job.AudioCodecId, e.audioCodec);
    EXPECT_EQ(job.SampleRate, e.sampleRate);
    EXPECT_EQ(job.Channels, e.channels);
    if (!e.audioCodec) {
        EXPECT_EQ(job.AudioBitRate, 0);
    }
    EXPECT_EQ(job.ProbeStartSeconds, 0);
    EXPECT_EQ(job.ProbeDurationSeconds, e.durationSeconds);
    EXPECT_EQ(job.ProbeDurationSeconds, job.ProbeDuration / 1000000);
    EXPECT_GE(job.ProbeDuration, e.durationSeconds * 1000000LL);
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
    AVConvert job;
    int result = 1;
    Probed(job, "h264_aac_stereo_12s.mp4", result);
    ASSERT_EQ(result, kProbeOk);
    EXPECT_GT(job.VideoBitRate, 0);
    EXPECT_NEAR(job.AudioBitRate, 128000, 16000);
}

TEST(ProbeMedia, StreamWithoutDurationIsRejectedByCallers)
{
    AVConvert job;
    int result = 1;
    Probed(job, "no_duration.h264", result);
    EXPECT_EQ(result, kProbeOk);
    EXPECT_EQ(job.ProbeDuration, AV_NOPTS_VALUE);
    EXPECT_LT(job.ProbeDurationSeconds, 0);
    EXPECT_EQ(job.VideoCodecId, 28);
}

TEST(ProbeMedia, BrokenFilesFailToOpen)
{
    for (const char *file : {"zero_bytes.mp4", "random_bytes.avi", "truncated.mp4", "does_not_exist.mp4"}) {
        AVConvert job;
        int result = 0;
        Probed(job, file, result);
        EXPECT_TRUE(result == kProbeOpenFailed || result == kProbeStreamInfoFailed) << file << " gave " << result;
    }
    AVConvert job;
    job.ProbePath = "";
    EXPECT_EQ(job.ProbeMedia(), kProbeOpenFailed);
}

TEST(ProbeMedia, FailedProbeLeavesEarlierValues)
{
    AVConvert job;
    int result = 1;
    Probed(job, "mpeg4_mp3.avi", result);
    ASSERT_EQ(result, kProbeOk);
    Probed(job, "random_bytes.avi", result);
    ASSERT_LT(result, 0);
    EXPECT_EQ(job.VideoCodecId, 13);
    EXPECT_EQ(job.SourceWidth, 320);
}

TEST(ProbeMedia, OverwritesEncoderParameters)
{
    // The probe shares fields with the encoder parameters; a batch must write them again afterwards.
    AVConvert job;
    job.VideoCodecId = 28;
    job.AudioCodecId = 0x15002;
    job.SampleRate = 48000;
    job.Channels = 2;
    int result = 1;
    Probed(job, "audio_only.wav", result);
    ASSERT_EQ(result, kProbeOk);
    EXPECT_EQ(job.VideoCodecId, 0);
    EXPECT_EQ(job.AudioCodecId, 0x10000);
    EXPECT_EQ(job.SampleRate, 22050);
    EXPECT_EQ(job.Channels, 1);
}
