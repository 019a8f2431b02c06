#include "cutting/production/line_clearance.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace kerfline {

namespace {

// A point as (along the line, across it).
struct Local {
    double along = 0.0;
    double across = 0.0;
};

Local local(PlotPoint p, LineAxis axis) {
    return axis == LineAxis::Horizontal ? Local{static_cast<double>(p.x), static_cast<double>(p.y)}
                                        : Local{static_cast<double>(p.y), static_cast<double>(p.x)};
}

// Narrows [lo, hi] to where low <= slope * t + offset <= high.
void narrow(double slope, double offset, double low, double high, double& lo, double& hi) {
    if (slope == 0.0) {
        if (offset < low || offset > high) hi = -std::numeric_limits<double>::infinity();
        return;
    }
    double first = (low - offset) / slope;
    double second = (high - offset) / slope;
    if (first > second) std::swap(first, second);
    lo = std::max(lo, first);
    hi = std::min(hi, second);
}

}  // namespace

bool blockedStretch(PlotPoint pa, PlotPoint pb, LineAxis axis, double across, double clearance,
                    Stretch& blocked) {
    const Local a = local(pa, axis);
    const Local b = local(pb, axis);
    double lo = std::numeric_limits<double>::infinity();
    double hi = -std::numeric_limits<double>::infinity();
    // The discs round the two ends.
    for (const Local end : {a, b}) {
        const double d = across - end.across;
        if (std::fabs(d) >= clearance) continue;
        const double half = std::sqrt(clearance * clearance - d * d);
        lo = std::min(lo, end.along - half);
        hi = std::max(hi, end.along + half);
    }
    // The band along the segment: its projection on the segment within the
    // segment, its distance from the segment's line within the clearance.
    // Along the line t runs from the first end: the point is (a + t, across).
    const double dx = b.along - a.along;
    const double dy = b.across - a.across;
    const double length = std::hypot(dx, dy);
    if (length > 0.0) {
        const double ux = dx / length;
        const double uy = dy / length;
        const double h = across - a.across;
        double bandLo = -std::numeric_limits<double>::infinity();
        double bandHi = std::numeric_limits<double>::infinity();
        narrow(ux, h * uy, 0.0, length, bandLo, bandHi);
        narrow(-uy, h * ux, -clearance, clearance, bandLo, bandHi);
        if (bandLo <= bandHi) {
            lo = std::min(lo, a.along + bandLo);
            hi = std::max(hi, a.along + bandHi);
        }
    }
    if (!(lo <= hi)) return false;
    blocked = {lo, hi};
    return true;
}

ClearLines::ClearLines(const std::vector<DesignEdge>& edges, std::size_t shapes, double clearance,
                       LineAxis axis, std::vector<std::int32_t> lines)
    : edges_(edges), clearance_(clearance), axis_(axis), lines_(std::move(lines)), odd_(shapes, 0) {
    low_.reserve(edges_.size());
    high_.reserve(edges_.size());
    for (const DesignEdge& edge : edges_) {
        const double a = local(edge.a, axis_).across;
        const double b = local(edge.b, axis_).across;
        low_.push_back(std::min(a, b) - clearance_);
        high_.push_back(std::max(a, b) + clearance_);
    }
    order_.resize(edges_.size());
    for (std::size_t e = 0; e < order_.size(); ++e) order_[e] = e;
    std::sort(order_.begin(), order_.end(), [this](std::size_t l, std::size_t r) { return low_[l] < low_[r]; });
}

std::vector<Stretch> ClearLines::clear(std::size_t index, double from, double to) {
    const double across = lines_[index];
    std::vector<Stretch> blocked;
    // Where closed shapes cross the line, and which: an edge counts when one
    // end lies on or below the line and the other above it, so that a
    // vertex on the line is counted once.
    std::vector<std::pair<double, std::int32_t>> crossings;
    for (; next_ < order_.size() && low_[order_[next_]] <= across; ++next_) active_.push_back(order_[next_]);
    std::erase_if(active_, [&](std::size_t e) { return high_[e] < across; });
    for (const std::size_t e : active_) {
        const DesignEdge& edge = edges_[e];
        Stretch stretch;
        if (blockedStretch(edge.a, edge.b, axis_, across, clearance_, stretch)) blocked.push_back(stretch);
        if (edge.shape < 0) continue;
        const Local a = local(edge.a, axis_);
        const Local b = local(edge.b, axis_);
        if ((a.across <= across) == (b.across <= across)) continue;
        const double t = (across - a.across) / (b.across - a.across);
        crossings.emplace_back(a.along + t * (b.along - a.along), edge.shape);
    }
    std::sort(blocked.begin(), blocked.end(), [](const Stretch& l, const Stretch& r) { return l.from < r.from; });
    std::sort(crossings.begin(), crossings.end());

    std::vector<Stretch> result;
    std::size_t crossed = 0;
    std::size_t inside = 0;  // shapes with an odd count behind the sweep
    const auto take = [&](double lo, double hi) {
        if (!(lo < hi)) return;
        const double middle = lo + (hi - lo) / 2;
        for (; crossed < crossings.size() && crossings[crossed].first < middle; ++crossed) {
            unsigned char& odd = odd_[static_cast<std::size_t>(crossings[crossed].second)];
            odd ^= 1;
            if (odd) {
                ++inside;
            } else {
                --inside;
            }
        }
        if (inside == 0) result.push_back({lo, hi});
    };
    double free = from;
    for (const Stretch& stretch : blocked) {
        if (stretch.from > free) take(free, std::min(stretch.from, to));
        free = std::max(free, stretch.to);
        if (free >= to) break;
    }
    if (free < to) take(free, to);
    // Back to all even for the next line.
    for (std::size_t c = 0; c < crossed; ++c) odd_[static_cast<std::size_t>(crossings[c].second)] = 0;
    return result;
}

}  // namespace kerfline
