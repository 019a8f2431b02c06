#include "geometry/clip.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace kerfline {

namespace {

// Products of two coordinate differences need up to 66 bits; a pair of
// 64-bit halves keeps them exact also where the compiler has no 128-bit type.
struct Wide {
    std::uint64_t hi = 0;
    std::uint64_t lo = 0;
};

Wide multiply(std::uint64_t a, std::uint64_t b) {
    constexpr std::uint64_t kLow = 0xFFFFFFFFu;
    const std::uint64_t a0 = a & kLow, a1 = a >> 32, b0 = b & kLow, b1 = b >> 32;
    const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const std::uint64_t middle = (p00 >> 32) + (p01 & kLow) + (p10 & kLow);
    return {p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32), (p00 & kLow) | (middle << 32)};
}

bool less(Wide a, Wide b) { return a.hi < b.hi || (a.hi == b.hi && a.lo < b.lo); }

// n / d and its remainder, bit by bit; the quotient must fit in 64 bits.
std::uint64_t divide(Wide n, std::uint64_t d, std::uint64_t& remainder) {
    std::uint64_t quotient = 0;
    std::uint64_t rest = 0;
    for (int bit = 127; bit >= 0; --bit) {
        const bool carry = (rest >> 63) != 0;
        const std::uint64_t next = bit >= 64 ? (n.hi >> (bit - 64)) & 1u : (n.lo >> bit) & 1u;
        rest = (rest << 1) | next;
        if (carry || rest >= d) {
            rest -= d;
            if (bit < 64) quotient |= std::uint64_t{1} << bit;
        }
    }
    remainder = rest;
    return quotient;
}

std::uint64_t magnitude(std::int64_t v) {
    return v < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
}

// A parameter along a segment, num / den with den > 0.
struct Fraction {
    std::int64_t num = 0;
    std::int64_t den = 1;
};

// a < b; both lie between 0 and 1 or are compared only for their order, and
// numerators and denominators stay below 2^33 in magnitude.
bool before(Fraction a, Fraction b) {
    const bool aNegative = a.num < 0, bNegative = b.num < 0;
    if (aNegative != bNegative) return aNegative;
    const Wide left = multiply(magnitude(a.num), static_cast<std::uint64_t>(b.den));
    const Wide right = multiply(magnitude(b.num), static_cast<std::uint64_t>(a.den));
    return aNegative ? less(right, left) : less(left, right);
}

enum class Side { None, Left, Right, Bottom, Top };

struct Bound {
    Fraction t;
    Side side = Side::None;
};

// The point of segment a-b on `side` of the rectangle (or a or b itself).
PlotPoint pointOn(Side side, PlotPoint a, PlotPoint b, const ClipRect& rect, PlotPoint none) {
    const std::int64_t dx = std::int64_t{b.x} - a.x, dy = std::int64_t{b.y} - a.y;
    // Along x: y = a.y + (X - a.x) * dy / dx, the offset rounded away from a.
    auto acrossX = [&](std::int32_t x) {
        const std::int64_t run = dx < 0 ? -(std::int64_t{x} - a.x) : std::int64_t{x} - a.x;
        return PlotPoint{x, static_cast<std::int32_t>(a.y + mulDivRound(run, dy, dx < 0 ? -dx : dx))};
    };
    auto acrossY = [&](std::int32_t y) {
        const std::int64_t rise = dy < 0 ? -(std::int64_t{y} - a.y) : std::int64_t{y} - a.y;
        return PlotPoint{static_cast<std::int32_t>(a.x + mulDivRound(rise, dx, dy < 0 ? -dy : dy)), y};
    };
    switch (side) {
        case Side::Left:
            return acrossX(rect.minX);
        case Side::Right:
            return acrossX(rect.maxX);
        case Side::Bottom:
            return acrossY(rect.minY);
        case Side::Top:
            return acrossY(rect.maxY);
        case Side::None:
            break;
    }
    return none;
}

