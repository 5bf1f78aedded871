// What makes an output play on the devices a profile names: key frames, sound levels, container,
// picture shape.
#include "engine/ConvertWorker.h"
#include "engine/DeviceTable.h"
#include "engine/MergeWorker.h"
#include "profiles/ValueText.h"
#include "tests/engine/ConvertTestSupport.h"
#include "tests/engine/MediaCheck.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace zentrova;
using namespace zentrova::test;

namespace {

// Key frames start the file and follow each other every 5 s or so, never more than 10 s apart.
void ExpectKeyFrameSpacing(const std::vector<double> &keys, double seconds)
{
    ASSERT_FALSE(keys.empty());
    EXPECT_NEAR(keys.front(), 0.0, 0.05);
    std::vector<double> ends = keys;
    ends.push_back(seconds);
    for (std::size_t i = 1; i < ends.size(); ++i)
        EXPECT_LE(ends[i] - ends[i - 1], 10.05) << "after the key frame at " << ends[i - 1];
    // About one every 5 s: none of the old every-12-frames spacing.
    EXPECT_LE(keys.size(), static_cast<std::size_t>(seconds / 4.0) + 2);
}

} // namespace

class KeyFrames : public ::testing::TestWithParam<int> {};

TEST_P(KeyFrames, AboutEveryFiveSeconds)
{
    const std::string out = ScratchDir("keys-" + std::to_string(GetParam()));
    auto job = ConvertRows({RowFor(MediaPath("h264_aac_stereo_12s.mp4"))}, GetParam(), out);
    ASSERT_EQ(job->TaskStatus[0].load(), kTaskCompleted);
    ExpectKeyFrameSpacing(KeyFrameTimes(job->OutputPaths[0]), 12.0);
}

// H.264 and MPEG-4.
INSTANTIATE_TEST_SUITE_P(Codecs, KeyFrames, ::testing::Values(0, 2));

// Also after a row without a picture, whose black gives the encoder no reason to start afresh.
TEST_P(KeyFrames, EveryMergedRowStartsWithOne)
{
    const std::string out = ScratchDir("keys-merge-" + std::to_string(GetParam()));
    auto job = FillMergeRows({RowFor(MediaPath("h264_aac_stereo_12s.mp4")), RowFor(MediaPath("audio_only.mp3")),
                              RowFor(MediaPath("square_16x9.mp4"))},
                             GetParam(), out);
    MergeWorker(*job);
    ASSERT_EQ(job->TaskStatus[2].load(), kTaskCompleted);
    const std::vector<double> keys = KeyFrameTimes(job->OutputPaths[0]);
    const ProbeReport sound = Ffprobe(MediaPath("audio_only.mp3"));
    const double second = 12.0 + sound.Number(sound.format, "duration");
    ExpectKeyFrameSpacing(keys, second + 2.0);
    for (const double join : {12.0, second})
        EXPECT_TRUE(std::any_of(keys.begin(), keys.end(), [&](double t) { return std::fabs(t - join) < 0.05; }))
            << "no key frame at " << join;
}

class Downmix : public ::testing::TestWithParam<int> {};

TEST_P(Downmix, FullScaleFiveOneNeverClips)
{
    const std::string out = ScratchDir("downmix-" + std::to_string(GetParam()));
    auto job = ConvertRows({RowFor(MediaPath("pal_16x9_anamorphic_interlaced_ac3_5_1_fullscale.mpg"))}, GetParam(), out);
    ASSERT_EQ(job->TaskStatus[0].load(), kTaskCompleted);
    const AudioTrack track = DecodeAudio(job->OutputPaths[0]);
    ASSERT_EQ(track.channels, 2);
    float peak = 0;
    for (const float s : track.samples)
        peak = std::max(peak, std::fabs(s));
    // Below full scale, where a clipped mix (or one saturated into 16 bits) sits.
    EXPECT_LT(peak, 0.995f);
    // Still loud enough to hear: the mix of six in-phase full-scale channels is full scale.
    EXPECT_GT(peak, 0.5f);
}

// AAC in a video profile, MP3.
INSTANTIATE_TEST_SUITE_P(Encoders, Downmix, ::testing::Values(0, 11));

namespace {

// The white square's extent through the picture's centre.
struct Extent {
    int width = 0, height = 0, left = 0, top = 0;
};

Extent SquareAtCentre(const GrayPicture &p)
{
    const int cx = p.width / 2, cy = p.height / 2;
    int l = cx, r = cx, t = cy, b = cy;
    while (l > 0 && p.At(l - 1, cy) > 128)
        --l;
    while (r + 1 < p.width && p.At(r + 1, cy) > 128)
        ++r;
    while (t > 0 && p.At(cx, t - 1) > 128)
        --t;
    while (b + 1 < p.height && p.At(cx, b + 1) > 128)
        ++b;
    return {r - l + 1, b - t + 1, l, t};
}

struct ShapeCase {
    const char *source;
    PictureFit fit;
    double squareRatio;  // width / height the centre square shows in the 640x480 output
    int squareHeight;
};

} // namespace

