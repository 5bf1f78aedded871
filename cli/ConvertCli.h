// The command-line face of the engine: zentrova-convert.
#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace zentrova {

// Exit codes of the command line.
enum CliExit : int {
    kExitOk = 0,
    kExitFailure = 1,
    kExitUsage = 2,
    kExitInterrupted = 130,
};

struct CliEnvironment {
    // The program folder (default output folder, folder settings file); empty: the folder of
    // the running executable.
    std::string programDir;
    // Set asynchronously (by a signal handler) to stop a conversion run.
    const std::atomic<bool> *interrupted = nullptr;
    // `out` is a terminal: progress is one line rewritten in place.
    bool terminal = false;
    // The mount table --list-ipods reads.
    std::string mountTable = "/proc/self/mounts";
};

// Runs the command line with `args` (without the program name) and returns the exit status.
int RunConvertCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
                  const CliEnvironment &env = {});

// The folder of the running executable.
std::string ExecutableDir();

} // namespace zentrova
