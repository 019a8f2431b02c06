#include "cutting/check/job_faults.h"

#include <algorithm>

#include "cutting/check/fault_finders.h"

namespace kerfline {

namespace {

geom::Vec middle(PlotPoint a, PlotPoint b) { return (geom::toVec(a) + geom::toVec(b)) * 0.5; }

}  // namespace

JobFaults findFaults(const CutJob& job, const FaultLimits& limits) {
    JobFaults faults;
    const std::vector<CutRun> runs = cutRuns(job);

    for (const CutRun& run : runs) {
        if (run.length() <= 0.0) {
            faults.dot.push_back({geom::toVec(run.points.front()), 0.0});
        } else if (run.length() < limits.shortestCut) {
            faults.splinter.push_back({geom::toVec(run.points.front()), run.length()});
        }
    }

    // One grid of segments for every search, its cells sized for the widest.
    const SegmentIndex index(runs, std::max({limits.doubledReach, limits.gapReach, limits.minWidth}));
    const std::vector<DoubledStretch> doubled = doubledStretches(runs, index, limits.doubledReach, limits.doubledLength);
    for (const DoubledStretch& s : doubled) faults.doubled.push_back({pointAt(runs[s.run], s.from), s.to - s.from});

    // Gaps in the order of the runs they open: a shape left open, or the
    // first of two pieces.
    const LooseEnds loose = looseEnds(runs, index, attachFor(limits.gapReach));
    std::vector<std::pair<std::size_t, Finding>> gaps;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const CutRun& run = runs[r];
        if (meantToBeClosed(run, limits.gapReach) && loose.first[r] && loose.last[r] &&
            !cutBetween(runs, index, run.points.back(), run.points.front(), run.pen, attachFor(limits.gapReach)))
            gaps.push_back({r, {middle(run.points.front(), run.points.back()),
                                geom::gap(geom::toVec(run.points.front()), geom::toVec(run.points.back()))}});
    }
    for (const EndPair& pair : endPairs(runs, index, loose, limits.gapReach))
        gaps.push_back({pair.a.run, {middle(pointOf(runs, pair.a), pointOf(runs, pair.b)), pair.distance}});
    std::stable_sort(gaps.begin(), gaps.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    for (const auto& gap : gaps) faults.gap.push_back(gap.second);

    // A shape cut twice is judged once, by its first copy.
    std::vector<bool> take = wholeCopies(runs, doubled);
    take.flip();
    const std::vector<Crossing> crossings = findCrossings(runs, index, take);
    for (const Crossing& c : crossings) faults.crossing.push_back({c.at, 0.0});
    const RingNesting nesting = nestRings(runs, take, crossings);
    for (const ThinPart& part : thinParts(runs, index, take, nesting, limits.minWidth))
        faults.thin.push_back({part.at, part.width});

    if (limits.media) {
        for (const CutRun& run : runs) {
            double farthest = 0.0;
            PlotPoint at{};
            for (const PlotPoint p : run.points) {
                const double beyond = std::max({-static_cast<double>(p.x), -static_cast<double>(p.y),
                                                p.x - limits.mediaWidth, p.y - limits.mediaHeight});
                if (beyond > farthest) {
                    farthest = beyond;
                    at = p;
                }
            }
            if (farthest > 0.0) faults.outside.push_back({geom::toVec(at), farthest});
        }
    }
    return faults;
}

}  // namespace kerfline
