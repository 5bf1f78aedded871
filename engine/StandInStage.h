// A pipeline stage that runs below the thread feeding it, with that thread as its stand-in.
//
// The stage's thread takes items off a bounded queue and does the work. With the queue full the
// feeding thread waits for room as long as the stage's thread gets a core at least half the time
// (the stage is simply the slower one). Once it does not, other programs have taken the cores,
// and waiting would hold the feeding thread to the sliver of time the lowered stage gets: the
// feeding thread does what is queued itself, and from then on every later item on the spot, and
// the stage's thread retires. An item is taken and worked on under one lock, so the order holds
// whichever thread does it.
#pragma once

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
            if (takenOver_)
                return;
            if (auto item = queue_.TryPop())
                work_(item->value);
        }
    }

    // The feeding thread hands an item over, or does its work itself once the stage fell behind.
    void Hand(T item)
    {
        if (!takenOver_ && !WaitWhileTheStageWorks())
            TakeOver();
        if (takenOver_) {
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

    // Only the feeding thread asks.
    bool takenOver() const { return takenOver_; }

private:
    // Waits until Push would not; false as soon as the stage's thread has had a core for less
    // than half the time waited (checked every 20 ms). Without its clock it waits as Push would.
    bool WaitWhileTheStageWorks()
    {
        using namespace std::chrono;
        if (!queue_.full())
            return true;
        const auto waitStart = steady_clock::now();
        const std::optional<nanoseconds> cpuStart = StageCpu();
        while (!queue_.WaitForRoom(milliseconds(20))) {
            const std::optional<nanoseconds> cpu = StageCpu();
            if (cpuStart && cpu && (*cpu - *cpuStart) * 2 < steady_clock::now() - waitStart)
                return false;
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
        // Waits at most for the item the stage's thread is working on.
        std::lock_guard working(working_);
        takenOver_ = true;
        while (auto item = queue_.TryPop())
            work_(item->value);
    }

    StageQueue<T> queue_;
    Work work_;
    std::mutex working_;
    bool takenOver_ = false;  // written by the feeding thread under working_
    clockid_t stageClock_{};  // the stage thread's CPU time, published by clockKnown_
    std::atomic<bool> clockKnown_{false};
};

} // namespace zentrova
