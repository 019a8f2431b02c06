#include "cutting/cut_nesting.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "geometry/cell_grid.h"

namespace kerfline {

namespace {

using Wide = std::int64_t;

// The sign of a * d - b * c, exact for |a|, |b|, |c|, |d| < 2^33: products of
// differences of 32-bit coordinates. The 32-bit release has no 128-bit type,
// so large values are multiplied in parts of 17 bits.
int crossSign(Wide a, Wide b, Wide c, Wide d) {
    constexpr Wide kSmall = Wide{1} << 31;
    auto small = [](Wide v) { return v > -kSmall && v < kSmall; };
    if (small(a) && small(b) && small(c) && small(d)) {
        const Wide v = a * d - b * c;  // each product below 2^62
        return (v > 0) - (v < 0);
    }
    // v = high * 2^17 + low, 0 <= low < 2^17, |high| <= 2^16.
    auto high = [](Wide v) { return v >> 17; };
    auto low = [](Wide v) { return v & 0x1ffff; };
    const Wide ah = high(a), al = low(a), bh = high(b), bl = low(b);
    const Wide ch = high(c), cl = low(c), dh = high(d), dl = low(d);
    const Wide top = ah * dh - bh * ch;                      // times 2^34, |top| <= 2^33
    const Wide middle = ah * dl + al * dh - bh * cl - bl * ch;  // times 2^17, |middle| < 2^36
    const Wide bottom = al * dl - bl * cl;                   // |bottom| < 2^34
    // The value is lead * 2^17 + low(bottom), and 0 <= low(bottom) < 2^17.
    const Wide lead = top * (Wide{1} << 17) + middle + high(bottom);
    if (lead != 0) return lead > 0 ? 1 : -1;
    return low(bottom) != 0 ? 1 : 0;
}

Wide dx(PlotPoint a, PlotPoint b) { return Wide{b.x} - a.x; }
Wide dy(PlotPoint a, PlotPoint b) { return Wide{b.y} - a.y; }

// 1 when p lies left of the line from a to b, -1 right, 0 on it.
int side(PlotPoint a, PlotPoint b, PlotPoint p) { return crossSign(dx(a, b), dy(a, b), dx(a, p), dy(a, p)); }

// The sign of the cross product of the directions from v to s and from v to t.
int turn(PlotPoint v, PlotPoint s, PlotPoint t) { return side(v, s, t); }

bool lowerLeft(PlotPoint a, PlotPoint b) { return a.x != b.x ? a.x < b.x : a.y < b.y; }

// Whether p lies in the box of a and b: on the segment when on its line.
bool between(PlotPoint p, PlotPoint a, PlotPoint b) {
    return p.x >= std::min(a.x, b.x) && p.x <= std::max(a.x, b.x) && p.y >= std::min(a.y, b.y) &&
           p.y <= std::max(a.y, b.y);
}

bool boxesMeet(PlotPoint a, PlotPoint b, PlotPoint c, PlotPoint d) {
    return std::max(a.x, b.x) >= std::min(c.x, d.x) && std::max(c.x, d.x) >= std::min(a.x, b.x) &&
           std::max(a.y, b.y) >= std::min(c.y, d.y) && std::max(c.y, d.y) >= std::min(a.y, b.y);
}

// Whether the segments a-b and c-d have a point in common.
bool segmentsMeet(PlotPoint a, PlotPoint b, PlotPoint c, PlotPoint d) {
    const int o1 = side(a, b, c), o2 = side(a, b, d), o3 = side(c, d, a), o4 = side(c, d, b);
    if (o1 * o2 < 0 && o3 * o4 < 0) return true;
    return (o1 == 0 && between(c, a, b)) || (o2 == 0 && between(d, a, b)) || (o3 == 0 && between(a, c, d)) ||
           (o4 == 0 && between(b, c, d));
}

// 1 inside the ring, 0 outside, -1 on its edge; by the crossings of a ray
// towards +x, decided by signs alone.
int where(PlotPoint p, const PlotPoint* ring, std::size_t m) {
    bool inside = false;
    for (std::size_t i = 0, j = m - 1; i < m; j = i++) {
        const PlotPoint a = ring[j], b = ring[i];
        const bool spans = (a.y > p.y) != (b.y > p.y);
        if (!spans && !between(p, a, b)) continue;
        const int s = side(a, b, p);
        if (s == 0 && between(p, a, b)) return -1;
        // Crossing right of p: p left of an upward edge or right of a downward one.
        if (spans && (b.y > a.y ? s > 0 : s < 0)) inside = !inside;
    }
    return inside ? 1 : 0;
}

// Whether a path that leaves corner v of a counter-clockwise ring towards t
// starts outside the ring; u is the corner before v, w the one after.
bool leavesAt(PlotPoint u, PlotPoint v, PlotPoint w, PlotPoint t) {
    const int corner = turn(v, w, u);
    if (corner > 0)  // convex: inside between the way to w and the way back to u
        return turn(v, w, t) < 0 || turn(v, t, u) < 0;
    if (corner < 0)  // reflex: outside only in the convex gap between them
        return turn(v, u, t) > 0 && turn(v, t, w) > 0;
    return turn(v, w, t) < 0;  // straight on
}

// The points of a closed path without repeats in a row and without the
// closing point: the corners of a ring.
void ringOf(const std::vector<PlotPoint>& points, std::vector<PlotPoint>& ring) {
    ring.clear();
    for (PlotPoint p : points)
        if (ring.empty() || ring.back() != p) ring.push_back(p);
    while (ring.size() > 1 && ring.back() == ring.front()) ring.pop_back();
}

struct Scratch {
    std::vector<PlotPoint> ring;
    std::vector<PlotPoint> hull;
    std::vector<std::size_t> edges;
    std::vector<std::size_t> active;
};

// 1 when the ring turns left at every corner and once round in all, -1
// the same turning right: then it is convex, hence simple; 0 otherwise.
// Turning twice round, a star's edges go left to right and back twice.
int convexWay(const std::vector<PlotPoint>& ring) {
    const std::size_t n = ring.size();
    int way = 0, firstX = 0, lastX = 0, reversals = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const PlotPoint u = ring[(k + n - 1) % n], v = ring[k], w = ring[(k + 1) % n];
        const int t = side(u, v, w);
        if (t == 0 || (way != 0 && t != way)) return 0;
        way = t;
        const int x = (w.x > v.x) - (w.x < v.x);
        if (x == 0) continue;
        if (firstX == 0) firstX = x;
        if (lastX != 0 && x != lastX) ++reversals;
        lastX = x;
    }
    return reversals + (lastX != firstX ? 1 : 0) == 2 ? way : 0;
}

// Whether the ring is a simple polygon: at least three corners, no edge
// turning back along the one before, and no edge meeting another except its
// neighbours at their shared corners. Edges are swept along the axis they
// spread less along, so that only edges overlapping there are compared.
// A ring whose edges overlap so much that the sweep would compare more
// than 64 pairs an edge (hatching drawn as one path) counts as not simple
// without looking further, so that it costs linear time.
bool simple(const std::vector<PlotPoint>& ring, Scratch& s) {
    const std::size_t n = ring.size();
    if (n < 3) return false;
    double spreadX = 0.0, spreadY = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        const PlotPoint u = ring[(k + n - 1) % n], v = ring[k], w = ring[(k + 1) % n];
        if (turn(v, u, w) == 0 && crossSign(dx(u, v), dy(u, v), -dy(v, w), dx(v, w)) < 0) return false;
        spreadX += std::abs(static_cast<double>(dx(v, w)));
        spreadY += std::abs(static_cast<double>(dy(v, w)));
    }
    if (n == 3) return true;
    const bool alongX = spreadX <= spreadY;
    auto at = [&ring, alongX](std::size_t k) { return alongX ? ring[k].x : ring[k].y; };
    auto low = [&](std::size_t e) { return std::min(at(e), at((e + 1) % n)); };
    auto high = [&](std::size_t e) { return std::max(at(e), at((e + 1) % n)); };
    s.edges.resize(n);
    for (std::size_t e = 0; e < n; ++e) s.edges[e] = e;
    std::sort(s.edges.begin(), s.edges.end(), [&](std::size_t a, std::size_t b) { return low(a) < low(b); });
    s.active.clear();
    std::size_t budget = 64 * n;
    for (std::size_t e : s.edges) {
        const std::int32_t from = low(e);
        for (std::size_t k = 0; k < s.active.size();) {
            const std::size_t f = s.active[k];
            if (high(f) < from) {
                s.active[k] = s.active.back();
                s.active.pop_back();
                continue;
            }
            ++k;
            if (budget-- == 0) return false;
            const bool neighbours = (f + 1) % n == e || (e + 1) % n == f;
            const PlotPoint a = ring[e], b = ring[(e + 1) % n], c = ring[f], d = ring[(f + 1) % n];
            if (!neighbours && boxesMeet(a, b, c, d) && segmentsMeet(a, b, c, d)) return false;
        }
        s.active.push_back(e);
    }
    return true;
}

