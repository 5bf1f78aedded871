#include "engine/RunController.h"

#include "engine/AVConvert.h"
#include "tests/engine/ConvertTestSupport.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

using namespace zentrova;
using namespace zentrova::test;
using namespace std::chrono_literals;

namespace {

// A job whose rows the test publishes by hand, with a worker that only waits to be let go, on
// a clock the test sets.
class ScriptedRun : public ::testing::Test {
protected:
    void Fill(std::vector<std::string> sources)
    {
        job.TaskCount = static_cast<int>(sources.size());
        job.CheckedTaskCount = static_cast<int>(std::count_if(sources.begin(), sources.end(),
                                                              [](const std::string &s) { return !s.empty(); }));
        job.SourcePaths = std::move(sources);
        job.FailureReasons.assign(job.SourcePaths.size(), std::string());
        for (int i = 0; i < job.TaskCount; ++i)
            job.TaskStatus[static_cast<std::size_t>(i)] = kTaskNotFinished;
    }
    void Start(RunKind kind)
    {
        ASSERT_TRUE(run.Start(kind, [this](AVConvert &) {
            while (!release.load())
                std::this_thread::sleep_for(1ms);
        }));
    }
    RunSnapshot At(double seconds)
    {
        now = std::chrono::steady_clock::time_point{} + std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                            std::chrono::duration<double>(seconds));
        return run.Snapshot();
    }
    void TearDown() override
    {
        release = true;
        run.Join();
    }

    AVConvert job;
    std::chrono::steady_clock::time_point now{};
    std::atomic<bool> release{false};
    RunController run{job, [this] { return now; }};
};

TEST_F(ScriptedRun, ConvertSnapshotFollowsRowsAndEstimatesFromThePaceSoFar)
{
    EXPECT_EQ(run.Snapshot().state, RunState::Idle);
    Fill({"a.mp4", "", "c.mp4", "d.mp4"});
    Start(RunKind::Convert);

    RunSnapshot s = At(0);
    EXPECT_EQ(s.state, RunState::Running);
    EXPECT_EQ(s.currentTask, -1);
    EXPECT_TRUE(s.rows.empty());
    EXPECT_LT(s.runSecondsLeft, 0);

    job.CurrentTask = 0;
    At(0);
    job.Progress = 25;
    s = At(10);
    EXPECT_DOUBLE_EQ(s.rate, 2.5);
    EXPECT_DOUBLE_EQ(s.fileSecondsLeft, 30);
    // Nothing done yet: the two checked files after it are guessed at this one's length.
    EXPECT_DOUBLE_EQ(s.runSecondsLeft, 30 + 40 + 40);

    // Row 0 fails, unchecked row 1 fails quietly; row 2 starts at 40 s.
    job.FailureReasons[0] = "cannot open a.mp4";
    job.TaskStatus[0] = kTaskFailed;
    job.TaskStatus[1] = kTaskFailed;
    job.Progress = -1;
    job.CurrentTask = 2;
    s = At(40);
    ASSERT_EQ(s.rows.size(), 2u);
    EXPECT_EQ(s.rows[0].status, kTaskFailed);
    EXPECT_EQ(s.rows[0].reason, "cannot open a.mp4");
    EXPECT_EQ(s.rows[1].reason, "");
    EXPECT_EQ(s.completedCount, 0);
    EXPECT_EQ(s.percent, -1);
    EXPECT_LT(s.fileSecondsLeft, 0);

    job.Progress = 50;
    s = At(50);
    EXPECT_DOUBLE_EQ(s.fileSecondsLeft, 10);
    // One checked file took 40 s; one is left after this one.
    EXPECT_DOUBLE_EQ(s.runSecondsLeft, 10 + 40);
    EXPECT_EQ(s.checkedTaskCount, 3);

    job.TaskStatus[2] = kTaskCompleted;
    job.CurrentTask = 3;
    s = At(60);
    EXPECT_EQ(s.completedCount, 1);

    run.RequestStop();
    s = At(61);
    EXPECT_EQ(s.state, RunState::Stopping);
    EXPECT_TRUE(s.stopRequested);
    EXPECT_TRUE(job.StopRequested.load());

    release = true;
    run.Join();
    s = At(62);
    EXPECT_EQ(s.state, RunState::Finished);
    EXPECT_EQ(s.runSecondsLeft, 0);
}

