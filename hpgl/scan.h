// The HP-GL grammar over characters already in memory: numbers, points and
// whole instructions, scanned where they lie in the stream's buffer. The
// instruction reader (reader.cpp) and the whole-text reader of a drawing
// share it. Part of the core's inside, not of its interface.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

#include "hpgl/command.h"
#include "hpgl/find_byte.h"
#include "hpgl/reader.h"

// The number reader runs for every coordinate of a file: it is inlined into
// the loops that call it (KERF_INLINE_EXCEPT_SMALL, KERF_INLINE_OR_ONE_COPY).

namespace kerfline::scan {

constexpr bool isDigit(int c) { return c >= '0' && c <= '9'; }

// The points of the instruction being read, kept from one instruction to
// the next: the first as it is (most instructions hold one) and, once there
// is a second, all of them in their compact coding, as a record stores them.
class PointBuffer {
public:
    PointBuffer() = default;
    PointBuffer(const PointBuffer&) = delete;
    PointBuffer& operator=(const PointBuffer&) = delete;

    void clear() {
        count_ = 0;
        length_ = 0;
    }
    KERF_INLINE_EXCEPT_SMALL inline void push_back(PlotPoint point) {
        if (count_ == 0) {
            first_ = point;
        } else {
            if (capacity_ - length_ < 2 * coding::kMostBytesPerPoint) grow();
            if (count_ == 1) length_ = coding::putPoint(coded_.get(), first_) - coded_.get();
            length_ = coding::putPoint(coded_.get() + length_, point) - coded_.get();
        }
        ++count_;
    }
    std::uint32_t size() const { return count_; }
    PlotPoint first() const { return first_; }
    const unsigned char* coded() const { return coded_.get(); }
    std::size_t length() const { return length_; }
    PointSpan span() const {
        return count_ == 1 ? PointSpan(first_) : PointSpan(coded_.get(), count_);
    }

private:
    void grow() {
        const std::size_t room = capacity_ ? capacity_ * 2 : 1024;
        std::unique_ptr<unsigned char[]> fresh(new unsigned char[room]);
        if (length_) std::memcpy(fresh.get(), coded_.get(), length_);
        coded_ = std::move(fresh);
        capacity_ = room;
    }

    PlotPoint first_{};
    std::uint32_t count_ = 0;
    std::unique_ptr<unsigned char[]> coded_;
    std::size_t length_ = 0;
    std::size_t capacity_ = 0;
};

// Characters from `cur` to `end`; a failed read empties the rest.
struct Span {
    const unsigned char* cur;
    const unsigned char* end;
};

// A number: optional whitespace, an optional sign and one or more digits
// within the signed 32-bit range. Mostly eight bytes at a time.
KERF_INLINE_EXCEPT_SMALL inline bool readNumber(Span& in, std::int32_t& value) {
    const unsigned char* p = in.cur;
    const unsigned char* const end = in.end;
    while (p < end && isHpglSpace(*p)) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end || !isDigit(*p)) {
        in.cur = in.end = p;
        return false;
    }
    while (p < end && *p == '0') ++p;
    std::uint64_t magnitude = 0;
    if constexpr (std::endian::native == std::endian::little) {
        // Most coordinates have fewer than eight digits: find how many of
        // the next eight bytes are digits and convert them at once.
        if (end - p >= 8) {
            std::uint64_t chunk;
            std::memcpy(&chunk, p, 8);
            constexpr std::uint64_t kHigh = 0xF0F0F0F0F0F0F0F0ULL;
            constexpr std::uint64_t kZeros = 0x3030303030303030ULL;
            // A byte is a digit when its high nibble is 3 and adding 6 to it
            // keeps it so. A carry out of a byte of 0xFA or more can only
            // spoil the bytes after that non-digit, which are not used.
            const std::uint64_t nonDigit =
                ((chunk & kHigh) ^ kZeros) | (((chunk + 0x0606060606060606ULL) & kHigh) ^ kZeros);
            if (nonDigit != 0) {
                const int digits = std::countr_zero(nonDigit) / 8;
                if (digits > 0) {
                    // The digits to the high bytes, leading zeros below them,
                    // then pairs, quads and octets of digits combined.
                    std::uint64_t x = (chunk << (64 - 8 * digits)) & 0x0F0F0F0F0F0F0F0FULL;
                    x = (x * 2561) >> 8;
                    x = ((x & 0x00FF00FF00FF00FFULL) * 6553601) >> 16;
                    x = ((x & 0x0000FFFF0000FFFFULL) * 42949672960001ULL) >> 32;
                    magnitude = x;
                    p += digits;
                }
                in.cur = p;
                value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                                 : static_cast<std::int32_t>(magnitude);
                return true;
            }
        }
    }
    // Eleven digits can hold no 32-bit value, and cannot overflow 64 bits.
    const unsigned char* const stop = end - p > 11 ? p + 11 : end;
    while (p < stop && isDigit(*p)) magnitude = magnitude * 10 + static_cast<unsigned>(*p++ - '0');
    bool tooLong = false;
    while (p < end && isDigit(*p)) {
        ++p;
        tooLong = true;
    }
    in.cur = p;
    if (tooLong || magnitude > (negative ? 2147483648ULL : 2147483647ULL)) {
        in.end = p;
        return false;
    }
    value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<std::int32_t>(magnitude);
    return true;
}

