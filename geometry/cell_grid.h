// A uniform grid of cells over a box of points in doubles, for the cut
// order's searches. Plotter coordinates are exact in a double.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/plane.h"

namespace kerfline {

// The plane's points and boxes are those of the checks and repairs.
using geom::Box;
using geom::toVec;
using geom::Vec;

// A uniform grid of cells over a box, about one item a cell.
class Cells {
public:
    Cells(const Box& box, std::size_t items) : box_(box) {
        const double width = std::max(box.maxX - box.minX, 1.0);
        const double height = std::max(box.maxY - box.minY, 1.0);
        cell_ = std::max(std::sqrt(width * height / static_cast<double>(std::max<std::size_t>(items, 1))), 1.0);
        columns_ = static_cast<std::int64_t>(std::min(width / cell_ + 1.0, 4096.0));
        rows_ = static_cast<std::int64_t>(std::min(height / cell_ + 1.0, 4096.0));
        cell_ = std::max(width / static_cast<double>(columns_), height / static_cast<double>(rows_));
        cell_ = std::max(cell_ * (1.0 + 1e-9), 1e-9);
    }
    std::int64_t column(double x) const { return clamp(static_cast<std::int64_t>(std::floor((x - box_.minX) / cell_)), columns_); }
    std::int64_t row(double y) const { return clamp(static_cast<std::int64_t>(std::floor((y - box_.minY) / cell_)), rows_); }
    std::size_t index(std::int64_t c, std::int64_t r) const { return static_cast<std::size_t>(r * columns_ + c); }
    std::int64_t columns() const { return columns_; }
    std::int64_t rows() const { return rows_; }
    double cell() const { return cell_; }
    const Box& box() const { return box_; }

private:
    static std::int64_t clamp(std::int64_t v, std::int64_t n) { return std::clamp<std::int64_t>(v, 0, n - 1); }
    Box box_;
    double cell_ = 1.0;
    std::int64_t columns_ = 1;
    std::int64_t rows_ = 1;
};

// The cells, each a list of item numbers.
class Grid : public Cells {
public:
    Grid(const Box& box, std::size_t items) : Cells(box, items), cells_(static_cast<std::size_t>(columns() * rows())) {}
    std::vector<std::size_t>& at(std::int64_t c, std::int64_t r) { return cells_[index(c, r)]; }

private:
    std::vector<std::vector<std::size_t>> cells_;
};

}  // namespace kerfline
