// --weld: overlapping shapes become the outline of their union.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <utility>

#include "geometry/boost_shapes.h"
#include "cutting/check/fault_finders.h"
#include "cutting/check/repairs.h"
#include "cutting/check/repair_steps.h"

namespace kerfline {

namespace {

using geom::Vec;
namespace bg = shapes::bg;

class Groups {
public:
    explicit Groups(std::size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), std::size_t{0}); }
    std::size_t root(std::size_t a) {
        while (parent_[a] != a) a = parent_[a] = parent_[parent_[a]];
        return a;
    }
    void unite(std::size_t a, std::size_t b) {
        a = root(a);
        b = root(b);
        if (a != b) parent_[std::max(a, b)] = std::min(a, b);
    }

private:
    std::vector<std::size_t> parent_;
};

// The simple loops of a closed ring: the ring cut at every point where it
// crosses itself, each piece closed on itself there.
std::vector<shapes::Ring> loopsOf(const std::vector<PlotPoint>& ring) {
    std::vector<PlotPoint> p;
    for (const PlotPoint q : ring)
        if (p.empty() || q != p.back()) p.push_back(q);
    const std::size_t n = p.size() - 1;  // segments; the last point is the first again
    std::vector<geom::Box> boxes(n);
    for (std::size_t k = 0; k < n; ++k) boxes[k] = geom::boxOf(geom::toVec(p[k]), geom::toVec(p[k + 1]));
    struct Node {
        double t;
        std::size_t id;
        Vec at;
    };
    std::vector<std::vector<Node>> nodes(n);
    std::size_t crossings = 0;
    const geom::BoxGrid grid(std::move(boxes), 0.0);
    for (std::size_t j = 0; j < n; ++j) {
        grid.around(grid.box(j), 0.0, [&](std::size_t i) {
            if (i >= j || i + 1 == j || (i == 0 && j + 1 == n)) return true;
            const int o1 = geom::orientation(p[j], p[j + 1], p[i]), o2 = geom::orientation(p[j], p[j + 1], p[i + 1]);
            const int o3 = geom::orientation(p[i], p[i + 1], p[j]), o4 = geom::orientation(p[i], p[i + 1], p[j + 1]);
            if (o1 * o2 >= 0 || o3 * o4 >= 0) return true;
            const Vec a = geom::toVec(p[i]), b = geom::toVec(p[i + 1]), c = geom::toVec(p[j]), d = geom::toVec(p[j + 1]);
            const Vec x = geom::lineCrossing(a, b, c, d);
            nodes[i].push_back({geom::nearestFraction(x, a, b), crossings, x});
            nodes[j].push_back({geom::nearestFraction(x, c, d), crossings, x});
            ++crossings;
            return true;
        });
    }
    auto point = [](Vec v) { return shapes::Point(v.x, v.y); };
    std::vector<shapes::Ring> loops;
    if (crossings == 0) {
        loops.push_back(shapes::ringOf(p));
        return loops;
    }
    constexpr std::size_t kPlain = std::numeric_limits<std::size_t>::max();
    std::vector<std::pair<Vec, std::size_t>> path;
    std::vector<std::size_t> where(crossings, kPlain);
    auto finish = [&](std::size_t from, Vec end) {
        shapes::Ring loop;
        for (std::size_t k = from; k < path.size(); ++k) loop.push_back(point(path[k].first));
        loop.push_back(point(end));
        if (loop.size() >= 4) loops.push_back(std::move(loop));
    };
    for (std::size_t k = 0; k < n; ++k) {
        path.emplace_back(geom::toVec(p[k]), kPlain);
        std::sort(nodes[k].begin(), nodes[k].end(), [](const Node& x, const Node& y) { return x.t < y.t; });
        for (const Node& node : nodes[k]) {
            if (where[node.id] != kPlain) {
                const std::size_t from = where[node.id];
                finish(from, node.at);
                for (std::size_t m = from + 1; m < path.size(); ++m)
                    if (path[m].second != kPlain) where[path[m].second] = kPlain;
                path.resize(from + 1);
            } else {
                where[node.id] = path.size();
                path.emplace_back(node.at, node.id);
            }
        }
    }
    finish(0, geom::toVec(p[0]));
    return loops;
}

// The film inside a ring: the union of its loops.
shapes::MultiPolygon filled(const std::vector<PlotPoint>& ring) {
    shapes::MultiPolygon all;
    for (shapes::Ring& loop : loopsOf(ring)) {
        shapes::Polygon piece;
        piece.outer() = std::move(loop);
        bg::correct(piece);
        shapes::MultiPolygon sum;
        bg::union_(all, piece, sum);
        all = std::move(sum);
    }
    return all;
}

