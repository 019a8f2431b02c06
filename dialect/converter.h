// Converting any HP-GL or HP-GL/2 plot file into plain cutter HP-GL: the
// picture as a plotter would draw it, in whole plotter units, absolute, one
// instruction a line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "cutting/cuts.h"

namespace kerfline::dialect {

// Arcs and circles become chords no farther than this from the true curve.
inline constexpr double kDefaultToleranceMm = 0.05;
// Below a thousandth of a millimetre the chords would only multiply points
// that round to the same plotter unit; above 10 mm a circle is no circle.
inline constexpr double kMinToleranceMm = 0.001;
inline constexpr double kMaxToleranceMm = 10.0;

// The work allowed for one file, in vertices made (curves, dashes, labels
// and plain points alike): this many plus one per input byte, so that a
// plain file never reaches it and a hostile one stops.
inline constexpr std::size_t kBaseVertexBudget = 16'000'000;

struct ConvertOptions {
    double toleranceMm = kDefaultToleranceMm;
    std::size_t vertexBudget = kBaseVertexBudget;
};

struct ConvertResult {
    // IN, then the cuts, the pen-up moves and the kept SP, VS and FS; written
    // with kConvertLayout, "IN;", then "PU x,y;", "PD x,y,...;" and the
    // instructions kept, each on a line of its own ended by LF.
    CutJob job;
    std::string text() const;
    // One line per kind of instruction met (what became of it), then notes
    // on anything assumed or cut short; none ends in a line feed.
    std::vector<std::string> summary;
    // Number of cuts (pen-down strokes) written.
    std::size_t cuts = 0;
    // The work allowed (kBaseVertexBudget) ran out; `job` is empty.
    bool tooLarge = false;
};

ConvertResult convertPlot(std::string_view input, const ConvertOptions& options);

}  // namespace kerfline::dialect
