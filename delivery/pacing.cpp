#include "delivery/pacing.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kerfline::delivery {

namespace {
constexpr double kNever = std::numeric_limits<double>::infinity();
// Below a millionth of a byte two positions are the same.
constexpr double kSame = 1e-6;
}  // namespace

Pacer::Pacer(double bytesPerSecond, std::uint64_t buffer) : rate_(bytesPerSecond), buffer_(buffer) {}

void Pacer::add(std::uint64_t bytes, double seconds) {
    pieces_.push_back({added_, added_ + bytes, seconds > 0 ? seconds : 0});
    added_ += bytes;
}

void Pacer::wrote(std::uint64_t bytes, double now) {
    advance(now);
    written_ += bytes;
    trim();
}

std::uint64_t Pacer::room(double now) {
    advance(now);
    const double ahead = std::max(0.0, std::ceil(static_cast<double>(written_) - taken_ - kSame));
    const double buffer = static_cast<double>(buffer_);
    return ahead >= buffer ? 0 : static_cast<std::uint64_t>(buffer - ahead);
}

void Pacer::rewind(std::uint64_t position) {
    while (!pieces_.empty() && pieces_.back().start >= position) {
        if (pieces_.size() - 1 == current_) running_ = false;  // the knife's piece goes
        pieces_.pop_back();
    }
    current_ = std::min(current_, pieces_.size());
    added_ = pieces_.empty() ? position : pieces_.back().end;
    written_ = position;
    arrived_ = std::min(arrived_, static_cast<double>(position));
    if (taken_ > arrived_) {
        taken_ = arrived_;
        // The knife is back in the piece that holds the byte it took last.
        current_ = 0;
        while (current_ < pieces_.size() && static_cast<double>(pieces_[current_].end) <= taken_ + kSame)
            ++current_;
        running_ = current_ < pieces_.size() &&
                   taken_ > static_cast<double>(pieces_[current_].start) + kSame;
    }
}

void Pacer::trim() {
    // A rewind goes back at most a buffer's worth behind what was written.
    while (current_ > 0 && pieces_.front().end + buffer_ + 1 < written_) {
        pieces_.pop_front();
        --current_;
    }
}

void Pacer::advance(double now) {
    if (!clockSet_) {
        clock_ = now;
        clockSet_ = true;
    }
    const double written = static_cast<double>(written_);
    const double buffer = static_cast<double>(buffer_);
    for (;;) {
        const double arriving = arrived_ < written - kSame ? rate_ : 0;
        if (current_ >= pieces_.size()) {
            if (clock_ < now) arrived_ = std::min(written, arrived_ + arriving * (now - clock_));
            clock_ = std::max(clock_, now);
            return;
        }
        const Piece& piece = pieces_[current_];
        const double start = static_cast<double>(piece.start);
        const double end = static_cast<double>(piece.end);
        // A piece starts once it has arrived whole, or fills the buffer.
        const double needed = std::min(end, taken_ + buffer);
        if (!running_ && arrived_ >= needed - kSame) {
            running_ = true;
            continue;
        }
        // The knife takes the piece's bytes evenly over its time, never
        // more than have arrived; a piece of no time at once.
        const double speed = piece.seconds > 0 ? (end - start) / piece.seconds : kNever;
        if (running_ && speed == kNever && taken_ < std::min(end, arrived_) - kSame) taken_ = std::min(end, arrived_);
        if (running_ && taken_ >= end - kSame) {
            taken_ = end;
            ++current_;
            running_ = false;
            continue;
        }
        if (clock_ >= now) return;

        double step = now - clock_;
        if (!running_) {
            if (arriving == 0) {
                clock_ = now;
                return;
            }
            step = std::min(step, (std::min(needed, written) - arrived_) / arriving);
            arrived_ = std::min(written, arrived_ + arriving * step);
            clock_ += step;
            continue;
        }
        if (taken_ < arrived_ - kSame) {
            step = std::min(step, (end - taken_) / speed);
            if (speed > arriving) step = std::min(step, (arrived_ - taken_) / (speed - arriving));
            if (arriving > 0) step = std::min(step, (written - arrived_) / arriving);
            arrived_ = std::min(written, arrived_ + arriving * step);
            taken_ = std::min({end, arrived_, taken_ + speed * step});
        } else {
            // All that has arrived is taken: the knife waits for the line.
            if (arriving == 0) {
                clock_ = now;
                return;
            }
            const double pace = std::min(speed, arriving);
            step = std::min({step, (end - taken_) / pace, (written - arrived_) / arriving});
            arrived_ = std::min(written, arrived_ + arriving * step);
            taken_ = std::min({end, arrived_, taken_ + pace * step});
        }
        clock_ += step;
    }
}

}  // namespace kerfline::delivery
