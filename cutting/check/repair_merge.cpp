// --merge: a shape in pieces becomes one cut, and the knife lifts over
// stretches already cut.
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "cutting/check/fault_finders.h"
#include "cutting/check/job_faults.h"
#include "cutting/check/repair_steps.h"
#include "cutting/check/repairs.h"

namespace kerfline {

namespace {

// The shortest stretch left out for running along one already cut, as
// check counts it.
const double kShortestDoubled = FaultLimits{}.doubledLength;

void append(std::vector<PlotPoint>& to, PlotPoint p) {
    if (to.empty() || to.back() != p) to.push_back(p);
}

// Joins the pieces of shapes: open single-cut runs, end to nearest loose end.
bool chainCuts(CutJob& job, double reach) {
    const std::vector<CutRun> runs = cutRuns(job);
    const SegmentIndex index(runs, reach);
    const LooseEnds loose = looseEnds(runs, index, attachFor(reach));
    // A gap is not cut where a line already cut runs along it (the stretch
    // lifted over a moment ago, say): there is no gap.
    auto alongCut = [&](PlotPoint from, PlotPoint to, std::int64_t pen) {
        return cutBetween(runs, index, from, to, pen, attachFor(reach));
    };
    std::vector<RunEnd> ends;
    std::vector<geom::Box> boxes;
    std::vector<bool> chainable(runs.size(), false);
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const CutRun& run = runs[r];
        chainable[r] = run.single() && !run.closed() && run.length() > 0.0;
        if (!chainable[r]) continue;
        for (const bool last : {false, true}) {
            if (!loose.loose({r, last})) continue;
            ends.push_back({r, last});
            geom::Box box;
            box.take(geom::toVec(pointOf(runs, {r, last})));
            boxes.push_back(box);
        }
    }
    const geom::BoxGrid grid(std::move(boxes), reach);
    std::vector<bool> used(runs.size(), false);
    constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
    auto nearestFree = [&](PlotPoint at, std::size_t block, std::int64_t pen) {
        std::size_t best = kNone;
        double bestGap = std::numeric_limits<double>::infinity();
        geom::Box box;
        box.take(geom::toVec(at));
        grid.around(box, reach, [&](std::size_t e) {
            const std::size_t r = ends[e].run;
            if (used[r] || runs[r].block != block) return true;
            const double g = geom::gap(geom::toVec(at), geom::toVec(pointOf(runs, ends[e])));
            if (g <= reach && (g < bestGap || (g == bestGap && e < best)) && !alongCut(at, pointOf(runs, ends[e]), pen)) {
                bestGap = g;
                best = e;
            }
            return true;
        });
        return best;
    };

    std::vector<bool> drop(job.steps.size(), false);
    bool any = false;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        if (!chainable[r] || used[r]) continue;
        used[r] = true;
        const CutRun& run = runs[r];
        std::vector<PlotPoint> chain = run.points;
        std::vector<std::size_t> members{r};
        bool tailLoose = loose.last[r], headLoose = loose.first[r];
        bool prepended = false;
        while (tailLoose) {
            const std::size_t e = nearestFree(chain.back(), run.block, run.pen);
            if (e == kNone) break;
            const std::size_t g = ends[e].run;
            used[g] = true;
            members.push_back(g);
            std::vector<PlotPoint> next = runs[g].points;
            if (ends[e].last) std::reverse(next.begin(), next.end());
            for (const PlotPoint p : next) append(chain, p);
            tailLoose = ends[e].last ? loose.first[g] : loose.last[g];
        }
        while (headLoose) {
            const std::size_t e = nearestFree(chain.front(), run.block, run.pen);
            if (e == kNone) break;
            const std::size_t g = ends[e].run;
            used[g] = true;
            members.push_back(g);
            std::vector<PlotPoint> before = runs[g].points;
            if (!ends[e].last) std::reverse(before.begin(), before.end());
            if (before.back() == chain.front()) before.pop_back();
            chain.insert(chain.begin(), before.begin(), before.end());
            headLoose = ends[e].last ? loose.first[g] : loose.last[g];
            prepended = true;
        }
        CutRun joined;
        joined.points = chain;
        joined.arcs.push_back(0.0);
        for (std::size_t k = 1; k < chain.size(); ++k)
            joined.arcs.push_back(joined.arcs.back() + geom::gap(geom::toVec(chain[k - 1]), geom::toVec(chain[k])));
        const bool close = headLoose && tailLoose && meantToBeClosed(joined, reach) &&
                           !alongCut(chain.back(), chain.front(), run.pen);
        if (close) chain.push_back(chain.front());
        if (members.size() == 1 && !close) continue;
        Cut& cut = job.steps[run.steps.front()].cut;
        cut.points = std::move(chain);
        if (prepended) cut.joined = false;
        for (std::size_t m = 1; m < members.size(); ++m) drop[runs[members[m]].steps.front()] = true;
        any = true;
    }
    if (any) dropSteps(job, drop);
    return any;
}

