// A stop asked for while a job is sent: Ctrl-C, kill (SIGTERM) or a closed
// terminal (SIGHUP); on Windows the console's Ctrl-C, Ctrl-Break and close.
// They set a flag that the send loop reads, instead of ending the program.
#pragma once

#include <atomic>

namespace kerfline::cli {

class InterruptFlag {
public:
    // Catches the signals (one that was ignored stays ignored) or the
    // console's events for as long as this lives; only one at a time.
    InterruptFlag();
    ~InterruptFlag();
    InterruptFlag(const InterruptFlag&) = delete;
    InterruptFlag& operator=(const InterruptFlag&) = delete;

    const std::atomic<bool>& flag() const;
    // The stop has been carried out. Windows ends a program whose console
    // is closed as soon as its handler returns: the handler waits for this,
    // for a few seconds at most.
    void finished();
};

}  // namespace kerfline::cli
