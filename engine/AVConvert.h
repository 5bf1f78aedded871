// The conversion job record: everything one batch shares between the window and the worker thread.
#pragma once

#include "engine/PictureFilter.h"
#include "engine/PreviewControl.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace zentrova {

enum TaskStatusValue : std::uint8_t {
    kTaskNotFinished = 0xFF,
    kTaskCompleted = 1,
    kTaskFailed = 2,
};

class AVConvert {
public:
    // Rows a batch may hold, and the size of the status table.
    static constexpr int kMaxTasks = 9999;
    static constexpr int kStatusEntries = 10000;

    AVConvert();
    virtual ~AVConvert();
    AVConvert(const AVConvert &) = delete;
    AVConvert &operator=(const AVConvert &) = delete;

    // True when a batch of `rows` rows fits the per-row tables.
    static bool FitsTaskLimit(int rows) { return rows >= 0 && rows <= kMaxTasks; }

    // Fields shared with a running worker are atomics: each has one writer, and the poller only
    // needs the latest value, so relaxed loads and stores are enough.
    std::atomic<bool> StopRequested{false};
    std::atomic<bool> PreviewHidden{false};
    // Empty entries mark unchecked rows; the worker fails them at opening.
    std::vector<std::string> SourcePaths;
    // The worker replaces an entry by the unique name it writes to. Row j's entry is final once
    // CurrentTask (loaded with acquire) has passed j.
    std::vector<std::string> OutputPaths;
    std::array<std::atomic<std::uint8_t>, kStatusEntries> TaskStatus{};
    // Why a failed row failed, in words for the user. The worker sizes it before publishing
    // CurrentTask 0 (the job's filling has set that to -1) and writes row j's entry once, before
    // storing kTaskFailed into TaskStatus[j] with release: read it only after loading that status
    // with acquire. (A merge whose file cannot be finished turns rows already shown as completed
    // into failures that way.)
    std::vector<std::string> FailureReasons;
    std::array<double, kMaxTasks> ClipStart{};
    std::array<double, kMaxTasks> ClipEnd{};
    std::array<double, kMaxTasks> ClipDuration{};
    std::int32_t MergeTotalSeconds = 0;
    std::atomic<std::int32_t> Progress{-1};
    // The output's codecs, bit rates, picture and sound; the source's facts are the probe's value
    // (MediaProbe) and, during a run, the task's own.
    std::int32_t VideoCodecId = 0;
    std::int32_t AudioCodecId = 0;
    std::int32_t VideoBitRate = 0;
    std::int32_t OutputHeight = 0;
    std::int32_t OutputWidth = 0;
    double FrameRate = 0;
    std::int32_t AudioBitRate = 0;
    std::int32_t SampleRate = 0;
    std::int32_t Channels = 0;
    std::int32_t UniqueSuffix = -1;
    std::atomic<std::int32_t> CurrentTask{-1};
    std::int32_t CheckedTaskCount = 0;
    bool VideoEnabled = true;
    // How a picture of another shape goes into the OutputWidth x OutputHeight frame.
    PictureFit Fit = PictureFit::Pad;
    std::int32_t TaskCount = 0;

    // Where the worker draws the live picture; the window that shows it attaches and detaches here.
    PreviewControl Preview;
    // Asks the worker to let go of the preview window; returns once it did, or false after `timeout`.
    bool DetachPreview(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000))
    {
        return Preview.DetachPreview(timeout);
    }
};

} // namespace zentrova
