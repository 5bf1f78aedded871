// The preview window hand-over.
#include "engine/PreviewControl.h"

#include <cstdlib>

namespace zentrova {

void PreviewControl::Attach(PreviewTarget target, std::uint64_t windowId)
{
    if (target == PreviewTarget::NativeWindow && windowId == 0) {
        // Read here, on the caller's thread: the worker never touches the environment.
        if (const char *text = std::getenv("SDL_WINDOWID"))
            windowId = std::strtoull(text, nullptr, 10);
        if (windowId == 0)
            target = PreviewTarget::None;
    }
    std::lock_guard lock(mutex_);
    target_ = target;
    windowId_ = windowId;
}

bool PreviewControl::Withdraw()
{
    std::lock_guard lock(mutex_);
    target_ = PreviewTarget::None;
    windowId_ = 0;
    if (inUse_)
        releaseRequested_.store(true, std::memory_order_relaxed);
    return !inUse_;
}

bool PreviewControl::DetachPreview(std::chrono::milliseconds timeout)
{
    if (Withdraw())
        return true;
    std::unique_lock lock(mutex_);
    return released_.wait_for(lock, timeout, [this] { return !inUse_; });
}

PreviewControl::Binding PreviewControl::Acquire()
{
    std::lock_guard lock(mutex_);
    if (target_ == PreviewTarget::None)
        return {};
    inUse_ = true;
    return {target_, windowId_};
}

void PreviewControl::Released()
{
    {
        std::lock_guard lock(mutex_);
        inUse_ = false;
        releaseRequested_.store(false, std::memory_order_relaxed);
    }
    released_.notify_all();
}

} // namespace zentrova
