#include "dialect/stroke_font.h"

namespace kerfline::dialect {

namespace {
#include "stroke_font_table.inc"
}  // namespace

const StrokeGlyph* strokeGlyph(unsigned char c) {
    if (c < 32 || c > 126) return nullptr;
    return &kGlyphs[c - 32];
}

const signed char* strokePairs() { return kStrokes; }

}  // namespace kerfline::dialect
