// Entry point of zentrova-convert: Ctrl-C and SIGTERM ask the run to stop after the current file.
#include "cli/ConvertCli.h"

#include <signal.h>
#include <unistd.h>

#include <iostream>

namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

void OnSignal(int)
{
    g_interrupted.store(true, std::memory_order_relaxed);
}

} // namespace

int main(int argc, char **argv)
{
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    std::vector<std::string> args(argv + 1, argv + argc);
    zentrova::CliEnvironment env;
    env.interrupted = &g_interrupted;
    env.terminal = isatty(STDOUT_FILENO) == 1;
    return zentrova::RunConvertCli(args, std::cout, std::cerr, env);
}
