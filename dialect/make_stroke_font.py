#!/usr/bin/env python3
"""Turns a Hershey font in the .jhf form into a C++ table of strokes.

Each glyph of the file (printable ASCII from the space on, one per record)
becomes its left and right margin and a list of (x, y) pairs relative to
the glyph's centre, y downward as in the file; a pair (-50, 0) lifts the pen.
Usage: make_stroke_font.py FONT.jhf OUT.inc
"""
import sys


def records(text):
    # A record is a 5-character number, a 3-character count of pairs, then
    # that many pairs of characters; long records wrap onto further lines.
    data = text.replace("\r", "")
    pos = 0
    while pos < len(data):
        if data[pos] == "\n":
            pos += 1
            continue
        count = int(data[pos + 5:pos + 8])
        pos += 8
        pairs = []
        while len(pairs) < count:
            if data[pos] == "\n":
                pos += 1
                continue
            pairs.append((ord(data[pos]) - ord("R"), ord(data[pos + 1]) - ord("R")))
            pos += 2
        yield pairs


def main():
    source, target = sys.argv[1], sys.argv[2]
    with open(source, encoding="ascii") as f:
        glyphs = list(records(f.read()))[:95]
    if len(glyphs) != 95:
        sys.exit("%s: expected 95 glyphs, found %d" % (source, len(glyphs)))
    strokes = []
    index = []
    for pairs in glyphs:
        (left, right), body = pairs[0], pairs[1:]
        index.append((left, right, len(strokes) // 2, len(body)))
        for x, y in body:
            strokes += [x, y]
    with open(target, "w", encoding="ascii") as out:
        out.write("// Generated at build time from a Hershey font; do not edit.\n")
        out.write("constexpr StrokeGlyph kGlyphs[95] = {\n")
        for left, right, first, count in index:
            out.write("    {%d, %d, %d, %d},\n" % (left, right, first, count))
        out.write("};\nconstexpr signed char kStrokes[] = {\n")
        for i in range(0, len(strokes), 24):
            out.write("    " + ", ".join(str(v) for v in strokes[i:i + 24]) + ",\n")
        out.write("};\n")


main()
