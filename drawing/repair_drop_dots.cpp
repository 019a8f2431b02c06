// --drop-dots: cuts that go nowhere are left out.
#include "drawing/cut_runs.h"
#include "drawing/repair_steps.h"
#include "drawing/repairs.h"

namespace kerfline {

bool dropDotsJob(CutJob& job) {
    std::vector<bool> drop(job.steps.size(), false);
    bool any = false;
    for (const CutRun& run : cutRuns(job)) {
        if (run.length() > 0.0) continue;
        for (const std::size_t s : run.steps) drop[s] = true;
        any = true;
    }
    if (any) dropSteps(job, drop);
    return any;
}

}  // namespace kerfline