// Narrows the part [enter, leave] of the segment that lies inside, by one
// side of the rectangle at `edge` (Liang and Barsky's clipping, in exact
// fractions); `start` and `change` are the segment's coordinate across that
// side. A side is recorded only where it cuts strictly inside the segment.
// False when the segment lies wholly outside this side.
bool narrow(std::int64_t start, std::int64_t change, std::int64_t edge, bool isMinimum, Side side,
            Bound& enter, Bound& leave) {
    if (change == 0) return isMinimum ? start >= edge : start <= edge;
    Fraction t{edge - start, change};
    if (t.den < 0) t = {-t.num, -t.den};
    // Moving toward larger coordinates enters over a minimum side and leaves
    // over a maximum one; the other way round it is the reverse.
    const bool entering = (change > 0) == isMinimum;
    if (entering) {
        if (before(enter.t, t)) enter = {t, side};
    } else {
        if (before(t, leave.t)) leave = {t, side};
    }
    return true;
}

}  // namespace

std::int64_t mulDivRound(std::int64_t a, std::int64_t b, std::int64_t c) {
    const bool negative = (a < 0) != (b < 0) && a != 0 && b != 0;
    const std::uint64_t d = static_cast<std::uint64_t>(c);
    std::uint64_t remainder = 0;
    std::uint64_t quotient = divide(multiply(magnitude(a), magnitude(b)), d, remainder);
    if (remainder >= d - remainder) ++quotient;  // 2r >= c: halves away from zero
    const std::int64_t result = static_cast<std::int64_t>(quotient);
    return negative ? -result : result;
}

std::vector<Polyline> clipPolyline(std::span<const PlotPoint> line, const ClipRect& rect) {
    std::vector<Polyline> pieces;
    if (line.empty()) return pieces;

    bool hasLength = false;
    for (const PlotPoint& p : line) hasLength = hasLength || !(p == line.front());
    if (!hasLength) {
        if (rect.contains(line.front())) pieces.emplace_back(line.begin(), line.end());
        return pieces;
    }

    Polyline current;
    auto finish = [&] {
        if (current.size() >= 2) pieces.push_back(std::move(current));
        current.clear();
    };
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        const PlotPoint a = line[i], b = line[i + 1];
        if (a == b) continue;  // no length: nothing to cut, nothing to break
        Bound enter{{0, 1}, Side::None}, leave{{1, 1}, Side::None};
        const std::int64_t dx = std::int64_t{b.x} - a.x, dy = std::int64_t{b.y} - a.y;
        const bool inside = narrow(a.x, dx, rect.minX, true, Side::Left, enter, leave) &&
                            narrow(a.x, dx, rect.maxX, false, Side::Right, enter, leave) &&
                            narrow(a.y, dy, rect.minY, true, Side::Bottom, enter, leave) &&
                            narrow(a.y, dy, rect.maxY, false, Side::Top, enter, leave);
        if (!inside || before(leave.t, enter.t)) {
            finish();
            continue;
        }
        const PlotPoint from = pointOn(enter.side, a, b, rect, a);
        const PlotPoint to = pointOn(leave.side, a, b, rect, b);
        if (from == to) {  // it only touches the rectangle
            finish();
            continue;
        }
        if (current.empty() || !(current.back() == from)) {
            finish();
            current.push_back(from);
        }
        current.push_back(to);
        if (leave.side != Side::None) finish();
    }
    finish();

    // A closed line that leaves the rectangle: its end and its start are one
    // run of the knife through the start point.
    if (pieces.size() >= 2 && line.front() == line.back() &&
        pieces.front().front() == line.front() && pieces.back().back() == line.back()) {
        Polyline& last = pieces.back();
        last.insert(last.end(), pieces.front().begin() + 1, pieces.front().end());
        pieces.erase(pieces.begin());
    }
    return pieces;
}

bool clipSegment(geom::Vec& a, geom::Vec& b, double limit) {
    double t0 = 0, t1 = 1;
    const double d[2] = {b.x - a.x, b.y - a.y};
    const double from[2] = {a.x, a.y};
    for (int i = 0; i < 2; ++i) {
        if (d[i] == 0) {
            if (from[i] < -limit || from[i] > limit) return false;
            continue;
        }
        double ta = (-limit - from[i]) / d[i], tb = (limit - from[i]) / d[i];
        if (ta > tb) std::swap(ta, tb);
        t0 = std::max(t0, ta);
        t1 = std::min(t1, tb);
        if (t0 > t1) return false;
    }
    const geom::Vec start = a, dir = b - a;
    if (t0 > 0) a = start + dir * t0;
    if (t1 < 1) b = start + dir * t1;
    return true;
}

}  // namespace kerfline
