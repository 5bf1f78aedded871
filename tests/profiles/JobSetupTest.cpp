#include "engine/AVConvert.h"
#include "profiles/JobSetup.h"
#include "profiles/ProfileCatalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>
#include <unistd.h>

using namespace zentrova;
namespace fs = std::filesystem;

namespace {

// Output folders of one run lie in one temporary folder, removed when the tests end.
class JobSetupTest : public ::testing::Test {
protected:
    static fs::path Root() { return fs::temp_directory_path() / ("zentrova-jobsetup-" + std::to_string(::getpid())); }

    static void TearDownTestSuite()
    {
        std::error_code ec;
        fs::remove_all(Root(), ec);
    }

    static std::string FreshDir(const std::string &name)
    {
        const fs::path p = Root() / name;
        fs::remove_all(p);
        fs::create_directories(p);
        return p.string();
    }
};

OutputSettings Settings(int profileIndex)
{
    OutputSettings s;
    ApplyProfileSelection(s, profileIndex);
    return s;
}

std::string Text(int profileIndex)
{
    return std::string(ProfileByIndex(profileIndex)->displayText);
}

TaskRow Row(const std::string &path, bool checked = true, const char *start = "00:00:00", const char *end = "00:00:10")
{
    return {path, start, end, checked};
}

} // namespace

TEST_F(JobSetupTest, FillsTheJobForTheCheckedRows)
{
    const std::string out = FreshDir("fill");
    AVConvert job;
    // An earlier run left other encoder values in the record; this command's values must win.
    job.VideoCodecId = 2;
    job.AudioCodecId = 0x15003;
    job.SampleRate = 22050;
    std::vector<std::string> saved;
    const std::vector<TaskRow> rows = {Row("/media/clips/a.b.avi", true, "00:01:30", "00:02:00"),
                                       Row("/media/skip.mp4", false), Row("c.mkv")};
    const JobSetup s = FillConvertJob(job, rows, Text(0), out, Settings(0),
                                      [&](const std::string &f) { saved.push_back(f); });
    ASSERT_EQ(s.outcome, JobSetupOutcome::Ready);
    EXPECT_EQ(s.checkedRows, (std::vector<int>{0, -1, 2}));
    EXPECT_EQ(s.outputFolder, out);
    EXPECT_EQ(saved, std::vector<std::string>{out});
    EXPECT_EQ(job.TaskCount, 3);
    EXPECT_EQ(job.CheckedTaskCount, 2);
    EXPECT_EQ(job.SourcePaths, (std::vector<std::string>{"/media/clips/a.b.avi", "", "c.mkv"}));
    EXPECT_EQ(job.OutputPaths, (std::vector<std::string>{out + "/a.b.mp4", "", out + "/c.mp4"}));
    EXPECT_EQ(job.ClipStart[0], 90);
    EXPECT_EQ(job.ClipEnd[0], 120);
    EXPECT_EQ(job.ClipDuration[0], 30);
    EXPECT_TRUE(job.VideoEnabled);
    EXPECT_EQ(job.VideoCodecId, 28);
    EXPECT_EQ(job.AudioCodecId, 0x15002);
    EXPECT_EQ(job.VideoBitRate, 2000000);
    EXPECT_EQ(job.OutputWidth, 320);
    EXPECT_EQ(job.OutputHeight, 240);
    EXPECT_EQ(job.FrameRate, 29.97);
    EXPECT_EQ(job.SampleRate, 48000);
    EXPECT_EQ(job.Channels, 2);
    EXPECT_EQ(job.AudioBitRate, 128000);
    EXPECT_EQ(job.CurrentTask.load(), -1);
    EXPECT_FALSE(job.StopRequested.load());
    EXPECT_EQ(job.Progress.load(), 0);
}

TEST_F(JobSetupTest, AudioProfileAndUnknownTexts)
{
    const std::string out = FreshDir("mp3");
    AVConvert job;
    job.FrameRate = 25;
    OutputSettings s = Settings(11);
    s.FrameRate = "no such rate";
    ASSERT_EQ(FillConvertJob(job, std::vector<TaskRow>{Row("song.wav")}, Text(11), out + "/", s, {}).outcome,
              JobSetupOutcome::Ready);
    EXPECT_FALSE(job.VideoEnabled);
    EXPECT_EQ(job.AudioCodecId, 0x15001);
    EXPECT_EQ(job.OutputPaths[0], out + "/song.mp3");
    EXPECT_EQ(job.FrameRate, 25);  // a text the table does not know leaves the field alone
}

