#include "engine/AVConvert.h"

#include <gtest/gtest.h>

#include <type_traits>

using namespace zentrova;

TEST(AVConvert, ConstructionValues)
{
    AVConvert job;
    EXPECT_FALSE(job.StopRequested.load());
    EXPECT_FALSE(job.PreviewHidden.load());
    EXPECT_EQ(job.Progress.load(), -1);
    EXPECT_EQ(job.UniqueSuffix, -1);
    EXPECT_EQ(job.CurrentTask.load(), -1);
    EXPECT_EQ(job.FrameRate, 0.0);
    EXPECT_TRUE(job.SourcePaths.empty());
    EXPECT_TRUE(job.OutputPaths.empty());
    EXPECT_EQ(job.TaskStatus[0].load(), kTaskNotFinished);
    EXPECT_EQ(job.TaskStatus[AVConvert::kStatusEntries - 1].load(), kTaskNotFinished);
}

TEST(AVConvert, TableLimits)
{
    AVConvert job;
    EXPECT_EQ(job.ClipStart.size(), 9999u);
    EXPECT_EQ(job.ClipEnd.size(), 9999u);
    EXPECT_EQ(job.ClipDuration.size(), 9999u);
    EXPECT_EQ(job.TaskStatus.size(), 10000u);
    EXPECT_TRUE(AVConvert::FitsTaskLimit(0));
    EXPECT_TRUE(AVConvert::FitsTaskLimit(9999));
    EXPECT_FALSE(AVConvert::FitsTaskLimit(10000));
    EXPECT_FALSE(AVConvert::FitsTaskLimit(-1));
}

TEST(AVConvert, FieldsReadWhileAWorkerRunsAreAtomic)
{
    AVConvert job;
    // The window polls these while the worker writes them.
    static_assert(std::is_same_v<decltype(job.CurrentTask), std::atomic<std::int32_t>>);
    static_assert(std::is_same_v<decltype(job.Progress), std::atomic<std::int32_t>>);
    static_assert(std::is_same_v<decltype(job.StopRequested), std::atomic<bool>>);
    static_assert(std::is_same_v<decltype(job.PreviewHidden), std::atomic<bool>>);
    static_assert(std::is_same_v<std::remove_reference_t<decltype(job.TaskStatus[0])>, std::atomic<std::uint8_t>>);
    SUCCEED();
}