// Whitespace, then at most one ",".
KERF_INLINE_EXCEPT_SMALL inline void skipSeparator(Span& in) {
    const unsigned char* p = in.cur;
    while (p < in.end && isHpglSpace(*p)) ++p;
    if (p < in.end && *p == ',') ++p;
    in.cur = p;
}

KERF_INLINE_EXCEPT_SMALL inline bool readPoint(Span& in, PlotPoint& point) {
    if (!readNumber(in, point.x)) return false;
    skipSeparator(in);
    return readNumber(in, point.y);
}

// The points of a parameter text into `points` (emptied first), up to the
// first point that does not read completely. Returns where reading
// stopped: never past a ";", since no number or separator holds one.
KERF_INLINE_OR_ONE_COPY const unsigned char* readPoints(const unsigned char* begin, const unsigned char* end,
                                       PointBuffer& points) {
    points.clear();
    Span in{begin, end};
    PlotPoint point;
    while (readPoint(in, point)) {
        points.push_back(point);
        skipSeparator(in);
    }
    return in.cur;
}

// The instruction is handled as a zero-terminated string from here on.
inline std::string_view cutAtZero(std::string_view instruction) {
    const void* zero = std::memchr(instruction.data(), '\0', instruction.size());
    if (!zero) return instruction;
    return instruction.substr(
        0, static_cast<std::size_t>(static_cast<const char*>(zero) - instruction.data()));
}

// One complete instruction, ";" not included, handed to `target` as what it
// is: target.points(row, points) for PA, PD, PR and PU; target.row(row) for
// IN; target.text(row, text) for everything else (row 0 and the whole text
// for an unknown mnemonic, the parameters for a known one).
template <typename Target>
void takeInstruction(std::string_view instruction, PointBuffer& points,
                     Target& target) {
    const std::string_view text = cutAtZero(instruction);
    if (text.size() < 2) {
        target.text(0, text);
        return;
    }
    const MnemonicCode code =
        makeMnemonic(static_cast<unsigned char>(text[0]), static_cast<unsigned char>(text[1]));
    const std::uint8_t row = findMnemonicRow(code);
    if (row == 0) {
        target.text(0, text);
    } else if (holdsPoints(code)) {
        const auto* begin = reinterpret_cast<const unsigned char*>(text.data());
        readPoints(begin + 2, begin + text.size(), points);
        target.points(row, points);
    } else if (code == mnemonic::IN) {
        target.row(row);
    } else {
        target.text(row, text.substr(2));
    }
}

// Every instruction of the stream, in order, to `target` (as takeInstruction),
// with the stream's end and failure as readCommand gives them. Instructions
// are scanned in the stream's buffer where they lie; only one that runs past
// the buffered characters is collected into the stream's scratch text.
template <typename Target>
InputStream& readInstructions(InputStream& in, Target& target) {
    PointBuffer points;
    std::uint8_t drawableRow[4];
    for (int i = 0; i < 4; ++i)
        drawableRow[i] = findMnemonicRow(
            i == 0 ? mnemonic::PA : i == 1 ? mnemonic::PD : i == 2 ? mnemonic::PR : mnemonic::PU);
    for (;;) {
        const unsigned char* p = in.bufferedBegin();
        const unsigned char* const end = in.bufferedEnd();
        for (;;) {
            while (p < end && isHpglSpace(*p)) ++p;
            if (end - p < 2) break;
            const MnemonicCode code = makeMnemonic(p[0], p[1]);
            if (holdsPoints(code)) {
                // Parse first, find the ";" where the parse stopped: most
                // instructions end right there.
                const unsigned char* stop = readPoints(p + 2, end, points);
                const unsigned char* semi = nullptr;
                if (stop < end) semi = *stop == ';' ? stop : findByte(stop, end, ';');
                if (!semi) break;
                if (static_cast<std::size_t>(semi - p) > kMaxInstructionLength) break;
                const int which = code == mnemonic::PA ? 0 : code == mnemonic::PD ? 1
                                  : code == mnemonic::PR ? 2 : 3;
                target.points(drawableRow[which], points);
                p = semi + 1;
                continue;
            }
            if (*p == ';') {  // an empty instruction
                target.text(0, std::string_view());
                ++p;
                continue;
            }
            const std::size_t available = static_cast<std::size_t>(end - p);
            const unsigned char* semi = findByte(
                p, p + (available < kMaxInstructionLength + 1 ? available : kMaxInstructionLength + 1),
                ';');
            if (!semi) break;
            takeInstruction(std::string_view(reinterpret_cast<const char*>(p),
                                             static_cast<std::size_t>(semi - p)),
                            points, target);
            p = semi + 1;
        }
        // What is left does not hold a whole instruction: whitespace, or the
        // start of one that goes on past the buffered characters.
        in.consume(static_cast<std::size_t>(p - in.bufferedBegin()));
        const std::optional<std::string_view> instruction = readInstructionText(in);
        if (!instruction) return in;
        takeInstruction(*instruction, points, target);
    }
}

}  // namespace kerfline::scan
