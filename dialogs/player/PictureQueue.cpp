// Bounded hand-over of pictures from the video decoder to whoever fetches them.
#include "dialogs/player/PictureQueue.h"

#include <chrono>

namespace zentrova::player {

void PictureQueue::DropReplaced(double clock)
{
    while (pictures_.size() >= 2 && pictures_[1].pts <= clock)
        pictures_.pop_front();
}

bool PictureQueue::Push(Picture picture, const PlaybackClock &clock)
{
    std::unique_lock lock(m_);
    for (;;) {
        if (abort_ || picture.serial != serial_)
            return false;
        if (pictures_.size() < capacity_)
            break;
        // The clock moves without telling anyone; look again at a picture's pace.
        cv_.wait_for(lock, std::chrono::milliseconds(10));
        if (!abort_)
            DropReplaced(clock.Now());
    }
    pictures_.push_back(std::move(picture));
    return true;
}

void PictureQueue::Flush(int serial)
{
    {
        std::lock_guard lock(m_);
        pictures_.clear();
        serial_ = serial;
    }
    cv_.notify_all();
}

void PictureQueue::Abort()
{
    {
        std::lock_guard lock(m_);
        abort_ = true;
    }
    cv_.notify_all();
}

std::optional<Picture> PictureQueue::TakeDue(double clock, bool first)
{
    std::optional<Picture> due;
    {
        std::lock_guard lock(m_);
        if (pictures_.empty())
            return due;
        if (!first && pictures_.front().pts > clock)
            return due;
        DropReplaced(clock);
        if (first || pictures_.front().end > clock)
            due = std::move(pictures_.front());
        pictures_.pop_front();
    }
    cv_.notify_all();
    return due;
}

} // namespace zentrova::player
