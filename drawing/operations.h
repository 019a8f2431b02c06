// The Image menu's changes of a drawing: Frame, Scale, Rotate and Move.
// Each does nothing to a drawing without an extent and otherwise ends by
// recomputing the bounds and the travel. They report nothing.
#pragma once

#include <cstdint>

#include "drawing/drawing.h"

namespace kerfline {

// Inserts a pen-up move, a rectangle `distanceMm` outside the bounds and a
// pen-up move to the origin before the first PA, PD, PR or PU command.
void frameDrawing(PlotDrawing& drawing, std::int32_t distanceMm);

// Multiplies every coordinate by percent / 100, about the origin.
void scaleDrawing(PlotDrawing& drawing, std::int32_t percent);

// A quarter turn clockwise within the drawing's own bounds.
void rotateDrawing(PlotDrawing& drawing);

// Moves the lower-left corner to (xMm, yMm) millimetres.
void moveDrawing(PlotDrawing& drawing, std::int32_t xMm, std::int32_t yMm);

}  // namespace kerfline
