// Plane geometry for checking and repairing a cut job: points as doubles in
// plotter units, exact orientation on whole coordinates, distances between
// segments, and a grid that finds the segments near a place.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "geometry/point.h"

namespace kerfline::geom {

struct Vec {
    double x = 0.0;
    double y = 0.0;
    friend bool operator==(Vec, Vec) = default;
};

inline Vec toVec(PlotPoint p) { return {static_cast<double>(p.x), static_cast<double>(p.y)}; }
inline Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
inline Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
inline Vec operator*(Vec a, double k) { return {a.x * k, a.y * k}; }
inline double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
inline double cross(Vec a, Vec b) { return a.x * b.y - a.y * b.x; }
inline double norm(Vec a) { return std::sqrt(dot(a, a)); }
inline double gap(Vec a, Vec b) { return norm(b - a); }
// The point `t` of the way from a to b.
inline Vec along(Vec a, Vec b, double t) { return a + (b - a) * t; }
// The nearest whole point.
PlotPoint toPoint(Vec v);

// The sign of the turn from a->b to a->c: 1 left, -1 right, 0 in line;
// exact for every pair of 32-bit points.
int orientation(PlotPoint a, PlotPoint b, PlotPoint c);

// Where the segments a-b and c-d meet: nothing, one point, or a stretch of
// both (in line, overlapping). Exact on whole coordinates.
enum class Contact { None, Point, Overlap };
Contact contact(PlotPoint a, PlotPoint b, PlotPoint c, PlotPoint d);

// The point where the lines through a-b and c-d cross (the segments must
// not be parallel).
Vec lineCrossing(Vec a, Vec b, Vec c, Vec d);

double pointSegmentDistance(Vec p, Vec a, Vec b);
// The nearest point of segment a-b to p, as the fraction of the way.
double nearestFraction(Vec p, Vec a, Vec b);
double segmentDistance(Vec a, Vec b, Vec c, Vec d);

// The part of segment a-b within `reach` of segment c-d, as fractions of
// the way from a to b; false when no part is. The part is one interval
// because the points within reach of a segment form a convex shape.
bool withinReach(Vec a, Vec b, Vec c, Vec d, double reach, double& from, double& to);
// The same with the disc round c or d left out where `roundC` or `roundD`
// is false: only what lies beside c-d, and round the ends that are joints
// with a line carrying on the same way.
bool withinReach(Vec a, Vec b, Vec c, Vec d, double reach, bool roundC, bool roundD, double& from, double& to);

// An axis-parallel box; empty until something is taken into it.
struct Box {
    double minX = std::numeric_limits<double>::infinity();
    double minY = std::numeric_limits<double>::infinity();
    double maxX = -std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();
    void take(Vec p) {
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    void take(const Box& b) {
        take(Vec{b.minX, b.minY});
        take(Vec{b.maxX, b.maxY});
    }
    bool empty() const { return !(minX <= maxX); }
    Box grown(double by) const { return {minX - by, minY - by, maxX + by, maxY + by}; }
    bool meets(const Box& b) const {
        return minX <= b.maxX && b.minX <= maxX && minY <= b.maxY && b.minY <= maxY;
    }
    bool holds(const Box& b) const {
        return b.minX >= minX && b.maxX <= maxX && b.minY >= minY && b.maxY <= maxY;
    }
};

// A box of whole units, as a grid keeps its items' boxes.
struct UnitBox {
    std::int32_t minX = 0;
    std::int32_t minY = 0;
    std::int32_t maxX = 0;
    std::int32_t maxY = 0;
    Box box() const {
        return {static_cast<double>(minX), static_cast<double>(minY), static_cast<double>(maxX),
                static_cast<double>(maxY)};
    }
};
inline UnitBox unitBoxOf(PlotPoint a, PlotPoint b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}
// The smallest box of whole units that holds `box` (within the 32-bit range).
UnitBox unitBoxOf(const Box& box);

inline Box boxOf(Vec a, Vec b) {
    Box box;
    box.take(a);
    box.take(b);
    return box;
}

// A grid of square cells over the boxes of many items (segments, rings),
// each item listed in every cell its box touches. Cells are hashed, so an
// item far from the others costs no empty cells between them. The cell is
// at least `reach`, the widest distance asked about, and grows until the
// lists hold at most a few entries per item, so long items stay cheap.
class BoxGrid {
public:
    BoxGrid(std::vector<UnitBox> boxes, double reach);
    BoxGrid(const std::vector<Box>& boxes, double reach);