class PictureShape : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(PictureShape, FitsTheFrameWithSquarePixels)
{
    const ShapeCase &c = GetParam();
    const std::string out = ScratchDir(std::string("shape-") + c.source + std::to_string(static_cast<int>(c.fit)));
    auto job = FillRows({RowFor(MediaPath(c.source))}, 1, out);
    job->Fit = c.fit;
    ConvertWorker(*job);
    ASSERT_EQ(job->TaskStatus[0].load(), kTaskCompleted);
    const ProbeReport r = Ffprobe(job->OutputPaths[0]);
    EXPECT_EQ(r.Stream("video")->at("sample_aspect_ratio"), "1:1");
    const GrayPicture p = PictureAt(job->OutputPaths[0], 0.0);
    ASSERT_EQ(p.width, 640);
    ASSERT_EQ(p.height, 480);
    const Extent e = SquareAtCentre(p);
    EXPECT_NEAR(static_cast<double>(e.width) / e.height, c.squareRatio, c.squareRatio * 0.02);
    EXPECT_NEAR(e.height, c.squareHeight, 3);
    // Kept in the middle: bars (or the cut) are shared equally.
    EXPECT_NEAR(e.left + e.width / 2.0, 320, 3);
    EXPECT_NEAR(e.top + e.height / 2.0, 240, 3);
}

// The square is half the source picture's height.
INSTANTIATE_TEST_SUITE_P(
    Sources, PictureShape,
    ::testing::Values(ShapeCase{"square_16x9.mp4", PictureFit::Pad, 1.0, 180},
                      ShapeCase{"pal_16x9_anamorphic_interlaced_ac3_5_1_fullscale.mpg", PictureFit::Pad, 1.0, 180},
                      ShapeCase{"square_portrait.mp4", PictureFit::Pad, 1.0, 240},
                      ShapeCase{"square_16x9_container_sar.mkv", PictureFit::Pad, 1.0, 180},
                      ShapeCase{"square_16x9.mp4", PictureFit::Crop, 1.0, 240},
                      ShapeCase{"square_16x9.mp4", PictureFit::Stretch, 0.75, 240}));

class Interlaced : public ::testing::TestWithParam<const char *> {};

TEST_P(Interlaced, PicturesAreNotMixedFromTwoMoments)
{
    // A white bar moves 10 output pixels between the fields. Scaled with its fields mixed, it
    // shows as two grey ghosts; deinterlaced, as one white bar with sharp edges.
    const std::string out = ScratchDir(std::string("interlaced-") + GetParam());
    auto job = ConvertRows({RowFor(MediaPath(GetParam()))}, 1, out);
    ASSERT_EQ(job->TaskStatus[0].load(), kTaskCompleted);
    // Deinterlaced pictures keep their times: the picture lasts as long as the 3 s or 4 s source.
    const std::vector<PacketInfo> packets = VideoPackets(job->OutputPaths[0]);
    ASSERT_FALSE(packets.empty());
    const double end = packets.back().seconds + packets.back().duration;
    EXPECT_NEAR(end, std::string(GetParam()).find("mjpeg") != std::string::npos ? 3.0 : 4.0, 0.1);
    for (const double t : {0.5, 1.0, 2.0}) {
        const GrayPicture p = PictureAt(job->OutputPaths[0], t);
        ASSERT_EQ(p.width, 640);
        int grey = 0, white = 0;
        for (int x = 0; x < p.width; ++x) {
            const int v = p.At(x, 100);
            grey += v > 60 && v < 190;
            white += v >= 190;
        }
        EXPECT_LE(grey, 6) << t;
        EXPECT_GE(white, 6) << t;
    }
}

// Pictures marked interlaced; pictures unmarked in a container whose field order says so.
INSTANTIATE_TEST_SUITE_P(Sources, Interlaced,
                         ::testing::Values("pal_16x9_anamorphic_interlaced_ac3_5_1_fullscale.mpg",
                                           "interlaced_unmarked_mjpeg.mov"));

namespace {

struct PeakCase {
    int profile;
    const char *videoBitRate;  // the highest the profile's dialog list offers, or its default where higher
    int maxKbps;
    int bufferKbits;
    bool merged = false;  // the source three times over, merged: the buffer must hold at the joins
};

} // namespace

class RatePeaks : public ::testing::TestWithParam<PeakCase> {};

