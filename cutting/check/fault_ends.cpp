// Loose ends: shapes left open and shapes in pieces.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <utility>

#include "cutting/check/fault_finders.h"

namespace kerfline {

namespace {

// The points of a run that count for attaching ends: all of a closed run,
// an open one without the stretches of `margin` at its ends.
bool window(const CutRun& run, double margin, double& from, double& to) {
    if (run.closed()) {
        from = 0.0;
        to = run.length();
        return true;
    }
    from = margin;
    to = run.length() - margin;
    return from < to;
}

}  // namespace

double attachFor(double reach) { return std::min(reach, 0.5 * kUnitsPerMm); }

bool meantToBeClosed(const CutRun& run, double reach) {
    if (run.closed() || run.points.size() < 3) return false;
    const double apart = geom::gap(geom::toVec(run.points.front()), geom::toVec(run.points.back()));
    return apart > 0.0 && apart <= reach && run.length() >= 3.0 * apart;
}

LooseEnds looseEnds(const std::vector<CutRun>& runs, const SegmentIndex& index, double attach) {
    LooseEnds ends;
    ends.first.assign(runs.size(), false);
    ends.last.assign(runs.size(), false);
    // The same margin whatever the reach, so that an end loose for a wider
    // reach is loose for a narrower one.
    const double margin = kEndMargin;

    auto attached = [&](std::size_t r, PlotPoint end) {
        const geom::Vec p = geom::toVec(end);
        bool found = false;
        geom::Box box;
        box.take(p);
        index.grid.around(box, attach, [&](std::size_t i) {
            const RunSegment s = index.segments[i];
            if (s.run == r) return true;
            const CutRun& other = runs[s.run];
            double from = 0.0, to = 0.0;
            if (!window(other, margin, from, to)) return true;
            const double arcC = other.arcs[s.index], arcD = other.arcs[s.index + 1];
            if (arcD <= from || arcC >= to) return true;
            geom::Vec c = startOf(runs, s), d = endOf(runs, s);
            const geom::Vec c0 = c;
            if (arcC < from) c = geom::along(c0, d, (from - arcC) / (arcD - arcC));
            if (arcD > to) d = geom::along(c0, d, (to - arcC) / (arcD - arcC));
            found = geom::pointSegmentDistance(p, c, d) <= attach;
            return !found;
        });
        return found;
    };
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const CutRun& run = runs[r];
        if (run.closed() || run.length() <= 0.0) continue;
        ends.first[r] = !attached(r, run.points.front());
        ends.last[r] = !attached(r, run.points.back());
    }
    return ends;
}

bool cutBetween(const std::vector<CutRun>& runs, const SegmentIndex& index, PlotPoint from, PlotPoint to,
                std::int64_t pen, double reach) {
    const geom::Vec a = geom::toVec(from), b = geom::toVec(to);
    const double length = geom::gap(a, b);
    if (length <= 2.0) return false;
    std::vector<std::pair<double, double>> covered;
    index.grid.around(geom::boxOf(a, b), reach, [&](std::size_t i) {
        const RunSegment s = index.segments[i];
        if (runs[s.run].pen != pen) return true;
        const geom::Vec c = startOf(runs, s), d = endOf(runs, s);
        if (std::fabs(geom::cross(b - a, d - c)) > kAlongSine * length * geom::gap(c, d)) return true;
        const geom::Vec way = (b - a) * (1.0 / length);
        const CutRun& run = runs[s.run];
        double t0 = 0.0, t1 = 0.0;
        if (geom::withinReach(a, b, c, d, reach, carriesOn(run, s.index, false, way),
                              carriesOn(run, s.index + 1, true, way), t0, t1))
            covered.emplace_back(t0, t1);
        return true;
    });
    std::sort(covered.begin(), covered.end());
    double total = 0.0, upTo = 0.0;
    for (const auto& [t0, t1] : covered) {
        total += std::max(0.0, t1 - std::max(t0, upTo));
        upTo = std::max(upTo, t1);
    }
    return total * length >= length - 2.0;
}

std::vector<EndPair> endPairs(const std::vector<CutRun>& runs, const SegmentIndex& index, const LooseEnds& loose,
                              double reach) {
    std::vector<RunEnd> ends;
    std::vector<geom::Box> boxes;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const CutRun& run = runs[r];
        if (!run.single() || run.closed() || run.length() <= 0.0) continue;
        for (const bool last : {false, true}) {
            const RunEnd end{r, last};
            if (!loose.loose(end)) continue;
            ends.push_back(end);
            geom::Box box;
            box.take(geom::toVec(pointOf(runs, end)));
            boxes.push_back(box);
        }
    }
    const geom::BoxGrid grid(std::move(boxes), reach);
    std::vector<EndPair> pairs;
    std::set<std::pair<std::size_t, std::size_t>> seen;
    for (std::size_t e = 0; e < ends.size(); ++e) {
        const geom::Vec p = geom::toVec(pointOf(runs, ends[e]));
        std::size_t best = ends.size();
        double bestGap = std::numeric_limits<double>::infinity();
        grid.around(grid.box(e), reach, [&](std::size_t f) {
            if (ends[f].run == ends[e].run || runs[ends[f].run].block != runs[ends[e].run].block) return true;
            const double g = geom::gap(p, geom::toVec(pointOf(runs, ends[f])));
            if (g <= reach && (g < bestGap || (g == bestGap && f < best)) &&
                !cutBetween(runs, index, pointOf(runs, ends[e]), pointOf(runs, ends[f]), runs[ends[e].run].pen,
                            attachFor(reach))) {
                bestGap = g;
                best = f;
            }
            return true;
        });
        if (best == ends.size()) continue;
        if (!seen.insert({std::min(e, best), std::max(e, best)}).second) continue;
        const std::size_t first = std::min(e, best), second = std::max(e, best);
        pairs.push_back({ends[first], ends[second], bestGap});
    }
    return pairs;
}

}  // namespace kerfline
