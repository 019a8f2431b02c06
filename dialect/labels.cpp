// Labels cut in the built-in stroke font (LB, BL, PB) with the terminator,
// size, direction, slant and origin they are given (DT, SI, SR, DI, DR, SL,
// LO), the character moves of CP, the user-defined characters of UC, the
// tick marks of XT and YT with TL's lengths; and symbol mode (SM), whose
// symbols are not drawn.
#include <algorithm>
#include <cmath>

#include "dialect/converter_state.h"
#include "dialect/stroke_font.h"

namespace kerfline::dialect {

void Converter::drawLabel() { label(labelText()); }

void Converter::bufferLabel() { buffered_.assign(labelText()); }

void Converter::printBuffer() { label(buffered_); }

void Converter::defineTerminator() {
    const int c = scanner_.peek();
    if (c < 0 || c == ';') {
        terminator_ = 3;
        terminatorDrawn_ = false;
    } else if (c != 0 && c != '\n' && c != 27) {
        terminator_ = static_cast<char>(c);
        scanner_.advance();
        // Mode 0 draws the terminator as the label's last character.
        double mode = 1;
        scanner_.number(mode);
        terminatorDrawn_ = mode == 0;
    }
}

void Converter::absoluteSize() {
    double v[2];
    const int n = scanner_.numbers(v, 2);
    if (n == 2) {
        sizeRelative_ = false;
        sizeW_ = clampFar(v[0]);
        sizeH_ = clampFar(v[1]);
    } else {
        sizeRelative_ = false;
        sizeW_ = kDefaultWidthCm;
        sizeH_ = kDefaultHeightCm;
    }
}

void Converter::relativeSize() {
    double v[2];
    const int n = scanner_.numbers(v, 2);
    sizeRelative_ = true;
    sizeW_ = n == 2 ? clampFar(v[0]) : 0.75;
    sizeH_ = n == 2 ? clampFar(v[1]) : 1.5;
}

void Converter::absoluteDirection() { setDirection(false); }

void Converter::relativeDirection() { setDirection(true); }

void Converter::setDirection(bool relative) {
    double v[2];
    const int n = scanner_.numbers(v, 2);
    directionRelative_ = relative;
    run_ = n == 2 ? clampFar(v[0]) : 1;
    rise_ = n == 2 ? clampFar(v[1]) : 0;
}

void Converter::setSlant() {
    double v[1];
    slant_ = scanner_.numbers(v, 1) == 1 ? std::clamp(v[0], -100.0, 100.0) : 0;
}

void Converter::labelOrigin() {
    double v[1];
    const int n = scanner_.numbers(v, 1);
    const int o = n == 0 ? 1 : whole(v[0]);
    if ((o >= 1 && o <= 9) || (o >= 11 && o <= 19)) origin_ = o;
}

void Converter::characterPlot() {
    double v[2];
    const int n = scanner_.numbers(v, 2);
    const Vec size = characterSize();
    const Vec d = direction();
    const Vec up{-d.y, d.x};
    if (n == 2) {
        position_ = position_ + d * (clampFar(v[0]) * 1.5 * size.x) + up * (clampFar(v[1]) * 2 * size.y);
    } else {
        // A carriage return and a line feed.
        lineStart_ = lineStart_ - up * (2 * size.y);
        position_ = lineStart_;
    }
    position_ = {clampFar(position_.x), clampFar(position_.y)};
}

void Converter::tickLength() {
    double v[2];
    const int n = scanner_.numbers(v, 2);
    tickUp_ = n >= 1 ? clampFar(v[0]) : kDefaultTickPercent;
    tickDown_ = n >= 2 ? clampFar(v[1]) : n == 1 ? 0 : kDefaultTickPercent;
}

void Converter::xTick() {
    scanner_.skipParameters();
    tickMark(true);
}

void Converter::yTick() {
    scanner_.skipParameters();
    tickMark(false);
}

void Converter::symbolMode() {
    // One character follows, or none to end symbol mode.
    const int c = scanner_.peek();
    if (c > 32 && c != ';' && c < 127) scanner_.advance();
}

Vec Converter::characterSize() const {
    if (sizeRelative_) return {std::fabs(p2_.x - p1_.x) * sizeW_ / 100, std::fabs(p2_.y - p1_.y) * sizeH_ / 100};
    return {sizeW_ * kUnitsPerCm, sizeH_ * kUnitsPerCm};
}

Vec Converter::direction() const {
    Vec d{run_, rise_};
    if (directionRelative_) d = {run_ * (p2_.x - p1_.x) / 100, rise_ * (p2_.y - p1_.y) / 100};
    const double l = length(d);
    if (!(l > 0) || !std::isfinite(l)) return {1, 0};
    return d * (1 / l);
}

// The width of the line of text that starts at `from`, for centred and
// right-aligned label origins.
double Converter::lineWidth(std::string_view text, std::size_t from, double advance, double width) {
    while (from < text.size() && text[from] == '\n') ++from;
    std::size_t count = 0;
    for (std::size_t i = from; i < text.size() && text[i] != '\r' && text[i] != '\n'; ++i)
        if (static_cast<unsigned char>(text[i]) >= 32) ++count;
    return count > 0 ? static_cast<double>(count) * advance - 0.5 * width : 0;
}

void Converter::label(std::string_view text) {
    const Vec size = characterSize();
    const Vec d = direction();
    const Vec up{-d.y, d.x};
    const double advance = 1.5 * size.x, lineGap = 2 * size.y;
    // The label origin (LO) places each line about the pen: left, centred or
    // right, and the text's foot, middle or top on it.
    const int o = origin_ > 10 ? origin_ - 10 : origin_;
    const double alignment = o >= 7 ? 1.0 : o >= 4 ? 0.5 : 0.0;
    const Vec raise = up * ((o % 3 == 2) ? -size.y / 2 : (o % 3 == 0) ? -size.y : 0);
    const double kx = size.x / 16, ky = size.y / (kFontBaseline - kFontCapTop);
    Vec cursor = position_;
    Vec shift = raise - d * (alignment * lineWidth(text, 0, advance, size.x));
    for (std::size_t i = 0; i < text.size() && !stopped_; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r') {
            cursor = lineStart_;
            shift = raise - d * (alignment * lineWidth(text, i + 1, advance, size.x));
        } else if (c == '\n') {
            cursor = cursor - up * lineGap;
            lineStart_ = lineStart_ - up * lineGap;
        } else if (c == '\b') {
            cursor = cursor - d * advance;
        } else if (c >= 32) {
            const StrokeGlyph* glyph = strokeGlyph(c);
            if (!glyph) ++outsideFont_;
            if (glyph && glyph->count > 0) {
                const Vec cell = cursor + shift;
                const signed char* pairs = strokePairs() + 2 * glyph->first;
                bool penUp = true;
                Vec last{};
                for (unsigned k = 0; k < glyph->count && !stopped_; ++k) {
                    const int hx = pairs[2 * k], hy = pairs[2 * k + 1];
                    if (hx == kPenUp) {
                        penUp = true;
                        continue;
                    }
                    const double ly = (kFontBaseline - hy) * ky;
                    const double lx = hx * kx + size.x / 2 + ly * slant_;
                    const Vec p = cell + d * lx + up * ly;
                    if (!penUp) stroke(last, p, false);
                    last = p;
                    penUp = false;
                }
            }
            cursor = cursor + d * advance;
        }
        // Other control characters take no room.
    }
    // The pen stays where the next character would go.
    const Vec end = cursor + shift;
    position_ = {clampFar(end.x), clampFar(end.y)};
}

