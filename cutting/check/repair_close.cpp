// --close: shapes left open by a hair are closed.
#include "cutting/check/fault_finders.h"
#include "cutting/check/repairs.h"

namespace kerfline {

bool closeJob(CutJob& job, double reach) {
    const std::vector<CutRun> runs = cutRuns(job);
    const SegmentIndex index(runs, reach);
    const LooseEnds loose = looseEnds(runs, index, attachFor(reach));
    bool any = false;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const CutRun& run = runs[r];
        if (!meantToBeClosed(run, reach) || !loose.first[r] || !loose.last[r] ||
            cutBetween(runs, index, run.points.back(), run.points.front(), run.pen, attachFor(reach)))
            continue;
        job.steps[run.steps.back()].cut.points.push_back(run.points.front());
        any = true;
    }
    return any;
}

}  // namespace kerfline