TEST_F(JobSetupTest, RefusalsAndTheirMessages)
{
    AVConvert job;
    const OutputSettings s = Settings(0);
    const std::string base = FreshDir("refusals");
    auto fill = [&](std::vector<TaskRow> rows, const std::string &folder) {
        return FillConvertJob(job, rows, Text(0), folder, s, {}).outcome;
    };
    EXPECT_EQ(fill({}, base), JobSetupOutcome::NoRows);
    EXPECT_EQ(JobSetupMessage(JobSetupOutcome::NoRows), "Please add video files!");
    EXPECT_EQ(fill({Row("a.mp4", false)}, base), JobSetupOutcome::NoCheckedRows);
    EXPECT_EQ(JobSetupMessage(JobSetupOutcome::NoCheckedRows), "Please select at least one task to convert!");
    EXPECT_EQ(fill({Row("a.mp4")}, "/"), JobSetupOutcome::SilentFolder);
    EXPECT_EQ(fill({Row("a.mp4")}, "\\"), JobSetupOutcome::SilentFolder);
    EXPECT_EQ(JobSetupMessage(JobSetupOutcome::SilentFolder), "");
    EXPECT_EQ(fill({Row("a.mp4")}, base + "/missing/parent"), JobSetupOutcome::FolderMissing);
    EXPECT_FALSE(fs::exists(base + "/missing"));
    EXPECT_EQ(JobSetupMessage(JobSetupOutcome::FolderMissing),
              "The folder that you selected does not exit.Please specify a different folder!");

    // A missing last component is created.
    EXPECT_EQ(fill({Row("a.mp4")}, base + "/new"), JobSetupOutcome::Ready);
    EXPECT_TRUE(fs::is_directory(base + "/new"));

    // A name without a dot stops the command; the rows before it stay filled.
    job.CurrentTask.store(7);
    EXPECT_EQ(fill({Row("/x/first.mp4"), Row("/x/noext"), Row("/x/third.mp4")}, base), JobSetupOutcome::NameWithoutDot);
    EXPECT_EQ(JobSetupMessage(JobSetupOutcome::NameWithoutDot), "");
    EXPECT_EQ(job.OutputPaths[0], base + "/first.mp4");
    EXPECT_EQ(job.OutputPaths[2], "");
    EXPECT_EQ(job.CurrentTask.load(), 7);

    std::vector<TaskRow> tooMany(10000, Row("a.mp4"));
    EXPECT_EQ(fill(tooMany, base), JobSetupOutcome::TooManyRows);
    EXPECT_NE(JobSetupMessage(JobSetupOutcome::TooManyRows), "");
    tooMany.pop_back();
    EXPECT_EQ(fill(tooMany, base), JobSetupOutcome::Ready);
}

TEST_F(JobSetupTest, MergeNeedsTwoRowsAndSumsTheClips)
{
    const std::string out = FreshDir("merge");
    AVConvert job;
    job.ClipDuration[1] = -5;
    const OutputSettings s = Settings(0);
    EXPECT_EQ(FillMergeJob(job, std::vector<TaskRow>{Row("a.mp4"), Row("b.mp4", false)}, Text(0), out, s, {}).outcome,
              JobSetupOutcome::TooFewForMerge);
    EXPECT_EQ(JobSetupMessage(JobSetupOutcome::TooFewForMerge), "Merge is effective when two or more files are chosen!");
    const std::vector<TaskRow> rows = {Row("a.mp4", true, "00:00:00", "00:01:00"), Row("b.mp4", true, "00:00:10", "00:00:40")};
    ASSERT_EQ(FillMergeJob(job, rows, Text(0), out, s, {}).outcome, JobSetupOutcome::Ready);
    EXPECT_EQ(job.MergeTotalSeconds, 90);
    EXPECT_EQ(job.ClipDuration[1], -5);  // a merge leaves ClipDuration alone
}
