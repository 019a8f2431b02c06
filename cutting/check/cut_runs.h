// A cut job as its checks and repairs look at it: runs of pen-down
// movement (a cut and the joined cuts that carry it on without lifting the
// knife), with their lengths along the way, the stretch between kept
// instructions each starts in, and the pen that cuts it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cutting/cuts.h"
#include "geometry/plane.h"

namespace kerfline {

struct CutRun {
    std::vector<std::size_t> steps;  // the job's steps that hold its cuts, in order
    std::vector<PlotPoint> points;   // every point, each join once
    std::vector<double> arcs;        // the length cut up to each point
    std::vector<std::size_t> firstPoint;  // per cut: the index of its first point in `points`
    std::size_t block = 0;  // kept instructions passed before its first cut
    std::int64_t pen = 0;   // the pen SP chose (0 before any)

    double length() const { return arcs.empty() ? 0.0 : arcs.back(); }
    bool single() const { return steps.size() == 1; }
    // Ends where it starts after cutting some way.
    bool closed() const { return points.size() >= 3 && points.front() == points.back() && length() > 0.0; }
};

std::vector<CutRun> cutRuns(const CutJob& job);

// One segment of a run.
struct RunSegment {
    std::uint32_t run = 0;
    std::uint32_t index = 0;  // from points[index] to points[index + 1]
};

// Every segment of the runs that cuts some way, in the job's order, with a
// grid over them for finding the segments near a place (cells sized for
// searches up to `reach` away). Built once and shared by the searches.
struct SegmentIndex {
    SegmentIndex(const std::vector<CutRun>& runs, double reach);

    std::vector<RunSegment> segments;
    // Per run: its first and last segment, segments.size() when it has none.
    std::vector<std::size_t> first;
    std::vector<std::size_t> last;
    geom::BoxGrid grid;

    // Segments i < j that follow each other along a run (also the last and
    // the first of a closed one).
    bool neighbours(std::size_t i, std::size_t j, const std::vector<CutRun>& runs) const {
        const std::uint32_t r = segments[i].run;
        return segments[j].run == r && (i + 1 == j || (i == first[r] && j == last[r] && runs[r].closed()));
    }
};

inline geom::Vec startOf(const std::vector<CutRun>& runs, RunSegment s) {
    return geom::toVec(runs[s.run].points[s.index]);
}
inline geom::Vec endOf(const std::vector<CutRun>& runs, RunSegment s) {
    return geom::toVec(runs[s.run].points[s.index + 1]);
}

// The point `arc` along a run.
geom::Vec pointAt(const CutRun& run, double arc);

}  // namespace kerfline