// The points of `run` from `from` to `to` along it, the ends rounded to
// whole units.
void extract(const CutRun& run, double from, double to, std::vector<PlotPoint>& out) {
    append(out, geom::toPoint(pointAt(run, from)));
    for (std::size_t k = 0; k < run.points.size(); ++k)
        if (run.arcs[k] > from && run.arcs[k] < to) append(out, run.points[k]);
    append(out, geom::toPoint(pointAt(run, to)));
}

// Leaves out the stretches cut twice.
bool liftDoubled(CutJob& job, double reach) {
    const std::vector<CutRun> runs = cutRuns(job);
    const std::vector<DoubledStretch> doubled = doubledStretches(runs, SegmentIndex(runs, reach), reach, kShortestDoubled);
    if (doubled.empty()) return false;

    // Per step of a changed run: the cuts that take its place.
    std::vector<std::vector<Cut>> pieces(job.steps.size());
    std::vector<bool> replaced(job.steps.size(), false);
    for (std::size_t s = 0; s < doubled.size();) {
        const std::size_t r = doubled[s].run;
        const CutRun& run = runs[r];
        // What stays cut: the run without its stretches cut twice.
        std::vector<std::pair<double, double>> kept;
        double at = 0.0;
        for (; s < doubled.size() && doubled[s].run == r; ++s) {
            if (doubled[s].from > at) kept.emplace_back(at, doubled[s].from);
            at = std::max(at, doubled[s].to);
        }
        if (at < run.length()) kept.emplace_back(at, run.length());
        for (const std::size_t step : run.steps) replaced[step] = true;

        // A closed shape goes on through its start.
        const bool wraps = run.single() && run.closed() && kept.size() >= 2 && kept.front().first == 0.0 &&
                           kept.back().second == run.length();
        if (wraps) {
            std::vector<PlotPoint> points;
            extract(run, kept.back().first, kept.back().second, points);
            extract(run, kept.front().first, kept.front().second, points);
            if (kept.back().second - kept.back().first + kept.front().second > reach && cutsAnything(points)) {
                Cut cut;
                cut.points = std::move(points);
                pieces[run.steps.front()].push_back(std::move(cut));
            }
            kept.pop_back();
            kept.erase(kept.begin());
        }
        for (std::size_t c = 0; c < run.steps.size(); ++c) {
            const double start = run.arcs[run.firstPoint[c]];
            const double end = c + 1 < run.steps.size() ? run.arcs[run.firstPoint[c + 1]] : run.length();
            const Cut& original = job.steps[run.steps[c]].cut;
            for (const auto& [from, to] : kept) {
                const double a = std::max(from, start), b = std::min(to, end);
                // Pieces no longer than the reach lie within it of what is cut.
                if (b - a <= reach || to - from <= reach) continue;
                Cut cut;
                extract(run, a, b, cut.points);
                if (!cutsAnything(cut.points)) continue;
                // The knife stays down from the cut before only where nothing
                // was left out in between.
                cut.joined = original.joined && a == start && (c == 0 ? start == 0.0 : from < start);
                pieces[run.steps[c]].push_back(std::move(cut));
            }
        }
    }
    replaceSteps(job, replaced, pieces);
    return true;
}

}  // namespace

bool mergeJob(CutJob& job, double reach) {
    // Copies first, so that a line cut again is left out rather than joined
    // on as a way back. Leaving out a stretch can free ends to join, and
    // joining cuts the gap between them, which may run along a line already
    // cut: a few rounds settle both.
    bool any = false;
    constexpr int kRounds = 12;
    for (int round = 0; round < kRounds; ++round) {
        bool lifted = liftDoubled(job, reach);
        // Also what check calls cut twice: within a wide reach a line may
        // bend back on itself further along before it counts (4 x reach).
        const double checked = FaultLimits{}.doubledReach;
        if (reach > checked) lifted = liftDoubled(job, checked) || lifted;
        const bool joined = chainCuts(job, reach);
        any = any || lifted || joined;
        if (!joined) break;
    }
    return any;
}

}  // namespace kerfline