// The convex hull of the points, counter-clockwise from the lowest
// leftmost, without points along its edges (Andrew's monotone chain).
void hullOf(std::vector<PlotPoint> points, std::vector<PlotPoint>& hull) {
    std::sort(points.begin(), points.end(), lowerLeft);
    points.erase(std::unique(points.begin(), points.end()), points.end());
    hull.clear();
    for (PlotPoint p : points) {  // the lower chain, left to right
        while (hull.size() >= 2 && side(hull[hull.size() - 2], hull.back(), p) <= 0) hull.pop_back();
        hull.push_back(p);
    }
    if (points.size() < 2) return;
    const std::size_t lower = hull.size();
    for (std::size_t k = points.size() - 1; k-- > 0;) {  // the upper chain, back
        while (hull.size() > lower && side(hull[hull.size() - 2], hull.back(), points[k]) <= 0) hull.pop_back();
        hull.push_back(points[k]);
    }
    hull.pop_back();  // the first point again
}

// A closed cut's patch: its ring of corners, counter-clockwise from the
// lowest leftmost, without corners where the edge runs straight on, so that
// the same patch always gets the same ring.
struct Patch {
    std::size_t begin = 0;  // in the corner list
    std::size_t size = 0;
    Box box;
    double area = 0.0;
    std::uint64_t key = 0;  // from the corners: equal for equal rings
    bool holds() const { return size >= 3; }
};

