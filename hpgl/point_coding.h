// Points stored compactly: each coordinate folded to an unsigned number
// (0, -1, 1, -2, ... become 0, 1, 2, 3, ...) and written seven bits a byte,
// low bits first, the high bit set on every byte but the last.
//
// A coordinate never takes more bytes than its digits take in HP-GL text
// (a value below 10^d folds below 2^(3.33d + 1), which fits d bytes of seven
// bits), so a drawing's points never take more memory than its file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "geometry/point.h"

namespace kerfline::coding {

inline constexpr std::size_t kMostBytesPerPoint = 10;

constexpr std::uint32_t fold(std::int32_t v) {
    return (static_cast<std::uint32_t>(v) << 1) ^ static_cast<std::uint32_t>(v >> 31);
}
constexpr std::int32_t unfold(std::uint32_t u) {
    return static_cast<std::int32_t>((u >> 1) ^ (0u - (u & 1u)));
}

inline unsigned char* putNumber(unsigned char* out, std::uint32_t u) {
    while (u >= 0x80) {
        *out++ = static_cast<unsigned char>(u | 0x80);
        u >>= 7;
    }
    *out++ = static_cast<unsigned char>(u);
    return out;
}

inline const unsigned char* getNumber(const unsigned char* in, std::uint32_t& u) {
    std::uint32_t value = *in & 0x7Fu;
    int shift = 7;
    while (*in++ & 0x80) {
        value |= static_cast<std::uint32_t>(*in & 0x7Fu) << shift;
        shift += 7;
    }
    u = value;
    return in;
}

inline unsigned char* putPoint(unsigned char* out, PlotPoint p) {
    return putNumber(putNumber(out, fold(p.x)), fold(p.y));
}

inline const unsigned char* getPoint(const unsigned char* in, PlotPoint& p) {
    std::uint32_t x, y;
    in = getNumber(getNumber(in, x), y);
    p = PlotPoint{unfold(x), unfold(y)};
    return in;
}

constexpr std::size_t numberBytes(std::uint32_t u) {
    std::size_t n = 1;
    while (u >= 0x80) {
        u >>= 7;
        ++n;
    }
    return n;
}

constexpr std::size_t pointBytes(PlotPoint p) { return numberBytes(fold(p.x)) + numberBytes(fold(p.y)); }

}  // namespace kerfline::coding
