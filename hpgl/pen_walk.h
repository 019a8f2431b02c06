// The pen through one command, from its mnemonic and points alone: the one
// place that says what PA, PD, PR, PU and IN do with the pen (penStep), and
// the command's geometry (its box, where it leaves the pen, the length it
// cuts). The command's virtual operations are these; the walks over whole
// drawings (the statistics, rendering, the cut job) call them directly,
// without a virtual call for each of millions of commands.
#pragma once

#include <cmath>

#include "hpgl/command.h"

// Each function is inlined into the loops over whole drawings (KERF_INLINE_OR_ONE_COPY).

namespace kerfline::geometry {

// The points of a command with exactly one, as the functions below walk
// them: what the reader hands over for most instructions of a big job.
struct OnePoint {
    PlotPoint point;
    const PlotPoint* begin() const { return &point; }
    const PlotPoint* end() const { return &point + 1; }
    bool empty() const { return false; }
    PlotPoint back() const { return point; }
};

inline constexpr PlotPoint kEmptySmallest{kInt32Max, kInt32Max};
inline constexpr PlotPoint kEmptyLargest{kInt32Min, kInt32Min};

inline void widen(PlotPoint& smallest, PlotPoint& largest, PlotPoint p) {
    if (p.x < smallest.x) smallest.x = p.x;
    if (p.y < smallest.y) smallest.y = p.y;
    if (p.x > largest.x) largest.x = p.x;
    if (p.y > largest.y) largest.y = p.y;
}

// Differences below this give squares whose sum a double holds exactly.
inline constexpr std::int32_t kExactBelow = 1 << 26;

// The length of the straight cut from a to b; the differences wrap in 32 bits.
KERF_INLINE_OR_ONE_COPY double cutLength(PlotPoint a, PlotPoint b) {
    const std::int32_t dx = wrapSub(b.x, a.x);
    const std::int32_t dy = wrapSub(b.y, a.y);
    // Below 2^26 the squares and their sum are exact in a double, so the
    // square root is the correctly rounded length, as hypot's is, and much
    // cheaper; beyond that hypot keeps the sum from losing precision.
    constexpr std::int32_t kExact = kExactBelow;
    if (dx > -kExact && dx < kExact && dy > -kExact && dy < kExact) {
        const double x = dx, y = dy;
        return std::sqrt(x * x + y * y);
    }
    return std::hypot(static_cast<double>(dx), static_cast<double>(dy));
}

// The box of what the command draws (relative to its start for PR), and
// the pen state after it.
template <typename Points = PointSpan>
KERF_INLINE_OR_ONE_COPY void bounds(MnemonicCode code, const Points& points, PlotPoint& smallest, PlotPoint& largest,
                   int& pen) {
    smallest = kEmptySmallest;
    largest = kEmptyLargest;
    switch (code) {
        case mnemonic::PD:
            pen = 1;
            [[fallthrough]];
        case mnemonic::PA:
            if (pen)
                for (const PlotPoint& p : points) widen(smallest, largest, p);
            break;
        case mnemonic::PU:
        case mnemonic::IN:
            pen = 0;
            break;
        case mnemonic::PR:
            if (pen) {
                // Relative to where the command starts, which the caller adds.
                smallest = largest = PlotPoint{};
                PlotPoint sum{};
                for (const PlotPoint& offset : points) {
                    sum = wrapAdd(sum, offset);
                    widen(smallest, largest, sum);
                }
            }
            break;
        default:
            break;
    }
}

template <typename Points = PointSpan>
KERF_INLINE_OR_ONE_COPY PlotPoint endPosition(MnemonicCode code, const Points& points, PlotPoint current) {
    switch (code) {
        case mnemonic::PA:
            return points.empty() ? PlotPoint{} : points.back();
        case mnemonic::PD:
        case mnemonic::PU:
            return points.empty() ? current : points.back();
        case mnemonic::PR:
            for (const PlotPoint& offset : points) current = wrapAdd(current, offset);
            return current;
        case mnemonic::IN:
            return PlotPoint{};
        default:
            return current;
    }
}

// The length cut along the command, summed in list order from 0.
template <typename Points = PointSpan>
KERF_INLINE_OR_ONE_COPY double travel(MnemonicCode code, const Points& points, PlotPoint start, int& pen) {
    double length = 0.0;
    switch (code) {
        case mnemonic::PD:
            pen = 1;
            [[fallthrough]];
        case mnemonic::PA:
            if (pen) {
                PlotPoint previous = start;
                for (const PlotPoint& p : points) {
                    length += cutLength(previous, p);
                    previous = p;
                }
            }
            break;
        case mnemonic::PU:
        case mnemonic::IN:
            pen = 0;
            break;
        case mnemonic::PR:
            if (pen)
                for (const PlotPoint& offset : points) length += cutLength(PlotPoint{}, offset);
            break;
        default:
            break;
    }
    return length;
}

// What one command does with the pen, told to `sink` in order: lower()
// for PD, before its points (also when it has none); lift() for PU and IN;
// to(point) for every point the command goes to, absolute (PR's offsets
// added up from `position`, wrapping in 32 bits), the pen as the sink last
// heard; home() for PA without points and for IN, which send the pen to
// (0, 0) without drawing. Any other command does nothing with the pen. The
// pen's place after the command is endPosition's.
template <typename Points, typename Sink>
KERF_INLINE_EXCEPT_SMALL inline void penStep(MnemonicCode code, const Points& points, PlotPoint position, Sink& sink) {
    switch (code) {
        case mnemonic::PD:
            sink.lower();
            [[fallthrough]];
        case mnemonic::PA:
            if (code == mnemonic::PA && points.empty()) sink.home();
            for (const PlotPoint& p : points) sink.to(p);
            break;
        case mnemonic::PU:
            sink.lift();
            for (const PlotPoint& p : points) sink.to(p);
            break;
        case mnemonic::PR:
            for (const PlotPoint& offset : points) {
                position = wrapAdd(position, offset);
                sink.to(position);
            }
            break;
        case mnemonic::IN:
            sink.lift();
            sink.home();
            break;
        default:
            break;
    }
}

}  // namespace kerfline::geometry