TEST_P(RatePeaks, HardContentStaysWithinTheDecoderBuffer)
{
    const PeakCase &c = GetParam();
    const std::string out = ScratchDir("peaks-" + std::to_string(c.profile) + (c.merged ? "-merged" : ""));
    const auto tweak = [&](OutputSettings &s) { s.VideoBitRate = ParseValueText(c.videoBitRate); };
    const TaskRow row = RowFor(MediaPath("grain_640x480_30fps.mp4"));
    std::unique_ptr<AVConvert> job;
    if (c.merged) {
        job = FillMergeRows({row, row, row}, c.profile, out, tweak);
        MergeWorker(*job);
    } else {
        job = ConvertRows({row}, c.profile, out, tweak);
    }
    ASSERT_EQ(job->TaskStatus[c.merged ? 2 : 0].load(), kTaskCompleted);
    const std::vector<PacketInfo> packets = VideoPackets(job->OutputPaths[0]);
    ASSERT_GT(packets.size(), 100u);
    // A decoder whose buffer fills at the peak rate never runs dry: over any run of pictures the
    // bits are at most a full buffer plus what the peak rate brings in meanwhile.
    double worst = 0;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        double bits = 0;
        for (std::size_t j = i; j < packets.size(); ++j) {
            bits += packets[j].bytes * 8.0;
            const double span = packets[j].seconds + packets[j].duration - packets[i].seconds;
            worst = std::max(worst, bits - c.maxKbps * 1000.0 * span);
        }
    }
    EXPECT_LE(worst, c.bufferKbits * 1000.0);
}

INSTANTIATE_TEST_SUITE_P(Profiles, RatePeaks,
                         ::testing::Values(PeakCase{0, "4000 kbps", 1500, 2000}, PeakCase{0, "512 kbps", 768, 2000},
                                           PeakCase{1, "4000 kbps", 1500, 2000}, PeakCase{3, "1500 kbps", 2500, 1310},
                                           PeakCase{8, "2000 kbps", 2500, 1310},
                                           PeakCase{3, "2000 kbps", 2500, 1310, true}));

struct VerdictCase {
    OutputValues values;
    std::vector<int> devices;  // indexes into Devices()
    std::size_t caps;
    bool refused;
};

class Verdict : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(Verdict, NamesTheDevicesAndTheCaps)
{
    const VerdictCase &c = GetParam();
    const DeviceVerdict v = JudgeOutput(c.values);
    std::vector<std::string> names;
    for (const int i : c.devices)
        names.push_back(Devices()[static_cast<std::size_t>(i)].name);
    EXPECT_EQ(v.devices, names);
    EXPECT_EQ(v.caps.size(), c.caps);
    EXPECT_EQ(!v.refusal.empty(), c.refused);
}

constexpr int kAac = 0x15002;
INSTANTIATE_TEST_SUITE_P(
    Values, Verdict,
    ::testing::Values(
        // 320x240 H.264 at Level 1.3 rates plays everywhere; above them, from firmware 1.2 on.
        VerdictCase{{true, 28, 320, 240, 29.97, 512000, kAac, 48000, 2, 128000}, {0, 1, 2}, 0, false},
        VerdictCase{{true, 28, 320, 240, 29.97, 2000000, kAac, 48000, 2, 192000}, {1, 2}, 2, false},
        VerdictCase{{true, 28, 640, 480, 29.97, 1500000, kAac, 48000, 2, 128000}, {1, 2}, 0, false},
        VerdictCase{{true, 13, 640, 480, 29.97, 2000000, kAac, 48000, 2, 128000}, {2}, 0, false},
        VerdictCase{{true, 13, 320, 240, 29.97, 4000000, kAac, 48000, 2, 128000}, {0, 1, 2}, 1, false},
        VerdictCase{{true, 28, 720, 480, 29.97, 1500000, kAac, 48000, 2, 128000}, {}, 0, true},
        VerdictCase{{true, 28, 320, 240, 60, 1500000, kAac, 48000, 2, 128000}, {}, 0, true},
        // Audio-only files: AAC and MP3 up to 320 kb/s.
        VerdictCase{{false, 0, 0, 0, 0, 0, 0x15001, 44100, 2, 320000}, {0, 1, 2}, 0, false}));

TEST(PictureShape, EveryMergedRowKeepsItsOwnShape)
{
    const std::string out = ScratchDir("shape-merge");
    auto job = FillMergeRows({RowFor(MediaPath("square_16x9_container_sar.mkv")), RowFor(MediaPath("square_portrait.mp4"))},
                             1, out);
    MergeWorker(*job);
    ASSERT_EQ(job->TaskStatus[1].load(), kTaskCompleted);
    for (const double t : {0.5, 3.0}) {
        const GrayPicture p = PictureAt(job->OutputPaths[0], t);
        ASSERT_EQ(p.width, 640);
        const Extent e = SquareAtCentre(p);
        EXPECT_NEAR(static_cast<double>(e.width) / e.height, 1.0, 0.02) << t;
        EXPECT_NEAR(e.height, t < 2 ? 180 : 240, 3) << t;
    }
}
