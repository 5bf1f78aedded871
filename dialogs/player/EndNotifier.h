// Delivers the end-of-playback call from a thread of its own, so the caller's callback may block
// on the user-interface thread while that thread stops or closes the player.
#pragma once

#include "dialogs/player/PlayerModule.h"

#include <cstdint>
#include <memory>
#include <thread>

namespace zentrova::player {

class EndNotifier {
public:
    EndNotifier();
    // Waits a moment for a callback in progress; one that stays blocked is left to finish alone.
    ~EndNotifier();
    EndNotifier(const EndNotifier &) = delete;
    EndNotifier &operator=(const EndNotifier &) = delete;

    void SetCallback(PlayerModuleEndCallback callback);
    // A new playback (open, seek, stop, close): calls still queued for the old one are dropped.
    // Returns the ticket that the new playback's end is posted with.
    std::uint64_t Renew();
    // Queues the call; it is made only if no Renew came in between.
    void Post(std::uint64_t ticket);

private:
    struct Shared;
    static void Run(std::shared_ptr<Shared> shared);

    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

} // namespace zentrova::player
