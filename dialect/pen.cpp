// The pen's movement in plotter units (PA, PR, PU, PD, and PE's encoded
// points) down to the cuts written, through the dashes and the window; the
// dots a pen makes where it is let down; and SP, VS and FS kept as they are.
#include <algorithm>
#include <cstdio>
#include <string>

#include "dialect/converter_state.h"

namespace kerfline::dialect {

void Converter::plotAbsolute() {
    relative_ = false;
    penMoves();
}

void Converter::plotRelative() {
    relative_ = true;
    penMoves();
}

void Converter::penUp() {
    cutDot();
    down_ = false;
    penMoves();
}

void Converter::penDown() {
    lowerPen();
    down_ = true;
    penMoves();
}

void Converter::polylineEncoded() {
    bool found;
    const std::string_view data = scanner_.until(';', found);
    if (!decodePolyline(data, *this) || !found) polylineIncomplete_ = true;
}

void Converter::selectPen(double pen) {
    cutDot();
    keep("SP", &pen, 1);
}

void Converter::point(double x, double y, bool absolute, bool penUp) {
    const Vec target = absolute ? toPlotter({x, y}) : position_ + toPlotterDelta({x, y});
    if (penUp) {
        cutDot();
        moveTo(target);
    } else {
        drawTo(target);
    }
}

void Converter::keepPen() {
    // A pen change puts the pen away first.
    cutDot();
    keepWithParameters("SP");
}

void Converter::keepSpeed() { keepWithParameters("VS"); }

void Converter::keepForce() { keepWithParameters("FS"); }

void Converter::penMoves() {
    double x, y;
    while (!stopped_ && scanner_.number(x)) {
        if (!scanner_.number(y)) break;
        go(relative_ ? position_ + toPlotterDelta({x, y}) : toPlotter({x, y}));
    }
}

void Converter::keepWithParameters(const char* name) {
    double v[2];
    const int n = scanner_.numbers(v, 2);
    keep(name, v, n);
}

void Converter::keep(const char* name, const double* values, int count) {
    ++events_;
    std::string text = name;
    for (int i = 0; i < count; ++i) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.10g", values[i]);
        if (i > 0) text += ',';
        text += buffer;
    }
    out_.instruction(text);
}

// The part of a-b inside the window, to the page and out.
void Converter::clipped(Vec a, Vec b) {
    // Whatever the knife cuts after being let down makes the dot part of a
    // cut.
    dotPending_ = false;
    if (clip_) {
        const Vec low = clipMin_, high = clipMax_;
        double t0 = 0, t1 = 1;
        const double d[2] = {b.x - a.x, b.y - a.y};
        const double lo[2] = {low.x - a.x, low.y - a.y};
        const double hi[2] = {high.x - a.x, high.y - a.y};
        for (int i = 0; i < 2; ++i) {
            if (d[i] == 0) {
                if (lo[i] > 0 || hi[i] < 0) return;
                continue;
            }
            double ta = lo[i] / d[i], tb = hi[i] / d[i];
            if (ta > tb) std::swap(ta, tb);
            t0 = std::max(t0, ta);
            t1 = std::min(t1, tb);
            if (t0 > t1) return;
        }
        const Vec dir = b - a;
        b = a + dir * t1;
        a = a + dir * t0;
    }
    emit(toPage(a), toPage(b));
}

// A pen let down where it stands (PD without points) and lifted, or left
// down at the end, with nothing cut in between is a cut of no length there,
// as a dot drawn with a move of no length is.
void Converter::lowerPen() {
    if (down_ || polygonMode_) return;
    dotPending_ = true;
    dotAt_ = position_;
}

void Converter::cutDot() {
    if (!dotPending_) return;
    dotPending_ = false;
    stroke(dotAt_, dotAt_, false);
}

}  // namespace kerfline::dialect
