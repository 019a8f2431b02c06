// Sending a job down a port: the flow control, a stop that leaves the knife
// up and says where to resume, and the wait until the last byte has left.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "delivery/job.h"
#include "delivery/port.h"

namespace kerfline::delivery {

// Time for the sender: the real clock, or a test's.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() = 0;  // seconds from any origin
    virtual void sleep(double seconds) = 0;
};

class SteadyClock final : public Clock {
public:
    double now() override;
    void sleep(double seconds) override;
};

// The HP-GL device-control instruction that asks for the free buffer space.
inline constexpr std::string_view kAskFreeBuffer = "\x1b.B";

// Reads the cutter's answer to ESC . B: decimal digits ended by a CR (or an
// LF); XON, XOFF and blanks are passed over, anything else starts afresh.
class FreeBufferAnswer {
public:
    // Takes one byte; the number once the answer is complete.
    std::optional<std::uint64_t> take(char c);

private:
    std::uint64_t value_ = 0;
    bool digits_ = false;
};

struct SendOptions {
    Flow flow = Flow::XonXoff;  // a socket: XonXoff, the system's own flow
    std::uint64_t buffer = 256;   // ESC . B: the largest block; None: the cutter's buffer
    double timeout = 60;          // seconds without progress that make a stall
    double lineBytesPerSecond = 960;  // None: the line's rate (baud / 10)
    double speed = 20;            // None: cm/s where the job sets no VS
    std::size_t from = 1;         // the first instruction sent, from 1
    bool serial = true;           // a serial port, whose queue a stop throws away
};

struct Progress {
    std::uint64_t sent = 0;   // bytes of this run that have left the port
    std::uint64_t total = 0;  // bytes this run sends
    std::size_t instructions = 0;  // instructions of the job the cutter has whole
    std::size_t count = 0;         // instructions in the job
    double elapsed = 0;            // seconds
};

struct SendResult {
    enum class Outcome { Done, Stopped, Stalled, Failed };
    Outcome outcome = Outcome::Done;
    std::uint64_t sent = 0;
    std::uint64_t total = 0;
    std::size_t received = 0;    // instructions the cutter has whole
    std::size_t count = 0;
    std::size_t resumeFrom = 0;  // where to go on after a stop, a stall or a failure
    std::string error;           // Failed: the system's reason
};

// Sends instructions `options.from` to the end of `job`, after what the
// cutter needs to be where the job was before them. `stop`, once set, ends
// the instruction being sent, sends PU; and returns Stopped (Done when
// everything had left the port by then). Returns when every byte has left.
SendResult sendJob(const Job& job, Port& port, const SendOptions& options,
                   const std::atomic<bool>& stop, Clock& clock,
                   const std::function<void(const Progress&)>& progress);

}  // namespace kerfline::delivery