// XT and YT: a tick across the pen's place, TL's lengths (per cent of P1-P2's
// height for XT, of its width for YT) on the positive and the negative side,
// cut from the negative end; the pen stays where it is.
void Converter::tickMark(bool vertical) {
    const double span = vertical ? std::fabs(p2_.y - p1_.y) : std::fabs(p2_.x - p1_.x);
    const Vec axis = vertical ? Vec{0, 1} : Vec{1, 0};
    const Vec up = position_ + axis * (span * tickUp_ / 100);
    const Vec down = position_ - axis * (span * tickDown_ / 100);
    stroke({clampFar(down.x), clampFar(down.y)}, {clampFar(up.x), clampFar(up.y)}, false);
}

// UC: a character drawn in steps of a grid four to a character's width and
// eight to its height, from the pen's place as the character's lower left
// corner, sized, turned and slanted as labels are. A parameter of 99 or more
// lets the pen down, one of -99 or less lifts it (it starts lifted); the
// others come in pairs of steps. The pen then stands where the next
// character would go.
void Converter::userCharacter() {
    const Vec size = characterSize();
    const Vec d = direction();
    const Vec up{-d.y, d.x};
    const Vec origin = position_;
    const auto place = [&](Vec grid) {
        const double ly = grid.y * size.y / 8;
        const Vec p = origin + d * (grid.x * size.x / 4 + ly * slant_) + up * ly;
        return Vec{clampFar(p.x), clampFar(p.y)};
    };
    Vec grid{};
    bool penDown = false, dot = false;
    double x, y;
    while (!stopped_ && scanner_.number(x)) {
        if (x >= 99) {
            dot = dot || !penDown;
            penDown = true;
            continue;
        }
        if (x <= -99) {
            // Let down and lifted again without a step: a dot.
            if (dot) stroke(place(grid), place(grid), false);
            dot = false;
            penDown = false;
            continue;
        }
        if (!scanner_.number(y)) break;
        const Vec next{clampFar(grid.x + x), clampFar(grid.y + y)};
        if (penDown) stroke(place(grid), place(next), false);
        dot = false;
        grid = next;
    }
    if (dot) stroke(place(grid), place(grid), false);
    const Vec end = origin + d * (1.5 * size.x);
    position_ = {clampFar(end.x), clampFar(end.y)};
}

std::string_view Converter::labelText() {
    bool found;
    std::string_view text = scanner_.until(terminator_, found);
    if (!found) labelUnterminated_ = true;
    // The terminator sits right after the text in the input.
    if (found && terminatorDrawn_) text = std::string_view(text.data(), text.size() + 1);
    return text;
}

}  // namespace kerfline::dialect
