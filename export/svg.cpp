#include "export/svg.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>

#include "export/decimal.h"

namespace kerfline {

namespace {

constexpr std::int64_t kMargin = 40;  // 1 mm

void writeNumber(OutputStream& out, std::int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.write(digits, static_cast<std::size_t>(result.ptr - digits));
}

void writePoint(OutputStream& out, char command, PlotPoint p) {
    out.put(command);
    writeNumber(out, p.x);
    out.put(' ');
    writeNumber(out, p.y);
}

}  // namespace

void writeSvg(OutputStream& out, const Picture& picture) {
    PlotBox box;
    for (const Polyline& cut : picture.cuts)
        for (const PlotPoint& p : cut) box.add(p);
    for (const PenUpMove& move : picture.moves) {
        box.add(move.from);
        box.add(move.to);
    }
    if (box.empty()) box.add({0, 0});
    const std::int64_t minX = box.low.x, minY = box.low.y, maxX = box.high.x, maxY = box.high.y;
    const std::int64_t left = minX - kMargin, top = -(maxY + kMargin);
    const std::int64_t width = maxX - minX + 2 * kMargin;
    const std::int64_t height = maxY - minY + 2 * kMargin;

    // A quarter of a millimetre, or more in a large picture, so that the
    // lines still show when it is looked at scaled down to a screen.
    const std::int64_t stroke = std::max<std::int64_t>(10, std::max(width, height) / 800);

    out.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    out.write("<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"");
    out.write(millimetreText(width));
    out.write("mm\" height=\"");
    out.write(millimetreText(height));
    out.write("mm\" viewBox=\"");
    writeNumber(out, left);
    out.put(' ');
    writeNumber(out, top);
    out.put(' ');
    writeNumber(out, width);
    out.put(' ');
    writeNumber(out, height);
    out.write("\">\n");
    // Plotter y grows upward, SVG y downward: the whole picture is mirrored.
    out.write("<g transform=\"scale(1,-1)\" fill=\"none\" stroke-linecap=\"round\" "
              "stroke-linejoin=\"round\">\n");

    if (!picture.moves.empty()) {
        out.write("<path stroke=\"#d04040\" stroke-width=\"");
        writeNumber(out, std::max<std::int64_t>(1, stroke / 2));
        out.write("\" stroke-dasharray=\"");
        writeNumber(out, 4 * stroke);
        out.put(' ');
        writeNumber(out, 4 * stroke);
        out.write("\" d=\"");
        bool first = true;
        for (const PenUpMove& move : picture.moves) {
            if (move.from == move.to) continue;
            if (!first) out.put(' ');
            first = false;
            writePoint(out, 'M', move.from);
            out.put(' ');
            writePoint(out, 'L', move.to);
        }
        out.write("\"/>\n");
    }

    out.write("<g stroke=\"#000000\" stroke-width=\"");
    writeNumber(out, stroke);
    out.write("\">\n");
    for (const Polyline& cut : picture.cuts) {
        if (cut.empty()) continue;
        out.write("<path d=\"");
        writePoint(out, 'M', cut.front());
        const bool closed = cut.size() > 2 && cut.back() == cut.front();
        const std::size_t last = closed ? cut.size() - 1 : cut.size();
        // A cut of a single point is drawn as a dot: a line of no length
        // with round ends.
        if (cut.size() == 1) {
            out.put(' ');
            writePoint(out, 'L', cut.front());
        }
        for (std::size_t i = 1; i < last; ++i) {
            out.put(' ');
            writePoint(out, 'L', cut[i]);
        }
        if (closed) out.write(" Z");
        out.write("\"/>\n");
    }
    out.write("</g>\n</g>\n</svg>\n");
}

}  // namespace kerfline
