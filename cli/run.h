// Carrying out a parsed command line, and the exit statuses.
#pragma once

#include "cli/arguments.h"

namespace kerfline::cli {

// Exit statuses.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;  // invalid file, cannot save, out of memory
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFound = 3;  // check found faults

// Runs the command the arguments name (or prints the usage for help),
// writing to standard output and error; returns the exit status. The
// mnemonic table must have been sorted.
int run(const Arguments& arguments);

}  // namespace kerfline::cli
