#include "engine/ConvertWorker.h"
#include "engine/MergeWorker.h"
#include "tests/engine/ConvertTestSupport.h"
#include "tests/engine/MediaCheck.h"
#include "tests/support/TestMedia.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
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

namespace {

// Rising edges of the white flashes, seconds.
std::vector<double> Flashes(const std::string &path)
{
    std::vector<double> at;
    bool bright = false;
    for (const LumaSample &s : VideoLuma(path)) {
        if (s.meanLuma > 128 && !bright)
            at.push_back(s.seconds);
        bright = s.meanLuma > 128;
    }
    return at;
}

// Starts of the 1 kHz blips (after at least a quarter second of quiet), seconds.
std::vector<double> Blips(const std::string &path)
{
    std::vector<double> at;
    const AudioTrack track = DecodeAudio(path);
    if (track.sampleRate <= 0)
        return at;
    const auto quiet = static_cast<std::size_t>(track.sampleRate / 4);
    std::size_t lastLoud = 0;
    bool any = false;
    for (std::size_t i = 0; i < track.samples.size(); ++i) {
        if (std::fabs(track.samples[i]) > 0.2f) {
            if (!any || i - lastLoud > quiet)
                at.push_back(track.startSeconds + static_cast<double>(i) / track.sampleRate);
            lastLoud = i;
            any = true;
        }
    }
    return at;
}

struct Expected {
    std::string source;
    bool flash, blip;  // the row shows a flash / plays a blip at 0 s and 1 s
};

// Merges 2 s sources with a flash and a blip at 0 s and 1 s each and checks every mark: both
// where the row has them, each within reach of its nominal time, together within 100 ms.
void CheckMarks(const std::string &merged, const std::vector<Expected> &rows)
{
    const std::vector<double> flashes = Flashes(merged);
    const std::vector<double> blips = Blips(merged);
    auto near = [](const std::vector<double> &marks, double t) {
        for (double m : marks)
            if (std::fabs(m - t) < 0.2)
                return m;
        return -1.0;
    };
    std::size_t expectedFlashes = 0, expectedBlips = 0;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (int second = 0; second < 2; ++second) {
            const double nominal = 2.0 * static_cast<double>(row) + second;
            const double flash = near(flashes, nominal);
            const double blip = near(blips, nominal);
            SCOPED_TRACE(rows[row].source + " at " + std::to_string(nominal) + " s");
            EXPECT_EQ(flash >= 0, rows[row].flash) << flash;
            EXPECT_EQ(blip >= 0, rows[row].blip) << blip;
            if (flash >= 0 && blip >= 0) {
                EXPECT_NEAR(flash, blip, 0.1);
            }
            expectedFlashes += rows[row].flash;
            expectedBlips += rows[row].blip;
        }
    }
    // Nothing else flashes or beeps: black and silence fill the rows that lack a stream.
    EXPECT_EQ(flashes.size(), expectedFlashes);
    EXPECT_EQ(blips.size(), expectedBlips);
}

} // namespace

TEST(MergeWorker, UnlikeSourcesStayInSyncAtEveryJoin)
{
    const std::vector<Expected> rows = {
        {"sync_h264_25fps_48k_stereo.mp4", true, true},
        {"sync_video_only.mp4", true, false},
        {"sync_mpeg4_2997fps_44k_mono.mkv", true, true},
        {"sync_audio_only.flac", false, true},
        {"sync_mpeg2_30fps_ac3_5_1.ts", true, true},
    };
    const std::string out = ScratchDir("merge-unlike");
    std::vector<TaskRow> taskRows;
    for (const Expected &e : rows)
        taskRows.push_back(RowFor(MediaPath(e.source)));
    auto job = FillMergeRows(taskRows, 0, out);
    MergeWorker(*job);
    for (std::size_t row = 0; row < rows.size(); ++row)
        EXPECT_EQ(job->TaskStatus[row].load(), kTaskCompleted) << rows[row].source;
    const std::string merged = job->OutputPaths[0];
    const ProbeReport r = Ffprobe(merged);
    EXPECT_EQ(r.errors, "");
    EXPECT_EQ(DecodeErrors(merged), "");
    const Fields *v = r.Stream("video");
    const Fields *a = r.Stream("audio");
    ASSERT_TRUE(v && a);
    EXPECT_EQ(r.Number(*v, "width"), 320);
    EXPECT_EQ(r.Number(*v, "height"), 240);
    EXPECT_EQ(r.Number(*a, "sample_rate"), 48000);
    EXPECT_EQ(r.Number(*a, "channels"), 2);
    EXPECT_NEAR(Duration(r), 10.0, 0.3);
    EXPECT_NEAR(r.Number(*v, "duration"), 10.0, 0.3);
    EXPECT_NEAR(r.Number(*a, "duration"), 10.0, 0.3);
    CheckMarks(merged, rows);
}

