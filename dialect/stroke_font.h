// A single-stroke vector font (Hershey's simplex Roman) for drawing labels
// as cuts; compiled in, so that no font file is needed at run time.
#pragma once

namespace kerfline::dialect {

// Coordinates are font units around the glyph's centre, y downward; the
// capitals stand from y = -12 to the baseline at y = 9. A pair whose x is
// kPenUp lifts the pen before the next pair.
struct StrokeGlyph {
    signed char left, right;  // the margins: the glyph's advance is right - left
    unsigned short first;     // index of its first pair in strokePairs()
    unsigned short count;     // number of pairs
};

inline constexpr int kPenUp = -50;
inline constexpr int kFontBaseline = 9;
inline constexpr int kFontCapTop = -12;

// The glyph of a printable ASCII character (32 to 126); nullptr for others.
const StrokeGlyph* strokeGlyph(unsigned char c);
// The pairs of all glyphs, x then y.
const signed char* strokePairs();

}  // namespace kerfline::dialect
