// Circles, arcs and Beziers (CI, AA, AR, AT, RT, BZ, BR): computed in user
// units and cut as chords within the tolerance.
#include <algorithm>
#include <cmath>

#include "dialect/converter_state.h"

namespace kerfline::dialect {

void Converter::drawCircle() {
    double v[2];
    if (scanner_.numbers(v, 2) >= 1) circle(clampFar(v[0]));
}

void Converter::arcAbsolute() {
    double v[4];
    if (scanner_.numbers(v, 4) < 3) return;
    arcFrom({clampFar(v[0]), clampFar(v[1])}, sweepOf(v[2]), down_);
}

void Converter::arcRelative() {
    double v[4];
    if (scanner_.numbers(v, 4) < 3) return;
    arcFrom(toUser(position_) + Vec{clampFar(v[0]), clampFar(v[1])}, sweepOf(v[2]), down_);
}

void Converter::arcThroughAbsolute() {
    double v[5];
    if (scanner_.numbers(v, 5) < 4) return;
    threePointArc({clampFar(v[0]), clampFar(v[1])}, {clampFar(v[2]), clampFar(v[3])});
}

void Converter::arcThroughRelative() {
    double v[5];
    if (scanner_.numbers(v, 5) < 4) return;
    const Vec here = toUser(position_);
    threePointArc(here + Vec{clampFar(v[0]), clampFar(v[1])}, here + Vec{clampFar(v[2]), clampFar(v[3])});
}

void Converter::bezierAbsolute() {
    double v[6];
    while (!stopped_ && scanner_.numbers(v, 6) == 6)
        bezier(toPlotter({v[0], v[1]}), toPlotter({v[2], v[3]}), toPlotter({v[4], v[5]}));
}

void Converter::bezierRelative() {
    double v[6];
    while (!stopped_ && scanner_.numbers(v, 6) == 6) {
        const Vec from = position_;
        bezier(from + toPlotterDelta({v[0], v[1]}), from + toPlotterDelta({v[2], v[3]}),
               from + toPlotterDelta({v[4], v[5]}));
    }
}

int Converter::chords(double radiusUser, double sweep) const {
    const double radius = std::fabs(radiusUser) * userScale();
    if (!(radius > 0)) return 1;
    const double ratio = tolerance_ / (2 * radius);
    double step = ratio >= 0.5 ? kPi / 2 : 4 * std::asin(std::sqrt(ratio));
    step = std::min(step, kPi / 2);
    const double n = std::ceil(std::fabs(sweep) / step);
    return static_cast<int>(std::clamp(n, 1.0, static_cast<double>(kMaxChords)));
}

// From the current point round `center` (user units) by `sweep` radians;
// the end is the current point afterwards.
void Converter::arcFrom(Vec center, double sweep, bool drawn) {
    const Vec start = toUser(position_);
    const Vec r = start - center;
    const double radius = length(r);
    const double a0 = std::atan2(r.y, r.x);
    const int n = drawn ? chords(radius, sweep) : 1;
    for (int k = 1; k <= n && !stopped_; ++k) {
        const double a = a0 + sweep * k / n;
        const Vec p = toPlotter(center + Vec{std::cos(a), std::sin(a)} * radius);
        drawn ? drawTo(p) : moveTo(p);
    }
}

double Converter::sweepOf(double degrees) { return std::clamp(degrees, -360.0, 360.0) * kPi / 180; }

void Converter::circle(double radius) {
    const Vec centre = position_;
    const Vec c = toUser(centre);
    const double start = radius < 0 ? kPi : 0;
    radius = std::min(std::fabs(radius), kFar);
    moveTo(toPlotter(c + Vec{std::cos(start), std::sin(start)} * radius));
    arcFrom(c, 2 * kPi, true);
    moveTo(centre);
}

void Converter::threePointArc(Vec through, Vec end) {
    const Vec p0 = toUser(position_);
    const double ax = through.x - p0.x, ay = through.y - p0.y;
    const double bx = end.x - p0.x, by = end.y - p0.y;
    const double det = 2 * (ax * by - ay * bx);
    const double scale = std::max({std::fabs(ax), std::fabs(ay), std::fabs(bx), std::fabs(by), 1e-300});
    if (std::fabs(det) <= 1e-12 * scale * scale) {
        // In a line: a plotter draws the straight line to the end.
        go(toPlotter(end));
        return;
    }
    const double a2 = ax * ax + ay * ay, b2 = bx * bx + by * by;
    const Vec centre{p0.x + (by * a2 - ay * b2) / det, p0.y + (ax * b2 - bx * a2) / det};
    const auto angle = [&centre](Vec p) { return std::atan2(p.y - centre.y, p.x - centre.x); };
    const auto ccw = [](double from, double to) {
        double d = std::fmod(to - from, 2 * kPi);
        return d < 0 ? d + 2 * kPi : d;
    };
    const double a0 = angle(p0);
    const double toEnd = ccw(a0, angle(end)), toThrough = ccw(a0, angle(through));
    const double sweep = toThrough < toEnd ? toEnd : toEnd - 2 * kPi;
    arcFrom(centre, sweep, down_);
    // The end exactly where it was given, whatever the rounding.
    position_ = toPlotter(end);
}

// A cubic Bezier from the pen through the control points b and c to d, all
// in plotter units (the user-unit mapping keeps Beziers Beziers): chords
// within the tolerance, from the bound on a uniform split's error, three
// quarters of the control polygon's bend over n squared.
void Converter::bezier(Vec b, Vec c, Vec d) {
    const Vec a = position_;
    const double bend = std::max(length(a - b * 2 + c), length(b - c * 2 + d));
    const double n = std::ceil(std::sqrt(0.75 * bend / tolerance_));
    const int steps = static_cast<int>(std::clamp(n, 1.0, static_cast<double>(kMaxChords)));
    for (int k = 1; k <= steps && !stopped_; ++k) {
        const double t = static_cast<double>(k) / steps, u = 1 - t;
        const Vec p = a * (u * u * u) + b * (3 * u * u * t) + c * (3 * u * t * t) + d * (t * t * t);
        go(k == steps ? d : p);
    }
}

}  // namespace kerfline::dialect
