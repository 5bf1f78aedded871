// The command-line face of the engine: zentrova-convert.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace zentrova {

// Exit codes of the command line.
enum CliExit : int {
    kExitOk = 0,
    kExitFailure = 1,
    kExitUsage = 2,
};

// Runs the command line with `args` (without the program name) and returns the exit status.
int RunConvertCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);

} // namespace zentrova
