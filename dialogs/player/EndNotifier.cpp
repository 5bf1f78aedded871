// The notifier thread and its queue of end tickets.
#include "dialogs/player/EndNotifier.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace zentrova::player {

// Shared with the thread, which may outlive the notifier when a callback never returns at exit.
struct EndNotifier::Shared {
    std::mutex m;
    std::condition_variable cv;
    std::deque<std::uint64_t> tickets;
    std::atomic<std::uint64_t> current{1};
    std::atomic<PlayerModuleEndCallback> callback{nullptr};
    bool quit = false;
    bool finished = false;
};

EndNotifier::EndNotifier() : shared_(std::make_shared<Shared>())
{
    thread_ = std::thread(&EndNotifier::Run, shared_);
}

EndNotifier::~EndNotifier()
{
    std::unique_lock lock(shared_->m);
    shared_->quit = true;
    shared_->cv.notify_all();
    const bool done = shared_->cv.wait_for(lock, std::chrono::seconds(1), [&] { return shared_->finished; });
    lock.unlock();
    if (done)
        thread_.join();
    else
        thread_.detach();
}

void EndNotifier::SetCallback(PlayerModuleEndCallback callback)
{
    shared_->callback.store(callback);
}

std::uint64_t EndNotifier::Renew()
{
    return shared_->current.fetch_add(1) + 1;
}

void EndNotifier::Post(std::uint64_t ticket)
{
    {
        std::lock_guard lock(shared_->m);
        shared_->tickets.push_back(ticket);
    }
    shared_->cv.notify_all();
}

void EndNotifier::Run(std::shared_ptr<Shared> shared)
{
    std::unique_lock lock(shared->m);
    for (;;) {
        shared->cv.wait(lock, [&] { return shared->quit || !shared->tickets.empty(); });
        if (shared->quit)
            break;
        const std::uint64_t ticket = shared->tickets.front();
        shared->tickets.pop_front();
        const PlayerModuleEndCallback callback = shared->callback.load();
        if (ticket != shared->current.load() || !callback)
            continue;
        lock.unlock();
        callback();
        lock.lock();
    }
    shared->finished = true;
    shared->cv.notify_all();
}

} // namespace zentrova::player
