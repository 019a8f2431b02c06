// Runs the built kerfline-cli as a user would: as its own process, with its
// standard output and error captured apart.
#pragma once

#include <string>
#include <vector>

namespace kerfline::clitest {

struct CliRun {
    // The exit status; for a program killed by a signal, 1000 + the signal.
    int status = -1;
    std::string out;
    std::string err;
};

// `stdoutPath`, when given, receives standard output instead of the capture
// (say /dev/full), or with kClosed the program starts without one; `out`
// then stays empty.
inline const std::string kClosed = "<closed>";
CliRun runCli(const std::vector<std::string>& args, const std::string& stdoutPath = {});

}  // namespace kerfline::clitest
