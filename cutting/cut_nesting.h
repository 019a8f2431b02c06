// Which closed cuts lie inside which: the holes that must be cut before
// their outlines.
//
// A closed cut's patch is the piece of film it sets loose: what its path
// encloses, with the path itself. One closed cut lies inside another when
// its patch is part of the other's, that is when no point of its path lies
// outside the other's patch. So:
// - an edge or a corner on the other's edge still counts as inside (a hole
//   touching its outline is cut first while the outline still holds it);
// - outlines that cross, each passing outside the other somewhere, hold
//   neither: whichever is cut first frees film that the second then runs
//   through, so no order keeps both held, and the travel decides;
// - the same patch again (the outline cut twice, from another corner, the
//   other way round or with extra points along its edges): the earlier cut
//   counts as inside the later one, so a hole in it comes before both and the
//   copies keep their order;
// - an outline that crosses or touches itself, or runs back along itself,
//   counts as enclosing its convex hull: whatever lies in the hull comes
//   first, and it lies inside another only when its whole hull does; so
//   does one whose edges lie so much across each other's span that checking
//   it for crossings would take more than linear time (hatching drawn as
//   one path);
// - an outline that encloses nothing (out and back along a line) holds
//   nothing, though it may lie inside another; open cuts neither hold nor
//   lie inside anything.
// Patches are sets, and lying inside is being a part of, so the relation is
// a partial order: an order with every hole before its outlines exists.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "cutting/cuts.h"

namespace kerfline {

// For every cut, the cuts it lies inside directly: those it lies inside
// that hold no other cut it lies inside (the copy after it, for an outline
// cut twice). Every cut a cut lies inside is reached by going on from these.
struct Nesting {
    std::vector<std::size_t> first;     // cut i's outlines: outlines[first[i]] .. outlines[first[i + 1]]
    std::vector<std::size_t> outlines;  // indices into the cuts

    std::span<const std::size_t> of(std::size_t cut) const {
        return {outlines.data() + first[cut], first[cut + 1] - first[cut]};
    }
};

// Exact for every 32-bit coordinate. Each cut is tested against the
// outlines whose boxes hold its box, smallest first, so cuts nested d deep
// cost about d * d / 2 tests.
Nesting nestCuts(const std::vector<const Cut*>& cuts);

}  // namespace kerfline