TEST(MergeWorker, FirstRowWithoutPictureOrSoundStillGivesBothStreams)
{
    const std::vector<Expected> rows = {
        {"sync_audio_only.flac", false, true},
        {"sync_video_only.mp4", true, false},
        {"sync_h264_25fps_48k_stereo.mp4", true, true},
    };
    const std::string out = ScratchDir("merge-first-lacks");
    std::vector<TaskRow> taskRows;
    for (const Expected &e : rows)
        taskRows.push_back(RowFor(MediaPath(e.source)));
    auto job = FillMergeRows(taskRows, 2, out);
    MergeWorker(*job);
    for (std::size_t row = 0; row < rows.size(); ++row)
        EXPECT_EQ(job->TaskStatus[row].load(), kTaskCompleted) << rows[row].source;
    const std::string merged = job->OutputPaths[0];
    EXPECT_EQ(merged, out + "/sync_audio_only.mp4");
    const ProbeReport r = Ffprobe(merged);
    EXPECT_EQ(r.errors, "");
    EXPECT_EQ(DecodeErrors(merged), "");
    ASSERT_TRUE(r.Stream("video") && r.Stream("audio"));
    EXPECT_EQ(r.Stream("video")->at("codec_name"), "mpeg4");
    EXPECT_NEAR(r.Number(*r.Stream("video"), "start_time"), 0.0, 0.05);
    EXPECT_NEAR(Duration(r), 6.0, 0.3);
    CheckMarks(merged, rows);
}

TEST(MergeWorker, RowThatFailsBeforeTheOutputLeavesItToTheNext)
{
    const std::string out = ScratchDir("merge-first-fails");
    // Garbage first; the second row creates the file, named after itself.
    TaskRow garbage = RowFor(MediaPath("random_bytes.avi"), "00:00:00", "00:00:01");
    auto job = FillMergeRows({garbage, RowFor(MediaPath("plain_2s.mp4")), RowFor(MediaPath("short_h264_aac_3s.mp4"))}, 0,
                             out);
    MergeWorker(*job);
    EXPECT_EQ(job->TaskStatus[0].load(), kTaskFailed);
    EXPECT_EQ(job->TaskStatus[1].load(), kTaskCompleted);
    EXPECT_EQ(job->TaskStatus[2].load(), kTaskCompleted);
    EXPECT_EQ(FilesIn(out), std::vector<std::string>{"plain_2s.mp4"});
    EXPECT_EQ(job->OutputPaths[1], out + "/plain_2s.mp4");
    const ProbeReport r = Ffprobe(out + "/plain_2s.mp4");
    EXPECT_EQ(r.errors, "");
    EXPECT_NEAR(Duration(r), 5.0, 0.3);

    // An unchecked first row fails the same way, and so does a source the profile cannot use
    // (a picture alone for an audio profile): neither leaves a file behind.
    const std::string audioOut = ScratchDir("merge-unchecked-first");
    TaskRow unchecked = RowFor(MediaPath("audio_only.wav"));
    unchecked.checked = false;
    job = FillMergeRows({unchecked, RowFor(MediaPath("video_only.mp4")), RowFor(MediaPath("audio_only.flac")),
                         RowFor(MediaPath("audio_only.wav"))},
                        11, audioOut);
    EngineErrors errors;
    MergeWorker(*job);
    // Only the picture-only row is reported; the unchecked one is no error.
    EXPECT_EQ(errors.Lines().size(), 1u);
    EXPECT_EQ(job->TaskStatus[0].load(), kTaskFailed);
    EXPECT_EQ(job->TaskStatus[1].load(), kTaskFailed);
    EXPECT_EQ(job->TaskStatus[2].load(), kTaskCompleted);
    EXPECT_EQ(job->TaskStatus[3].load(), kTaskCompleted);
    EXPECT_EQ(FilesIn(audioOut), std::vector<std::string>{"audio_only.mp3"});
    const ProbeReport audio = Ffprobe(audioOut + "/audio_only.mp3");
    EXPECT_EQ(audio.errors, "");
    EXPECT_NEAR(Duration(audio), 7.0, 0.3);
}

TEST(MergeWorker, FailingRowsAreLeftOutAndTheFileIsStillFinished)
{
    const std::string out = ScratchDir("merge-last-fails");
    auto job = FillMergeRows({RowFor(MediaPath("plain_2s.mp4")), RowFor(MediaPath("truncated.mp4"), "00:00:00", "00:00:12"),
                              RowFor(MediaPath("plain_4s.mp4")), RowFor(MediaPath("zero_bytes.mp4"), "00:00:00", "00:00:01")},
                             0, out);
    MergeWorker(*job);
    EXPECT_EQ(job->TaskStatus[0].load(), kTaskCompleted);
    EXPECT_EQ(job->TaskStatus[1].load(), kTaskFailed);
    EXPECT_EQ(job->TaskStatus[2].load(), kTaskCompleted);
    EXPECT_EQ(job->TaskStatus[3].load(), kTaskFailed);
    EXPECT_EQ(job->CurrentTask.load(), 4);
    EXPECT_EQ(job->Progress.load(), 100);
    EXPECT_EQ(FilesIn(out), std::vector<std::string>{"plain_2s.mp4"});
    const ProbeReport r = Ffprobe(out + "/plain_2s.mp4");
    EXPECT_EQ(r.errors, "");
    EXPECT_EQ(DecodeErrors(out + "/plain_2s.mp4"), "");
    EXPECT_NEAR(Duration(r), 6.0, 0.3);
}

