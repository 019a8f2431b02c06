// Changes of whole cuts: copies in a grid, overcut of closed shapes, and the
// path a drag knife's axis must run so that its trailing tip cuts the drawing.
#pragma once

#include <cstdint>

#include "drawing/cuts.h"

namespace kerfline {

// The job repeated `columns` x `rows` times, `gap` plotter units between the
// copies' boxes (`width` x `height`, the drawing's extent); the first copy
// stays where it was, the others go right and up, row by row. Instructions
// before the first movement (IN, SP) are written once. Every copy cuts with
// the pen, speed and force the job starts with: the SP, VS and FS that set
// back what the job changes go before each next copy. False, the job
// unchanged, when a copy would leave the plotter's 32-bit coordinates.
bool copyJob(CutJob& job, std::int32_t columns, std::int32_t rows, double gap,
             double width, double height);

// Every closed cut continues `length` plotter units along its own path past
// its start, at most once round; open cuts are unchanged.
void overcutJob(CutJob& job, double length);

// The turn, in degrees, below which the knife is not swivelled round a corner.
inline constexpr double kNoSwivelDegrees = 2.0;
// The largest step of a swivel arc, in degrees.
inline constexpr double kSwivelStepDegrees = 10.0;

// Replaces every cut with the axis path of a drag knife whose tip trails
// `offset` plotter units behind the axis: the axis runs `offset` past each
// corner and swivels round it on an arc of that radius, and goes down
// `offset` beyond a cut's start along the pen-up move that reaches it, then
// swivels round the start towards the first segment.
void bladeOffsetJob(CutJob& job, double offset);

// The same on a drawing, distances in millimetres. A drawing with nothing to
// cut is left as it is (false from copyDrawing only when the copies would
// not fit in the plotter's coordinates); one that changes is built anew
// from its job.
bool copyDrawing(PlotDrawing& drawing, std::int32_t columns, std::int32_t rows, double gapMm);
void overcutDrawing(PlotDrawing& drawing, double lengthMm);
void bladeOffsetDrawing(PlotDrawing& drawing, double offsetMm);

}  // namespace kerfline
