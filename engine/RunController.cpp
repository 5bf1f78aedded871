// The run's thread and its snapshot.
#include "engine/RunController.h"

#include "engine/AVConvert.h"
#include "engine/ConvertWorker.h"
#include "engine/MergeWorker.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace zentrova {

RunController::RunController(AVConvert &job, Clock clock) : job_(job), clock_(std::move(clock)) {}

RunController::~RunController()
{
    if (worker_.joinable()) {
        RequestStop();
        worker_.join();
    }
}

std::chrono::steady_clock::time_point RunController::Now() const
{
    return clock_ ? clock_() : std::chrono::steady_clock::now();
}

bool RunController::Start(RunKind kind, Body body)
{
    // A worker that has returned is only waiting to be joined.
    if (worker_.joinable() && WorkerDone())
        worker_.join();
    if (worker_.joinable())
        return false;
    if (!body) {
        if (kind == RunKind::Merge)
            body = [this](AVConvert &job) { mergedPath_ = MergeRows(job); };
        else
            body = &ConvertWorker;
    }
    kind_ = kind;
    mergedPath_.clear();
    {
        std::lock_guard lock(estimateMutex_);
        runStart_ = rowStart_ = Now();
        rowSeen_ = -1;
        checkedBeforeRow_ = 0;
    }
    done_.store(false, std::memory_order_relaxed);
    try {
        worker_ = std::thread([this, body = std::move(body)] {
            body(job_);
            std::lock_guard lock(doneMutex_);
            done_.store(true, std::memory_order_release);
            doneChanged_.notify_all();
        });
    } catch (const std::system_error &) {
        done_.store(true, std::memory_order_relaxed);
        return false;
    }
    started_ = true;
    return true;
}

bool RunController::WaitForWorker(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(doneMutex_);
    return doneChanged_.wait_for(lock, timeout, [this] { return WorkerDone(); });
}

void RunController::RequestStop()
{
    job_.StopRequested.store(true, std::memory_order_relaxed);
}

void RunController::Join()
{
    if (worker_.joinable())
        worker_.join();
}

RunSnapshot RunController::Snapshot()
{
    RunSnapshot s;
    s.stopRequested = job_.StopRequested.load(std::memory_order_relaxed);
    if (!started_)
        s.state = RunState::Idle;
    else if (WorkerDone())
        s.state = RunState::Finished;
    else
        s.state = s.stopRequested ? RunState::Stopping : RunState::Running;

    // Acquire: the rows before it are final, and the worker has sized the reasons.
    s.currentTask = job_.CurrentTask.load(std::memory_order_acquire);
    s.percent = job_.Progress.load(std::memory_order_relaxed);
    s.taskCount = job_.TaskCount;
    s.checkedTaskCount = job_.CheckedTaskCount;
    const int passed = std::min({s.currentTask, s.taskCount, AVConvert::kStatusEntries});
    s.rows.reserve(static_cast<std::size_t>(std::max(passed, 0)));
    for (int i = 0; i < passed; ++i) {
        const auto index = static_cast<std::size_t>(i);
        RowOutcome row;
        // Acquire: a failed row's reason is written before its status.
        row.status = job_.TaskStatus[index].load(std::memory_order_acquire);
        if (row.status == kTaskFailed && index < job_.FailureReasons.size())
            row.reason = job_.FailureReasons[index];
        if (row.status == kTaskCompleted)
            ++s.completedCount;
        s.rows.push_back(std::move(row));
    }
    if (started_)
        Estimate(s);
    return s;
}

void RunController::Estimate(RunSnapshot &s)
{
    if (s.state == RunState::Finished) {
        s.fileSecondsLeft = s.runSecondsLeft = 0;
        return;
    }
    const int current = s.currentTask;
    if (current < 0 || current >= s.taskCount)
        return;
    std::lock_guard lock(estimateMutex_);
    const auto now = Now();
    if (current != rowSeen_) {
        rowSeen_ = current;
        rowStart_ = now;
        checkedBeforeRow_ = 0;
        for (int i = 0; i < current; ++i)
            checkedBeforeRow_ += job_.SourcePaths[static_cast<std::size_t>(i)].empty() ? 0 : 1;
    }
    const double inRun = std::chrono::duration<double>(now - runStart_).count();
    const double inRow = std::chrono::duration<double>(now - rowStart_).count();
    const int percent = std::clamp(s.percent, 0, 100);

    if (kind_ == RunKind::Merge) {
        // Progress already measures the whole run.
        if (percent <= 0 || inRun <= 0)
            return;
        s.rate = percent / inRun;
        s.runSecondsLeft = s.fileSecondsLeft = (100 - percent) / s.rate;
        return;
    }
    if (percent <= 0 || inRow <= 0)
        return;
    s.rate = percent / inRow;
    s.fileSecondsLeft = (100 - percent) / s.rate;
    // The files after this one at the pace of the run so far; unchecked rows take no time.
    const double rowTotal = 100 / s.rate;
    const double inEarlierRows = std::chrono::duration<double>(rowStart_ - runStart_).count();
    const double perFile = checkedBeforeRow_ > 0 ? inEarlierRows / checkedBeforeRow_ : rowTotal;
    int checkedAfter = 0;
    for (int i = current + 1; i < s.taskCount; ++i)
        checkedAfter += job_.SourcePaths[static_cast<std::size_t>(i)].empty() ? 0 : 1;
    s.runSecondsLeft = s.fileSecondsLeft + perFile * checkedAfter;
}

std::string FormatTimeLeft(double seconds)
{
    if (seconds < 0)
        return "--:--:--";
    const long s = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

} // namespace zentrova
