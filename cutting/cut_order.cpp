#include "cutting/cut_order.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <utility>

#include "geometry/cell_grid.h"
#include "cutting/cut_nesting.h"

namespace kerfline {

namespace {

// The cuts of one run between kept instructions, in the order being built.
struct Run {
    std::vector<const Cut*> cuts;
    Nesting nesting;         // the outlines each cut must come before
    Vec from;                // where the knife stands when the run starts
    bool fixedFirst = false;  // a joined cut: it continues the knife's last cut
    bool hasPark = false;
    Vec park;  // the first parking move after the last cut

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
            for (std::size_t outline : nesting.of(i))
                if (done[outline]) return false;
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
    for (std::size_t outline : run.nesting.outlines) ++pending[outline];
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
        for (std::size_t outline : run.nesting.of(0)) --pending[outline];
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
        if (live == 0) break;  // cannot happen: lying inside is a partial order
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
            for (std::size_t outline : run.nesting.of(cut)) {
                if (--pending[outline] == 0 && !done[outline]) {
                    const std::size_t p = placeOf[outline];
                    if (waiting[p].empty()) ++inGrid;
                    offer(outline);
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
    auto firstOutlineAt = [&](std::size_t cut) {
        std::size_t at = kNone;
        for (std::size_t outline : run.nesting.of(cut)) at = std::min(at, position[outline]);
        return at;
    };

    for (int pass = 0; pass < kPasses; ++pass) {
        bool better = false;
        for (std::size_t i = firstFree; i + 1 < n; ++i) {
            const Vec before = i == 0 ? run.from : run.end(order[i - 1]);
            double forward = 0.0;   // between the cuts i..j as they are
            double backward = 0.0;  // the same cuts in reverse order
            std::size_t firstOutline = firstOutlineAt(order[i]);
            const std::size_t last = std::min(n - 1, i + kWindow);
            for (std::size_t j = i + 1; j <= last; ++j) {
                firstOutline = std::min(firstOutline, firstOutlineAt(order[j]));
                // A hole and its outline both in the run: reversing would swap them.
                if (firstOutline <= j) break;
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
        run.nesting = nestCuts(run.cuts);

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

OrderTravel orderDrawing(Workpiece& piece) {
    const OrderTravel travel = orderCuts(piece.job());
    if (travel.changed) piece.jobChanged();
    return travel;
}

OrderTravel orderDrawing(PlotDrawing& drawing) {
    return onDrawing(drawing, [](Workpiece& piece) { return orderDrawing(piece); });
}

}  // namespace kerfline
