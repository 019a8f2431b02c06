// The searches behind `check`, shared with the repairs that undo what they
// find: stretches cut twice, loose ends, shapes that cross, and how closed
// shapes nest. Distances are plotter units.
#pragma once

#include <cstddef>
#include <vector>

#include "cutting/check/cut_runs.h"
#include "geometry/plane.h"

namespace kerfline {

// ---- stretches cut twice ----------------------------------------------------

// Two stretches run along each other when they are no more than this far
// from parallel (the sine of the angle): lines that merely cross are never
// taken for one cut twice, however wide the reach.
inline constexpr double kAlongSine = 0.17365;  // 10 degrees

// Whether the line of a run goes on from its point `k` (towards the point
// after it when `ahead`, else before it) the way the unit vector `way` runs,
// within kAlongSine either way; false at the ends of an open run. A line
// within reach of a segment is within reach of the one carrying it on
// round their joint; past a corner or an end it is not, however near.
bool carriesOn(const CutRun& run, std::size_t k, bool ahead, geom::Vec way);

// A part of a run, by the length cut from its start.
struct DoubledStretch {
    std::size_t run = 0;
    double from = 0.0;
    double to = 0.0;
};

// The stretches at least `shortest` long that run within `reach` of a
// stretch already cut by the same pen: in an earlier run, or earlier in the
// same run more than 4 x reach back along it (so that a curve of fine
// segments does not count as cut twice where it bends). Runs with `skip`
// set are neither searched nor counted as cut. A line counts within reach
// of the ends of a segment cut before only where that line carries on the
// same way (see carriesOn); stretches no more than 2 x reach apart along a
// run are one.
std::vector<DoubledStretch> doubledStretches(const std::vector<CutRun>& runs, const SegmentIndex& index, double reach,
                                      double shortest, const std::vector<bool>& skip = {});

// ---- loose ends ---------------------------------------------------------------

// One end of a run: its first point or its last.
struct RunEnd {
    std::size_t run = 0;
    bool last = false;
};

inline PlotPoint pointOf(const std::vector<CutRun>& runs, RunEnd end) {
    const CutRun& run = runs[end.run];
    return end.last ? run.points.back() : run.points.front();
}

// Along a line, how far from its ends another run's end counts as meeting
// the line (in a T) rather than its end.
inline constexpr double kEndMargin = 1.0 * kUnitsPerMm;

// For every run, whether each end (first, last) is loose: not lying within
// `attach` of another run's line away from that run's own ends (more than
// kEndMargin along it). An end that meets a line in a T is not loose, nor
// the end of a stretch left uncut because it ran along another.
struct LooseEnds {
    std::vector<bool> first;
    std::vector<bool> last;
    bool loose(RunEnd end) const { return end.last ? last[end.run] : first[end.run]; }
};
LooseEnds looseEnds(const std::vector<CutRun>& runs, const SegmentIndex& index, double attach);

// An open run meant to be closed: its ends lie apart, but within `reach`
// of each other, and it cuts at least three times that distance (so that a
// short stroke is not taken for a loop).
bool meantToBeClosed(const CutRun& run, double reach);

// The reach a loose end is judged with, for a gap of `reach`: the ends of
// the gaps that check reports, 0.5 mm, or less for a smaller gap.
double attachFor(double reach);

// Whether the straight line from a to b is cut already: a line of the same
// pen runs along it, within `reach`, over all of it (to a unit at each
// end). Ends with such a line between them are no gap.
bool cutBetween(const std::vector<CutRun>& runs, const SegmentIndex& index, PlotPoint a, PlotPoint b,
                std::int64_t pen, double reach);

// Ends of two different single-cut open runs in the same stretch between
// kept instructions, both loose, within `reach` of each other and not cut
// between (within attachFor(reach)): each loose end with the nearest such
// end, every pair once.
struct EndPair {
    RunEnd a;
    RunEnd b;
    double distance = 0.0;
};
std::vector<EndPair> endPairs(const std::vector<CutRun>& runs, const SegmentIndex& index, const LooseEnds& loose,
                              double reach);

// ---- closed shapes -----------------------------------------------------------

// Closed runs that cross: `a` == `b` for one that crosses itself. Pairs
// only of runs of the same pen. Touching is not crossing; two shapes whose outlines share a stretch cross when their
// insides overlap (Boost.Geometry decides those).
struct Crossing {
    std::size_t a = 0;
    std::size_t b = 0;
    geom::Vec at;
};
// `take`: the runs to look at (closed ones).
std::vector<Crossing> findCrossings(const std::vector<CutRun>& runs, const SegmentIndex& index,
                                    const std::vector<bool>& take);

// Even-odd point in a closed ring: 1 inside, 0 on its line, -1 outside.
int ringSide(const std::vector<PlotPoint>& ring, PlotPoint p);

// Twice the signed area of a closed ring: positive when it runs
// anticlockwise.
double ringArea2(const std::vector<PlotPoint>& ring);

// How the rings among `take` lie in each other: for each, the number of
// others that hold it and the smallest of them (its parent; -1 for none).
// Rings that cross each other (pairs in `crossings`) or lie on each other
// hold neither.
struct RingNesting {
    std::vector<int> depth;
    std::vector<std::ptrdiff_t> parent;
};
RingNesting nestRings(const std::vector<CutRun>& runs, const std::vector<bool>& take,
                  const std::vector<Crossing>& crossings);

// The runs that stretches in `doubled` cover from end to end: copies of a
// shape cut before, left out of the checks of shapes.
std::vector<bool> wholeCopies(const std::vector<CutRun>& runs, const std::vector<DoubledStretch>& doubled);

// ---- thin parts ----------------------------------------------------------------

// A part of a closed shape narrower than the film can hold: where, and its
// narrowest width.
struct ThinPart {
    geom::Vec at;
    double width = 0.0;
};

// The shapes are the closed runs among `take`, nested as `nesting` says
// (even depth an outline, odd a hole in its parent). A shape, or a part of
// one, is thin where shrinking it by half of `minWidth` makes it vanish,
// or takes away a part that is narrower than `minWidth` from side to side
// or reaches at least `minWidth` out (a spike, a point sharper than about
// 39 degrees). Only the shapes whose outlines come that close to
// themselves, facing, are shrunk (by Boost.Geometry).
std::vector<ThinPart> thinParts(const std::vector<CutRun>& runs, const SegmentIndex& index,
                                const std::vector<bool>& take, const RingNesting& nesting, double minWidth);

}  // namespace kerfline