void makePatch(const Cut& cut, Patch& patch, std::vector<PlotPoint>& corners, Scratch& s) {
    ringOf(cut.points, s.ring);
    patch.begin = corners.size();
    const int way = s.ring.size() >= 3 ? convexWay(s.ring) : 0;
    if (way != 0 || simple(s.ring, s)) {
        const std::size_t n = s.ring.size();
        if (way != 0)  // no corner runs straight on
            corners.insert(corners.end(), s.ring.begin(), s.ring.end());
        for (std::size_t k = 0; k < n && way == 0; ++k)  // turning back is not simple, so these run straight on
            if (turn(s.ring[k], s.ring[(k + n - 1) % n], s.ring[(k + 1) % n]) != 0) corners.push_back(s.ring[k]);
        const auto first = corners.begin() + static_cast<std::ptrdiff_t>(patch.begin);
        std::rotate(first, std::min_element(first, corners.end(), lowerLeft), corners.end());
        // The lowest leftmost corner is convex: its turn gives the direction.
        if (turn(*first, *(first + 1), corners.back()) < 0) std::reverse(first + 1, corners.end());
        patch.size = corners.size() - patch.begin;
    } else {
        hullOf(s.ring, s.hull);
        corners.insert(corners.end(), s.hull.begin(), s.hull.end());
        patch.size = s.hull.size();
    }
    const PlotPoint* ring = corners.data() + patch.begin;
    double twice = 0.0;
    for (std::size_t k = 0; k < patch.size; ++k) {
        patch.box.take(toVec(ring[k]));
        const PlotPoint a = ring[k], b = ring[(k + 1) % patch.size];
        twice += static_cast<double>(dx(ring[0], a)) * static_cast<double>(dy(ring[0], b)) -
                 static_cast<double>(dy(ring[0], a)) * static_cast<double>(dx(ring[0], b));
    }
    patch.area = std::abs(twice) / 2.0;
    patch.key = patch.size;
    for (std::size_t k = 0; k < patch.size; ++k)  // FNV's multiply, a coordinate at a time
        for (std::int32_t v : {ring[k].x, ring[k].y})
            patch.key = (patch.key ^ static_cast<std::uint32_t>(v)) * 0x100000001b3ULL;
}

