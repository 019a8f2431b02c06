#include "geometry/plane.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace kerfline::geom {

namespace {

// A signed product of two numbers below 2^33 in magnitude, exactly, as a
// sign and a 128-bit magnitude.
struct Product {
    int sign = 0;
    std::uint64_t high = 0;
    std::uint64_t low = 0;
};

Product multiply(std::int64_t a, std::int64_t b) {
    Product p;
    if (a == 0 || b == 0) return p;
    p.sign = (a < 0) == (b < 0) ? 1 : -1;
    const std::uint64_t u = static_cast<std::uint64_t>(a < 0 ? -a : a);
    const std::uint64_t v = static_cast<std::uint64_t>(b < 0 ? -b : b);
    const std::uint64_t u0 = u & 0xFFFFFFFFu, u1 = u >> 32;
    const std::uint64_t v0 = v & 0xFFFFFFFFu, v1 = v >> 32;
    const std::uint64_t low = u0 * v0;
    const std::uint64_t middle = u1 * v0 + u0 * v1;  // u1, v1 are at most 2: no overflow
    p.low = low + (middle << 32);
    p.high = u1 * v1 + (middle >> 32) + (p.low < low ? 1 : 0);
    return p;
}

// The sign of x - y.
int compare(const Product& x, const Product& y) {
    if (x.sign != y.sign) return x.sign > y.sign ? 1 : -1;
    if (x.sign == 0) return 0;
    int magnitude = 0;
    if (x.high != y.high) {
        magnitude = x.high > y.high ? 1 : -1;
    } else if (x.low != y.low) {
        magnitude = x.low > y.low ? 1 : -1;
    }
    return x.sign > 0 ? magnitude : -magnitude;
}

// Whether c, in line with a-b, lies within the box of a and b.
bool withinSpan(PlotPoint a, PlotPoint b, PlotPoint c) {
    return std::min(a.x, b.x) <= c.x && c.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= c.y &&
           c.y <= std::max(a.y, b.y);
}

}  // namespace

PlotPoint toPoint(Vec v) {
    auto whole = [](double d) {
        if (!(d == d)) return std::int32_t{0};
        const double r = std::round(d);
        if (r >= 2147483647.0) return kInt32Max;
        if (r <= -2147483648.0) return kInt32Min;
        return static_cast<std::int32_t>(r);
    };
    return {whole(v.x), whole(v.y)};
}

int orientation(PlotPoint a, PlotPoint b, PlotPoint c) {
    const std::int64_t bx = std::int64_t{b.x} - a.x, by = std::int64_t{b.y} - a.y;
    const std::int64_t cx = std::int64_t{c.x} - a.x, cy = std::int64_t{c.y} - a.y;
    constexpr std::int64_t kSmall = std::int64_t{1} << 31;
    if (bx > -kSmall && bx < kSmall && by > -kSmall && by < kSmall && cx > -kSmall && cx < kSmall &&
        cy > -kSmall && cy < kSmall) {
        const std::int64_t turn = bx * cy - by * cx;  // each product below 2^62
        return turn > 0 ? 1 : turn < 0 ? -1 : 0;
    }
    return compare(multiply(bx, cy), multiply(by, cx));
}

Contact contact(PlotPoint a, PlotPoint b, PlotPoint c, PlotPoint d) {
    const int o1 = orientation(a, b, c), o2 = orientation(a, b, d);
    const int o3 = orientation(c, d, a), o4 = orientation(c, d, b);
    if (o1 == 0 && o2 == 0 && o3 == 0 && o4 == 0 && a != b && c != d) {
        // In one line: compare the spans along the axis the line runs most along.
        const bool alongX = std::llabs(std::int64_t{b.x} - a.x) >= std::llabs(std::int64_t{b.y} - a.y);
        auto key = [alongX](PlotPoint p) { return alongX ? p.x : p.y; };
        const std::int32_t lo = std::max(std::min(key(a), key(b)), std::min(key(c), key(d)));
        const std::int32_t hi = std::min(std::max(key(a), key(b)), std::max(key(c), key(d)));
        return lo < hi ? Contact::Overlap : lo == hi ? Contact::Point : Contact::None;
    }
    if (o1 * o2 < 0 && o3 * o4 < 0) return Contact::Point;
    if ((o1 == 0 && withinSpan(a, b, c)) || (o2 == 0 && withinSpan(a, b, d)) || (o3 == 0 && withinSpan(c, d, a)) ||
        (o4 == 0 && withinSpan(c, d, b)))
        return Contact::Point;
    return Contact::None;
}

Vec lineCrossing(Vec a, Vec b, Vec c, Vec d) {
    const Vec r = b - a, s = d - c;
    const double denominator = cross(r, s);
    if (denominator == 0.0) return a;
    return a + r * (cross(c - a, s) / denominator);
}

double nearestFraction(Vec p, Vec a, Vec b) {
    const Vec v = b - a;
    const double length2 = dot(v, v);
    if (length2 == 0.0) return 0.0;
    return std::clamp(dot(p - a, v) / length2, 0.0, 1.0);
}

