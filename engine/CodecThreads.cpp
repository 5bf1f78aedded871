#include "engine/CodecThreads.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
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

namespace {

constexpr int kReadAgain = -2;
std::atomic<int> fixedOtherRunnable{kReadAgain};

// The kernel's count of runnable threads, the calling one included; -1 when it cannot be read.
int RunnableThreads()
{
    std::ifstream stat("/proc/stat");
    std::string key;
    long long value = 0;
    while (stat >> key) {
        if (key == "procs_running" && stat >> value)
            return static_cast<int>(value);
        stat.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    return -1;
}

// This process's threads that are running or waiting for a core.
int OwnRunnableThreads()
{
    int count = 0;
    std::error_code error;
    for (const auto &task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        std::ifstream stat(task.path() / "stat");
        std::string line;
        if (!std::getline(stat, line))
            continue;
        // The state follows the name, which is in parentheses and may hold any character.
        const auto close = line.rfind(')');
        count += close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'R';
    }
    return count;
}

} // namespace

int OtherRunnableThreads()
{
    const int fixed = fixedOtherRunnable.load(std::memory_order_relaxed);
    if (fixed != kReadAgain)
        return fixed;
    int fewest = -1;
    for (int look = 0; look < 3; ++look) {
        if (look > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const int all = RunnableThreads();
        if (all < 0)
            return -1;
        const int others = std::max(all - OwnRunnableThreads(), 0);
        fewest = fewest < 0 ? others : std::min(fewest, others);
    }
    return fewest;
}

void FixOtherRunnableThreads(std::optional<int> count)
{
    fixedOtherRunnable.store(count.value_or(kReadAgain), std::memory_order_relaxed);
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