TEST(MergeWorker, MergedFileTakesTheCreatingRowsNameMadeUnique)
{
    const std::string out = ScratchDir("merge-unique");
    std::ofstream(out + "/plain_2s.aac") << "keep me";
    const TaskRow first = RowFor(MediaPath("plain_2s.mp4"));
    auto job = FillMergeRows({first, RowFor(MediaPath("short_h264_aac_3s.mp4")), first}, 10, out);
    MergeWorker(*job);
    for (std::size_t row = 0; row < 3; ++row)
        EXPECT_EQ(job->TaskStatus[row].load(), kTaskCompleted) << row;
    // Every row's name goes through the unique-name step, but only the merged file is written.
    EXPECT_EQ(job->OutputPaths[0], out + "/plain_2s(0).aac");
    EXPECT_EQ(job->OutputPaths[1], out + "/short_h264_aac_3s.aac");
    EXPECT_EQ(job->OutputPaths[2], out + "/plain_2s(1).aac");
    EXPECT_EQ(job->UniqueSuffix, 1);
    EXPECT_EQ(FilesIn(out), (std::vector<std::string>{"plain_2s(0).aac", "plain_2s.aac"}));
    const ProbeReport r = Ffprobe(out + "/plain_2s(0).aac");
    EXPECT_EQ(r.errors, "");
    EXPECT_EQ(r.streams.size(), 1u);
}

TEST(MergeWorker, StopFinishesAPlayableFileWithWhatWasMerged)
{
    const std::string out = ScratchDir("merge-stop");
    auto job = FillMergeRows({RowFor(MediaPath("short_h264_aac_3s.mp4")), RowFor(MediaPath("long_h264_aac_30s.mp4")),
                              RowFor(MediaPath("plain_2s.mp4"))},
                             0, out);
    std::thread worker([&] { MergeWorker(*job); });
    // About 2.5 s into the second row (3 + 2.5 of 35 s).
    while (!(job->CurrentTask.load() == 1 && job->Progress.load() >= 15) && job->CurrentTask.load() < 2)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    job->StopRequested.store(true);
    worker.join();
    EXPECT_EQ(job->TaskStatus[0].load(), kTaskCompleted);
    EXPECT_EQ(job->TaskStatus[1].load(), kTaskNotFinished);
    EXPECT_EQ(job->TaskStatus[2].load(), kTaskNotFinished);
    EXPECT_EQ(job->CurrentTask.load(), 2);
    EXPECT_EQ(FilesIn(out), std::vector<std::string>{"short_h264_aac_3s.mp4"});
    const std::string merged = out + "/short_h264_aac_3s.mp4";
    const ProbeReport r = Ffprobe(merged);
    EXPECT_EQ(r.errors, "");
    EXPECT_EQ(DecodeErrors(merged), "");
    const double seconds = Duration(r);
    EXPECT_GT(seconds, 4.5);
    EXPECT_LT(seconds, 30.0);
    EXPECT_NEAR(r.Number(*r.Stream("video"), "duration"), r.Number(*r.Stream("audio"), "duration"), 0.2);
}

TEST(MergeWorker, MergeKeepsTheMergeTimeBaseAndAConversionItsOwn)
{
    const auto at25 = [](OutputSettings &s) { s.FrameRate = "25.0 fps"; };
    const std::string out = ScratchDir("merge-25");
    auto job = FillMergeRows({RowFor(MediaPath("plain_2s.mp4")), RowFor(MediaPath("short_h264_aac_3s.mp4"))}, 0, out,
                             at25);
    MergeWorker(*job);
    ASSERT_EQ(job->TaskStatus[1].load(), kTaskCompleted);
    const ProbeReport merged = Ffprobe(job->OutputPaths[0]);
    EXPECT_EQ(merged.Stream("video")->at("time_base"), "1/25025");
    EXPECT_EQ(merged.Stream("video")->at("r_frame_rate"), "25/1");

    const std::string single = ScratchDir("convert-25");
    auto converted = ConvertRows({RowFor(MediaPath("plain_2s.mp4"))}, 0, single, at25);
    ASSERT_EQ(converted->TaskStatus[0].load(), kTaskCompleted);
    const ProbeReport r = Ffprobe(converted->OutputPaths[0]);
    EXPECT_EQ(r.Stream("video")->at("time_base"), "1/12800");
    EXPECT_EQ(r.Stream("video")->at("r_frame_rate"), "25/1");
}

TEST(MergeWorker, EmptyBatchEndsAtOnce)
{
    AVConvert job;
    job.TaskCount = 0;
    EXPECT_EQ(MergeRows(job), "");
    EXPECT_EQ(job.CurrentTask.load(), 0);
}
