// What the repairs share: taking cuts out of a job.
#pragma once

#include <vector>

#include "drawing/cuts.h"

namespace kerfline {

// Leaves out the steps marked in `drop`, and with a cut left out the
// pen-up move just before it that only went to its start.
void dropSteps(CutJob& job, const std::vector<bool>& drop);

// Whether `points` cut some way.
bool cutsAnything(const std::vector<PlotPoint>& points);

}  // namespace kerfline
