// What a sign shop does to a job before it cuts: mirroring it for film cut
// from the back, a weed box and weed lines so that the waste comes off in
// pieces, several passes for thick material, perforation, and one pen (one
// film) at a time. Each works on the job as the knife sees it; the versions
// on a drawing take millimetres and rebuild the drawing only when the job
// changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "cutting/cuts.h"
#include "cutting/workpiece.h"

namespace kerfline {

// Left to right about the vertical line through the middle of the cuts'
// bounds, which stay where they were. Every cut keeps its points in order,
// so a closed cut runs the other way round. Pen-up moves go with the
// drawing, save those after the last cut (parking), which stay.
void mirrorJob(CutJob& job);

// The weed box and the weed lines, made together: a closed rectangle
// `boxDistance` units outside the cuts' bounds (none when 0), and lines
// `spacing` units apart (none when 0), horizontal and vertical, across the
// box, or without one across the bounds widened by spacing / 2. The lines
// run every `spacing` from the box's lower-left corner and are cut only
// where they keep `clearance` from every cut and lie inside no closed cut;
// pieces shorter than `shortest` are left out. All of it comes after the
// last cut, the lines first (horizontal from the bottom, then vertical from
// the left, each line the other way from the one before), the box last.
struct WeedSettings {
    double boxDistance = 0.0;
    double spacing = 0.0;
    double clearance = 20.0;  // 0.5 mm
    double shortest = 40.0;   // 1 mm
};
// At most this many weed lines each way.
inline constexpr std::size_t kMostWeedLines = 100000;
enum class WeedOutcome { Done, NothingToCut, OutOfReach, TooManyLines };
struct WeedFigures {
    WeedOutcome outcome = WeedOutcome::Done;
    std::size_t pieces = 0;  // weed line pieces
    double length = 0.0;     // their length in plotter units
};
// Unchanged unless the outcome is Done: OutOfReach when the box or the lines
// would leave the plotter's 32-bit coordinates, TooManyLines beyond
// kMostWeedLines.
WeedFigures weedJob(CutJob& job, const WeedSettings& settings);

// Every cut `passes` times: a closed cut goes round that many times without
// lifting the knife, an open one is cut again from its start, the knife
// lifted in between.
void passesJob(CutJob& job, std::int32_t passes);

// Every cut longer than dash + gap becomes dashes, measured along it: `dash`
// units with the knife down, `gap` lifted. An open cut starts with a dash at
// its start and ends with one at its end; a closed cut starts with a dash
// at its start and ends with a gap there, so that its dashes are even all
// round. Dash and gap are stretched or shrunk alike (by at most half a
// period over the whole cut) so that a whole number of them fits. Ends of
// dashes are rounded to the nearest unit; an open cut that holds a single
// dash stays as it is. The number of cuts that became dashes; none, the job
// unchanged, when there would be more than `mostDashes` dashes.
inline constexpr std::size_t kMostDashes = 1000000;
std::optional<std::size_t> perforateJob(CutJob& job, double dash, double gap,
                                        std::size_t mostDashes = kMostDashes);

// Keeps the cuts made with pen `pen` (the last SP before them; 1 before any)
// and every instruction but an SP choosing another pen (SP0, no pen, stays).
// Pen-up moves made with another pen go, save those after the job's last
// cut. Returns how many cuts are kept.
std::size_t penJob(CutJob& job, std::int32_t pen);

// The pen number an instruction's text selects when it is an SP ("SP2;",
// "sp 3;"; SP without a number selects 0); false for any other instruction.
bool selectedPen(std::string_view instruction, std::int32_t& pen);

// The same on a drawing in a run of operations, or on a drawing alone, in
// millimetres. A drawing without cuts stays as it is (and the weed figures
// say NothingToCut).
void mirrorDrawing(Workpiece& piece);
WeedFigures weedDrawing(Workpiece& piece, double boxMm, double spacingMm);
void passesDrawing(Workpiece& piece, std::int32_t passes);
bool perforateDrawing(Workpiece& piece, double dashMm, double gapMm);
std::size_t penDrawing(Workpiece& piece, std::int32_t pen);
void mirrorDrawing(PlotDrawing& drawing);
WeedFigures weedDrawing(PlotDrawing& drawing, double boxMm, double spacingMm);
void passesDrawing(PlotDrawing& drawing, std::int32_t passes);
bool perforateDrawing(PlotDrawing& drawing, double dashMm, double gapMm);
std::size_t penDrawing(PlotDrawing& drawing, std::int32_t pen);

}  // namespace kerfline
