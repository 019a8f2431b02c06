// The stretches of straight, axis-parallel lines that keep clear of a
// design: at least a given distance from every segment of it, and inside
// none of its closed shapes. Weed lines are laid along such stretches.
//
// A segment widened by the distance is a capsule (a rectangle with half
// discs on its ends); a line meets it in one interval, worked out exactly
// from the segment's two end points. The lines are taken in increasing
// order, and a sweep keeps the segments that can reach the line at hand, so
// a line looks only at the segments near it and the memory stays that of
// the segments.
// Whether a clear stretch lies inside a closed shape is told by the shape's
// crossings of the line before the stretch's middle: an odd number of them
// means inside. A clear stretch crosses no segment, so its middle decides
// for all of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/point.h"

namespace kerfline {

// One segment of the design; `shape` numbers the closed shape it belongs to
// (from 0), or is -1 for a segment of an open cut. A segment of no length
// (a plunge) keeps the distance as a disc round its point.
struct DesignEdge {
    PlotPoint a;
    PlotPoint b;
    std::int32_t shape = -1;
};

// A stretch along a line, in plotter units.
struct Stretch {
    double from = 0.0;
    double to = 0.0;
};

// Horizontal lines run along x at a height y; vertical ones along y at an x.
enum class LineAxis { Horizontal, Vertical };

// The x (Horizontal) or y (Vertical) where the segment widened by
// `clearance` meets the line at `across`: false when it does not. Points at
// exactly `clearance` from the segment may or may not be included.
bool blockedStretch(PlotPoint a, PlotPoint b, LineAxis axis, double across, double clearance,
                    Stretch& blocked);

class ClearLines {
public:
    // Lines at the sorted positions `lines` (y for Horizontal, x for
    // Vertical) among `edges`, of `shapes` closed shapes in all.
    ClearLines(const std::vector<DesignEdge>& edges, std::size_t shapes, double clearance,
               LineAxis axis, std::vector<std::int32_t> lines);

    std::size_t lineCount() const { return lines_.size(); }
    std::int32_t line(std::size_t index) const { return lines_[index]; }

    // The stretches of line `index` between `from` and `to` that stay
    // `clearance` or more from every edge and lie in no closed shape, in
    // increasing order. Lines are asked for in increasing order (a line may
    // be asked for again).
    std::vector<Stretch> clear(std::size_t index, double from, double to);

private:
    const std::vector<DesignEdge>& edges_;
    double clearance_;
    LineAxis axis_;
    std::vector<std::int32_t> lines_;
    // Each edge's reach across the lines, the clearance included.
    std::vector<double> low_, high_;
    // The edges by their low reach; those before next_ have been taken into
    // active_, which keeps the ones not yet passed.
    std::vector<std::size_t> order_;
    std::size_t next_ = 0;
    std::vector<std::size_t> active_;
    // Per shape, whether an odd number of its crossings lies behind the
    // sweep; all zero between calls.
    std::vector<unsigned char> odd_;
};

}  // namespace kerfline
