// Where the live conversion picture goes, and the hand-over of that window between the
// window that shows it and the worker thread that draws into it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace zentrova {

enum class PreviewTarget {
    None,          // no picture
    NativeWindow,  // draw into a native X11 window given by its id
    OwnWindow,     // open a small window of the worker's own
};

class PreviewControl {
public:
    // Called by whoever shows the picture before (or while) a run goes on. For NativeWindow a
    // `windowId` of 0 takes the decimal id in "SDL_WINDOWID". Only pass NativeWindow when the
    // window system really is X11: Xlib ends the process on an id it does not know.
    void Attach(PreviewTarget target, std::uint64_t windowId = 0);

    // Withdraws the picture's window without waiting: later tasks draw nothing until the next
    // Attach, and a worker drawing now lets go at its next packet. True when nothing draws any more.
    bool Withdraw();
    // Withdraw, then wait until the worker no longer draws into the window, or false when it did
    // not let go within `timeout`. Never call it on a thread that must stay responsive.
    bool DetachPreview(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

    // Worker side.
    struct Binding {
        PreviewTarget target = PreviewTarget::None;
        std::uint64_t windowId = 0;
    };
    // The target for a task that starts its picture; marks the window as in use.
    Binding Acquire();
    // Cheap test, made between packets: the window must be let go of.
    bool ReleaseRequested() const { return releaseRequested_.load(std::memory_order_relaxed); }
    // The worker no longer draws into the window.
    void Released();

private:
    std::mutex mutex_;
    std::condition_variable released_;
    PreviewTarget target_ = PreviewTarget::None;
    std::uint64_t windowId_ = 0;
    bool inUse_ = false;
    std::atomic<bool> releaseRequested_{false};
};

} // namespace zentrova
