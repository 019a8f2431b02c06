// --drop-dots: cuts that go nowhere are left out.
#include "cutting/check/cut_runs.h"
#include "cutting/check/repair_steps.h"
#include "cutting/check/repairs.h"

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
