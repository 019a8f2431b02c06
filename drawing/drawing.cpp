#include "drawing/drawing.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

#include "hpgl/reader.h"

namespace kerfline {

bool PlotDrawing::hasExtent() const {
    return !commands.empty() && minX != kInt32Max && minY != kInt32Max && maxX != kInt32Min &&
           maxY != kInt32Min;
}

InputStream& readDrawing(InputStream& in, PlotDrawing& drawing) {
    drawing.commands.clear();
    while (!in.eof()) {
        // Read in place at the end of the list; an empty read is taken back.
        PlotCommand& command = drawing.commands.emplace_back();
        readPlotCommand(in, command);
        if (command.isEmpty()) {
            drawing.commands.pop_back();
            break;
        }
    }
    drawing.computeBounds();
    drawing.computeTravel();
    return in;
}

OutputStream& writeDrawing(OutputStream& out, const PlotDrawing& drawing) {
    for (const PlotCommand& command : drawing.commands) writeCommand(out, command);
    return out;
}

namespace {
// How far a bound is from the origin, for choosing the shift. The magnitude
// of -2147483648 counts as 2147483647: shifted by 16 it is -32768, which the
// device takes, whereas leaving it out would let it overflow the device.
std::int32_t magnitude(std::int32_t v) {
    if (v >= 0) return v;
    return v == kInt32Min ? kInt32Max : -v;
}
}  // namespace

void PlotDrawing::computeBounds() {
    minX = minY = kInt32Max;
    maxX = maxY = kInt32Min;
    PlotPoint position{};
    int pen = 0;
    for (const PlotCommand& command : commands) {
        const int penBefore = pen;
        PlotPoint smallest, largest;
        command.bounds(smallest, largest, pen);
        if (pen && command.mnemonic() == mnemonic::PR) {
            smallest = wrapAdd(smallest, position);
            largest = wrapAdd(largest, position);
        }
        if (smallest.x < minX) minX = smallest.x;
        if (smallest.y < minY) minY = smallest.y;
        if (largest.x > maxX) maxX = largest.x;
        if (largest.y > maxY) maxY = largest.y;
        if (!penBefore && pen) {
            // The point the first drawn line starts from.
            if (position.x < minX) minX = position.x;
            if (position.y < minY) minY = position.y;
            if (position.x > maxX) maxX = position.x;
            if (position.y > maxY) maxY = position.y;
        }
        position = command.endPosition(position);
    }
    std::int32_t largestMagnitude = magnitude(minX);
    for (std::int32_t v : {minY, maxX, maxY})
        if (magnitude(v) > largestMagnitude) largestMagnitude = magnitude(v);
    shift = 0;
    while ((largestMagnitude >> shift) > 32767) ++shift;
}

void PlotDrawing::computeTravel() {
    totalTravel = 0.0;
    PlotPoint position{};
    int pen = 0;
    for (const PlotCommand& command : commands) {
        totalTravel += command.travel(position, pen);
        position = command.endPosition(position);
    }
}

namespace {

constexpr std::string_view kMm = " \xEC\xEC";  // " мм" in code page 1251

// Builds a text piece by piece into a caller's buffer, never past its end.
class TextBuilder {
public:
    TextBuilder(char* buffer, std::size_t capacity) : buffer_(buffer), capacity_(capacity) {
        if (capacity_ > 0) buffer_[0] = '\0';
    }
    TextBuilder& operator<<(std::string_view piece) {
        if (capacity_ == 0) return *this;
        const std::size_t room = capacity_ - 1 - used_;
        const std::size_t n = piece.size() < room ? piece.size() : room;
        std::memcpy(buffer_ + used_, piece.data(), n);
        used_ += n;
        buffer_[used_] = '\0';
        return *this;
    }
    TextBuilder& operator<<(std::int64_t value) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        return *this << std::string_view(digits, static_cast<std::size_t>(end - digits));
    }
    char* text() const { return buffer_; }

private:
    char* buffer_;
    std::size_t capacity_;
    std::size_t used_ = 0;
};

// Millimetres from plotter units, truncated toward zero; the difference of
// two bounds is taken in 64 bits so that no extent overflows.
std::int64_t millimetres(std::int64_t units) { return units / kUnitsPerMm; }

}  // namespace

char* PlotDrawing::areaText(char* buffer, std::size_t capacity) const {
    TextBuilder text(buffer, capacity);
    if (!hasExtent()) return (text << std::int64_t{0} << "x" << std::int64_t{0} << kMm).text();
    return (text << millimetres(std::int64_t{maxX} - minX) << "x"
                 << millimetres(std::int64_t{maxY} - minY) << kMm)
        .text();
}

char* PlotDrawing::lowerLeftText(char* buffer, std::size_t capacity) const {
    TextBuilder text(buffer, capacity);
    if (!hasExtent()) return (text << "(0,0)").text();
    return (text << "(" << millimetres(minX) << kMm << "," << millimetres(minY) << kMm << ")")
        .text();
}

char* travelNumberText(double totalTravel, char* buffer, std::size_t capacity) {
    TextBuilder text(buffer, capacity);
    const double value = std::floor(totalTravel * 0.025 + 0.5);
    // The general format with 6 significant digits, as printf's %.6g, but
    // independent of the locale.
    char digits[32];
    const auto end =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 6).ptr;
    return (text << std::string_view(digits, static_cast<std::size_t>(end - digits))).text();
}

char* PlotDrawing::travelText(char* buffer, std::size_t capacity) const {
    char number[32];
    travelNumberText(totalTravel, number, sizeof number);
    TextBuilder text(buffer, capacity);
    return (text << number << kMm).text();
}

}  // namespace kerfline
