// A drag knife simulated on its own terms, to judge an axis path. While the
// knife is down, each time the axis moves to A the tip moves to
// A - r (A - T) / |A - T| from where it was, T, with the axis path cut into
// steps far shorter than r so that the tip is dragged as it is on a cutter.
// A lifted blade turns freely, but nothing turns it: through pen-up moves
// (and IN) the tip keeps its place relative to the axis, and the knife
// lands with the tip there. At the start of the job the tip lies r behind
// the axis along a heading the caller gives.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "cutting/cuts.h"

namespace kerfline::test {

struct TipDeviation {
    double farthest = 0.0;      // the tip's greatest distance from the cut it belongs to
    // The greatest distance by which the tip misses a point of a cut;
    // infinity on a cut of over 64 points when it is more than 8 units.
    double missedCorner = 0.0;
    std::size_t cuts = 0;
    // The same two from the second measured cut on: what the knife does once
    // the job has set its heading.
    double laterFarthest = 0.0;
    double laterMissedCorner = 0.0;
    // While the leading cuts are cut: the tip's least distance from the
    // box round the drawing's cuts, 0 inside it.
    double leadingClearance = std::numeric_limits<double>::infinity();
};

struct KnifeStart {
    // Radians: the direction from the tip to the axis when the job starts.
    double heading = 0.0;
    // The first cuts of the axis path that the drawing has not (a precut):
    // dragged, but not measured against the drawing.
    std::size_t leadingCuts = 0;
    double step = 0.25;  // the longest step of the axis while the knife is down
};

struct Dot {
    double x = 0.0;
    double y = 0.0;
};

// std::hypot is exact to the last bit and slow; the simulation's distances
// are far from overflowing.
inline double length(double dx, double dy) { return std::sqrt(dx * dx + dy * dy); }

inline double pointToSegment(Dot p, PlotPoint a, PlotPoint b) {
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    const double px = p.x - a.x, py = p.y - a.y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0.0 ? (px * dx + py * dy) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return length(px - t * dx, py - t * dy);
}

// `axis` is what the cutter is sent, `drawing` what must be cut: after the
// leading cuts, the n-th cut of one belongs to the n-th of the other. Units
// are plotter units.
inline TipDeviation simulateTip(const CutJob& axis, const CutJob& drawing, double r, const KnifeStart& start = {}) {
    std::vector<const Cut*> wanted;
    double lowX = std::numeric_limits<double>::infinity(), highX = -lowX, lowY = lowX, highY = -lowX;
    for (const JobStep& s : drawing.steps)
        if (s.kind == JobStep::Kind::Cut) {
            wanted.push_back(&s.cut);
            for (PlotPoint p : s.cut.points) {
                lowX = std::min(lowX, double(p.x)), highX = std::max(highX, double(p.x));
                lowY = std::min(lowY, double(p.y)), highY = std::max(highY, double(p.y));
            }
        }

    TipDeviation result;
    Dot at{};
    // The tip's place relative to the axis, kept while the knife is up.
    Dot lag{-r * std::cos(start.heading), -r * std::sin(start.heading)};
    Dot tip = lag;
    std::size_t index = 0;
    std::size_t leading = 0;
    for (const JobStep& s : axis.steps) {
        if (s.kind == JobStep::Kind::Kept) {
            if (axis.kept[s.kept].home()) at = {}, tip = lag;
            continue;
        }
        if (s.kind == JobStep::Kind::Move) {
            at = {double(s.to.x), double(s.to.y)};
            tip = {at.x + lag.x, at.y + lag.y};
            continue;
        }
        const std::vector<PlotPoint>& path = s.cut.points;
        if (path.empty()) continue;
        const bool measured = leading == start.leadingCuts;
        if (!measured) ++leading;
        if (measured && index >= wanted.size()) {
            result.farthest = std::numeric_limits<double>::infinity();
            return result;
        }
        const std::vector<PlotPoint> none;
        const std::vector<PlotPoint>& target = measured ? wanted[index++]->points : none;
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
                corner[k] = std::min(corner[k], length(p.x - target[k].x, p.y - target[k].y));
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
            if (!measured) {
                const double dx = std::max({lowX - tip.x, 0.0, tip.x - highX});
                const double dy = std::max({lowY - tip.y, 0.0, tip.y - highY});
                result.leadingClearance = std::min(result.leadingClearance, length(dx, dy));
                return;
            }
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
            if (result.cuts > 0) result.laterFarthest = std::max(result.laterFarthest, d);
            reach(tip);
        };
        if (!s.cut.joined) {
            at = {double(path.front().x), double(path.front().y)};
            tip = {at.x + lag.x, at.y + lag.y};
        }
        measure();
        for (std::size_t k = 1; k < path.size(); ++k) {
            const Dot from = at, to{double(path[k].x), double(path[k].y)};
            const int steps = std::max(1, static_cast<int>(std::ceil(length(to.x - from.x, to.y - from.y) / start.step)));
            for (int i = 1; i <= steps; ++i) {
                at = {from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps};
                const double dx = at.x - tip.x, dy = at.y - tip.y;
                const double d = length(dx, dy);
                if (d > 0.0) tip = {at.x - r * dx / d, at.y - r * dy / d};
                measure();
            }
        }
        lag = {tip.x - at.x, tip.y - at.y};
        if (!measured) continue;
        for (double c : corner) {
            result.missedCorner = std::max(result.missedCorner, c);
            if (result.cuts > 0) result.laterMissedCorner = std::max(result.laterMissedCorner, c);
        }
        ++result.cuts;
    }
    if (index != wanted.size()) result.farthest = std::numeric_limits<double>::infinity();
    return result;
}

