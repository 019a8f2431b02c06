// Reordering whole cuts to shorten the pen-up travel, holes before their
// outlines so that the film is still held while a hole is cut.
#pragma once

#include <cstddef>
#include <vector>

#include "cutting/cuts.h"
#include "cutting/workpiece.h"

namespace kerfline {

struct OrderTravel {
    double before = 0.0;  // pen-up travel in plotter units
    double after = 0.0;
    bool changed = false;  // some cut moved, or a pen-up move gave way
};

// Between two kept instructions, and around them, the cuts are reordered:
// every closed cut lying inside another closed cut comes before it (see
// cut_nesting.h for what lying inside means); otherwise the
// next cut is the one starting nearest to the knife, and the order is then
// shortened by reversing runs of it (2-opt) where that never puts an outline
// before its hole. A cut's points and direction never change; a joined cut
// stays first. Pen-up moves between cuts give way to straight moves; those
// after a run's last cut (parking) stay. With `improve` false, nearest-next
// alone. A run whose original order is shorter and already cuts holes first
// keeps it.
OrderTravel orderCuts(CutJob& job, bool improve = true);

// orderCuts on the job of a drawing in a run of operations, or of a drawing
// alone; the drawing changes only when the order did.
OrderTravel orderDrawing(Workpiece& piece);
OrderTravel orderDrawing(PlotDrawing& drawing);

}  // namespace kerfline
