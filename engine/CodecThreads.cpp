#include "engine/CodecThreads.h"

#include <cerrno>
#include <system_error>

#include <sys/resource.h>
#include <unistd.h>

namespace zentrova {

void LowerToFeederPriority()
{
    const auto self = static_cast<id_t>(gettid());
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, self);
    if (nice == -1 && errno != 0)
        return;
    // A failure changes nothing but the gain.
    (void)setpriority(PRIO_PROCESS, self, std::min(nice + kFeederNiceSteps, 19));
}

int OpenAtFeederPriority(const std::function<int()> &open)
{
    int result = 0;
    try {
        std::thread([&] {
            LowerToFeederPriority();
            result = open();
        }).join();
        return result;
    } catch (const std::system_error &) {
        return open();
    }
}

} // namespace zentrova
