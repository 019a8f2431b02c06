// Plotter coordinates and the 32-bit arithmetic the geometry uses on them.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace kerfline {

// A position or an offset in plotter units (40 to the millimetre).
struct PlotPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend constexpr bool operator==(PlotPoint, PlotPoint) = default;
};

// The box round some plotter points, its sides included: the one box of
// whole units that the cut job, tiles, the blade's precut and pictures take.
// Empty until a point is added.
struct PlotBox {
    PlotPoint low{std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max()};
    PlotPoint high{std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min()};
    constexpr bool empty() const { return low.x > high.x; }
    constexpr void add(PlotPoint p) {
        if (p.x < low.x) low.x = p.x;
        if (p.y < low.y) low.y = p.y;
        if (p.x > high.x) high.x = p.x;
        if (p.y > high.y) high.y = p.y;
    }
};

// Plotter units per millimetre.
inline constexpr std::int32_t kUnitsPerMm = 40;

inline constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
inline constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();

// Sums and differences of coordinates wrap in two's complement, as 32-bit
// plotter firmware does, instead of overflowing a signed int.
constexpr std::int32_t wrapAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
constexpr std::int32_t wrapSub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
constexpr std::int32_t wrapNeg(std::int32_t a) { return wrapSub(0, a); }
constexpr std::int32_t wrapMul(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}
constexpr PlotPoint wrapAdd(PlotPoint a, PlotPoint b) {
    return {wrapAdd(a.x, b.x), wrapAdd(a.y, b.y)};
}

// A double cut toward zero and brought to the nearest 32-bit value; NaN gives 0.
inline std::int32_t truncToInt32(double value) {
    if (!(value == value)) return 0;
    if (value >= 2147483647.0) return kInt32Max;
    if (value <= -2147483648.0) return kInt32Min;
    return static_cast<std::int32_t>(value);  // the conversion truncates toward zero
}

}  // namespace kerfline
