#include "engine/OutputFile.h"
#include "engine/TranscodeRules.h"
#include "engine/VideoTimeline.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

using namespace zentrova;
using Action = VideoTimeline::Action;

namespace {

VideoTimelineConfig Config(AVRational tb, int sourceFps)
{
    VideoTimelineConfig c;
    c.timeBase = tb;
    c.sourceFps = sourceFps;
    return c;
}

} // namespace

TEST(VideoTimeline, HalvingTheRateDropsEveryOtherFrame)
{
    VideoTimeline t(Config({1, 15}, 30));
    int kept = 0;
    for (int i = 0; i < 60; ++i) {
        const auto p = t.Place(i / 30.0);
        if (p.action == Action::Encode) {
            EXPECT_EQ(p.pts, kept);
            EXPECT_NEAR(p.pts / 15.0, i / 30.0, 1.0 / 15);
            ++kept;
        }
    }
    EXPECT_EQ(kept, 30);
    EXPECT_NEAR(t.position(), 2.0, 1e-9);
}

TEST(VideoTimeline, SlowerSourceLeavesGapsAndStaysOnTime)
{
    VideoTimeline t(Config({1001, 30000}, 25));
    std::int64_t last = -1;
    for (int i = 0; i < 250; ++i) {
        const double seconds = i / 25.0;
        const auto p = t.Place(seconds);
        ASSERT_EQ(p.action, Action::Encode);
        EXPECT_GT(p.pts, last);
        EXPECT_EQ(p.duration, last < 0 ? 1 : p.pts - last);
        // Each frame takes the slot at or just before its own time.
        EXPECT_LE(p.pts * 1001.0 / 30000, seconds + 1e-9);
        EXPECT_GT(p.pts * 1001.0 / 30000, seconds - 2 * 1001.0 / 30000);
        last = p.pts;
    }
}

TEST(VideoTimeline, FirstFrameStartsAtZero)
{
    VideoTimeline t(Config({1, 25}, 25));
    EXPECT_EQ(t.Place(0.0).pts, 0);
    EXPECT_EQ(t.Place(NAN).pts, 1);  // no timestamp: the next slot
}

TEST(VideoTimeline, TimestampJumpsDoNotStallOrStretchThePicture)
{
    VideoTimeline t(Config({1, 15}, 30));
    for (int i = 0; i < 60; ++i)
        t.Place(i / 30.0);
    const std::int64_t before = t.lastPts();
    // The source's clock restarts: frames go on instead of being dropped as too early.
    EXPECT_EQ(t.Place(0.0).action, Action::Encode);
    EXPECT_EQ(t.lastPts(), before + 1);
    // ... and a leap of an hour leaves no hour-long hole.
    t.Place(1.0 / 30);
    const auto p = t.Place(3600.0);
    EXPECT_EQ(p.action, Action::Encode);
    EXPECT_LE(p.pts, t.lastPts());
    EXPECT_LT(p.pts, 40);
}

TEST(VideoTimeline, OddSourcesFollowTheFrameCount)
{
    VideoTimelineConfig c = Config({12, 359}, 29);
    c.stampByCount = true;
    VideoTimeline t(c);
    for (int i = 0; i < 5; ++i) {
        const auto p = t.Place(100.0);  // times are ignored
        EXPECT_EQ(p.action, Action::Encode);
        EXPECT_EQ(p.pts, i);
        EXPECT_EQ(p.duration, 1);
    }
}

TEST(VideoTimeline, EndsAtTheClipEndAndCarriesAcrossRows)
{
    VideoTimelineConfig c = Config({1, 10}, 10);
    c.endSeconds = 0.5;
    VideoTimeline t(c);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(t.Place(i / 10.0).action, Action::Encode);
    EXPECT_EQ(t.Place(0.5).action, Action::PastEnd);
    EXPECT_EQ(t.lastPts(), 4);

    c.endSeconds = INFINITY;
    c.lastPts = 41;
    VideoTimeline next(c);
    EXPECT_EQ(next.Place(0.0).pts, 42);
}

