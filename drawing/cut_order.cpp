#include "drawing/cut_order.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <utility>
#include <limits>

namespace kerfline {

namespace {

struct Vec {
    double x = 0.0;
    double y = 0.0;
};

Vec toVec(PlotPoint p) { return {static_cast<double>(p.x), static_cast<double>(p.y)}; }

// Coordinates are below 2^32, so the squares cannot overflow: no need for hypot.
double gap(Vec a, Vec b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    return std::sqrt(dx * dx + dy * dy);
}

struct Box {
    double minX = std::numeric_limits<double>::infinity();
    double minY = std::numeric_limits<double>::infinity();
    double maxX = -std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();
    void take(Vec p) {
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    bool holds(const Box& other) const {
        return other.minX >= minX && other.maxX <= maxX && other.minY >= minY &&
               other.maxY <= maxY;
    }
};

// A uniform grid of cells over a box, each cell a list of item numbers.
class Grid {
public:
    Grid(const Box& box, std::size_t items) : box_(box) {
        const double width = std::max(box.maxX - box.minX, 1.0);
        const double height = std::max(box.maxY - box.minY, 1.0);
        // About one item a cell.
        cell_ = std::max(std::sqrt(width * height / static_cast<double>(std::max<std::size_t>(items, 1))), 1.0);
        columns_ = static_cast<std::int64_t>(std::min(width / cell_ + 1.0, 4096.0));
        rows_ = static_cast<std::int64_t>(std::min(height / cell_ + 1.0, 4096.0));
        cell_ = std::max(width / static_cast<double>(columns_), height / static_cast<double>(rows_));
        cell_ = std::max(cell_ * (1.0 + 1e-9), 1e-9);
        cells_.resize(static_cast<std::size_t>(columns_ * rows_));
    }
    std::int64_t column(double x) const { return clamp(static_cast<std::int64_t>(std::floor((x - box_.minX) / cell_)), columns_); }
    std::int64_t row(double y) const { return clamp(static_cast<std::int64_t>(std::floor((y - box_.minY) / cell_)), rows_); }
    std::vector<std::size_t>& at(std::int64_t c, std::int64_t r) {
        return cells_[static_cast<std::size_t>(r * columns_ + c)];
    }
    std::int64_t columns() const { return columns_; }
    std::int64_t rows() const { return rows_; }
    double cell() const { return cell_; }
    const Box& box() const { return box_; }

private:
    static std::int64_t clamp(std::int64_t v, std::int64_t n) { return std::clamp<std::int64_t>(v, 0, n - 1); }
    Box box_;
    double cell_ = 1.0;
    std::int64_t columns_ = 1;
    std::int64_t rows_ = 1;
    std::vector<std::vector<std::size_t>> cells_;
};

// Whether p lies on the segment from a to b.
bool onSegment(PlotPoint p, PlotPoint a, PlotPoint b) {
    // Exact while the differences stay below 2^26 (a sheet of 1.6 km);
    // beyond that a point very near an edge may count as on it.
    const double cross = static_cast<double>(static_cast<std::int64_t>(b.x) - a.x) *
                             static_cast<double>(static_cast<std::int64_t>(p.y) - a.y) -
                         static_cast<double>(static_cast<std::int64_t>(b.y) - a.y) *
                             static_cast<double>(static_cast<std::int64_t>(p.x) - a.x);
    if (cross != 0.0) return false;
    return p.x >= std::min(a.x, b.x) && p.x <= std::max(a.x, b.x) && p.y >= std::min(a.y, b.y) &&
           p.y <= std::max(a.y, b.y);
}

// 1 inside, 0 outside, -1 on the edge (even-odd rule).
int where(PlotPoint p, const std::vector<PlotPoint>& polygon) {
    bool inside = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const PlotPoint a = polygon[j];
        const PlotPoint b = polygon[i];
        if (onSegment(p, a, b)) return -1;
        if ((a.y > p.y) != (b.y > p.y)) {
            const double x = a.x + (static_cast<double>(p.y) - a.y) * (static_cast<double>(b.x) - a.x) /
                                       (static_cast<double>(b.y) - a.y);
            if (p.x < x) inside = !inside;
        }
    }
    return inside ? 1 : 0;
}

// 1 inside, 0 outside, -1 every point on the edge (the same outline again).
int inside(const Cut& inner, const Cut& outer) {
    for (PlotPoint p : inner.points) {
        const int w = where(p, outer.points);
        if (w >= 0) return w;
    }
    return -1;
}

double area(const std::vector<PlotPoint>& points) {
    double twice = 0.0;
    for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++)
        twice += (static_cast<double>(points[j].x) + points[i].x) * (static_cast<double>(points[j].y) - points[i].y);
    return std::abs(twice) / 2.0;
}

// The cuts of one run between kept instructions, in the order being built.
struct Run {
    std::vector<const Cut*> cuts;
    std::vector<std::ptrdiff_t> parent;  // the outline each cut must come before, or -1
    Vec from;                            // where the knife stands when the run starts
    bool fixedFirst = false;             // a joined cut: it continues the knife's last cut
    bool hasPark = false;
    Vec park;                            // the first parking move after the last cut

