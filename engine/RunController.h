// One conversion or merge run: its worker thread, the stop request, and the run's state as a
// value that the window and the command line copy and show.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zentrova {

class AVConvert;

enum class RunKind { Convert, Merge };

enum class RunState {
    Idle,     // no run was started through this controller
    Running,
    Stopping, // stop asked for; the worker still finishes the file in progress
    Finished, // the worker returned; its thread may still wait to be joined
};

// A row the worker has passed: its TaskStatus value and, for a failure, the reason in words.
struct RowOutcome {
    std::uint8_t status = 0;
    std::string reason;
};

struct RunSnapshot {
    RunState state = RunState::Idle;
    // The job's CurrentTask: -1 before the worker started, TaskCount once every row is done.
    int currentTask = -1;
    int taskCount = 0;
    int checkedTaskCount = 0;
    // The current file's percent (a merge's: the whole run's), -1 before it has one.
    int percent = -1;
    // One entry per row before currentTask; these are final (a merge whose file cannot be
    // finished may still turn completed rows into failures before currentTask reaches the end).
    std::vector<RowOutcome> rows;
    int completedCount = 0;
    // Percent per second of what `percent` measures; 0 while unknown.
    double rate = 0;
    // Seconds left for the current file and for the whole run; negative while unknown.
    double fileSecondsLeft = -1;
    double runSecondsLeft = -1;
    bool stopRequested = false;
};

class RunController {
public:
    using Body = std::function<void(AVConvert &)>;
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // `job` must outlive the controller. `clock` replaces the steady clock (tests).
    explicit RunController(AVConvert &job, Clock clock = {});
    // Asks a running worker to stop after its file and joins it.
    ~RunController();
    RunController(const RunController &) = delete;
    RunController &operator=(const RunController &) = delete;

    // Starts a run over the filled job on a thread of its own; `body` replaces the kind's worker
    // (tests wrap it). False when a worker is still there or no thread could be made.
    bool Start(RunKind kind, Body body = {});

    // The only way to write the job's stop flag while a run may be going on.
    void RequestStop();

    // The worker returned (or never started); Join then waits for nothing.
    bool WorkerDone() const { return done_.load(std::memory_order_acquire); }
    // Waits until the worker returns or `timeout` passes, whichever comes first; true when it
    // returned. Lets a poller show progress now and then yet learn of the end at once.
    bool WaitForWorker(std::chrono::milliseconds timeout);
    // A worker thread exists that has not been joined.
    bool HasWorker() const { return worker_.joinable(); }
    void Join();

    RunSnapshot Snapshot();

    // After a merge's worker returned: the merged file, empty when nothing was merged.
    const std::string &MergedPath() const { return mergedPath_; }
    AVConvert &Job() const { return job_; }

private:
    std::chrono::steady_clock::time_point Now() const;
    void Estimate(RunSnapshot &s);

    AVConvert &job_;
    Clock clock_;
    std::thread worker_;
    std::atomic<bool> done_{true};
    std::mutex doneMutex_;
    std::condition_variable doneChanged_;
    bool started_ = false;
    RunKind kind_ = RunKind::Convert;
    std::string mergedPath_;

    // The estimate's bookkeeping, kept between snapshots.
    std::mutex estimateMutex_;
    std::chrono::steady_clock::time_point runStart_{};
    std::chrono::steady_clock::time_point rowStart_{};
    int rowSeen_ = -1;
    int checkedBeforeRow_ = 0;
};

// h:mm:ss of a number of seconds; "--:--:--" while unknown (negative).
std::string FormatTimeLeft(double seconds);

} // namespace zentrova