// A ring of the union as a closed cut: whole units, the way `anticlockwise`
// says, starting at its point nearest `start`.
std::vector<PlotPoint> cutOf(const shapes::Ring& ring, bool anticlockwise, PlotPoint start) {
    std::vector<PlotPoint> points;
    for (const shapes::Point& q : ring) {
        const PlotPoint p = geom::toPoint(Vec{q.x(), q.y()});
        if (points.empty() || points.back() != p) points.push_back(p);
    }
    while (points.size() > 1 && points.back() == points.front()) points.pop_back();
    if (points.size() < 3) return {};
    points.push_back(points.front());
    if ((ringArea2(points) > 0.0) != anticlockwise) std::reverse(points.begin(), points.end());
    points.pop_back();
    std::size_t nearest = 0;
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < points.size(); ++k) {
        const double g = geom::gap(geom::toVec(points[k]), geom::toVec(start));
        if (g < best) {
            best = g;
            nearest = k;
        }
    }
    std::rotate(points.begin(), points.begin() + static_cast<std::ptrdiff_t>(nearest), points.end());
    points.push_back(points.front());
    return points;
}

// One round of welding: the groups of shapes that cross as the job stands.
bool weldOnce(CutJob& job) {
    const std::vector<CutRun> runs = cutRuns(job);
    // A copy of a shape cut before is merge's to leave out, not a shape of its own.
    const SegmentIndex index(runs, 0.5 * kUnitsPerMm);
    std::vector<bool> take =
        wholeCopies(runs, doubledStretches(runs, index, 0.05 * kUnitsPerMm, 0.5 * kUnitsPerMm));
    take.flip();
    for (std::size_t r = 0; r < runs.size(); ++r) take[r] = take[r] && runs[r].single() && runs[r].closed();
    const std::vector<Crossing> crossings = findCrossings(runs, index, take);
    if (crossings.empty()) return false;
    const RingNesting nesting = nestRings(runs, take, crossings);

    Groups groups(runs.size());
    for (const Crossing& c : crossings) groups.unite(c.a, c.b);
    for (std::size_t r = 0; r < runs.size(); ++r)
        if (take[r] && nesting.depth[r] % 2 == 1 && nesting.parent[r] >= 0)
            groups.unite(r, static_cast<std::size_t>(nesting.parent[r]));
    std::vector<bool> crossed(runs.size(), false);
    for (const Crossing& c : crossings) crossed[groups.root(c.a)] = true;
    std::vector<std::vector<std::size_t>> members(runs.size());
    for (std::size_t r = 0; r < runs.size(); ++r)
        if (take[r] && crossed[groups.root(r)]) members[groups.root(r)].push_back(r);

    // Per step: the cuts that take its place (the first shape's step), or
    // nothing (the others').
    std::vector<std::vector<Cut>> welded(job.steps.size());
    std::vector<bool> replaced(job.steps.size(), false);
    bool any = false;
    for (const std::vector<std::size_t>& group : members) {
        if (group.empty()) continue;
        const CutRun& first = runs[group.front()];
        // Never across a kept instruction.
        if (std::any_of(group.begin(), group.end(), [&](std::size_t r) { return runs[r].block != first.block; }))
            continue;
        std::vector<PlotPoint> extent;  // every point of the group
        for (const std::size_t r : group) extent.insert(extent.end(), runs[r].points.begin(), runs[r].points.end());
        if (!shapes::fitBoost({&extent})) continue;
        shapes::MultiPolygon all;
        try {
            for (const std::size_t r : group) {
                if (nesting.depth[r] % 2 == 1) continue;
                shapes::MultiPolygon shape = filled(runs[r].points);
                for (const std::size_t h : group) {
                    if (nesting.depth[h] % 2 == 0 || nesting.parent[h] != static_cast<std::ptrdiff_t>(r)) continue;
                    shapes::MultiPolygon less;
                    bg::difference(shape, filled(runs[h].points), less);
                    shape = std::move(less);
                }
                shapes::MultiPolygon sum;
                bg::union_(all, shape, sum);
                all = std::move(sum);
            }
        } catch (const std::exception&) {
            continue;  // shapes Boost.Geometry cannot take apart stay as they are
        }
        const bool anticlockwise = ringArea2(first.points) > 0.0;
        const PlotPoint start = first.points.front();
        std::vector<Cut> cuts;
        const auto keep = [&cuts](std::vector<PlotPoint> points) {
            if (points.empty()) return;
            Cut cut;
            cut.points = std::move(points);
            cuts.push_back(std::move(cut));
        };
        for (const shapes::Polygon& polygon : all) {
            for (const shapes::Ring& hole : polygon.inners()) keep(cutOf(hole, anticlockwise, start));
            keep(cutOf(polygon.outer(), anticlockwise, start));
        }
        for (const std::size_t r : group) replaced[runs[r].steps.front()] = true;
        welded[first.steps.front()] = std::move(cuts);
        any = true;
    }
    if (!any) return false;

    replaceSteps(job, replaced, welded);
    return true;
}

}  // namespace

bool weldJob(CutJob& job) {
    // A shape left out as a copy of another may cross the union that took
    // the other's place: a few rounds weld it too.
    bool any = false;
    for (int round = 0; round < 3 && weldOnce(job); ++round) any = true;
    return any;
}

}  // namespace kerfline
