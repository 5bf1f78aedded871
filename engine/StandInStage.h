// A pipeline stage that runs below the thread feeding it, with that thread as its stand-in.
//
// The stage's thread takes items off a bounded queue and does the work. With the queue full the
// feeding thread waits for room as long as the stage's thread gets a core at least half the time
// (the stage is simply the slower one), or while no other program wants the cores: then it is this
// process's own higher threads that hold the stage back, and the feeding thread waiting soon leaves
// them gaps the stage runs in (taking over then made a 480p MPEG-4 conversion to 320x240 4 % slower
// in paired runs, 1.79 -> 1.86 cores busy). Once other programs take the cores, waiting would hold
// the feeding thread to the sliver of time the lowered stage gets: the feeding thread does what is
// queued itself, and from then on every later item on the spot, and the stage's thread retires. An
// item is taken and worked on under one lock, so the order holds whichever thread does it.
#pragma once

#include "engine/CodecThreads.h"
#include "engine/StageQueue.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>

#include <pthread.h>

namespace zentrova {

template <typename T>
class StandInStage {
public:
    using Work = std::function<void(T &)>;

    StandInStage(std::size_t capacity, Work work) : queue_(capacity), work_(std::move(work)) {}
    StandInStage(const StandInStage &) = delete;
    StandInStage &operator=(const StandInStage &) = delete;

    // The stage's thread: works until the end, an abort, or the feeding thread taking over.
    void Run()
    {
        clockid_t clock;
        if (pthread_getcpuclockid(pthread_self(), &clock) == 0) {
            stageClock_ = clock;
            clockKnown_.store(true, std::memory_order_release);
        }
        while (queue_.WaitForItem()) {
            std::lock_guard working(working_);
            if (takenOver_.load(std::memory_order_relaxed))
                return;
            if (auto item = queue_.TryPop())
                work_(item->value);
        }
    }

    // The feeding thread hands an item over, or does its work itself once the stage is starved.
    void Hand(T item)
    {
        if (!takenOver() && !WaitWhileTheStageWorks())
            TakeOver();
        if (takenOver()) {
            std::lock_guard working(working_);
            work_(item);
            return;
        }
        queue_.Push(std::move(item));
    }

    // The feeding thread has no more items, and does what is queued rather than wait for it.
    void End()
    {
        queue_.End();
        TakeOver();
    }

    // Drops what is queued and retires the stage's thread; later items are dropped.
    void Abort() { queue_.Abort(); }

    // Whether Hand would wait for room.
    bool full() const { return !takenOver() && queue_.full(); }

    // Whether the feeding thread has taken the work over.
    bool takenOver() const { return takenOver_.load(std::memory_order_relaxed); }

private:
    // Waits until Push would not; false as soon as the stage's thread has had a core for less
    // than half the time waited (checked every 20 ms) while other programs are running or
    // waiting for one. Without its clock it waits as Push would.
    bool WaitWhileTheStageWorks()
    {
        using namespace std::chrono;
        if (!queue_.full())
            return true;
        auto waitStart = steady_clock::now();
        std::optional<nanoseconds> cpuStart = StageCpu();
        while (!queue_.WaitForRoom(milliseconds(20))) {
            const std::optional<nanoseconds> cpu = StageCpu();
            if (!cpuStart || !cpu || (*cpu - *cpuStart) * 2 >= steady_clock::now() - waitStart)
                continue;
            // Unknown counts as busy: a stage starved by other programs is the costly mistake.
            if (OtherRunnableThreads() != 0)
                return false;
            waitStart = steady_clock::now();
            cpuStart = cpu;
        }
        return true;
    }

    std::optional<std::chrono::nanoseconds> StageCpu() const
    {
        timespec t{};
        if (!clockKnown_.load(std::memory_order_acquire) || clock_gettime(stageClock_, &t) != 0)
            return std::nullopt;
        return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
    }

    void TakeOver()
    {
        // Set first, so that once the stage's thread is done with the item it is working on it
        // takes no other, and the feeding thread waits at most for that one.
        takenOver_.store(true, std::memory_order_relaxed);
        std::lock_guard working(working_);
        while (auto item = queue_.TryPop())
            work_(item->value);
    }

    StageQueue<T> queue_;
    Work work_;
    std::mutex working_;
    std::atomic<bool> takenOver_{false};  // set by the feeding thread
    clockid_t stageClock_{};  // the stage thread's CPU time, published by clockKnown_
    std::atomic<bool> clockKnown_{false};
};

} // namespace zentrova
