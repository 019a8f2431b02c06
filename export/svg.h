// A job as an SVG picture at true size, to look at on any machine.
#pragma once

#include <vector>

#include "geometry/clip.h"
#include "geometry/point.h"
#include "hpgl/stream.h"

namespace kerfline {

struct PenUpMove {
    PlotPoint from;
    PlotPoint to;
};

struct Picture {
    std::vector<Polyline> cuts;  // in the order cut
    std::vector<PenUpMove> moves;
};

// The picture covers every cut and pen-up move with a margin of 1 mm. Its
// width and height are in millimetres and its viewBox in plotter units, y
// upward as on the cutter, so that it shows at true size. One path per cut
// (closed with "Z" when it ends where it began); the pen-up moves are thin
// dashed lines beneath the cuts.
void writeSvg(OutputStream& out, const Picture& picture);

}  // namespace kerfline
