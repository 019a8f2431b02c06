#include "hpgl/reader.h"

#include <bit>
#include <cstring>
#include <optional>
#include <vector>

namespace kerfline {

namespace {

// Skips whitespace and collects the next instruction up to its ";". The view
// points into the stream's buffer or its scratch string and stays valid until
// the stream is read again. No value: the text ended (only end of input), or
// the instruction was cut off or too long (the stream failed).
std::optional<std::string_view> readInstruction(InputStream& in) {
    for (;;) {
        const unsigned char* p = in.bufferedBegin();
        const unsigned char* const end = in.bufferedEnd();
        while (p < end && isHpglSpace(*p)) ++p;
        in.consume(static_cast<std::size_t>(p - in.bufferedBegin()));
        if (p < end) break;
        if (!in.fill()) return std::nullopt;
    }

    std::string& scratch = in.scratch();
    bool spansBlocks = false;
    for (;;) {
        const unsigned char* const begin = in.bufferedBegin();
        const std::size_t available = static_cast<std::size_t>(in.bufferedEnd() - begin);
        const std::size_t collected = spansBlocks ? scratch.size() : 0;
        const std::size_t room = kMaxInstructionLength - collected;
        // Up to `room` characters may belong to the instruction; the one
        // after them must be the ";".
        const std::size_t look = available < room + 1 ? available : room + 1;
        if (const void* semi = std::memchr(begin, ';', look)) {
            const std::size_t length =
                static_cast<std::size_t>(static_cast<const unsigned char*>(semi) - begin);
            const char* chars = reinterpret_cast<const char*>(begin);
            in.consume(length + 1);
            if (!spansBlocks) return std::string_view(chars, length);
            scratch.append(chars, length);
            return std::string_view(scratch);
        }
        if (available > room) {
            in.consume(room + 1);  // the character past the limit is dropped
            in.setFailed();
            return std::nullopt;
        }
        if (!spansBlocks) scratch.clear();
        spansBlocks = true;
        scratch.append(reinterpret_cast<const char*>(begin), available);
        in.consume(available);
        if (!in.fill()) {
            in.setFailed();  // the text ended inside the instruction
            return std::nullopt;
        }
    }
}

// The instruction is handled as a zero-terminated string from here on.
std::string_view cutAtZero(std::string_view instruction) {
    const void* zero = std::memchr(instruction.data(), '\0', instruction.size());
    if (!zero) return instruction;
    return instruction.substr(
        0, static_cast<std::size_t>(static_cast<const char*>(zero) - instruction.data()));
}

MnemonicCode codeOf(std::string_view instruction) {
    return makeMnemonic(static_cast<unsigned char>(instruction[0]),
                        static_cast<unsigned char>(instruction[1]));
}

constexpr bool isDigit(int c) { return c >= '0' && c <= '9'; }

// The number and separator grammar, written once for any source of
// characters: an input stream, or the span of a parameter text, which the
// point parser walks without a stream's overhead. A source has get() (-1 at
// the end), unget() and fail().
template <typename Source>
bool readNumberFrom(Source& in, std::int32_t& value) {
    int c = in.get();
    while (isHpglSpace(c)) c = in.get();
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = in.get();
    }
    if (!isDigit(c)) {
        in.fail();
        return false;
    }
    // Leading zeros are allowed, so keep reading digits past an overflow.
    std::uint64_t magnitude = 0;
    bool tooLarge = false;
    do {
        if (!tooLarge) {
            magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
            tooLarge = magnitude > 2147483648ULL;
        }
        c = in.get();
    } while (isDigit(c));
    if (c >= 0) in.unget();
    if (tooLarge || (!negative && magnitude > 2147483647ULL)) {
        in.fail();
        return false;
    }
    value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<std::int32_t>(magnitude);
    return true;
}

// An input stream as a source.
struct StreamSource {
    InputStream& in;
    int get() { return in.get(); }
    void unget() { in.unget(); }
    void fail() { in.setFailed(); }
};

// A parameter text as a source.
struct SpanSource {
    const unsigned char* cur;
    const unsigned char* end;
    int get() { return cur < end ? *cur++ : -1; }
    void unget() { --cur; }
    void fail() { end = cur; }
};

// The same grammar over a span in one pass, for the point parser, which
// reads every coordinate of a file. The fuzzer checks the two agree.
bool readNumberFrom(SpanSource& in, std::int32_t& value) {
    const unsigned char* p = in.cur;
    const unsigned char* const end = in.end;
    while (p < end && isHpglSpace(*p)) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end || !isDigit(*p)) {
        in.cur = p;
        in.fail();
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
        in.fail();
        return false;
    }
    value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<std::int32_t>(magnitude);
    return true;
}

template <typename Source>
void skipSeparatorIn(Source& in) {
    int c = in.get();
    while (isHpglSpace(c)) c = in.get();
    if (c >= 0 && c != ',') in.unget();
}

template <typename Source>
bool readPointFrom(Source& in, PlotPoint& point) {
    if (!readNumberFrom(in, point.x)) return false;
    skipSeparatorIn(in);
    return readNumberFrom(in, point.y);
}

}  // namespace

InputStream& readCommand(InputStream& in, HpglCommand& command) {
    command.clear();
    const auto instruction = readInstruction(in);
    if (!instruction) return in;
    const std::string_view text = cutAtZero(*instruction);
    if (text.size() < 2)
        command.assignShort(text);
    else
        command.assign(codeOf(text), text.substr(2));
    return in;
}

InputStream& readPlotCommand(InputStream& in, PlotCommand& command) {
    command.clear();
    const auto instruction = readInstruction(in);
    if (!instruction) return in;
    const std::string_view text = cutAtZero(*instruction);
    if (text.size() < 2) {
        command.assignShort(text);
        return in;
    }
    const MnemonicCode code = codeOf(text);
    const MnemonicEntry* entry = findMnemonic(code);
    if (entry && entry->drawable)
        command.assignDrawable(*entry, text.substr(2));
    else
        command.assign(code, text.substr(2));
    return in;
}

void skipSeparator(InputStream& in) {
    StreamSource source{in};
    skipSeparatorIn(source);
}

InputStream& readPoint(InputStream& in, PlotPoint& point) {
    StreamSource source{in};
    readPointFrom(source, point);
    return in;
}

void parsePointList(std::string_view parameters, PointList& points) {
    const auto* begin = reinterpret_cast<const unsigned char*>(parameters.data());
    SpanSource in{begin, begin + parameters.size()};
    PlotPoint point;
    if (!readPointFrom(in, point)) {
        points.create();
        return;
    }
    skipSeparatorIn(in);
    PlotPoint second;
    if (!readPointFrom(in, second)) {
        // The usual one-point PD or PU: the list holds it inline.
        points.create(1);
        points.push_back(point);
        return;
    }
    // Collect in a reused buffer so the list is allocated once, at its size.
    thread_local std::vector<PlotPoint> collected;
    collected.clear();
    collected.push_back(point);
    do {
        collected.push_back(second);
        skipSeparatorIn(in);
    } while (readPointFrom(in, second));
    points.create(static_cast<std::uint32_t>(collected.size()));
    for (const PlotPoint& p : collected) points.push_back(p);
}

OutputStream& writeCommand(OutputStream& out, const HpglCommand& command) {
    if (command.isEmpty()) return out;
    if (command.isKnown()) {
        const MnemonicCode code = command.mnemonic();
        out.put(static_cast<char>(code & 0xFF));
        out.put(static_cast<char>(code >> 8));
    }
    command.writeParameters(out);
    out.put(';');
    return out;
}

}  // namespace kerfline
