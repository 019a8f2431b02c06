// Changes of whole cuts: copies in a grid, overcut of closed shapes, and the
// path a drag knife's axis must run so that its trailing tip cuts the drawing.
#pragma once

#include <cstdint>

#include "cutting/cuts.h"
#include "cutting/workpiece.h"

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

// The precut: it starts kPrecutClearance plotter units plus the offset
// outside the box round the drawing's cuts, so that its tip stays that far
// from the box, goes kPrecutOutward offsets straight out, then
// kPrecutAlong offsets along the box's side (each at least
// kPrecutClearance).
inline constexpr double kPrecutClearance = 40.0;
inline constexpr double kPrecutOutward = 3.0;
inline constexpr double kPrecutAlong = 10.0;

// Replaces every cut with the axis path of a drag knife whose tip trails
// `offset` plotter units behind the axis: the axis runs `offset` past each
// corner and swivels round it on an arc of that radius. A lifted blade keeps
// the heading the last cut left (a plunge, a cut of one point, leaves it as
// it was; pen-up moves, IN and other instructions do not change it): the
// knife goes down `offset` beyond a cut's start along that heading, then
// swivels round the start towards the first segment. With `precut`, a short
// cut beside the drawing, near the first cut's start and pointing away from
// the drawing, comes before the first cut and sets the heading (the one it
// ends with); without, the blade is taken to point along +X at the start.
void bladeOffsetJob(CutJob& job, double offset, bool precut);

// The same on a drawing in a run of operations, or on a drawing alone,
// distances in millimetres. A drawing with nothing to cut is left as it is
// (false from copyDrawing only when the copies would not fit in the
// plotter's coordinates).
bool copyDrawing(Workpiece& piece, std::int32_t columns, std::int32_t rows, double gapMm);
void overcutDrawing(Workpiece& piece, double lengthMm);
void bladeOffsetDrawing(Workpiece& piece, double offsetMm, bool precut);
bool copyDrawing(PlotDrawing& drawing, std::int32_t columns, std::int32_t rows, double gapMm);
void overcutDrawing(PlotDrawing& drawing, double lengthMm);
void bladeOffsetDrawing(PlotDrawing& drawing, double offsetMm, bool precut);

}  // namespace kerfline