    std::size_t size() const { return boxes_.size(); }
    Box box(std::size_t item) const { return boxes_[item].box(); }

    // Calls visit(index) once for every item whose box comes within
    // `distance` of `box`, in no particular order; visit returns false to
    // stop the search early.
    template <typename Visit>
    void around(const Box& box, double distance, Visit&& visit) const {
        if (boxes_.empty() || box.empty()) return;
        const Box query = box.grown(distance);
        const std::int64_t c0 = std::max(column(query.minX), std::int64_t{0});
        const std::int64_t c1 = std::min(column(query.maxX), columns_ - 1);
        const std::int64_t r0 = std::max(row(query.minY), std::int64_t{0});
        const std::int64_t r1 = std::min(row(query.maxY), rows_ - 1);
        for (std::int64_t r = r0; r <= r1; ++r)
            for (std::int64_t c = c0; c <= c1; ++c) {
                std::uint32_t begin = 0, end = 0;
                find(c, r, begin, end);
                for (std::uint32_t k = begin; k < end; ++k) {
                    const std::uint32_t item = items_[k];
                    const UnitBox& u = boxes_[item];
                    if (!(u.minX <= query.maxX && query.minX <= u.maxX && u.minY <= query.maxY &&
                          query.minY <= u.maxY))
                        continue;
                    const Box b = u.box();
                    // Each item once: in the cell of the corner where it and
                    // the query begin to overlap.
                    if ((b.minX > query.minX && column(b.minX) != c) || (b.minX <= query.minX && c != c0) ||
                        (b.minY > query.minY && row(b.minY) != r) || (b.minY <= query.minY && r != r0))
                        continue;
                    if (!visit(static_cast<std::size_t>(item))) return;
                }
            }
    }

    double cell() const { return cell_; }

private:
    struct Cell {
        std::uint64_t key = kNoKey;
        std::uint32_t begin = 0;
        std::uint32_t end = 0;
    };
    static constexpr std::uint64_t kNoKey = ~std::uint64_t{0};

    std::int64_t column(double x) const { return static_cast<std::int64_t>(std::floor((x - originX_) / cell_)); }
    std::int64_t row(double y) const { return static_cast<std::int64_t>(std::floor((y - originY_) / cell_)); }
    static std::size_t slotOf(std::uint64_t key, std::size_t size) {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15u) >> 24) & (size - 1);
    }
    // The stretch of items_ that lists the cell in column c, row r.
    void find(std::int64_t c, std::int64_t r, std::uint32_t& begin, std::uint32_t& end) const {
        if (!starts_.empty()) {
            const std::size_t cell = static_cast<std::size_t>(r * columns_ + c);
            begin = starts_[cell];
            end = starts_[cell + 1];
            return;
        }
        findHashed(static_cast<std::uint64_t>(r) * static_cast<std::uint64_t>(columns_) + static_cast<std::uint64_t>(c),
                   begin, end);
    }
    void findHashed(std::uint64_t key, std::uint32_t& begin, std::uint32_t& end) const;

    void build(double reach);

    std::vector<UnitBox> boxes_;
    std::vector<std::uint32_t> items_;  // the cells' lists, one after another
    // Where the cells are few enough to number them all: where each cell's
    // list starts (and the last ends); otherwise a table of the cells that
    // hold anything, by open addressing, a power of two long.
    std::vector<std::uint32_t> starts_;
    std::vector<Cell> table_;
    double originX_ = 0.0;
    double originY_ = 0.0;
    double cell_ = 1.0;
    std::int64_t columns_ = 0;  // the cells that hold items lie in columns 0 to columns_ - 1
    std::int64_t rows_ = 0;
};

}  // namespace kerfline::geom
