// A pipeline stage that runs below the thread feeding it, with that thread as its stand-in.
//
// The stage's thread takes items off a bounded queue and does the work. Once the queue is full
// the stage has fallen behind, which at its lower priority means other programs have taken the
// cores: waiting for it would hold the feeding thread to the sliver of time the stage gets. So
// the feeding thread does what is queued itself, and from then on every later item on the spot,
// and the stage's thread retires. An item is taken and worked on under one lock, so the order
// holds whichever thread does it.
#pragma once

#include "engine/StageQueue.h"

#include <cstddef>
#include <functional>
#include <mutex>
#include <utility>

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
        if (!takenOver_ && queue_.full())
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
};

} // namespace zentrova
