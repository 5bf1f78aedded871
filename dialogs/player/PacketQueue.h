// Packets read ahead for one decoder, tagged with the serial of the open or seek they belong to.
#pragma once

#include "engine/FFmpegPtr.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

namespace zentrova::player {

class PacketQueue {
public:
    struct Item {
        AVPacketPtr packet; // null asks the decoder to drain
        int serial = 0;
    };

    // Drops what is queued; later pushes of older serials are ignored.
    void Flush(int serial);
    void Push(AVPacketPtr packet, int serial);
    // Waits for an item; false once aborted.
    bool Pop(Item &item);
    void Abort();

    int Serial() const;
    // About a second read ahead (packets are counted by their duration in `secondsPerTick`).
    bool Full(double secondsPerTick) const;
    std::size_t Bytes() const;

private:
    mutable std::mutex m_;
    std::condition_variable cv_;
    std::deque<Item> items_;
    std::size_t bytes_ = 0;
    std::int64_t duration_ = 0;
    int serial_ = 0;
    bool abort_ = false;
};

} // namespace zentrova::player