// ---- shapes to cut -----------------------------------------------------------

inline std::string pointText(PlotPoint p) { return std::to_string(p.x) + "," + std::to_string(p.y); }

// "PUfirst;PDsecond,...;"
inline std::string polylineText(const std::vector<PlotPoint>& points) {
    std::string text = "PU" + pointText(points.front()) + ";PD";
    for (std::size_t k = 1; k < points.size(); ++k) text += (k > 1 ? "," : "") + pointText(points[k]);
    return text + ";";
}

// A closed shape round (cx, cy) through `corners` points at radii taking
// turns from `radii` (one radius: a regular polygon; two: a star), the
// first at `turn` degrees.
inline std::vector<PlotPoint> ringPoints(double cx, double cy, std::vector<double> radii, int corners, double turn) {
    std::vector<PlotPoint> points;
    for (int k = 0; k <= corners; ++k) {
        const double a = (turn + 360.0 * (k % corners) / corners) * 3.14159265358979323846 / 180.0;
        const double radius = radii[static_cast<std::size_t>(k % corners) % radii.size()];
        points.push_back({static_cast<std::int32_t>(std::lround(cx + radius * std::cos(a))),
                          static_cast<std::int32_t>(std::lround(cy + radius * std::sin(a)))});
    }
    return points;
}

struct KnifeShape {
    const char* name;
    std::string hpgl;
};

// Shapes and jobs to cut with a drag knife: corners of every kind, curves,
// cuts reached by pen-up moves in every direction, and instructions, IN and
// plunges between cuts.
inline std::vector<KnifeShape> knifeShapes() {
    const std::vector<PlotPoint> square{{0, 0}, {800, 0}, {800, 800}, {0, 800}, {0, 0}};
    std::vector<KnifeShape> shapes{
        {"Square", polylineText(square)},
        {"SquareClockwiseFromAbove",
         "PU2000,2000;" + polylineText({{400, 400}, {400, 1200}, {1200, 1200}, {1200, 400}, {400, 400}})},
        {"Triangle", polylineText({{0, 0}, {1000, 0}, {500, 866}, {0, 0}})},
        {"SharpTriangle", polylineText({{0, 0}, {2000, 0}, {0, 300}, {0, 0}})},
        {"Reversal", polylineText({{0, 0}, {600, 0}, {0, 0}})},
        {"ShortZigzag", polylineText({{0, 0}, {10, 30}, {20, 0}, {30, 30}, {40, 0}, {300, 0}})},
        {"Circle", polylineText(ringPoints(1000, 1000, {200}, 90, 0))},
        {"Star", polylineText(ringPoints(1000, 1000, {600, 240}, 10, 90))},
        // Reached by a pen-up move at 45 degrees to the square's last side.
        {"SquareThenTriangle", polylineText(square) + polylineText({{1200, 1200}, {2000, 1200}, {1600, 1893}, {1200, 1200}})},
        {"LetterWithHoleAndSpeed",
         polylineText({{0, 0}, {400, 0}, {400, 600}, {0, 600}, {0, 0}}) + "VS5;" +
             polylineText({{100, 100}, {100, 300}, {300, 300}, {300, 100}, {100, 100}}) + "PU0,0;"},
        {"SplitBySpeed", "PU0,0;PD500,0;VS5;PD500,500;PU;"},
        {"RelativeMoves", "PR100,100;PD;PR400,0,0,400,-400,-400;PU;"},
        // Plunges keep the heading the cut before left.
        {"Dots", "PU300,300;PD;PU;" + polylineText({{0, 0}, {0, 600}}) + "PU900,900;PD;PU;PU300,300;PD;VS5;PD900,300;PU;"},
        {"HomeAndPensBetweenCuts", "IN;SP1;" + polylineText({{400, 400}, {1200, 400}, {800, 1000}, {400, 400}}) +
                                       "SP2;IN;" + polylineText({{600, 1400}, {600, 2000}}) + "SP1;VS20;" +
                                       polylineText(ringPoints(1600, 1600, {300}, 4, 45))},
    };
    // Squares, triangles, pentagons and stars in a ring, each reached from
    // the end of the one before by a pen-up move in the next of eight
    // directions, each starting on another side.
    std::string ring;
    double x = 6000, y = 6000;
    for (int k = 0; k < 16; ++k) {
        const double a = 45.0 * (k % 8) * 3.14159265358979323846 / 180.0;
        x += 1500 * std::cos(a), y += 1500 * std::sin(a);
        const double turn = 37.0 * k, t = turn * 3.14159265358979323846 / 180.0;
        const double cx = x - 400 * std::cos(t), cy = y - 400 * std::sin(t);
        ring += polylineText(k % 4 == 3 ? ringPoints(cx, cy, {400, 160}, 10, turn)
                                        : ringPoints(cx, cy, {400}, 3 + k % 3, turn));
    }
    shapes.push_back({"RingOfShapes", ring});
    return shapes;
}

}  // namespace kerfline::test
