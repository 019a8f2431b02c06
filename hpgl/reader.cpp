#include "hpgl/reader.h"

#include <vector>

#include "hpgl/find_byte.h"
#include "hpgl/scan.h"

namespace kerfline {

std::optional<std::string_view> readInstructionText(InputStream& in) {
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
        if (const unsigned char* semi = findByte(begin, begin + look, ';')) {
            const std::size_t length = static_cast<std::size_t>(semi - begin);
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

namespace {

// The number and separator grammar over an input stream, a character at a
// time; the span grammar (scan.h) must agree with it, which the tests and
// the fuzzer check.
bool readNumberFrom(InputStream& in, std::int32_t& value) {
    int c = in.get();
    while (isHpglSpace(c)) c = in.get();
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = in.get();
    }
    if (!scan::isDigit(c)) {
        in.setFailed();
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
    } while (scan::isDigit(c));
    if (c >= 0) in.unget();
    if (tooLarge || (!negative && magnitude > 2147483647ULL)) {
        in.setFailed();
        return false;
    }
    value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<std::int32_t>(magnitude);
    return true;
}

// Fills a command of its own: what it holds goes on the heap.
struct OwnStorage {
    HpglCommand& command;
    void text(std::uint8_t row, std::string_view text) {
        command.setText(row, text.data(), text.size(), nullptr);
    }
    void row(std::uint8_t row) { command.setRow(row); }
    void points(std::uint8_t row, const scan::PointBuffer& points) {
        command.setCodedPoints(row, points.first(), points.size(), points.coded(), points.length(),
                               nullptr);
    }
};

}  // namespace

InputStream& readCommand(InputStream& in, HpglCommand& command) {
    command.clear();
    const auto instruction = readInstructionText(in);
    if (!instruction) return in;
    const std::string_view text = scan::cutAtZero(*instruction);
    if (text.size() < 2)
        command.assignShort(text);
    else
        command.assign(makeMnemonic(static_cast<unsigned char>(text[0]),
                                    static_cast<unsigned char>(text[1])),
                       text.substr(2));
    return in;
}

InputStream& readPlotCommand(InputStream& in, PlotCommand& command) {
    command.clear();
    const auto instruction = readInstructionText(in);
    if (!instruction) return in;
    thread_local scan::PointBuffer points;
    OwnStorage storage{command};
    scan::takeInstruction(*instruction, points, storage);
    return in;
}

void skipSeparator(InputStream& in) {
    int c = in.get();
    while (isHpglSpace(c)) c = in.get();
    if (c >= 0 && c != ',') in.unget();
}

InputStream& readPoint(InputStream& in, PlotPoint& point) {
    if (readNumberFrom(in, point.x)) {
        skipSeparator(in);
        readNumberFrom(in, point.y);
    }
    return in;
}

void parsePointList(std::string_view parameters, PointList& points) {
    const auto* begin = reinterpret_cast<const unsigned char*>(parameters.data());
    thread_local scan::PointBuffer collected;
    scan::readPoints(begin, begin + parameters.size(), collected);
    points.create(collected.size());
    for (const PlotPoint& p : collected.span()) points.push_back(p);
}

namespace {
template <typename Command>
OutputStream& write(OutputStream& out, const Command& command) {
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
}  // namespace

OutputStream& writeCommand(OutputStream& out, const HpglCommand& command) {
    return write(out, command);
}

// PlotCommand is final: these calls go straight to its operations.
OutputStream& writeCommand(OutputStream& out, const PlotCommand& command) {
    return write(out, command);
}

}  // namespace kerfline
