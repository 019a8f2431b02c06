// Repairs of the faults that check finds, each a change of a cut job:
// cuts in pieces joined and stretches cut twice left out, shapes closed,
// points thinned, dots dropped, overlapping shapes welded. Kept
// instructions stay where they are and no cut moves across one. Distances
// are plotter units; each returns whether it changed the job.
#pragma once

#include "cutting/cuts.h"
#include "cutting/workpiece.h"
#include "drawing/drawing.h"

namespace kerfline {

// Open cuts whose loose ends meet within `reach` become one cut (turned
// round where needed, the gap between the ends cut), closed where its ends
// then meet; and every stretch of at least 0.5 mm that runs along a
// stretch already cut by the same pen, within `reach`, is left out (the
// knife lifts over it). Only cuts between the same kept instructions join.
bool mergeJob(CutJob& job, double reach);

// An open cut whose loose ends lie within `reach` of each other, and which
// cuts at least three times that distance, is closed.
bool closeJob(CutJob& job, double reach);

// Fewer points in every cut: Douglas-Peucker within `error` of the line,
// first and last point kept. A point further than `error` from the segment
// between its neighbours is a corner and stays where it is.
bool simplifyJob(CutJob& job, double error);

// Cuts that go nowhere (every point the same) are left out.
bool dropDotsJob(CutJob& job);

// Closed shapes that overlap (or a shape that crosses itself) become the
// outline of their union, holes kept: each such group is cut where its
// first shape was, holes before outlines, the way its first shape ran.
bool weldJob(CutJob& job);

// The same on a drawing in a run of operations, or on a drawing alone,
// distances in millimetres.
void mergeDrawing(Workpiece& piece, double reachMm);
void closeDrawing(Workpiece& piece, double reachMm);
void simplifyDrawing(Workpiece& piece, double errorMm);
void dropDotsDrawing(Workpiece& piece);
void weldDrawing(Workpiece& piece);
void mergeDrawing(PlotDrawing& drawing, double reachMm);
void closeDrawing(PlotDrawing& drawing, double reachMm);
void simplifyDrawing(PlotDrawing& drawing, double errorMm);
void dropDotsDrawing(PlotDrawing& drawing);
void weldDrawing(PlotDrawing& drawing);

}  // namespace kerfline