    Vec start(std::size_t i) const { return toVec(cuts[i]->points.front()); }
    Vec end(std::size_t i) const { return toVec(cuts[i]->points.back()); }

    double travel(const std::vector<std::size_t>& order) const {
        double total = 0.0;
        Vec at = from;
        for (std::size_t i : order) {
            total += gap(at, start(i));
            at = end(i);
        }
        if (hasPark) total += gap(at, park);
        return total;
    }
    bool holesFirst(const std::vector<std::size_t>& order) const {
        std::vector<bool> done(cuts.size(), false);
        for (std::size_t i : order) {
            done[i] = true;
            if (parent[i] >= 0 && done[static_cast<std::size_t>(parent[i])]) return false;
        }
        return true;
    }
};

// Nearest-next among the cuts whose holes are all cut.
std::vector<std::size_t> nearestNext(const Run& run) {
    const std::size_t n = run.cuts.size();
    std::vector<std::size_t> order;
    order.reserve(n);
    std::vector<std::size_t> pending(n, 0);
    for (std::size_t i = 0; i < n; ++i)
        if (run.parent[i] >= 0) ++pending[static_cast<std::size_t>(run.parent[i])];
    std::vector<bool> done(n, false);

    // Cuts that start at the same point share one place in the grid, so a
    // pile of cuts on one spot costs one look, not one per cut.
    std::vector<PlotPoint> places;
    std::vector<std::vector<std::size_t>> waiting;  // per place: available cuts, highest index first
    std::vector<std::size_t> placeOf(n);
    {
        std::vector<std::size_t> byStart(n);
        for (std::size_t i = 0; i < n; ++i) byStart[i] = i;
        auto key = [&run](std::size_t i) {
            const PlotPoint p = run.cuts[i]->points.front();
            return std::pair<std::int32_t, std::int32_t>(p.x, p.y);
        };
        std::sort(byStart.begin(), byStart.end(), [&](std::size_t a, std::size_t b) { return key(a) < key(b); });
        for (std::size_t k = 0; k < n; ++k) {
            if (k == 0 || key(byStart[k]) != key(byStart[k - 1])) {
                places.push_back(run.cuts[byStart[k]]->points.front());
                waiting.emplace_back();
            }
            placeOf[byStart[k]] = places.size() - 1;
        }
    }
    auto offer = [&](std::size_t i) {
        std::vector<std::size_t>& w = waiting[placeOf[i]];
        w.insert(std::upper_bound(w.begin(), w.end(), i, std::greater<>()), i);
    };

    Vec at = run.from;
    std::size_t firstFree = 0;
    if (run.fixedFirst && n > 0) {
        order.push_back(0);
        done[0] = true;
        if (run.parent[0] >= 0) --pending[static_cast<std::size_t>(run.parent[0])];
        at = run.end(0);
        firstFree = 1;
    }
    for (std::size_t i = firstFree; i < n; ++i)
        if (pending[i] == 0) offer(i);

    // The places with cuts waiting, in a grid rebuilt smaller as it empties
    // so that a search never walks a large field of empty cells for long.
    std::vector<bool> inGridPlace(places.size(), false);
    while (order.size() < n) {
        Box box;
        std::size_t live = 0;
        for (std::size_t p = 0; p < places.size(); ++p)
            if (!waiting[p].empty()) {
                box.take(toVec(places[p]));
                ++live;
            }
        if (live == 0) break;  // cannot happen: a cut always waits for a smaller one
        Grid grid(box, live);
        for (std::size_t p = 0; p < places.size(); ++p) {
            inGridPlace[p] = !waiting[p].empty();
            if (inGridPlace[p]) grid.at(grid.column(places[p].x), grid.row(places[p].y)).push_back(p);
        }
        std::size_t inGrid = live;
        const std::size_t rebuildBelow = live > 256 ? live / 4 : 0;

        while (inGrid > rebuildBelow) {
            // Ring by ring around the knife's cell until no nearer place can exist.
            const std::int64_t c0 = grid.column(at.x);
            const std::int64_t r0 = grid.row(at.y);
            const Box& b = grid.box();
            const double cell = grid.cell();
            std::size_t best = places.size();
            double bestGap = std::numeric_limits<double>::infinity();
            const std::int64_t maxRing = std::max(grid.columns(), grid.rows());
            for (std::int64_t ring = 0; ring <= maxRing; ++ring) {
                for (std::int64_t r = r0 - ring; r <= r0 + ring; ++r) {
                    if (r < 0 || r >= grid.rows()) continue;
                    const bool edgeRow = r == r0 - ring || r == r0 + ring;
                    for (std::int64_t c = c0 - ring; c <= c0 + ring; c += edgeRow ? 1 : 2 * ring) {
                        if (c >= 0 && c < grid.columns()) {
                            std::vector<std::size_t>& items = grid.at(c, r);
                            for (std::size_t k = 0; k < items.size();) {
                                const std::size_t p = items[k];
                                if (waiting[p].empty()) {  // emptied since: drop it here
                                    inGridPlace[p] = false;
                                    items[k] = items.back();
                                    items.pop_back();
                                    continue;
                                }
                                const double g = gap(at, toVec(places[p]));
                                if (g < bestGap || (g == bestGap && waiting[p].back() < waiting[best].back())) {
                                    bestGap = g;
                                    best = p;
                                }
                                ++k;
                            }
                        }
                        if (ring == 0) break;
                    }
                }
                // The nearest any cell outside these rings can be.
                const double reach = std::min(
                    {at.x - (b.minX + static_cast<double>(c0 - ring) * cell),
                     b.minX + static_cast<double>(c0 + ring + 1) * cell - at.x,
                     at.y - (b.minY + static_cast<double>(r0 - ring) * cell),
                     b.minY + static_cast<double>(r0 + ring + 1) * cell - at.y});
                if (best < places.size() && bestGap <= reach) break;
            }
            if (best == places.size()) break;
            const std::size_t cut = waiting[best].back();
            waiting[best].pop_back();
            if (waiting[best].empty()) --inGrid;
            done[cut] = true;
            order.push_back(cut);
            at = run.end(cut);
            if (run.parent[cut] >= 0) {
                const std::size_t parent = static_cast<std::size_t>(run.parent[cut]);
                if (--pending[parent] == 0 && !done[parent]) {
                    const std::size_t p = placeOf[parent];
                    if (waiting[p].empty()) ++inGrid;
                    offer(parent);
                    // An emptied place may still stand in its cell until a search drops it.
                    if (!inGridPlace[p]) {
                        grid.at(grid.column(places[p].x), grid.row(places[p].y)).push_back(p);
                        inGridPlace[p] = true;
                    }
                }
            }
        }
    }
    // Never lose a cut, whatever the constraints did.
    for (std::size_t i = 0; i < n; ++i)
        if (!done[i]) order.push_back(i);
    return order;
}

// Reverses runs of the order where that shortens the travel: each reversal
// is tried over a window of following cuts, with the sums kept as it grows.
void improve(const Run& run, std::vector<std::size_t>& order) {
    const std::size_t n = order.size();
    constexpr std::size_t kWindow = 40;
    constexpr int kPasses = 8;
    const std::size_t firstFree = run.fixedFirst ? 1 : 0;
    std::vector<std::size_t> position(n);
    for (std::size_t k = 0; k < n; ++k) position[order[k]] = k;
    constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
    auto parentAt = [&](std::size_t cut) {
        return run.parent[cut] >= 0 ? position[static_cast<std::size_t>(run.parent[cut])] : kNone;
    };

    for (int pass = 0; pass < kPasses; ++pass) {
        bool better = false;
        for (std::size_t i = firstFree; i + 1 < n; ++i) {
            const Vec before = i == 0 ? run.from : run.end(order[i - 1]);
            double forward = 0.0;   // between the cuts i..j as they are
            double backward = 0.0;  // the same cuts in reverse order
            std::size_t earliestParent = parentAt(order[i]);
            const std::size_t last = std::min(n - 1, i + kWindow);
            for (std::size_t j = i + 1; j <= last; ++j) {
                earliestParent = std::min(earliestParent, parentAt(order[j]));
                // A hole and its outline both in the run: reversing would swap them.
                if (earliestParent <= j) break;
                forward += gap(run.end(order[j - 1]), run.start(order[j]));
                backward += gap(run.end(order[j]), run.start(order[j - 1]));
                const bool hasNext = j + 1 < n || run.hasPark;
                const Vec next = j + 1 < n ? run.start(order[j + 1]) : run.park;
                const double now = gap(before, run.start(order[i])) + forward +
                                   (hasNext ? gap(run.end(order[j]), next) : 0.0);
                const double then = gap(before, run.start(order[j])) + backward +
                                    (hasNext ? gap(run.end(order[i]), next) : 0.0);
                if (then < now - 1e-6) {
                    std::reverse(order.begin() + static_cast<std::ptrdiff_t>(i),
                                 order.begin() + static_cast<std::ptrdiff_t>(j) + 1);
                    for (std::size_t k = i; k <= j; ++k) position[order[k]] = k;
                    better = true;
                    break;
                }
            }
        }
        if (!better) break;
    }
}

}  // namespace