double pointSegmentDistance(Vec p, Vec a, Vec b) { return gap(p, along(a, b, nearestFraction(p, a, b))); }

double segmentDistance(Vec a, Vec b, Vec c, Vec d) {
    const double o1 = cross(b - a, c - a), o2 = cross(b - a, d - a);
    const double o3 = cross(d - c, a - c), o4 = cross(d - c, b - c);
    if (((o1 > 0 && o2 < 0) || (o1 < 0 && o2 > 0)) && ((o3 > 0 && o4 < 0) || (o3 < 0 && o4 > 0))) return 0.0;
    return std::min({pointSegmentDistance(a, c, d), pointSegmentDistance(b, c, d), pointSegmentDistance(c, a, b),
                     pointSegmentDistance(d, a, b)});
}

bool withinReach(Vec a, Vec b, Vec c, Vec d, double reach, double& from, double& to) {
    return withinReach(a, b, c, d, reach, true, true, from, to);
}

bool withinReach(Vec a, Vec b, Vec c, Vec d, double reach, bool roundC, bool roundD, double& from, double& to) {
    const Vec v = b - a;
    double lo = std::numeric_limits<double>::infinity();
    double hi = -std::numeric_limits<double>::infinity();
    auto take = [&](double t0, double t1) {
        if (t0 > t1) return;
        lo = std::min(lo, t0);
        hi = std::max(hi, t1);
    };
    const double vv = dot(v, v);
    if (vv == 0.0) {
        if (pointSegmentDistance(a, c, d) > reach) return false;
        from = 0.0;
        to = 1.0;
        return true;
    }
    // The discs round the ends.
    for (const int end : {0, 1}) {
        if (!(end == 0 ? roundC : roundD)) continue;
        const Vec w = a - (end == 0 ? c : d);
        const double half = dot(v, w);
        const double rest = dot(w, w) - reach * reach;
        const double discriminant = half * half - vv * rest;
        if (discriminant < 0.0) continue;
        const double root = std::sqrt(discriminant);
        take((-half - root) / vv, (-half + root) / vv);
    }
    // The band along the segment: |side| <= reach and 0 <= ahead <= length.
    const Vec e = d - c;
    const double length = norm(e);
    if (length > 0.0) {
        const Vec u = e * (1.0 / length);
        double t0 = -std::numeric_limits<double>::infinity();
        double t1 = std::numeric_limits<double>::infinity();
        // value0 + t * slope within [low, high]
        auto limit = [&](double value0, double slope, double low, double high) {
            if (slope == 0.0) {
                if (value0 < low || value0 > high) t1 = -std::numeric_limits<double>::infinity();
                return;
            }
            double ta = (low - value0) / slope, tb = (high - value0) / slope;
            if (ta > tb) std::swap(ta, tb);
            t0 = std::max(t0, ta);
            t1 = std::min(t1, tb);
        };
        limit(cross(u, a - c), cross(u, v), -reach, reach);
        limit(dot(u, a - c), dot(u, v), 0.0, length);
        take(t0, t1);
    }
    lo = std::max(lo, 0.0);
    hi = std::min(hi, 1.0);
    if (!(lo <= hi)) return false;
    from = lo;
    to = hi;
    return true;
}

UnitBox unitBoxOf(const Box& box) {
    auto whole = [](double d) {
        if (!(d == d)) return std::int32_t{0};
        if (d >= 2147483647.0) return kInt32Max;
        if (d <= -2147483648.0) return kInt32Min;
        return static_cast<std::int32_t>(d);
    };
    return {whole(std::floor(box.minX)), whole(std::floor(box.minY)), whole(std::ceil(box.maxX)),
            whole(std::ceil(box.maxY))};
}

BoxGrid::BoxGrid(std::vector<UnitBox> boxes, double reach) : boxes_(std::move(boxes)) { build(reach); }

BoxGrid::BoxGrid(const std::vector<Box>& boxes, double reach) {
    boxes_.reserve(boxes.size());
    for (const Box& b : boxes) boxes_.push_back(unitBoxOf(b));
    build(reach);
}