// Whether the patch `inner` is part of the patch `outer`, which holds: its
// first corner not outside, and no edge of it passing outside, which it can
// only do by crossing an edge of `outer` or by leaving one of its edges or
// corners towards the outside.
bool liesIn(const PlotPoint* inner, std::size_t k, const Box& innerBox, const PlotPoint* outer, std::size_t m,
            Scratch& s) {
    if (where(inner[0], outer, m) == 0) return false;
    if (k == 1) return true;
    s.edges.clear();
    for (std::size_t j = 0; j < m; ++j) {
        const PlotPoint e0 = outer[j], e1 = outer[(j + 1) % m];
        if (std::max(e0.x, e1.x) >= innerBox.minX && std::min(e0.x, e1.x) <= innerBox.maxX &&
            std::max(e0.y, e1.y) >= innerBox.minY && std::min(e0.y, e1.y) <= innerBox.maxY)
            s.edges.push_back(j);
    }
    for (std::size_t i = 0; i < k; ++i) {
        const PlotPoint a = inner[i], c = inner[(i + 1) % k];
        for (std::size_t j : s.edges) {
            const PlotPoint e0 = outer[j], e1 = outer[(j + 1) % m];
            if (!boxesMeet(a, c, e0, e1)) continue;
            const int o1 = side(e0, e1, a), o2 = side(e0, e1, c);
            const int o3 = side(a, c, e0), o4 = side(a, c, e1);
            if (o1 * o2 < 0 && o3 * o4 < 0) return false;  // crosses the edge
            // A corner of `outer` on this edge: each way along the edge from it.
            if (o3 == 0 && between(e0, a, c)) {
                const PlotPoint u = outer[(j + m - 1) % m];
                if ((e0 != a && leavesAt(u, e0, e1, a)) || (e0 != c && leavesAt(u, e0, e1, c))) return false;
            }
            // An end of this edge inside an edge of `outer`, the edge going off
            // to its right, the outside.
            const bool aInside = o1 == 0 && a != e0 && a != e1 && between(a, e0, e1);
            const bool cInside = o2 == 0 && c != e0 && c != e1 && between(c, e0, e1);
            if ((aInside && o2 < 0) || (cInside && o1 < 0)) return false;
        }
    }
    return true;
}

bool ringLess(const PlotPoint* a, std::size_t na, const PlotPoint* b, std::size_t nb) {
    if (na != nb) return na < nb;
    for (std::size_t k = 0; k < na; ++k)
        if (a[k] != b[k]) return lowerLeft(a[k], b[k]);
    return false;
}

}  // namespace

