// Bounded hand-over of packets from the reading thread to a decoder thread.
#include "dialogs/player/PacketQueue.h"

namespace zentrova::player {

namespace {
constexpr std::size_t kMinPackets = 25;
constexpr double kReadAheadSeconds = 1.0;
} // namespace

void PacketQueue::Flush(int serial)
{
    std::lock_guard lock(m_);
    items_.clear();
    bytes_ = 0;
    duration_ = 0;
    serial_ = serial;
}

void PacketQueue::Push(AVPacketPtr packet, int serial)
{
    {
        std::lock_guard lock(m_);
        if (abort_ || serial != serial_)
            return;
        if (packet) {
            bytes_ += static_cast<std::size_t>(packet->size);
            duration_ += packet->duration;
        }
        items_.push_back({std::move(packet), serial});
    }
    cv_.notify_one();
}

bool PacketQueue::Pop(Item &item)
{
    std::unique_lock lock(m_);
    cv_.wait(lock, [&] { return abort_ || !items_.empty(); });
    if (abort_)
        return false;
    item = std::move(items_.front());
    items_.pop_front();
    if (item.packet) {
        bytes_ -= static_cast<std::size_t>(item.packet->size);
        duration_ -= item.packet->duration;
    }
    return true;
}

void PacketQueue::Abort()
{
    {
        std::lock_guard lock(m_);
        abort_ = true;
    }
    cv_.notify_all();
}

int PacketQueue::Serial() const
{
    std::lock_guard lock(m_);
    return serial_;
}

bool PacketQueue::Full(double secondsPerTick) const
{
    std::lock_guard lock(m_);
    // Packets without a duration count by number alone.
    return items_.size() >= kMinPackets &&
           (duration_ <= 0 || static_cast<double>(duration_) * secondsPerTick >= kReadAheadSeconds);
}

std::size_t PacketQueue::Bytes() const
{
    std::lock_guard lock(m_);
    return bytes_;
}

} // namespace zentrova::player