TEST_F(ScriptedRun, MergeProgressMeasuresTheWholeRun)
{
    Fill({"a.mp4", "b.mp4"});
    Start(RunKind::Merge);
    job.CurrentTask = 1;
    job.Progress = 40;
    const RunSnapshot s = At(20);
    EXPECT_DOUBLE_EQ(s.rate, 2);
    EXPECT_DOUBLE_EQ(s.runSecondsLeft, 30);
    EXPECT_DOUBLE_EQ(s.fileSecondsLeft, 30);
}

TEST(RunController, OneWorkerAtATimeAndTheDestructorStopsAndJoins)
{
    AVConvert job;
    std::atomic<bool> sawStop{false};
    {
        RunController run(job);
        ASSERT_TRUE(run.Start(RunKind::Convert, [&](AVConvert &j) {
            while (!j.StopRequested.load())
                std::this_thread::sleep_for(1ms);
            sawStop = true;
        }));
        EXPECT_FALSE(run.Start(RunKind::Convert, [](AVConvert &) {}));
        EXPECT_FALSE(run.WorkerDone());
        EXPECT_FALSE(run.WaitForWorker(1ms));
    }
    EXPECT_TRUE(sawStop.load());

    // A worker that returned is joined by the next start; a waiter learns of the return.
    RunController run(job);
    ASSERT_TRUE(run.Start(RunKind::Convert, [](AVConvert &) { std::this_thread::sleep_for(20ms); }));
    EXPECT_TRUE(run.WaitForWorker(std::chrono::hours(1)));
    EXPECT_TRUE(run.Start(RunKind::Convert, [](AVConvert &) {}));
}

TEST(RunController, FormatsTimeLeft)
{
    EXPECT_EQ(FormatTimeLeft(-1), "--:--:--");
    EXPECT_EQ(FormatTimeLeft(0), "0:00:00");
    EXPECT_EQ(FormatTimeLeft(3725.4), "1:02:05");
}

// The estimate on a real run: once a tenth is done, the time left is the right order of
// magnitude (loose bounds: the machine is shared, so pace varies).
TEST(RunController, RealConversionEndsWithEveryRowAndAnEstimateWithinReason)
{
    const std::string out = ScratchDir("run-controller");
    auto job = FillRows({RowFor(MediaPath("long_h264_aac_30s.mp4")), RowFor(MediaPath("h264_aac_stereo_12s.mp4"))}, 0,
                        out);
    ASSERT_TRUE(job);
    RunController run(*job);
    ASSERT_TRUE(run.Start(RunKind::Convert));
    double estimate = -1;
    std::chrono::steady_clock::time_point estimatedAt;
    int lastPercentInFirst = -1;
    while (!run.WorkerDone()) {
        const RunSnapshot s = run.Snapshot();
        if (s.currentTask == 0)
            lastPercentInFirst = s.percent;
        if (estimate < 0 && s.currentTask == 0 && s.percent >= 10 && s.runSecondsLeft > 0) {
            estimate = s.runSecondsLeft;
            estimatedAt = std::chrono::steady_clock::now();
        }
        std::this_thread::sleep_for(20ms);
    }
    run.Join();
    const double actual = std::chrono::duration<double>(std::chrono::steady_clock::now() - estimatedAt).count();
    const RunSnapshot s = run.Snapshot();
    EXPECT_EQ(s.state, RunState::Finished);
    ASSERT_EQ(s.rows.size(), 2u);
    EXPECT_EQ(s.completedCount, 2);
    EXPECT_GE(lastPercentInFirst, 0);
    ASSERT_GT(estimate, 0) << "no estimate while the first file ran";
    EXPECT_GT(estimate, actual / 3);
    EXPECT_LT(estimate, actual * 3);
}

} // namespace