std::vector<std::ptrdiff_t> enclosingCuts(const std::vector<const Cut*>& cuts) {
    const std::size_t n = cuts.size();
    std::vector<std::ptrdiff_t> parent(n, -1);
    std::vector<std::size_t> closed;
    std::vector<Box> boxes(n);
    std::vector<double> areas(n, 0.0);
    Box all;
    for (std::size_t i = 0; i < n; ++i) {
        if (!cuts[i]->closed()) continue;
        closed.push_back(i);
        for (PlotPoint p : cuts[i]->points) boxes[i].take(toVec(p));
        areas[i] = area(cuts[i]->points);
        all.take({boxes[i].minX, boxes[i].minY});
        all.take({boxes[i].maxX, boxes[i].maxY});
    }
    if (closed.size() < 2) return parent;

    // Each outline is listed in the cells its box covers; one covering very
    // many cells is checked against every candidate instead.
    Grid grid(all, closed.size());
    std::vector<std::size_t> large;
    constexpr std::int64_t kMaxCells = 64;
    for (std::size_t i : closed) {
        if (areas[i] == 0.0) continue;  // holds nothing
        const std::int64_t c0 = grid.column(boxes[i].minX), c1 = grid.column(boxes[i].maxX);
        const std::int64_t r0 = grid.row(boxes[i].minY), r1 = grid.row(boxes[i].maxY);
        if ((c1 - c0 + 1) * (r1 - r0 + 1) > kMaxCells) {
            large.push_back(i);
            continue;
        }
        for (std::int64_t r = r0; r <= r1; ++r)
            for (std::int64_t c = c0; c <= c1; ++c) grid.at(c, r).push_back(i);
    }
    // Each list in order of (area, index), so that the first container found
    // after a cut's own place in it is the smallest.
    auto before = [&areas](std::size_t a, std::size_t b) {
        return areas[a] < areas[b] || (areas[a] == areas[b] && a < b);
    };
    for (std::int64_t r = 0; r < grid.rows(); ++r)
        for (std::int64_t c = 0; c < grid.columns(); ++c) std::sort(grid.at(c, r).begin(), grid.at(c, r).end(), before);
    std::sort(large.begin(), large.end(), before);
    for (std::size_t i : closed) {
        const Vec p = toVec(cuts[i]->points.front());
        // The smallest container, by area and then by place in the run: an
        // outline drawn twice counts as lying inside its later copy, so a
        // hole in it comes before both.
        double bestArea = std::numeric_limits<double>::infinity();
        auto consider = [&](std::size_t o) {
            if (o == i || areas[o] < areas[i] || (areas[o] == areas[i] && o < i)) return;
            if (areas[o] > bestArea || (areas[o] == bestArea && static_cast<std::ptrdiff_t>(o) > parent[i])) return;
            if (!boxes[o].holds(boxes[i])) return;
            const int where = inside(*cuts[i], *cuts[o]);
            if (where == 0 || (where == 1) != (areas[o] > areas[i])) return;
            bestArea = areas[o];
            parent[i] = static_cast<std::ptrdiff_t>(o);
        };
        auto search = [&](const std::vector<std::size_t>& list) {
            const std::ptrdiff_t found = parent[i];
            for (auto o = std::upper_bound(list.begin(), list.end(), i, before); o != list.end(); ++o) {
                if (areas[*o] > bestArea) return;
                consider(*o);
                if (parent[i] != found) return;
            }
        };
        search(grid.at(grid.column(p.x), grid.row(p.y)));
        search(large);
    }
    return parent;
}

