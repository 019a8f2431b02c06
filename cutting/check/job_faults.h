// What would go wrong when a job is cut, found in the job itself: stretches
// cut twice, shapes left open or in pieces, dots and splinters, parts too
// thin for the film, shapes that cross, cuts beyond the media.
#pragma once

#include <vector>

#include "cutting/cuts.h"
#include "geometry/plane.h"

namespace kerfline {

// The limits of the checks, in plotter units.
struct FaultLimits {
    double doubledReach = 0.05 * kUnitsPerMm;    // a line within this of one cut before is cut again
    double doubledLength = 0.5 * kUnitsPerMm;    // the shortest stretch cut twice that counts
    double gapReach = 0.5 * kUnitsPerMm;         // ends this close were meant to meet
    double shortestCut = 0.5 * kUnitsPerMm;      // shorter cuts are splinters
    double minWidth = 1.0 * kUnitsPerMm;         // narrower film tears or lifts when weeded
    bool media = false;                          // check against the media's size
    double mediaWidth = 0.0;
    double mediaHeight = 0.0;
};

// One fault: where it is and its size, which means per kind
//   doubled: the length cut twice;  gap: the distance between the ends;
//   dot: 0;  splinter: the cut's length;  thin: the narrowest width;
//   crossing: 0;  outside: how far the cut goes beyond the media.
struct Finding {
    geom::Vec at;
    double size = 0.0;
};

struct JobFaults {
    std::vector<Finding> doubled, gap, dot, splinter, thin, crossing, outside;

    bool any() const {
        return !doubled.empty() || !gap.empty() || !dot.empty() || !splinter.empty() || !thin.empty() ||
               !crossing.empty() || !outside.empty();
    }
};

// Every fault of the job, each kind in the order of the job.
JobFaults findFaults(const CutJob& job, const FaultLimits& limits);

}  // namespace kerfline
