// Closed shapes that cross themselves or each other, and how they nest.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <unordered_set>
#include <utility>

#include "geometry/boost_shapes.h"
#include "cutting/check/fault_finders.h"

namespace kerfline {

namespace {


std::uint64_t pairKey(std::size_t a, std::size_t b) {
    if (a > b) std::swap(a, b);
    return (static_cast<std::uint64_t>(a) << 32) ^ static_cast<std::uint64_t>(b);
}

// The way a closed run passes through one of its points: the points it
// comes from and goes to, the nearest that differ from it.
struct Pass {
    PlotPoint from;
    PlotPoint to;
};

// Through the point `at` of segment `index` (one of its ends or a point
// between them).
Pass passAt(const CutRun& run, std::size_t index, PlotPoint at) {
    const std::vector<PlotPoint>& p = run.points;
    if (at != p[index] && at != p[index + 1]) return {p[index], p[index + 1]};
    const std::size_t n = p.size() - 1;  // the ring's points, the last being the first again
    const std::size_t v = (at == p[index] ? index : index + 1) % n;
    Pass pass{at, at};
    for (std::size_t k = 1; k <= n && pass.from == at; ++k) pass.from = p[(v + n - k) % n];
    for (std::size_t k = 1; k <= n && pass.to == at; ++k) pass.to = p[(v + k) % n];
    return pass;
}

bool sameWay(PlotPoint at, PlotPoint a, PlotPoint b) {
    return geom::orientation(at, a, b) == 0 &&
           (static_cast<double>(a.x) - at.x) * (static_cast<double>(b.x) - at.x) +
                   (static_cast<double>(a.y) - at.y) * (static_cast<double>(b.y) - at.y) >
               0.0;
}

// Which side of the pass `one` through `at` the point q lies: 1 in the
// turn anticlockwise from `one.to` round to `one.from`, -1 in the other, 0
// along either of its lines (undecided).
int sideOf(PlotPoint at, const Pass& one, PlotPoint q) {
    if (sameWay(at, one.to, q) || sameWay(at, one.from, q)) return 0;
    const int turn = geom::orientation(at, one.to, one.from);
    const int fromTo = geom::orientation(at, one.to, q);
    const int fromFrom = geom::orientation(at, one.from, q);
    if (turn > 0) return fromTo > 0 && fromFrom < 0 ? 1 : -1;
    if (turn < 0) return fromFrom > 0 && fromTo < 0 ? -1 : 1;
    if (sameWay(at, one.to, one.from)) return 0;  // a spike: no sides
    return fromTo > 0 ? 1 : -1;
}

// 1 when two passes through one point cross, -1 when they only touch, 0
// when they run along each other there.
int passesCross(PlotPoint at, const Pass& one, const Pass& two) {
    const int a = sideOf(at, one, two.from), b = sideOf(at, one, two.to);
    if (a == 0 || b == 0) return 0;
    return a != b ? 1 : -1;
}

// The point where segment a-b touches c-d (known to meet in one point with
// an end of one on the other).
PlotPoint touchPoint(PlotPoint a, PlotPoint b, PlotPoint c, PlotPoint d) {
    auto on = [](PlotPoint p, PlotPoint s, PlotPoint e) {
        return geom::orientation(s, e, p) == 0 && std::min(s.x, e.x) <= p.x && p.x <= std::max(s.x, e.x) &&
               std::min(s.y, e.y) <= p.y && p.y <= std::max(s.y, e.y);
    };
    if (on(c, a, b)) return c;
    if (on(d, a, b)) return d;
    if (on(a, c, d)) return a;
    return b;
}

}  // namespace

int ringSide(const std::vector<PlotPoint>& ring, PlotPoint p) {
    bool inside = false;
    for (std::size_t k = 0; k + 1 < ring.size(); ++k) {
        const PlotPoint a = ring[k], b = ring[k + 1];
        const int turn = geom::orientation(a, b, p);
        if (turn == 0 && std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
            p.y <= std::max(a.y, b.y))
            return 0;
        if ((a.y > p.y) != (b.y > p.y)) {
            // The edge crosses the line y = p.y: count it when it does so to the right of p.
            if (b.y > a.y ? turn > 0 : turn < 0) inside = !inside;
        }
    }
    return inside ? 1 : -1;
}

double ringArea2(const std::vector<PlotPoint>& ring) {
    double sum = 0.0;
    if (ring.empty()) return sum;
    const PlotPoint o = ring.front();
    for (std::size_t k = 1; k + 1 < ring.size(); ++k) {
        const double ax = static_cast<double>(ring[k].x) - o.x, ay = static_cast<double>(ring[k].y) - o.y;
        const double bx = static_cast<double>(ring[k + 1].x) - o.x, by = static_cast<double>(ring[k + 1].y) - o.y;
        sum += ax * by - ay * bx;
    }
    return sum;
}

std::vector<Crossing> findCrossings(const std::vector<CutRun>& runs, const SegmentIndex& index,
                                    const std::vector<bool>& take) {
    std::vector<bool> rings(runs.size(), false);
    for (std::size_t r = 0; r < runs.size(); ++r) rings[r] = runs[r].closed() && (take.empty() || take[r]);

    std::vector<Crossing> found;
    std::unordered_set<std::uint64_t> known;
    std::map<std::pair<std::size_t, std::size_t>, geom::Vec> undecided;
    for (std::size_t j = 0; j < index.segments.size(); ++j) {
        const RunSegment sj = index.segments[j];
        if (!rings[sj.run]) continue;
        const PlotPoint a = runs[sj.run].points[sj.index], b = runs[sj.run].points[sj.index + 1];
        index.grid.around(index.grid.box(j), 0.0, [&](std::size_t i) {
            if (i >= j) return true;
            const RunSegment si = index.segments[i];
            const bool self = si.run == sj.run;
            if (!rings[si.run] || (self ? index.neighbours(i, j, runs) : runs[si.run].pen != runs[sj.run].pen))
                return true;
            if (known.count(pairKey(si.run, sj.run))) return true;
            const PlotPoint c = runs[si.run].points[si.index], d = runs[si.run].points[si.index + 1];
            const geom::Contact meet = geom::contact(a, b, c, d);
            if (meet == geom::Contact::None) return true;
            if (meet == geom::Contact::Overlap) {
                if (!self) undecided.emplace(std::make_pair(si.run, sj.run), geom::toVec(c));
                return true;
            }
            const int o1 = geom::orientation(a, b, c), o2 = geom::orientation(a, b, d);
            const int o3 = geom::orientation(c, d, a), o4 = geom::orientation(c, d, b);
            geom::Vec at;
            int crosses = 0;
            if (o1 * o2 < 0 && o3 * o4 < 0) {
                at = geom::lineCrossing(geom::toVec(a), geom::toVec(b), geom::toVec(c), geom::toVec(d));
                crosses = 1;
            } else {
                const PlotPoint x = touchPoint(a, b, c, d);
                at = geom::toVec(x);
                crosses = passesCross(x, passAt(runs[sj.run], sj.index, x), passAt(runs[si.run], si.index, x));
            }
            if (crosses > 0) {
                known.insert(pairKey(si.run, sj.run));
                found.push_back({std::min(si.run, sj.run), std::max(si.run, sj.run), at});
            } else if (crosses == 0 && !self) {
                undecided.emplace(std::make_pair(si.run, sj.run), at);
            }
            return true;
        });
    }
    // Outlines that only meet along shared stretches: Boost.Geometry tells
    // whether their insides overlap.
    for (const auto& [pair, at] : undecided) {
        if (known.count(pairKey(pair.first, pair.second))) continue;
        if (!shapes::fitBoost({&runs[pair.first].points, &runs[pair.second].points})) continue;
        bool overlap = false;
        try {
            overlap = shapes::bg::overlaps(shapes::polygonOf(runs[pair.first].points),
                                           shapes::polygonOf(runs[pair.second].points));
        } catch (const std::exception&) {
            overlap = false;  // shapes Boost cannot take apart count as not crossing
        }
        if (overlap) {
            known.insert(pairKey(pair.first, pair.second));
            found.push_back({std::min(pair.first, pair.second), std::max(pair.first, pair.second), at});
        }
    }
    std::sort(found.begin(), found.end(),
              [](const Crossing& x, const Crossing& y) { return std::tie(x.a, x.b) < std::tie(y.a, y.b); });
    return found;
}

RingNesting nestRings(const std::vector<CutRun>& runs, const std::vector<bool>& take,
                  const std::vector<Crossing>& crossings) {
    RingNesting nesting;
    nesting.depth.assign(runs.size(), 0);
    nesting.parent.assign(runs.size(), -1);
    std::unordered_set<std::uint64_t> crossed;
    for (const Crossing& c : crossings)
        if (c.a != c.b) crossed.insert(pairKey(c.a, c.b));

    std::vector<std::size_t> rings;
    std::vector<geom::Box> boxes;
    std::vector<double> areas;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        if (!runs[r].closed() || (!take.empty() && !take[r])) continue;
        rings.push_back(r);
        geom::Box box;
        for (const PlotPoint p : runs[r].points) box.take(geom::toVec(p));
        boxes.push_back(box);
        areas.push_back(std::fabs(ringArea2(runs[r].points)));
    }
    const geom::BoxGrid grid(boxes, 0.0);
    for (std::size_t k = 0; k < rings.size(); ++k) {
        const CutRun& inner = runs[rings[k]];
        double smallest = std::numeric_limits<double>::infinity();
        grid.around(boxes[k], 0.0, [&](std::size_t o) {
            if (o == k || !boxes[o].holds(boxes[k]) || crossed.count(pairKey(rings[k], rings[o]))) return true;
            const CutRun& outer = runs[rings[o]];
            int side = 0;
            for (const PlotPoint p : inner.points)
                if ((side = ringSide(outer.points, p)) != 0) break;
            if (side > 0) {
                ++nesting.depth[rings[k]];
                if (areas[o] < smallest || (areas[o] == smallest && static_cast<std::ptrdiff_t>(rings[o]) < nesting.parent[rings[k]])) {
                    smallest = areas[o];
                    nesting.parent[rings[k]] = static_cast<std::ptrdiff_t>(rings[o]);
                }
            }
            return true;
        });
    }
    return nesting;
}

}  // namespace kerfline
