// The frame the picture is drawn in: the page (PS) and its turn (RO), the
// scaling points P1 and P2 (IP, IR), user units (SC), the window (IW), and
// the resets that bring them back (IN, DF).
#include <algorithm>
#include <cmath>

#include "dialect/converter_state.h"

namespace kerfline::dialect {

void Converter::initializeAll() {
    scanner_.skipParameters();
    cutDot();
    initialize();
}

void Converter::defaultsAgain() {
    scanner_.skipParameters();
    cutDot();
    defaults();
}

void Converter::inputP1P2() {
    double v[4];
    const int n = scanner_.numbers(v, 4);
    if (n == 0) {
        resetP1P2();
    } else if (n >= 2) {
        const Vec span = p2_ - p1_;
        p1_ = {clampFar(v[0]), clampFar(v[1])};
        p2_ = n >= 4 ? Vec{clampFar(v[2]), clampFar(v[3])} : p1_ + span;
    }
    if (p2_.x == p1_.x) p2_.x += 1;
    if (p2_.y == p1_.y) p2_.y += 1;
    pointsGiven_ = pointsGiven_ || n >= 2;
    updateScaling();
}

void Converter::inputP1P2Relative() {
    double v[4];
    const int n = scanner_.numbers(v, 4);
    const Vec frame = frameSize();
    if (n == 0) {
        resetP1P2();
    } else if (n >= 2) {
        const Vec span = p2_ - p1_;
        p1_ = {frame.x * clampFar(v[0]) / 100, frame.y * clampFar(v[1]) / 100};
        p2_ = n >= 4 ? Vec{frame.x * clampFar(v[2]) / 100, frame.y * clampFar(v[3]) / 100} : p1_ + span;
    }
    if (p2_.x == p1_.x) p2_.x += 1;
    if (p2_.y == p1_.y) p2_.y += 1;
    pointsGiven_ = pointsGiven_ || n >= 2;
    updateScaling();
}

void Converter::setScale() {
    double v[7];
    const int n = scanner_.numbers(v, 7);
    if (n < 4) {
        scaleType_ = -1;
    } else {
        const int type = n >= 5 ? whole(v[4]) : 0;
        if (type < 0 || type > 2) return;
        std::copy(v, v + 4, scale_);
        scale_[4] = n >= 6 ? v[5] : 50;
        scale_[5] = n >= 7 ? v[6] : 50;
        scaleType_ = type;
        if (!pointsGiven_ && !pageGiven_ && !assumedNoted_) {
            assumedNoted_ = true;
            result_.summary.push_back(
                "SC without IP: P1 and P2 of an A4 landscape page assumed (603,521 and 10603,7721)");
        }
    }
    updateScaling();
}

void Converter::rotateFrame() {
    double v[1];
    const int n = scanner_.numbers(v, 1);
    const int angle = n == 0 ? 0 : whole(v[0]);
    if (angle != 0 && angle != 90 && angle != 180 && angle != 270) return;
    // A dot is where the pen was let down on the page.
    cutDot();
    const Vec onPage = toPage(position_);
    rotation_ = angle;
    position_ = fromPage(onPage);
    clip_ = false;
    resetP1P2();
}

void Converter::setPlotSize() {
    double v[2];
    const int n = scanner_.numbers(v, 2);
    if (n == 0) {
        cutDot();
        page_ = kDefaultPage;
        pageGiven_ = false;
    } else if (v[0] > 0 && v[0] < kFar) {
        cutDot();
        page_ = {v[0], n >= 2 && v[1] > 0 && v[1] < kFar ? v[1] : v[0]};
        pageGiven_ = true;
    } else {
        return;
    }
    clip_ = false;
    resetP1P2();
}

void Converter::inputWindow() {
    double v[4];
    const int n = scanner_.numbers(v, 4);
    if (n < 4) {
        // The default window is the page: one that PS set, or none at all on
        // a roll of unknown length.
        clip_ = pageGiven_;
        clipMin_ = {};
        clipMax_ = frameSize();
        return;
    }
    const Vec a = toPlotter({v[0], v[1]}), b = toPlotter({v[2], v[3]});
    clipMin_ = {std::min(a.x, b.x), std::min(a.y, b.y)};
    clipMax_ = {std::max(a.x, b.x), std::max(a.y, b.y)};
    clip_ = true;
}

void Converter::initialize() {
    std::copy(std::begin(kPatterns), std::end(kPatterns), patterns_.begin());
    rotation_ = 0;
    position_ = {};
    lineStart_ = {};
    defaults();
    resetP1P2();
}

void Converter::defaults() {
    scaleType_ = -1;
    clip_ = false;
    down_ = false;
    relative_ = false;
    lineType_ = 0;
    dashed_ = false;
    patternLength_ = 4;
    patternInMm_ = false;
    dashIndex_ = 0;
    dashOffset_ = 0;
    polygonMode_ = false;
    polygon_.clear();
    terminator_ = 3;
    terminatorDrawn_ = false;
    sizeRelative_ = false;
    sizeW_ = kDefaultWidthCm;
    sizeH_ = kDefaultHeightCm;
    directionRelative_ = false;
    run_ = 1;
    rise_ = 0;
    slant_ = 0;
    origin_ = 1;
    tickUp_ = kDefaultTickPercent;
    tickDown_ = kDefaultTickPercent;
    updateScaling();
}

void Converter::resetP1P2() {
    if (pageGiven_) {
        // A page set by PS: P1 and P2 are its corners.
        p1_ = {};
        p2_ = frameSize();
        updateScaling();
        return;
    }
    const Vec a = fromPage(kDefaultP1), b = fromPage(kDefaultP2);
    p1_ = {std::min(a.x, b.x), std::min(a.y, b.y)};
    p2_ = {std::max(a.x, b.x), std::max(a.y, b.y)};
    updateScaling();
}

Vec Converter::fromPage(Vec q) const {
    switch (rotation_) {
        case 90: return {q.y, page_.x - q.x};
        case 180: return {page_.x - q.x, page_.y - q.y};
        case 270: return {page_.y - q.y, q.x};
        default: return q;
    }
}

void Converter::updateScaling() {
    scaled_ = false;
    if (scaleType_ < 0) return;
    const double* s = scale_;
    const double dx = p2_.x - p1_.x, dy = p2_.y - p1_.y;
    double sx, sy, tx, ty;
    if (scaleType_ == 2) {
        sx = s[1];
        sy = s[3];
        tx = p1_.x - s[0] * sx;
        ty = p1_.y - s[2] * sy;
    } else {
        const double ux = s[1] - s[0], uy = s[3] - s[2];
        if (ux == 0 || uy == 0) return;
        sx = dx / ux;
        sy = dy / uy;
        tx = p1_.x - s[0] * sx;
        ty = p1_.y - s[2] * sy;
        if (scaleType_ == 1) {
            // Isotropic: the smaller factor both ways, the room left over
            // shared as the left and bottom percentages say.
            const double k = std::min(std::fabs(sx), std::fabs(sy));
            const double nx = std::copysign(k, sx), ny = std::copysign(k, sy);
            const double spareX = dx - ux * nx, spareY = dy - uy * ny;
            tx = p1_.x + spareX * s[4] / 100 - s[0] * nx;
            ty = p1_.y + spareY * s[5] / 100 - s[2] * ny;
            sx = nx;
            sy = ny;
        }
    }
    if (!std::isfinite(sx) || !std::isfinite(sy) || !std::isfinite(tx) || !std::isfinite(ty) || sx == 0 ||
        sy == 0)
        return;
    sx_ = sx;
    sy_ = sy;
    tx_ = tx;
    ty_ = ty;
    scaled_ = true;
}

}  // namespace kerfline::dialect
