// Panels: a drawing larger than the cutter, cut into pieces that each fit.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/clip.h"
#include "cutting/cuts.h"
#include "drawing/drawing.h"

namespace kerfline {

// Panels of width x height plotter units laid from the drawing's lower-left
// corner, each next one `step` further, as many as the drawing needs (one
// for a drawing that cuts nothing).
struct PanelGrid {
    std::int64_t left = 0;
    std::int64_t bottom = 0;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::int32_t stepX = 1;
    std::int32_t stepY = 1;
    std::int64_t columns = 1;
    std::int64_t rows = 1;
};

// 0 < overlap < width and height; the drawing's bounds must be current.
PanelGrid panelGrid(const PlotDrawing& drawing, std::int32_t width, std::int32_t height,
                    std::int32_t overlap);

// Makes the panels of one drawing, one at a time.
class Tiler {
public:
    explicit Tiler(const PlotDrawing& drawing);
    // The panel in `row` and `column` (from 0, from the bottom left): every
    // cut clipped to the panel's rectangle and moved so that its lower-left
    // corner is (0,0), the instructions that are not movement in their
    // places. `panel` is replaced.
    void panel(const PanelGrid& grid, std::int64_t row, std::int64_t column,
               PlotDrawing& panel) const;

private:
    CutJob job_;
    std::vector<ClipRect> boxes_;  // each cut's own bounds, to pass over it quickly
};

}  // namespace kerfline
