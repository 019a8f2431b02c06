// Finding one byte value in a run of bytes, for the passes over a whole
// file: the reader's search for Ctrl-Z, CR and ";".
//
// Where the C library's memchr is fast (glibc's is vectorised) it is used.
// Programs built for Windows link msvcrt's memchr, which may go a byte at a
// time (Wine's does, and a big job is read through it twice): there the
// search goes eight bytes at a time.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kerfline {

// The first byte equal to `value` in [begin, end), or null, eight bytes at a
// time.
inline const unsigned char* findByteByWords(const unsigned char* begin, const unsigned char* end,
                                            unsigned char value) {
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
        constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
        const std::uint64_t pattern = kOnes * value;
        while (end - begin >= 8) {
            std::uint64_t word;
            std::memcpy(&word, begin, 8);
            word ^= pattern;  // a zero byte where `value` was
            // A borrow can mark a byte past the first zero byte, never one
            // before it: the lowest mark is the first match.
            const std::uint64_t zeros = (word - kOnes) & ~word & kHighs;
            if (zeros != 0) return begin + std::countr_zero(zeros) / 8;
            begin += 8;
        }
    }
    for (; begin < end; ++begin)
        if (*begin == value) return begin;
    return nullptr;
}

// The first byte equal to `value` in [begin, end), or null.
inline const unsigned char* findByte(const unsigned char* begin, const unsigned char* end,
                                     unsigned char value) {
#if defined(_WIN32)
    return findByteByWords(begin, end, value);
#else
    if (begin >= end) return nullptr;
    return static_cast<const unsigned char*>(
        std::memchr(begin, value, static_cast<std::size_t>(end - begin)));
#endif
}

}  // namespace kerfline
