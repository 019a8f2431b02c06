// Pacing without a handshake: the sender's own picture of the cutter, so
// that by the job's time model no more than the cutter's buffer is ever
// ahead of the knife.
//
// Bytes go down the line at the port's rate (ten bits a byte). The knife
// takes the instructions in order: one starts when the one before has ended
// and it has arrived whole, or, for one larger than the buffer, once it
// fills the buffer; it takes its bytes from the buffer evenly over its time,
// never more than have arrived, and one of no time at once. Every byte
// written counts as ahead of the knife until the knife has taken it: those
// still in the line and in the system's queue too, which errs on the safe
// side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace kerfline::delivery {

class Pacer {
public:
    // `bytesPerSecond`: the line's rate; `buffer`: the cutter's buffer.
    Pacer(double bytesPerSecond, std::uint64_t buffer);

    // The next piece of the stream and the seconds the knife takes for it,
    // in the order they are sent.
    void add(std::uint64_t bytes, double seconds);
    // `bytes` more written at time `now` (seconds, any origin, never
    // going back).
    void wrote(std::uint64_t bytes, double now);
    // What may be written at `now` without putting more than the buffer
    // ahead of the knife.
    std::uint64_t room(double now);
    // The written stream ends at `position` after all (what was still
    // queued was thrown away, at most a buffer's worth): pieces that start
    // at or after it are forgotten, and the knife has taken no byte past it.
    void rewind(std::uint64_t position);

    // The knife's progress, for the tests and the estimate of time left.
    double taken() const { return taken_; }
    std::uint64_t written() const { return written_; }
    std::uint64_t added() const { return added_; }

private:
    struct Piece {
        std::uint64_t start;  // where it starts in the stream
        std::uint64_t end;    // just past it
        double seconds;
    };
    void advance(double now);
    // Forgets pieces taken long enough ago that no rewind reaches them.
    void trim();

    double rate_;
    std::uint64_t buffer_;
    // Pieces from some already taken, kept for a rewind, to the last added;
    // the knife is in (or waits for) pieces_[current_].
    std::deque<Piece> pieces_;
    std::size_t current_ = 0;
    std::uint64_t added_ = 0;
    std::uint64_t written_ = 0;
    double arrived_ = 0;  // bytes that have come down the line
    double taken_ = 0;    // bytes the knife has taken
    bool running_ = false;  // the knife has begun pieces_[current_]
    double clock_ = 0;
    bool clockSet_ = false;
};

}  // namespace kerfline::delivery