void BoxGrid::build(double reach) {
    if (boxes_.empty()) return;
    Box all;
    for (const UnitBox& u : boxes_) all.take(u.box());
    originX_ = all.minX;
    originY_ = all.minY;
    const double extent = std::max(all.maxX - all.minX, all.maxY - all.minY);

    // Start from the typical item's size (of a sample of them), and never so
    // small that the cell numbers overflow.
    std::vector<double> sizes;
    const std::size_t step = boxes_.size() / 4096 + 1;
    for (std::size_t i = 0; i < boxes_.size(); i += step) {
        const UnitBox& u = boxes_[i];
        sizes.push_back(std::max(static_cast<double>(u.maxX) - u.minX, static_cast<double>(u.maxY) - u.minY));
    }
    std::nth_element(sizes.begin(), sizes.begin() + static_cast<std::ptrdiff_t>(sizes.size() / 2), sizes.end());
    cell_ = std::max({reach, sizes[sizes.size() / 2], 1.0, extent / double(1 << 30)});
    const double budget = 4.0 * static_cast<double>(boxes_.size()) + 1024.0;
    double entries = 0.0;
    for (;;) {
        entries = 0.0;
        for (const UnitBox& b : boxes_) {
            entries += static_cast<double>(column(b.maxX) - column(b.minX) + 1) *
                       static_cast<double>(row(b.maxY) - row(b.minY) + 1);
            if (entries > budget) break;
        }
        if (entries <= budget) break;
        cell_ *= 2.0;
    }
    columns_ = column(all.maxX) + 1;
    rows_ = row(all.maxY) + 1;

    const std::uint64_t columns = static_cast<std::uint64_t>(columns_);
    const std::uint64_t cells = static_cast<std::uint64_t>(rows_) * columns;
    auto eachEntry = [&](auto&& take) {
        for (std::size_t i = 0; i < boxes_.size(); ++i) {
            const UnitBox& b = boxes_[i];
            for (std::int64_t r = row(b.minY); r <= row(b.maxY); ++r)
                for (std::int64_t c = column(b.minX); c <= column(b.maxX); ++c)
                    take(static_cast<std::uint64_t>(r) * columns + static_cast<std::uint64_t>(c),
                         static_cast<std::uint32_t>(i));
        }
    };
    const std::size_t count = static_cast<std::size_t>(entries);
    if (cells <= std::max<std::uint64_t>(4 * static_cast<std::uint64_t>(count), 1u << 20)) {
        // Every cell numbered: the lists by counting.
        starts_.assign(static_cast<std::size_t>(cells) + 1, 0);
        eachEntry([&](std::uint64_t cell, std::uint32_t) { ++starts_[static_cast<std::size_t>(cell) + 1]; });
        for (std::size_t k = 1; k < starts_.size(); ++k) starts_[k] += starts_[k - 1];
        items_.resize(count);
        std::vector<std::uint32_t> next(starts_.begin(), starts_.end() - 1);
        eachEntry([&](std::uint64_t cell, std::uint32_t item) { items_[next[static_cast<std::size_t>(cell)]++] = item; });
        return;
    }

    // Only the cells that hold anything: the entries sorted by cell a byte
    // at a time (the cell numbers take only the bits they need), then a
    // table of the cells.
    std::vector<std::uint64_t> cellOf;
    std::vector<std::uint32_t> itemOf;
    cellOf.reserve(count);
    itemOf.reserve(count);
    eachEntry([&](std::uint64_t cell, std::uint32_t item) {
        cellOf.push_back(cell);
        itemOf.push_back(item);
    });
    {
        std::vector<std::uint64_t> cellsSorted(cellOf.size());
        std::vector<std::uint32_t> itemsSorted(cellOf.size());
        for (int shift = 0; shift < 64 && (cells >> shift) != 0; shift += 8) {
            std::size_t counts[257] = {};
            for (const std::uint64_t key : cellOf) ++counts[((key >> shift) & 0xFF) + 1];
            for (int d = 0; d < 256; ++d) counts[d + 1] += counts[d];
            for (std::size_t k = 0; k < cellOf.size(); ++k) {
                const std::size_t to = counts[(cellOf[k] >> shift) & 0xFF]++;
                cellsSorted[to] = cellOf[k];
                itemsSorted[to] = itemOf[k];
            }
            cellOf.swap(cellsSorted);
            itemOf.swap(itemsSorted);
        }
    }
    items_ = std::move(itemOf);
    std::size_t used = 0;
    for (std::size_t k = 0; k < cellOf.size(); ++k) used += k == 0 || cellOf[k] != cellOf[k - 1];
    std::size_t size = 16;
    while (size < 2 * used) size *= 2;
    table_.assign(size, Cell{});
    for (std::size_t k = 0; k < cellOf.size();) {
        std::size_t end = k;
        while (end < cellOf.size() && cellOf[end] == cellOf[k]) ++end;
        const std::uint64_t key = cellOf[k];
        std::size_t slot = slotOf(key, size);
        while (table_[slot].key != kNoKey) slot = (slot + 1) & (size - 1);
        table_[slot] = Cell{key, static_cast<std::uint32_t>(k), static_cast<std::uint32_t>(end)};
        k = end;
    }
}

void BoxGrid::findHashed(std::uint64_t key, std::uint32_t& begin, std::uint32_t& end) const {
    const std::size_t size = table_.size();
    begin = end = 0;
    if (size == 0) return;
    for (std::size_t slot = slotOf(key, size);; slot = (slot + 1) & (size - 1)) {
        const Cell& cell = table_[slot];
        if (cell.key == kNoKey) return;
        if (cell.key == key) {
            begin = cell.begin;
            end = cell.end;
            return;
        }
    }
}

}  // namespace kerfline::geom
