// A bounded hand-over between two pipeline stages on their own threads.
//
// The producer blocks while the queue is full, so a fast stage cannot run ahead of a slow one
// by more than the capacity (memory stays bounded, the muxer's interleaving stays short).
// End() lets the consumer drain what is queued and then see the end; Abort() wakes both sides
// at once and makes every later call fail, for a stage that gave up. Flush() drops what is
// queued and starts a new serial: an item popped before the flush carries the old serial, so
// its consumer can tell it belongs to what was flushed.
//
// A producer that found the queue full sleeps until the consumer has taken half of it: waking
// it for every item taken costs a futex round trip per sound frame, more than the work saved.
// A producer that can do the consumer's work instead of waiting uses WaitForRoom(), TryPop() and
// WaitForItem(), with a lock of its own around taking and doing each item so the order holds.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>

namespace zentrova {

template <typename T>
class StageQueue {
public:
    struct Item {
        T value;
        int serial = 0;
    };

    explicit StageQueue(std::size_t capacity)
        : capacity_(capacity > 0 ? capacity : 1), resumeAt_(capacity_ / 2)
    {
    }
    StageQueue(const StageQueue &) = delete;
    StageQueue &operator=(const StageQueue &) = delete;

    // Waits for room; false (the item is dropped) once the queue is aborted or ended.
    bool Push(T value)
    {
        std::unique_lock lock(mutex_);
        if (items_.size() >= capacity_) {
            ++producersWaiting_;
            roomFree_.wait(lock, [&] { return aborted_ || ended_ || items_.size() <= resumeAt_; });
            --producersWaiting_;
        }
        if (aborted_ || ended_)
            return false;
        items_.push_back({std::move(value), serial_});
        itemReady_.notify_one();
        return true;
    }

    // Waits for an item; nothing once the queue is aborted, or ended and empty.
    std::optional<Item> Pop()
    {
        std::unique_lock lock(mutex_);
        itemReady_.wait(lock, [&] { return aborted_ || ended_ || !items_.empty(); });
        return TakeFront();
    }

    // Waits until an item can be taken; false once the queue is aborted, or ended and empty.
    bool WaitForItem()
    {
        std::unique_lock lock(mutex_);
        itemReady_.wait(lock, [&] { return aborted_ || ended_ || !items_.empty(); });
        return !aborted_ && !items_.empty();
    }

    // The first item if there is one, without waiting.
    std::optional<Item> TryPop()
    {
        std::lock_guard lock(mutex_);
        return TakeFront();
    }

    // Whether Push would wait.
    bool full() const
    {
        std::lock_guard lock(mutex_);
        return items_.size() >= capacity_;
    }

    // Waits as Push would, but no longer than `timeout`: true once Push would not wait.
    template <typename Duration>
    bool WaitForRoom(Duration timeout)
    {
        std::unique_lock lock(mutex_);
        if (items_.size() < capacity_)
            return true;
        ++producersWaiting_;
        const bool room =
            roomFree_.wait_for(lock, timeout, [&] { return aborted_ || ended_ || items_.size() <= resumeAt_; });
        --producersWaiting_;
        return room;
    }

    // No more items will come; what is queued is still delivered.
    void End()
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
        itemReady_.notify_all();
        roomFree_.notify_all();
    }

    void Abort()
    {
        std::lock_guard lock(mutex_);
        aborted_ = true;
        items_.clear();
        itemReady_.notify_all();
        roomFree_.notify_all();
    }

    void Flush()
    {
        std::lock_guard lock(mutex_);
        items_.clear();
        ++serial_;
        roomFree_.notify_all();
    }

    int serial() const
    {
        std::lock_guard lock(mutex_);
        return serial_;
    }

    bool aborted() const
    {
        std::lock_guard lock(mutex_);
        return aborted_;
    }

private:
    // With mutex_ held.
    std::optional<Item> TakeFront()
    {
        if (aborted_ || items_.empty())
            return std::nullopt;
        Item item = std::move(items_.front());
        items_.pop_front();
        if (producersWaiting_ > 0 && items_.size() <= resumeAt_)
            roomFree_.notify_one();
        return item;
    }

    mutable std::mutex mutex_;
    std::condition_variable itemReady_;
    std::condition_variable roomFree_;
    std::deque<Item> items_;
    std::size_t capacity_;
    std::size_t resumeAt_;
    int producersWaiting_ = 0;
    int serial_ = 0;
    bool ended_ = false;
    bool aborted_ = false;
};

} // namespace zentrova