Nesting nestCuts(const std::vector<const Cut*>& cuts) {
    const std::size_t n = cuts.size();
    Nesting nesting;
    nesting.first.assign(n + 1, 0);

    Scratch scratch;
    std::vector<Patch> patches(n);
    std::vector<PlotPoint> corners;
    std::vector<std::size_t> closed;
    std::size_t points = 0;
    for (const Cut* cut : cuts) points += cut->closed() ? cut->points.size() : 0;
    corners.reserve(points);
    for (std::size_t i = 0; i < n; ++i) {
        if (!cuts[i]->closed()) continue;
        closed.push_back(i);
        makePatch(*cuts[i], patches[i], corners, scratch);
    }
    auto ring = [&](std::size_t i) { return corners.data() + patches[i].begin; };
    std::vector<std::pair<std::size_t, std::size_t>> pairs;  // (inner, outline)

    // The same patch again: a chain in the order of the run. The first of
    // each chain stands for it; its last lies inside what holds the patch.
    // Sorted by key, then, where keys are equal, by ring, each in run order.
    {
        std::vector<std::pair<std::uint64_t, std::size_t>> keyed;
        keyed.reserve(closed.size());
        for (std::size_t i : closed) keyed.emplace_back(patches[i].key, i);
        std::sort(keyed.begin(), keyed.end());
        for (std::size_t k = 0; k < keyed.size(); ++k) closed[k] = keyed[k].second;
        for (std::size_t k = 0, e = 0; k < keyed.size(); k = e) {
            for (e = k + 1; e < keyed.size() && keyed[e].first == keyed[k].first;) ++e;
            if (e - k > 2)
                std::stable_sort(closed.begin() + static_cast<std::ptrdiff_t>(k),
                                 closed.begin() + static_cast<std::ptrdiff_t>(e), [&](std::size_t a, std::size_t b) {
                                     return ringLess(ring(a), patches[a].size, ring(b), patches[b].size);
                                 });
        }
    }
    std::vector<std::size_t> heads;
    std::vector<std::size_t> lastOf(n);
    for (std::size_t k = 0; k < closed.size(); ++k) {
        const std::size_t i = closed[k];
        const std::size_t before = k > 0 ? closed[k - 1] : i;
        if (k > 0 && patches[before].key == patches[i].key && patches[before].size == patches[i].size &&
            std::equal(ring(i), ring(i) + patches[i].size, ring(before))) {
            pairs.emplace_back(before, i);
            lastOf[heads.back()] = i;
        } else {
            heads.push_back(i);
            lastOf[i] = i;
        }
    }

    // The patches that hold, listed in the cells their boxes cover; one
    // covering very many cells is checked against every cut instead.
    Box all;
    std::size_t holders = 0;
    for (std::size_t i : heads)
        if (patches[i].holds()) {
            all.take(patches[i].box);
            ++holders;
        }
    if (holders > 0) {
        const Cells grid(all, holders);
        struct Cover {
            std::int64_t c0, c1, r0, r1;
        };
        auto cover = [&grid](const Box& b) {
            return Cover{grid.column(b.minX), grid.column(b.maxX), grid.row(b.minY), grid.row(b.maxY)};
        };
        // Counted, then filled in: one list for all cells.
        std::vector<std::size_t> start(static_cast<std::size_t>(grid.columns() * grid.rows()) + 1, 0);
        std::vector<std::size_t> listed, large;
        constexpr std::int64_t kMaxCells = 64;
        for (std::size_t i : heads) {
            if (!patches[i].holds()) continue;
            const Cover k = cover(patches[i].box);
            if ((k.c1 - k.c0 + 1) * (k.r1 - k.r0 + 1) > kMaxCells) {
                large.push_back(i);
                continue;
            }
            listed.push_back(i);
            for (std::int64_t r = k.r0; r <= k.r1; ++r)
                for (std::int64_t c = k.c0; c <= k.c1; ++c) ++start[grid.index(c, r) + 1];
        }
        for (std::size_t c = 1; c < start.size(); ++c) start[c] += start[c - 1];
        std::vector<std::size_t> items(start.back());
        {
            std::vector<std::size_t> fill(start.begin(), start.end() - 1);
            for (std::size_t i : listed) {
                const Cover k = cover(patches[i].box);
                for (std::int64_t r = k.r0; r <= k.r1; ++r)
                    for (std::int64_t c = k.c0; c <= k.c1; ++c) items[fill[grid.index(c, r)]++] = i;
            }
        }
        // Smallest first, so that an outline is mostly met after those it holds.
        auto smaller = [&patches](std::size_t a, std::size_t b) {
            return patches[a].area < patches[b].area || (patches[a].area == patches[b].area && a < b);
        };
        for (std::size_t c = 0; c + 1 < start.size(); ++c)
            if (start[c + 1] - start[c] > 1)
                std::sort(items.begin() + static_cast<std::ptrdiff_t>(start[c]),
                          items.begin() + static_cast<std::ptrdiff_t>(start[c + 1]), smaller);
        std::sort(large.begin(), large.end(), smaller);

        // Cell by cell, so that neighbours share what is in the cache.
        {
            std::vector<std::pair<std::int64_t, std::size_t>> byCell;
            byCell.reserve(heads.size());
            for (std::size_t i : heads)
                byCell.emplace_back(grid.row(ring(i)[0].y) * grid.columns() + grid.column(ring(i)[0].x), i);
            std::sort(byCell.begin(), byCell.end());
            for (std::size_t k = 0; k < heads.size(); ++k) heads[k] = byCell[k].second;
        }
        std::vector<std::size_t> direct;  // the outlines found for one patch
        for (std::size_t i : heads) {
            const Patch& p = patches[i];
            direct.clear();
            auto consider = [&](std::size_t o) {
                const Patch& q = patches[o];
                if (o == i || !q.box.holds(p.box)) return;
                // An outline holding one already found is reached through it.
                for (std::size_t d : direct)
                    if (q.box.holds(patches[d].box) &&
                        liesIn(ring(d), patches[d].size, patches[d].box, ring(o), q.size, scratch))
                        return;
                if (liesIn(ring(i), p.size, p.box, ring(o), q.size, scratch)) direct.push_back(o);
            };
            const PlotPoint at = ring(i)[0];
            const std::size_t cell = grid.index(grid.column(at.x), grid.row(at.y));
            auto a = items.begin() + static_cast<std::ptrdiff_t>(start[cell]);
            const auto end = items.begin() + static_cast<std::ptrdiff_t>(start[cell + 1]);
            auto b = large.begin();
            while (a != end || b != large.end()) {
                if (b == large.end() || (a != end && smaller(*a, *b)))
                    consider(*a++);
                else
                    consider(*b++);
            }
            for (std::size_t d : direct) pairs.emplace_back(lastOf[i], d);
        }
    }

    for (const auto& [inner, outline] : pairs) ++nesting.first[inner + 1];
    for (std::size_t i = 0; i < n; ++i) nesting.first[i + 1] += nesting.first[i];
    nesting.outlines.resize(pairs.size());
    std::vector<std::size_t> next(nesting.first.begin(), nesting.first.end() - 1);
    for (const auto& [inner, outline] : pairs) nesting.outlines[next[inner]++] = outline;
    return nesting;
}

}  // namespace kerfline
