// Shapes and parts of shapes narrower than the film can hold.
//
// Shrinking every shape is far too slow for a big job (Boost.Geometry takes
// about a tenth of a millisecond for a square with a hole, half of one for
// a ring of 32 points), so shapes are shrunk only where the outline comes
// close to itself facing: two stretches less than the width apart, each in
// front of the other (within 35 degrees of its inward normal). Where a
// shrunk shape vanishes, splits or loses a part, two such stretches face
// each other across the part: at the middle of the part's narrowest place
// the nearest points of the outline lie in opposite directions, or (where
// the part is a whole small shape) three lie no more than 120 degrees
// apart, so two of them face within 30 degrees. A point sharper than 40
// degrees is looked at too.
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "geometry/boost_shapes.h"
#include "cutting/check/fault_finders.h"

namespace kerfline {

namespace {

using geom::Vec;

constexpr double kPi = 3.14159265358979323846;
constexpr double kFacingDegrees = 35.0;
constexpr double kSharpDegrees = 40.0;
constexpr double kAcrossDegrees = 15.0;
// How far either way along the outline its way is taken (0.1 mm).
constexpr double kSmoothing = 4.0;
// Points on each full circle of a rounded offset.
constexpr int kCirclePoints = 36;

// Whether segment c-d enters the region in front of segment a-b: points
// within `reach` of it in directions no more than kFacingDegrees off its
// inward normal n. That region lies within the trapezoid over a-b, `reach`
// high, whose sides lean out by kFacingDegrees.
bool enters(Vec a, Vec b, Vec n, Vec c, Vec d, double reach) {
    const Vec u = b - a;
    const Vec lean = u * (reach * std::tan(kFacingDegrees * kPi / 180.0) / geom::norm(u));
    const Vec up = n * reach;
    // Each side as a point on it and a normal pointing in.
    auto inward = [](Vec along, Vec towards) {
        const Vec w{-along.y, along.x};
        return geom::dot(w, towards) >= 0.0 ? w : w * -1.0;
    };
    const Vec back = up - lean, ahead = up + lean;
    const Vec sides[4][2] = {{a, n}, {a + up, n * -1.0}, {a, inward(back, u)}, {b, inward(ahead, u * -1.0)}};
    double t0 = 0.0, t1 = 1.0;
    const Vec v = d - c;
    for (const auto& side : sides) {
        const double at = geom::dot(c - side[0], side[1]);
        const double slope = geom::dot(v, side[1]);
        if (slope == 0.0) {
            if (at < 0.0) return false;
            continue;
        }
        const double t = -at / slope;
        if (slope > 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) return false;
    }
    return true;
}

// The nearest points of two segments: their distance, the middle between
// them, and the way from the point on a-b to the point on c-d.
double nearest(Vec a, Vec b, Vec c, Vec d, Vec& middle, Vec& way) {
    double best = std::numeric_limits<double>::infinity();
    auto consider = [&](Vec p, Vec s, Vec e, double sign) {
        const Vec q = geom::along(s, e, geom::nearestFraction(p, s, e));
        const double g = geom::gap(p, q);
        if (g < best) {
            best = g;
            middle = (p + q) * 0.5;
            way = (q - p) * sign;
        }
    };
    consider(a, c, d, 1.0);
    consider(b, c, d, 1.0);
    consider(c, a, b, -1.0);
    consider(d, a, b, -1.0);
    return best;
}

// Whether `way` lies within kAcrossDegrees of the normal n (a unit vector):
// near enough straight across that its length is a width (a circle's
// chords that pass for one are at least 0.97 of its diameter).
bool inFront(Vec way, Vec n) {
    const double length = geom::norm(way);
    return length > 0.0 && geom::dot(way, n) >= length * std::cos(kAcrossDegrees * kPi / 180.0);
}

// Two stretches of an outline whose nearest points face each other across
// the film, so that their distance is a width (unlike the two sides of a
// sharp point, or stretches whose nearest points lie beside each other, as
// the steps of a jagged line do).
struct Facing {
    Vec middle;
    double distance = 0.0;
};

shapes::MultiPolygon offset(const shapes::MultiPolygon& shape, double by) {
    namespace strategy = shapes::bg::strategy::buffer;
    shapes::MultiPolygon out;
    shapes::bg::buffer(shape, out, strategy::distance_symmetric<double>(by), strategy::side_straight(),
                       strategy::join_round(kCirclePoints), strategy::end_flat(), strategy::point_circle(kCirclePoints));
    return out;
}

bool coveredBy(Vec p, const shapes::Polygon& part) {
    return shapes::bg::distance(shapes::Point(p.x, p.y), part) <= 1.0;
}

}  // namespace

std::vector<ThinPart> thinParts(const std::vector<CutRun>& runs, const SegmentIndex& index,
                                const std::vector<bool>& take, const RingNesting& nesting, double minWidth) {
    std::vector<ThinPart> parts;
    if (!(minWidth > 0.0)) return parts;
    // The shape each ring belongs to (its own for an outline, its parent's
    // for a hole), and the side its film lies on.
    std::vector<std::ptrdiff_t> shapeOf(runs.size(), -1);
    std::vector<double> side(runs.size(), 0.0);  // 1: film on the left of the way it runs
    std::vector<bool> rings(runs.size(), false);
    for (std::size_t r = 0; r < runs.size(); ++r) {
        if (!runs[r].closed() || (!take.empty() && !take[r])) continue;
        const bool hole = nesting.depth[r] % 2 == 1;
        if (hole && nesting.parent[r] < 0) continue;
        rings[r] = true;
        shapeOf[r] = hole ? nesting.parent[r] : static_cast<std::ptrdiff_t>(r);
        const bool anticlockwise = ringArea2(runs[r].points) > 0.0;
        side[r] = anticlockwise != hole ? 1.0 : -1.0;
    }
    // A segment's inward normal, and the same of the outline's way through
    // it: from a little before to a little after, so that the steps of a
    // jagged line take the way of the line.
    auto normalOf = [&](std::size_t i) {
        const RunSegment s = index.segments[i];
        const Vec v = endOf(runs, s) - startOf(runs, s);
        return Vec{-v.y, v.x} * (side[s.run] / geom::norm(v));
    };
    auto smoothNormalOf = [&](std::size_t i) {
        const RunSegment s = index.segments[i];
        const CutRun& run = runs[s.run];
        const double length = run.length();
        const double middle = (run.arcs[s.index] + run.arcs[s.index + 1]) / 2.0;
        auto wrapped = [length](double arc) { return arc < 0.0 ? arc + length : arc > length ? arc - length : arc; };
        const Vec w = pointAt(run, wrapped(middle + kSmoothing)) - pointAt(run, wrapped(middle - kSmoothing));
        const double n = geom::norm(w);
        return n > 0.0 ? Vec{-w.y, w.x} * (side[s.run] / n) : normalOf(i);
    };

    // The shapes to shrink, with their widths across.
    std::map<std::ptrdiff_t, std::vector<Facing>> facing;
    // Two segments of one shape, i before j.
    auto consider = [&](std::size_t i, std::size_t j) {
        const RunSegment si = index.segments[i], sj = index.segments[j];
        const Vec a = startOf(runs, sj), b = endOf(runs, sj);
        const Vec c = startOf(runs, si), d = endOf(runs, si);
        const std::ptrdiff_t shape = shapeOf[sj.run];
        if (index.neighbours(i, j, runs)) {
            // The angle of film at the corner between them.
            const Vec in = i + 1 == j ? d - c : b - a;
            const Vec out = i + 1 == j ? b - a : d - c;
            const double turn = std::atan2(geom::cross(in, out), geom::dot(in, out)) * 180.0 / kPi;
            if (180.0 - turn * side[sj.run] < kSharpDegrees) facing[shape];
            return;
        }
        if (geom::segmentDistance(a, b, c, d) >= minWidth || !enters(a, b, normalOf(j), c, d, minWidth) ||
            !enters(c, d, normalOf(i), a, b, minWidth))
            return;
        Facing f;
        Vec way;
        f.distance = nearest(a, b, c, d, f.middle, way);
        if (f.distance >= minWidth) return;
        std::vector<Facing>& list = facing[shape];
        if (inFront(way, smoothNormalOf(j)) && inFront(way * -1.0, smoothNormalOf(i))) list.push_back(f);
    };
    // Each shape's segments: a small shape pair by pair, a large one
    // through the grid.
    std::vector<std::vector<std::size_t>> ringsOf(runs.size());
    for (std::size_t r = 0; r < runs.size(); ++r)
        if (rings[r]) ringsOf[static_cast<std::size_t>(shapeOf[r])].push_back(r);
    constexpr std::size_t kPairByPair = 256;
    std::vector<std::size_t> segments;
    for (const std::vector<std::size_t>& shapeRings : ringsOf) {
        if (shapeRings.empty()) continue;
        segments.clear();
        for (const std::size_t r : shapeRings)
            for (std::size_t i = index.first[r]; i < index.segments.size() && i <= index.last[r]; ++i)
                segments.push_back(i);
        std::sort(segments.begin(), segments.end());
        if (segments.size() <= kPairByPair) {
            for (std::size_t y = 1; y < segments.size(); ++y) {
                const geom::Box reachable = index.grid.box(segments[y]).grown(minWidth);
                for (std::size_t x = 0; x < y; ++x)
                    if (reachable.meets(index.grid.box(segments[x]))) consider(segments[x], segments[y]);
            }
            continue;
        }
        for (const std::size_t j : segments) {
            const std::ptrdiff_t shape = shapeOf[index.segments[j].run];
            index.grid.around(index.grid.box(j), minWidth, [&](std::size_t i) {
                if (i < j && rings[index.segments[i].run] && shapeOf[index.segments[i].run] == shape) consider(i, j);
                return true;
            });
        }
    }

    const double half = minWidth / 2.0;
    for (const auto& [shape, pairs] : facing) {
        if (!shapes::fitBoost({&runs[static_cast<std::size_t>(shape)].points})) continue;
        shapes::MultiPolygon film;
        film.resize(1);
        film[0].outer() = shapes::ringOf(runs[static_cast<std::size_t>(shape)].points);
        for (std::size_t r = 0; r < runs.size(); ++r)
            if (rings[r] && shapeOf[r] == shape && static_cast<std::ptrdiff_t>(r) != shape)
                film[0].inners().push_back(shapes::ringOf(runs[r].points));
        try {
            shapes::bg::correct(film);
            if (!shapes::bg::is_valid(film)) continue;  // crossing itself: reported as such
            const shapes::MultiPolygon shrunk = offset(film, -half);
            // The narrowest facing stretches across the material, not the
            // two sides of a point.
            std::vector<Facing> widths = pairs;
            std::sort(widths.begin(), widths.end(),
                      [](const Facing& x, const Facing& y) { return x.distance < y.distance; });
            const Facing* narrowest = widths.empty() ? nullptr : &widths.front();
            if (shrunk.empty()) {
                ThinPart part;
                if (narrowest) {
                    part = {narrowest->middle, narrowest->distance};
                } else {
                    // A small shape without opposite sides (a triangle):
                    // the widest circle it holds, by halving.
                    double low = 0.0, high = half;
                    for (int step = 0; step < 10; ++step) {
                        const double mid = (low + high) / 2.0;
                        (offset(film, -mid).empty() ? high : low) = mid;
                    }
                    shapes::Point centre;
                    shapes::bg::centroid(film, centre);
                    part = {Vec{centre.x(), centre.y()}, low + high};
                }
                parts.push_back(part);
                continue;
            }
            const shapes::MultiPolygon opened = offset(shrunk, half);
            shapes::MultiPolygon lost;
            shapes::bg::difference(film, opened, lost);
            for (const shapes::Polygon& piece : lost) {
                const Facing* across = nullptr;
                shapes::bg::model::box<shapes::Point> box;
                shapes::bg::envelope(piece, box);
                for (const Facing& f : widths) {
                    if (f.middle.x < box.min_corner().x() - 1.0 || f.middle.x > box.max_corner().x() + 1.0 ||
                        f.middle.y < box.min_corner().y() - 1.0 || f.middle.y > box.max_corner().y() + 1.0)
                        continue;
                    if (coveredBy(f.middle, piece)) {
                        across = &f;
                        break;
                    }
                }
                if (across) {
                    parts.push_back({across->middle, across->distance});
                    continue;
                }
                // A sharp point: thin where it reaches far beyond what the
                // width holds, down to nothing at its tip.
                double reach = 0.0;
                Vec tip;
                for (const shapes::Point& p : piece.outer()) {
                    const double d = shapes::bg::distance(p, opened);
                    if (d > reach) {
                        reach = d;
                        tip = Vec{p.x(), p.y()};
                    }
                }
                if (reach >= minWidth) parts.push_back({tip, 0.0});
            }
        } catch (const std::exception&) {
            // Shapes Boost.Geometry cannot take apart are left unjudged.
        }
    }
    return parts;
}

}  // namespace kerfline
