#include "engine/CodecThreads.h"
#include "engine/ConvertWorker.h"
#include "engine/MergeWorker.h"
#include "engine/SourceInput.h"
#include "engine/StageQueue.h"
#include "engine/StandInStage.h"
#include "tests/engine/ConvertTestSupport.h"
#include "tests/engine/MediaCheck.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zentrova;
using namespace zentrova::test;

TEST(StageQueue, HandsItemsOverInOrderAndHoldsTheProducerAtItsCapacity)
{
    StageQueue<int> queue(2);
    ASSERT_TRUE(queue.Push(1));
    ASSERT_TRUE(queue.Push(2));
    std::thread producer([&] {
        EXPECT_TRUE(queue.Push(3));  // waits for the room the first Pop makes
        queue.End();
    });
    std::vector<int> got;
    while (auto item = queue.Pop())
        got.push_back(item->value);
    producer.join();
    EXPECT_EQ(got, (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(queue.Push(4));  // nothing is taken after the end
}

TEST(StageQueue, AbortWakesBothSidesAndDropsWhatIsQueued)
{
    StageQueue<int> full(1);
    ASSERT_TRUE(full.Push(1));
    std::thread producer([&] { EXPECT_FALSE(full.Push(2)); });
    StageQueue<int> empty(1);
    std::thread consumer([&] { EXPECT_FALSE(empty.Pop().has_value()); });
    full.Abort();
    empty.Abort();
    producer.join();
    consumer.join();
    EXPECT_FALSE(full.Pop().has_value());
    EXPECT_TRUE(full.aborted());
}

TEST(StageQueue, FlushDropsWhatIsQueuedAndStartsANewSerial)
{
    StageQueue<int> queue(4);
    ASSERT_TRUE(queue.Push(1));
    const auto before = queue.Pop();
    ASSERT_TRUE(queue.Push(2));
    queue.Flush();
    ASSERT_TRUE(queue.Push(3));
    queue.End();
    const auto after = queue.Pop();
    ASSERT_TRUE(before && after);
    EXPECT_EQ(after->value, 3);  // 2 was flushed
    EXPECT_EQ(before->serial + 1, queue.serial());
    EXPECT_EQ(after->serial, queue.serial());
    EXPECT_FALSE(queue.Pop().has_value());
}

namespace {

// Runs on the calling thread until it has had `ms` of a core.
void Spin(int ms)
{
    timespec start{}, now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    do
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    while ((now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000 < ms);
}

// Programs beside this one, each keeping a core busy while the object lives.
class BusyPrograms {
public:
    explicit BusyPrograms(int count)
    {
        for (int i = 0; i < count; ++i) {
            const pid_t child = fork();
            if (child == 0)
                for (;;) {
                }
            if (child > 0)
                children_.push_back(child);
        }
    }
    ~BusyPrograms()
    {
        for (pid_t child : children_) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
    }
    std::size_t count() const { return children_.size(); }

private:
    std::vector<pid_t> children_;
};

} // namespace

struct StageCase {
    bool stageHasACore;  // its work spins on the CPU, or its thread sleeps as a starved one waits
    int otherRunnable;   // other programs' threads wanting a core, as the stage sees it
    bool takenOver;
};

class StandInStages : public ::testing::TestWithParam<StageCase> {};

// A stage that is merely the slower one is waited for, and so is one held back only by this
// process's own threads; one that other programs keep from the cores has its work taken over by
// the feeding thread. Either way every item is worked on once, in order.
TEST_P(StandInStages, TheFeedingThreadTakesOverOnlyFromAStageOtherProgramsStarve)
{
    const StageCase &c = GetParam();
    FixOtherRunnableThreads(c.otherRunnable);
    std::vector<std::pair<int, bool>> done;  // the item, and whether the feeding thread did it
    const auto feeder = std::this_thread::get_id();
    StandInStage<int> stage(2, [&](int &value) {
        const bool byFeeder = std::this_thread::get_id() == feeder;
        if (c.stageHasACore)
            Spin(3);
        else if (!byFeeder)
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        done.emplace_back(value, byFeeder);
    });
    std::thread worker([&] { stage.Run(); });
    for (int value = 1; value <= 20; ++value)
        stage.Hand(value);
    EXPECT_EQ(stage.takenOver(), c.takenOver);
    stage.End();
    worker.join();
    FixOtherRunnableThreads(std::nullopt);
    ASSERT_EQ(done.size(), 20u);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(done[static_cast<std::size_t>(i)].first, i + 1);
    EXPECT_EQ(done[17].second, c.takenOver);
}

INSTANTIATE_TEST_SUITE_P(Stages, StandInStages,
                         ::testing::Values(StageCase{true, 2, false}, StageCase{false, 0, false},
                                           StageCase{false, 2, true}));

namespace {

// A file a stop left behind plays, and its picture and sound end together.
void ExpectPlayable(const std::string &path)
{
    const ProbeReport r = Ffprobe(path);
    EXPECT_EQ(r.errors, "") << path;
    EXPECT_EQ(DecodeErrors(path), "") << path;
    const Fields *video = r.Stream("video");
    const Fields *audio = r.Stream("audio");
    if (video && audio && r.Number(r.format, "duration") > 1.0) {
        EXPECT_NEAR(r.Number(*video, "duration"), r.Number(*audio, "duration"), 0.2) << path;
    }
}

// Stops after a random moment in [0, 1.5 s): at opening, mid-stream, or after the end.
std::chrono::milliseconds RandomMoment(std::mt19937 &random)
{
    return std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 1500)(random));
}

} // namespace

// Other programs take the cores from the lowered sound stage (all of this conversion shares one
// core with two busy programs), so the demuxing thread converts the sound in its place: not one
// sample differs from the same conversion on an idle machine.
TEST(StandInStage, TheSoundConvertedInTheStarvedStagesPlaceIsTheSame)
{
    const std::string source = MediaPath("h264_aac_stereo_12s.mp4");
    const std::string idle = ScratchDir("stand-in-idle");
    const std::string busy = ScratchDir("stand-in-busy");
    ConvertRows({RowFor(source)}, 0, idle);
    cpu_set_t all;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    {
        const BusyPrograms others(2);
        EXPECT_EQ(others.count(), 2u);
        ConvertRows({RowFor(source)}, 0, busy);
    }
    ASSERT_EQ(sched_setaffinity(0, sizeof all, &all), 0);
    const auto files = FilesIn(idle);
    ASSERT_EQ(files.size(), 1u);
    ASSERT_EQ(FilesIn(busy), files);
    const AudioTrack expected = DecodeAudio(idle + "/" + files[0]);
    const AudioTrack got = DecodeAudio(busy + "/" + files[0]);
    EXPECT_GT(expected.samples.size(), 48000u * 11);
    EXPECT_EQ(got.startSeconds, expected.startSeconds);
    EXPECT_TRUE(got.samples == expected.samples);
    ExpectPlayable(busy + "/" + files[0]);
}

namespace {

int ThreadNice()
{
    return getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
}

} // namespace

TEST(FeederPriority, ACodecOpensBelowTheCallerAndItsThreadsInheritThatWhileTheCallerKeepsItsOwn)
{
    const int mine = ThreadNice();
    int opener = -100;
    int started = -100;
    const int result = OpenAtFeederPriority([&] {
        opener = ThreadNice();
        std::thread([&] { started = ThreadNice(); }).join();
        return 7;
    });
    EXPECT_EQ(result, 7);
    EXPECT_EQ(opener, std::min(mine + kFeederNiceSteps, 19));
    EXPECT_EQ(started, opener);
    EXPECT_EQ(ThreadNice(), mine);
}

namespace {

// How many of this process's threads run at a lower priority than `nice`.
int ThreadsBelow(int nice)
{
    int count = 0;
    for (const auto &task : std::filesystem::directory_iterator("/proc/self/task"))
        count += getpriority(PRIO_PROCESS, static_cast<id_t>(std::stoi(task.path().filename().string()))) > nice;
    return count;
}

struct DecoderCase {
    const char *source;
    std::int64_t encodedArea;
    bool lowered;
    int otherRunnable = 0;  // other programs' threads wanting a core as the source opens
};

} // namespace

class DecoderPriority : public ::testing::TestWithParam<DecoderCase> {};

// Only a frame-threaded picture decoder that feeds the encoder yields to it, and only on cores
// nothing else wants: one that leads it (a source more than eight times the encoded area), one
// with slice threads beside the demuxing thread, one whose pictures are not encoded, and one
// opened while other programs are busy (or their load cannot be read) keep the caller's priority.
TEST_P(DecoderPriority, OnlyAFeedingFrameThreadedDecoderOnAnOtherwiseIdleMachineYields)
{
    const DecoderCase &c = GetParam();
    const int mine = ThreadNice();
    FixOtherRunnableThreads(c.otherRunnable);
    SourceInput input;
    const EngineStatus opened = input.Open(MediaPath(c.source), AVIOInterruptCB{}, c.encodedArea);
    FixOtherRunnableThreads(std::nullopt);
    ASSERT_TRUE(opened.ok());
    EXPECT_EQ(ThreadsBelow(mine) > 0, c.lowered);
}

INSTANTIATE_TEST_SUITE_P(Sources, DecoderPriority,
                         ::testing::Values(DecoderCase{"mpeg4_mp3.avi", 320 * 240, true},
                                           DecoderCase{"h264_aac_stereo_12s.mp4", 160 * 120, true},
                                           DecoderCase{"h264_aac_stereo_12s.mp4", 80 * 60, false},
                                           DecoderCase{"mpeg4_mp3.avi", 0, false},
                                           DecoderCase{"mpeg2_ac3_5_1.ts", 320 * 240, false},
                                           DecoderCase{"mpeg4_mp3.avi", 320 * 240, false, 1},
                                           DecoderCase{"mpeg4_mp3.avi", 320 * 240, false, -1}));

// Busy programs beside this one count, however many; this process's own busy threads do not.
TEST(FeederPriority, OtherProgramsBusyThreadsCountAndOurOwnDoNot)
{
    std::atomic<bool> spin{true};
    std::vector<std::thread> own;
    for (int i = 0; i < 4; ++i)
        own.emplace_back([&] {
            while (spin.load(std::memory_order_relaxed)) {
            }
        });
    const int withOwnBusy = OtherRunnableThreads();
    int withOthersBusy = 0;
    {
        const BusyPrograms others(2);
        EXPECT_EQ(others.count(), 2u);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        withOthersBusy = OtherRunnableThreads();
    }
    spin.store(false);
    for (std::thread &t : own)
        t.join();
    EXPECT_LT(withOwnBusy, 4);
    EXPECT_GE(withOthersBusy, 2);
}

TEST(ThreadedPipeline, AStopAtAnyMomentLeavesAPlayableFileAndNoHang)
{
    std::mt19937 random(15);
    const char *sources[] = {"long_h264_aac_30s.mp4", "mpeg2_ac3_5_1.ts", "h264_aac_stereo_12s.mp4"};
    for (int run = 0; run < 6; ++run) {
        const std::string out = ScratchDir("random-stop-" + std::to_string(run));
        auto job = FillRows({RowFor(MediaPath(sources[run % 3]))}, run % 2 ? 2 : 0, out);
        std::thread worker([&] { ConvertWorker(*job); });
        std::this_thread::sleep_for(RandomMoment(random));
        job->StopRequested.store(true);
        worker.join();
        const std::uint8_t status = job->TaskStatus[0].load();
        EXPECT_TRUE(status == kTaskNotFinished || status == kTaskCompleted) << run << ": " << job->FailureReasons[0];
        for (const std::string &name : FilesIn(out))
            ExpectPlayable(out + "/" + name);
    }
}

TEST(ThreadedPipeline, AStopAtAnyMomentOfAMergeLeavesAPlayableFileAndNoHang)
{
    std::mt19937 random(14);
    for (int run = 0; run < 4; ++run) {
        const std::string out = ScratchDir("random-merge-stop-" + std::to_string(run));
        auto job = FillMergeRows({RowFor(MediaPath("short_h264_aac_3s.mp4")), RowFor(MediaPath("mpeg2_ac3_5_1.ts")),
                                  RowFor(MediaPath("plain_2s.mp4"))},
                                 0, out);
        std::thread worker([&] { MergeWorker(*job); });
        std::this_thread::sleep_for(RandomMoment(random));
        job->StopRequested.store(true);
        worker.join();
        EXPECT_LE(job->CurrentTask.load(), 3);
        for (int row = 0; row < 3; ++row)
            EXPECT_NE(job->TaskStatus[static_cast<std::size_t>(row)].load(), kTaskFailed)
                << run << ": " << job->FailureReasons[static_cast<std::size_t>(row)];
        for (const std::string &name : FilesIn(out))
            ExpectPlayable(out + "/" + name);
    }
}
