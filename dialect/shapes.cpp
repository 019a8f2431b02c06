// Polygons, fills and edges: polygon mode (PM) and its outline (EP, FP),
// rectangles (RA, RR, EA, ER) and wedges (WG, EW). A fill cannot be cut, its
// outline can; a shape both filled and edged is cut once.
#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

#include "dialect/converter_state.h"

namespace kerfline::dialect {

void Converter::polygonMode() {
    double v[1];
    const int n = scanner_.numbers(v, 1);
    const int mode = n == 0 ? 0 : whole(v[0]);
    if (mode == 0) {
        polygon_.clear();
        polygon_.push_back({position_, false});
        subpolygonStart_ = 0;
        polygonMode_ = true;
        polygonOutlined_ = false;
        polygonAsked_ = 0;
    } else if (polygonMode_) {
        closeSubpolygon();
        if (mode == 2) polygonMode_ = false;
    }
}

void Converter::edgePolygon() { outlinePolygon(true); }

void Converter::fillPolygon() {
    scanner_.skipParameters();
    // The fill's edge is what a knife can cut of it.
    outlinePolygon(false);
}

// Shapes that are both filled and edged (RA then EA, WG then EW and the
// like, in either order) are cut once: a rectangle's or a wedge's pieces are
// held back, and dropped when they are the very pieces of the other kind
// just cut, with nothing cut or kept in between.
template <class Draw>
void Converter::shape(bool filled, Draw draw) {
    if (polygonMode_) {
        // Stored in the polygon; FP and EP outline it once.
        draw();
        return;
    }
    const bool adjacent = lastShape_.valid && lastShape_.filled != filled && lastShape_.stamp == events_;
    holding_ = true;
    held_.clear();
    draw();
    if (!holding_) {
        // Cut as it came: nothing to compare with later.
        lastShape_.valid = false;
        return;
    }
    holding_ = false;
    std::vector<Piece> pieces = piecesOf(held_);
    if (adjacent && !pieces.empty() && pieces == lastShape_.pieces) {
        ++outlinesOnce_;
        lastShape_.valid = false;
        held_.clear();
        return;
    }
    for (const auto& [a, b] : held_) out_.segment(a, b);
    held_.clear();
    lastShape_ = {true, filled, std::move(pieces), events_};
}

void Converter::fillRectangleAbsolute() { rectangleAbsolute(true); }
void Converter::fillRectangleRelative() { rectangleRelative(true); }
void Converter::edgeRectangleAbsolute() { rectangleAbsolute(false); }
void Converter::edgeRectangleRelative() { rectangleRelative(false); }
void Converter::fillWedge() { wedgeInstruction(true); }
void Converter::edgeWedge() { wedgeInstruction(false); }

void Converter::rectangleAbsolute(bool filled) {
    double v[2];
    if (scanner_.numbers(v, 2) != 2) return;
    const Vec corner = toPlotter({v[0], v[1]});
    shape(filled, [&] { rectangle(corner); });
}

void Converter::rectangleRelative(bool filled) {
    double v[2];
    if (scanner_.numbers(v, 2) != 2) return;
    const Vec corner = position_ + toPlotterDelta({v[0], v[1]});
    shape(filled, [&] { rectangle(corner); });
}

void Converter::wedgeInstruction(bool filled) {
    double v[4];
    if (scanner_.numbers(v, 4) >= 3) shape(filled, [&] { wedge(clampFar(v[0]), clampFar(v[1]), clampFar(v[2])); });
}

void Converter::release() {
    holding_ = false;
    for (const auto& [a, b] : held_) out_.segment(a, b);
    held_.clear();
}

bool Converter::Piece::operator<(const Piece& o) const {
    return std::tie(x0, y0, x1, y1) < std::tie(o.x0, o.y0, o.x1, o.y1);
}

// The pieces as whole units with no direction, in order: the same cuts
// whatever corner and way round they were made from.
std::vector<Converter::Piece> Converter::piecesOf(const std::vector<std::pair<Vec, Vec>>& segments) {
    std::vector<Piece> pieces;
    pieces.reserve(segments.size());
    for (const auto& [a, b] : segments) {
        Piece piece{std::llround(a.x), std::llround(a.y), std::llround(b.x), std::llround(b.y)};
        if (std::tie(piece.x1, piece.y1) < std::tie(piece.x0, piece.y0)) {
            std::swap(piece.x0, piece.x1);
            std::swap(piece.y0, piece.y1);
        }
        pieces.push_back(piece);
    }
    std::sort(pieces.begin(), pieces.end());
    return pieces;
}

void Converter::rectangle(Vec corner) {
    const Vec a = position_;
    moveTo(a);
    drawTo({corner.x, a.y});
    drawTo(corner);
    drawTo({a.x, corner.y});
    drawTo(a);
    if (polygonMode_) closeSubpolygon();
    moveTo(a);
}

void Converter::wedge(double radius, double startDegrees, double sweepDegrees) {
    const Vec centre = position_;
    const Vec c = toUser(centre);
    const double start = std::fmod(startDegrees, 360.0) * kPi / 180 + (radius < 0 ? kPi : 0);
    radius = std::min(std::fabs(radius), kFar);
    const double sweep = sweepOf(sweepDegrees);
    drawTo(toPlotter(c + Vec{std::cos(start), std::sin(start)} * radius));
    arcFrom(c, sweep, true);
    drawTo(centre);
    if (polygonMode_) closeSubpolygon();
    moveTo(centre);
}

void Converter::closeSubpolygon() {
    // A subpolygon ends where it began.
    if (subpolygonStart_ >= polygon_.size()) return;
    const Vec first = polygon_[subpolygonStart_].p;
    bool drawn = false;
    for (std::size_t i = subpolygonStart_ + 1; i < polygon_.size(); ++i) drawn |= polygon_[i].down;
    const Vec last = polygon_.back().p;
    if (drawn && (last.x != first.x || last.y != first.y) && polygon_.size() < kMaxPolygon)
        polygon_.push_back({first, true});
    subpolygonStart_ = polygon_.size();
}

// EP edges the polygon (in the line type), FP fills it (its outline solid):
// whichever comes first cuts the outline, once.
void Converter::outlinePolygon(bool edge) {
    const unsigned asked = edge ? 2u : 1u;
    if (polygonOutlined_) {
        if (polygonAsked_ != 0 && (polygonAsked_ & asked) == 0) {
            ++outlinesOnce_;
            polygonAsked_ |= asked;
        }
        return;
    }
    polygonOutlined_ = true;
    polygonAsked_ = asked;
    const bool mayDash = edge;
    for (std::size_t i = 1; i < polygon_.size() && !stopped_; ++i)
        if (polygon_[i].down) {
            stroke(polygon_[i - 1].p, polygon_[i].p, mayDash);
            if (mayDash) {
                dashIndex_ = 0;
                dashOffset_ = 0;
            }
        }
}

}  // namespace kerfline::dialect
