// The geometry of one command: its box, where it leaves the pen, the length
// it cuts, and the three changes of its points. A command knows nothing of
// its neighbours; the caller carries the position and the pen state.
#include <cmath>

#include "hpgl/command.h"

namespace kerfline {

namespace {
constexpr PlotPoint kEmptySmallest{kInt32Max, kInt32Max};
constexpr PlotPoint kEmptyLargest{kInt32Min, kInt32Min};

void widen(PlotPoint& smallest, PlotPoint& largest, PlotPoint p) {
    if (p.x < smallest.x) smallest.x = p.x;
    if (p.y < smallest.y) smallest.y = p.y;
    if (p.x > largest.x) largest.x = p.x;
    if (p.y > largest.y) largest.y = p.y;
}
}  // namespace

double distance(PlotPoint a, PlotPoint b) {
    const std::int32_t dx = wrapSub(b.x, a.x);
    const std::int32_t dy = wrapSub(b.y, a.y);
    // Below 2^26 the squares and their sum are exact in a double, so the
    // square root is the correctly rounded length, as hypot's is, and much
    // cheaper; beyond that hypot keeps the sum from losing precision.
    constexpr std::int32_t kExact = 1 << 26;
    if (dx > -kExact && dx < kExact && dy > -kExact && dy < kExact) {
        const double x = dx, y = dy;
        return std::sqrt(x * x + y * y);
    }
    return std::hypot(static_cast<double>(dx), static_cast<double>(dy));
}

void HpglCommand::bounds(PlotPoint& smallest, PlotPoint& largest, int&) const {
    smallest = kEmptySmallest;
    largest = kEmptyLargest;
}

PlotPoint HpglCommand::endPosition(PlotPoint current) const { return current; }

double HpglCommand::travel(PlotPoint, int&) const { return 0.0; }

void PlotCommand::bounds(PlotPoint& smallest, PlotPoint& largest, int& pen) const {
    smallest = kEmptySmallest;
    largest = kEmptyLargest;
    switch (code()) {
        case mnemonic::PD:
            pen = 1;
            [[fallthrough]];
        case mnemonic::PA:
            if (pen)
                for (const PlotPoint& p : points_) widen(smallest, largest, p);
            break;
        case mnemonic::PU:
            pen = 0;
            break;
        case mnemonic::PR:
            if (pen) {
                // Relative to where the command starts, which the caller adds.
                smallest = largest = PlotPoint{};
                PlotPoint sum{};
                for (const PlotPoint& offset : points_) {
                    sum = wrapAdd(sum, offset);
                    widen(smallest, largest, sum);
                }
            }
            break;
        case mnemonic::IN:
            pen = 0;
            break;
        default:
            break;
    }
}

PlotPoint PlotCommand::endPosition(PlotPoint current) const {
    switch (code()) {
        case mnemonic::PA:
            return points_.empty() ? PlotPoint{} : points_.back();
        case mnemonic::PD:
        case mnemonic::PU:
            return points_.empty() ? current : points_.back();
        case mnemonic::PR:
            for (const PlotPoint& offset : points_) current = wrapAdd(current, offset);
            return current;
        case mnemonic::IN:
            return PlotPoint{};
        default:
            return current;
    }
}

double PlotCommand::travel(PlotPoint start, int& pen) const {
    double length = 0.0;
    switch (code()) {
        case mnemonic::PD:
            pen = 1;
            [[fallthrough]];
        case mnemonic::PA:
            if (pen) {
                PlotPoint previous = start;
                for (const PlotPoint& p : points_) {
                    length += distance(previous, p);
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
                for (const PlotPoint& offset : points_) length += distance(PlotPoint{}, offset);
            break;
        default:
            break;
    }
    return length;
}

void PlotCommand::scale(double factor) {
    if (!holdsPoints(code())) return;
    for (PlotPoint& p : points_) {
        p.x = truncToInt32(p.x * factor);
        p.y = truncToInt32(p.y * factor);
    }
}

void PlotCommand::rotate(std::int32_t sum) {
    const MnemonicCode kind = code();
    if (kind == mnemonic::PR) {
        for (PlotPoint& p : points_) p = PlotPoint{p.y, wrapNeg(p.x)};
    } else if (holdsPoints(kind)) {
        for (PlotPoint& p : points_) p = PlotPoint{p.y, wrapSub(sum, p.x)};
    }
}

void PlotCommand::move(PlotPoint offset) {
    const MnemonicCode kind = code();
    if (kind == mnemonic::PR || !holdsPoints(kind)) return;
    for (PlotPoint& p : points_) p = wrapAdd(p, offset);
}

}  // namespace kerfline