TEST(VideoTimeline, MergedRowStartsWhereTheSoundLeftOff)
{
    // The row before had 12 s more sound than picture: the next picture waits for its place
    // rather than being taken for a jump in the source's clock.
    VideoTimelineConfig c = Config({1, 10}, 10);
    c.lastPts = 19;
    c.startSeconds = 14.0;
    VideoTimeline t(c);
    const auto first = t.Place(14.0);
    EXPECT_EQ(first.pts, 140);
    EXPECT_EQ(first.duration, 121);
    EXPECT_EQ(t.Place(14.1).pts, 141);
}

TEST(VideoTimeline, RealMediaKeepsEveryFrame)
{
    VideoTimelineConfig c = Config({1, 15}, 30);
    c.dropAllowed = false;
    VideoTimeline t(c);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(t.Place(i / 30.0).action, Action::Encode);
}

TEST(TranscodeRules, FrameRateTablesDiffer)
{
    auto tb = [](const TranscodeRules &r, double fps) { return TimeBaseForFrameRate(r, fps).value(); };
    EXPECT_EQ(av_cmp_q(tb(ConvertRules(), 25), AVRational{1, 25}), 0);
    EXPECT_EQ(av_cmp_q(tb(MergeRules(), 25), AVRational{1001, 25025}), 0);
    EXPECT_EQ(av_cmp_q(tb(ConvertRules(), 29.97), AVRational{1001, 30000}), 0);
    EXPECT_EQ(av_cmp_q(tb(ConvertRules(), 14.985), AVRational{1001, 15000}), 0);
    EXPECT_FALSE(TimeBaseForFrameRate(ConvertRules(), 0).has_value());
    EXPECT_FALSE(TimeBaseForFrameRate(ConvertRules(), 29.969).has_value());
}

TEST(UniqueOutputPath, CountsBeforeTheExtension)
{
    const std::string dir = zentrova::test::ScratchDir("unique-path");
    int suffix = 99;
    EXPECT_EQ(UniqueOutputPath(dir + "/a.mp4", suffix), dir + "/a.mp4");
    EXPECT_EQ(suffix, -1);
    std::ofstream(dir + "/a.mp4") << "x";
    std::ofstream(dir + "/a(0).mp4") << "x";
    EXPECT_EQ(UniqueOutputPath(dir + "/a.mp4", suffix), dir + "/a(1).mp4");
    EXPECT_EQ(suffix, 1);
    std::ofstream(dir + "/noext") << "x";
    EXPECT_EQ(UniqueOutputPath(dir + "/noext", suffix), dir + "/noext(0)");
}

// Progress counts what is written: pictures placed but still in the queues or the encoder's
// look-ahead do not count, nor the sound read ahead of them.
TEST(ConvertedSeconds, CountsOnlyThePictureWrittenAndTheSoundOnceThePictureHasEnded)
{
    struct Case {
        double sound, placed, written;
        bool pictureRuns;
        double expected;
    };
    const Case cases[] = {
        {5.0, 5.0, 3.5, true, 3.5},   // sound converted as it is read, pictures in flight
        {7.0, 5.0, 3.5, true, 3.5},   // the sound read ahead while the picture queue is full
        {2.0, 5.0, 3.5, true, 3.5},   // the lowered sound stage behind
        {1.0, 1.5, 0.0, true, 0.0},   // nothing written yet
        {8.0, 3.0, 3.0, false, 8.0},  // the picture ended early
        {8.0, 3.0, 2.5, false, 7.5},  // ... and the encoder still holds some of it
        {4.0, 0.0, 0.0, false, 4.0},  // no picture
        {2.0, 6.0, 5.0, true, 5.0},   // the sound ended early
    };
    for (const Case &c : cases)
        EXPECT_DOUBLE_EQ(ConvertedSeconds(c.sound, c.placed, c.written, c.pictureRuns), c.expected)
            << c.sound << " " << c.placed << " " << c.written;
}
