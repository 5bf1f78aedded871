#include "ConvertTestSupport.h"
#include "ConvertWorker.h"
#include "MediaCheck.h"
#include "MergeWorker.h"
#include "TestMedia.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace zentrova;
using namespace zentrova::test;
namespace fs = std::filesystem;

namespace {

struct Sample {
    int task;
    int progress;
};

// Runs the merge on a thread of its own and records what a poller would see.
std::vector<Sample> MergeWatched(AVConvert &job)
{
    std::atomic<bool> done{false};
    std::thread worker([&] {
        MergeWorker(job);
        done.store(true);
    });
    std::vector<Sample> samples;
    while (!done.load()) {
        samples.push_back({job.CurrentTask.load(std::memory_order_acquire), job.Progress.load()});
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    worker.join();
    samples.push_back({job.CurrentTask.load(), job.Progress.load()});
    return samples;
}

double Duration(const ProbeReport &r)
{
    return r.Number(r.format, "duration");
}

} // namespace

TEST(MergeWorker, RowsPlayBackToBackAndProgressOnlyClimbs)
{
    const std::string out = ScratchDir("merge-plain");
    auto job = FillMergeRows({RowFor(MediaPath("plain_2s.mp4")), RowFor(MediaPath("short_h264_aac_3s.mp4")),
                              RowFor(MediaPath("plain_4s.mp4"))},
                             0, out);
    EXPECT_EQ(job->MergeTotalSeconds, 9);
    const std::vector<Sample> samples = MergeWatched(*job);

    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(job->TaskStatus[static_cast<std::size_t>(row)].load(), kTaskCompleted) << row;
    EXPECT_EQ(job->CurrentTask.load(), 3);
    EXPECT_EQ(FilesIn(out), std::vector<std::string>{"plain_2s.mp4"});
    const std::string merged = out + "/plain_2s.mp4";
    EXPECT_EQ(job->OutputPaths[0], merged);

    int last = samples.front().progress;
    bool sawSecondRow = false;
    for (const Sample &s : samples) {
        EXPECT_GE(s.progress, last) << "at task " << s.task;
        EXPECT_LE(s.progress, 100);
        last = s.progress;
        sawSecondRow = sawSecondRow || (s.task == 1 && s.progress > 20);
    }
    EXPECT_TRUE(sawSecondRow);
    EXPECT_EQ(samples.back().progress, 100);

    const ProbeReport r = Ffprobe(merged);
    EXPECT_EQ(r.errors, "");
    EXPECT_EQ(DecodeErrors(merged), "");
    EXPECT_NEAR(Duration(r), 9.0, 0.3);
    const Fields *v = r.Stream("video");
    const Fields *a = r.Stream("audio");
    ASSERT_TRUE(v && a);
    EXPECT_EQ(v->at("profile"), "Constrained Baseline");
    EXPECT_NEAR(r.Number(*v, "duration"), 9.0, 0.3);
    EXPECT_NEAR(r.Number(*a, "duration"), 9.0, 0.3);
    EXPECT_NEAR(r.Number(*v, "start_time"), r.Number(*a, "start_time"), 0.05);
}