OrderTravel orderCuts(CutJob& job, bool improveOrder) {
    OrderTravel travel;
    travel.before = penUpTravel(job);

    std::vector<JobStep> result;
    result.reserve(job.steps.size());
    PlotPoint at{};  // where the knife stands in the result
    std::size_t s = 0;
    while (s < job.steps.size()) {
        if (job.steps[s].kind == JobStep::Kind::Kept) {
            if (job.kept[job.steps[s].kept].home()) at = PlotPoint{};
            result.push_back(std::move(job.steps[s++]));
            continue;
        }
        // One run: up to the next kept instruction.
        std::size_t e = s;
        std::size_t lastCut = job.steps.size();
        while (e < job.steps.size() && job.steps[e].kind != JobStep::Kind::Kept) {
            if (job.steps[e].kind == JobStep::Kind::Cut) lastCut = e;
            ++e;
        }
        if (lastCut == job.steps.size()) {  // moves only: as they are
            for (; s < e; ++s) {
                at = job.steps[s].to;
                result.push_back(std::move(job.steps[s]));
            }
            continue;
        }
        Run run;
        run.from = toVec(at);
        std::vector<std::size_t> steps;  // the step of each cut
        for (std::size_t k = s; k <= lastCut; ++k)
            if (job.steps[k].kind == JobStep::Kind::Cut) {
                steps.push_back(k);
                run.cuts.push_back(&job.steps[k].cut);
            }
        run.fixedFirst = run.cuts.front()->joined;
        if (lastCut + 1 < e) {
            run.hasPark = true;
            run.park = toVec(job.steps[lastCut + 1].to);
        }
        run.parent = enclosingCuts(run.cuts);

        std::vector<std::size_t> order = nearestNext(run);
        if (improveOrder) improve(run, order);
        std::vector<std::size_t> original(run.cuts.size());
        for (std::size_t k = 0; k < original.size(); ++k) original[k] = k;
        const bool keepOriginal = run.holesFirst(original) && run.travel(original) <= run.travel(order);

        if (!keepOriginal) travel.changed = true;
        if (keepOriginal) {
            for (std::size_t k = s; k < e; ++k) result.push_back(std::move(job.steps[k]));
        } else {
            for (std::size_t k : order) result.push_back(std::move(job.steps[steps[k]]));
            for (std::size_t k = lastCut + 1; k < e; ++k) result.push_back(std::move(job.steps[k]));
        }
        const JobStep& tail = result.back();
        at = tail.kind == JobStep::Kind::Move ? tail.to : tail.cut.points.back();
        s = e;
    }
    job.steps = std::move(result);
    travel.after = penUpTravel(job);
    return travel;
}

OrderTravel orderDrawing(PlotDrawing& drawing) {
    CutJob job = walkCuts(drawing);
    const OrderTravel travel = orderCuts(job);
    if (travel.changed) buildDrawing(job, drawing);
    return travel;
}

}  // namespace kerfline
