// Line types: the fixed and adaptive dash patterns (LT), patterns of the
// file's own (UL), and the dashes cut along each line.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "dialect/converter_state.h"

namespace kerfline::dialect {

void Converter::setLineType() {
    double v[3];
    const int n = scanner_.numbers(v, 3);
    const int type = n == 0 ? 0 : whole(v[0]);
    if (n == 0 || type < -8 || type > 8) {
        dashed_ = false;
        return;
    }
    dashed_ = true;
    lineType_ = type;
    if (n >= 2 && v[1] > 0) {
        patternLength_ = clampFar(v[1]);
        patternInMm_ = n >= 3 && v[2] == 1;
    }
    dashIndex_ = 0;
    dashOffset_ = 0;
}

// UL: line type 1 to 8 given parts of its own, in proportion (they are taken
// as per cent of the pattern once they sum to 100); the type alone gets its
// standard pattern back, no parameters all of them.
void Converter::userLineType() {
    double v[1 + kMaxPatternParts];
    const int n = scanner_.numbers(v, 1 + kMaxPatternParts);
    scanner_.skipParameters();
    // The pattern under way may change length: it starts afresh.
    dashIndex_ = 0;
    dashOffset_ = 0;
    if (n == 0) {
        std::copy(std::begin(kPatterns), std::end(kPatterns), patterns_.begin());
        return;
    }
    const int type = whole(v[0]);
    if (type < 1 || type > 8) return;
    if (n == 1) {
        patterns_[type - 1] = kPatterns[type - 1];
        return;
    }
    double sum = 0;
    for (int i = 1; i < n; ++i) {
        if (!(v[i] >= 0 && v[i] <= kFar)) return;
        sum += v[i];
    }
    if (!(sum > 0)) return;
    Pattern pattern{n - 1, {}};
    for (int i = 1; i < n; ++i) pattern.parts[i - 1] = v[i] / sum * 100;
    patterns_[type - 1] = pattern;
}

double Converter::patternUnits() const {
    if (patternInMm_) return patternLength_ * kUnitsPerMm;
    return patternLength_ / 100 * length(p2_ - p1_);
}

void Converter::dash(Vec a, Vec b) {
    if (lineType_ == 0) {
        // Line type 0: a dot at each end point.
        clipped(b, b);
        return;
    }
    const Pattern& pattern = patterns_[std::abs(lineType_) - 1];
    const double total = length(b - a);
    double unitsLong = patternUnits();
    if (!(unitsLong > 0.01)) {
        clipped(a, b);
        return;
    }
    if (lineType_ < 0) {
        // Adaptive: whole patterns fit each line, starting afresh.
        unitsLong = total / std::max(1.0, std::round(total / unitsLong));
        dashIndex_ = 0;
        dashOffset_ = 0;
    }
    const Vec dir = total > 0 ? (b - a) * (1 / total) : Vec{};
    double t = 0;
    while (tick()) {
        const double part = pattern.parts[dashIndex_] / 100 * unitsLong;
        const bool penDown = dashIndex_ % 2 == 0;
        const double remain = part - dashOffset_;
        if (remain <= 0) {
            if (part == 0 && penDown) clipped(a + dir * t, a + dir * t);
            dashIndex_ = (dashIndex_ + 1) % pattern.count;
            dashOffset_ = 0;
            if (t >= total - 1e-6) break;
            continue;
        }
        const double step = std::min(remain, total - t);
        if (penDown && step > 0) clipped(a + dir * t, a + dir * (t + step));
        t += step;
        dashOffset_ += step;
        // What rounding leaves of a line is no room for another dash.
        if (t >= total - 1e-6) break;
    }
}

}  // namespace kerfline::dialect
