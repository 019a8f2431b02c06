// What the repairs share: taking cuts out of a job.
#pragma once

#include <vector>

#include "cutting/cuts.h"

namespace kerfline {

// Leaves out the steps marked in `drop`, and with a cut left out the
// pen-up move just before it that only went to its start.
void dropSteps(CutJob& job, const std::vector<bool>& drop);

// Puts the cuts of `pieces[i]` in the place of every step i marked in
// `replaced` (none where it is empty), leaving out the pen-up move before
// it that only went to where the old cut started, unless the first piece
// starts there too.
void replaceSteps(CutJob& job, const std::vector<bool>& replaced, std::vector<std::vector<Cut>>& pieces);

// Whether `points` cut some way.
bool cutsAnything(const std::vector<PlotPoint>& points);

}  // namespace kerfline
