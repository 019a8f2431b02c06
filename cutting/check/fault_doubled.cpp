// Stretches cut twice: each segment against the segments cut before it.
#include <algorithm>
#include <cmath>

#include "cutting/check/fault_finders.h"

namespace kerfline {

namespace {

struct Interval {
    double from;
    double to;
};

}  // namespace

bool carriesOn(const CutRun& run, std::size_t k, bool ahead, geom::Vec way) {
    const std::size_t n = run.points.size();
    const PlotPoint at = run.points[k];
    std::size_t i = k;
    for (std::size_t step = 0; step < n; ++step) {
        if (ahead) {
            if (i + 1 < n) ++i;
            else if (run.closed()) i = 1;  // its last point is its first
            else return false;
        } else {
            if (i > 0) --i;
            else if (run.closed()) i = n - 2;
            else return false;
        }
        if (run.points[i] != at) {
            const geom::Vec e = geom::toVec(run.points[i]) - geom::toVec(at);
            return std::fabs(geom::cross(way, e * (1.0 / geom::norm(e)))) <= kAlongSine;
        }
    }
    return false;
}

std::vector<DoubledStretch> doubledStretches(const std::vector<CutRun>& runs, const SegmentIndex& index, double reach,
                                      double shortest, const std::vector<bool>& skip) {
    auto skipped = [&skip](std::size_t r) { return r < skip.size() && skip[r]; };
    // Within the same run, what lies less than this far back is the line
    // bending, not a line cut again.
    const double back = 4.0 * reach;
    const double bridge = 2.0 * reach + 1e-6;

    std::vector<DoubledStretch> stretches;
    DoubledStretch open{};
    bool isOpen = false;
    auto close = [&] {
        if (isOpen && open.to - open.from >= shortest) stretches.push_back(open);
        isOpen = false;
    };

    std::vector<Interval> covered;
    for (std::size_t j = 0; j < index.segments.size(); ++j) {
        const RunSegment sj = index.segments[j];
        if (skipped(sj.run)) continue;
        const CutRun& run = runs[sj.run];
        const geom::Vec a = startOf(runs, sj), b = endOf(runs, sj);
        const double length = geom::gap(a, b);
        const geom::Vec along = (b - a) * (1.0 / length);
        const double arcA = run.arcs[sj.index];

        covered.clear();
        bool whole = false;
        index.grid.around(index.grid.box(j), reach, [&](std::size_t i) {
            if (i >= j) return true;
            const RunSegment si = index.segments[i];
            const CutRun& other = runs[si.run];
            if (other.pen != run.pen || skipped(si.run)) return true;
            geom::Vec c = startOf(runs, si), d = endOf(runs, si);
            bool trimmed = false;
            if (si.run == sj.run) {
                // Only what lies far enough back along the run.
                const double limit = arcA - back;
                const double arcC = other.arcs[si.index], arcD = other.arcs[si.index + 1];
                if (arcC >= limit) return true;
                if (arcD > limit) {
                    d = geom::along(c, d, (limit - arcC) / (arcD - arcC));
                    trimmed = true;
                }
            }
            const double lengthCD = geom::gap(c, d);
            if (lengthCD <= 0.0) return true;
            if (std::fabs(geom::cross(along, (d - c) * (1.0 / lengthCD))) > kAlongSine) return true;
            double t0 = 0.0, t1 = 0.0;
            const bool roundC = carriesOn(other, si.index, false, along);
            const bool roundD = !trimmed && carriesOn(other, si.index + 1, true, along);
            if (!geom::withinReach(a, b, c, d, reach, roundC, roundD, t0, t1)) return true;
            covered.push_back({t0, t1});
            whole = t0 <= 0.0 && t1 >= 1.0;
            return !whole;
        });
        if (covered.empty()) continue;
        std::sort(covered.begin(), covered.end(), [](Interval x, Interval y) { return x.from < y.from; });
        for (std::size_t k = 0; k < covered.size();) {
            double to = covered[k].to;
            std::size_t next = k + 1;
            while (next < covered.size() && covered[next].from <= to) to = std::max(to, covered[next++].to);
            const double from = arcA + covered[k].from * length;
            const double upTo = arcA + to * length;
            // Carried on from the stretch before when it ended no more than
            // twice the reach back: round the corner of a copy a little
            // aside, the line cut before turns within reach of it.
            if (isOpen && open.run == sj.run && from <= open.to + bridge) {
                open.to = std::max(open.to, upTo);
            } else {
                close();
                open = DoubledStretch{sj.run, from, upTo};
                isOpen = true;
            }
            k = next;
        }
    }
    close();
    return stretches;
}

std::vector<bool> wholeCopies(const std::vector<CutRun>& runs, const std::vector<DoubledStretch>& doubled) {
    std::vector<bool> copies(runs.size(), false);
    for (const DoubledStretch& s : doubled) {
        const CutRun& run = runs[s.run];
        // Within a unit at both ends: the rounding of a copy's points.
        if (s.from <= 1.0 && s.to >= run.length() - 1.0) copies[s.run] = true;
    }
    return copies;
}

}  // namespace kerfline
