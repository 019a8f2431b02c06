// Clipping: a polyline of plotter points cut down to the part inside a
// rectangle, exactly in whole units (tiles); and a segment in doubles cut
// down to the plotter's range (convert).
//
// Every point of a piece is either a point of the polyline or the place
// where one of its segments crosses a side of the rectangle. A crossing is
// computed from the segment's own two end points alone, exactly in integers,
// and rounded to the nearest plotter unit (an exact half away from the
// segment's start), so that two rectangles sharing a side find the very same
// crossing, and pieces from neighbouring panels meet where they should.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "geometry/plane.h"
#include "geometry/point.h"

namespace kerfline {

// A closed rectangle of plotter units: its sides belong to it.
struct ClipRect {
    std::int32_t minX = 0;
    std::int32_t minY = 0;
    std::int32_t maxX = 0;
    std::int32_t maxY = 0;
    bool contains(PlotPoint p) const {
        return p.x >= minX && p.x <= maxX && p.y >= minY && p.y <= maxY;
    }
};

using Polyline = std::vector<PlotPoint>;

// The pieces of `line` inside `rect`, in the line's order and direction.
// Pieces of no length (a segment that only touches a corner) are left out;
// a line of no length at all (a single point, or one point repeated) is
// kept whole when its point is inside. When a closed line (last point equal
// to the first) leaves the rectangle, its last piece and its first are one
// cut through the start point, and are given as one piece.
std::vector<Polyline> clipPolyline(std::span<const PlotPoint> line, const ClipRect& rect);

// The part of the segment a-b inside the square from -limit to limit on both
// axes, in doubles before anything is rounded (the converter's range): where
// it crosses an edge, not moved onto it. False when none of it is inside.
bool clipSegment(geom::Vec& a, geom::Vec& b, double limit);

// round(a * b / c) for magnitudes below 2^33 and c > 0, an exact half going
// away from zero; exact, whatever the platform's integer widths.
std::int64_t mulDivRound(std::int64_t a, std::int64_t b, std::int64_t c);

}  // namespace kerfline
