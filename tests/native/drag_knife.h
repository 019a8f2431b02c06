// A drag knife simulated on its own terms, to judge an axis path: while the
// knife is down, each time the axis moves to A the tip moves to
// A - r (A - T) / |A - T| from where it was, T, with the axis path cut into
// steps far shorter than r so that the tip is dragged as it is on a cutter;
// when the knife goes down after a pen-up move the tip is r behind the axis
// along that move.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <utility>
#include <vector>

#include "drawing/cuts.h"

namespace kerfline::test {

struct TipDeviation {
    double farthest = 0.0;      // the tip's greatest distance from the cut it belongs to
    // The greatest distance by which the tip misses a point of a cut;
    // infinity on a cut of over 64 points when it is more than 8 units.
    double missedCorner = 0.0;
    std::size_t cuts = 0;
};

struct Dot {
    double x = 0.0;
    double y = 0.0;
};

inline double pointToSegment(Dot p, PlotPoint a, PlotPoint b) {
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    const double px = p.x - a.x, py = p.y - a.y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0.0 ? (px * dx + py * dy) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - t * dx, py - t * dy);
}

// `axis` is what the cutter is sent, `drawing` what must be cut: the n-th
// cut of one belongs to the n-th of the other. Units are plotter units.
inline TipDeviation simulateTip(const CutJob& axis, const CutJob& drawing, double r, double step = 0.25) {
    std::vector<const Cut*> wanted;
    for (const JobStep& s : drawing.steps)
        if (s.kind == JobStep::Kind::Cut) wanted.push_back(&s.cut);

    TipDeviation result;
    Dot at{}, tip{};
    std::size_t index = 0;
    for (const JobStep& s : axis.steps) {
        if (s.kind == JobStep::Kind::Kept) {
            if (axis.kept[s.kept].home()) at = tip = Dot{};
            continue;
        }
        if (s.kind == JobStep::Kind::Move) {
            const Dot to{double(s.to.x), double(s.to.y)};
            const double length = std::hypot(to.x - at.x, to.y - at.y);
            if (length > 0.0) tip = {to.x - r * (to.x - at.x) / length, to.y - r * (to.y - at.y) / length};
            at = to;
            continue;
        }
        if (index >= wanted.size()) {
            result.farthest = std::numeric_limits<double>::infinity();
            return result;
        }
        const std::vector<PlotPoint>& target = wanted[index++]->points;
        std::vector<double> corner(target.size(), std::numeric_limits<double>::infinity());
        std::size_t closest = 0;  // the segment the tip was last nearest to
        // How near the tip comes to each point of the cut: every point for a
        // short cut; for a long one, through a grid of cells of 8 units, so
        // that a point missed by more than that stays at infinity.
        constexpr double kCell = 8.0;
        std::map<std::pair<long, long>, std::vector<std::size_t>> cells;
        auto cellOf = [](double v) { return static_cast<long>(std::floor(v / kCell)); };
        if (target.size() > 64)
            for (std::size_t k = 0; k < target.size(); ++k)
                cells[{cellOf(target[k].x), cellOf(target[k].y)}].push_back(k);
        auto reach = [&](Dot p) {
            auto update = [&](std::size_t k) {
                corner[k] = std::min(corner[k], std::hypot(p.x - target[k].x, p.y - target[k].y));
            };
            if (target.size() <= 64) {
                for (std::size_t k = 0; k < target.size(); ++k) update(k);
                return;
            }
            const long cx = cellOf(p.x), cy = cellOf(p.y);
            for (long x = cx - 1; x <= cx + 1; ++x)
                for (long y = cy - 1; y <= cy + 1; ++y) {
                    const auto found = cells.find({x, y});
                    if (found != cells.end())
                        for (std::size_t k : found->second) update(k);
                }
        };
        auto measure = [&] {
            // Look near the last segment first; the whole cut only when that is far.
            auto scan = [&](std::size_t from, std::size_t to) {
                double best = std::numeric_limits<double>::infinity();
                for (std::size_t k = from; k < to; ++k) {
                    const PlotPoint a = target[k], b = target[k + 1 < target.size() ? k + 1 : k];
                    const double d = pointToSegment(tip, a, b);
                    if (d < best) best = d, closest = k;
                }
                return best;
            };
            const std::size_t from = closest > 8 ? closest - 8 : 0;
            const std::size_t to = std::min(target.size(), closest + 16);
            double d = scan(from, to);
            if (d > 1.0) d = std::min(d, scan(0, target.size()));
            result.farthest = std::max(result.farthest, d);
            reach(tip);
        };
        const std::vector<PlotPoint>& path = s.cut.points;
        if (!s.cut.joined) at = {double(path.front().x), double(path.front().y)};
        measure();
        for (std::size_t k = 1; k < path.size(); ++k) {
            const Dot from = at, to{double(path[k].x), double(path[k].y)};
            const double length = std::hypot(to.x - from.x, to.y - from.y);
            const int steps = std::max(1, static_cast<int>(std::ceil(length / step)));
            for (int i = 1; i <= steps; ++i) {
                at = {from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps};
                const double dx = at.x - tip.x, dy = at.y - tip.y;
                const double d = std::hypot(dx, dy);
                if (d > 0.0) tip = {at.x - r * dx / d, at.y - r * dy / d};
                measure();
            }
        }
        for (double c : corner) result.missedCorner = std::max(result.missedCorner, c);
        ++result.cuts;
    }
    if (index != wanted.size()) result.farthest = std::numeric_limits<double>::infinity();
    return result;
}

}  // namespace kerfline::test
