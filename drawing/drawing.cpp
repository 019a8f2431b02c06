#include "drawing/drawing.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "hpgl/pen_walk.h"
#include "hpgl/reader.h"
#include "hpgl/scan.h"

namespace kerfline {

bool PlotDrawing::hasExtent() const {
    return !commands.empty() && minX != kInt32Max && minY != kInt32Max && maxX != kInt32Min &&
           maxY != kInt32Min;
}

namespace {

// The bounds and the knife travel of commands taken one after the other, in
// list order: what computeBounds and computeTravel find, and what reading a
// file finds on the way. Each statistic keeps its own pen state.
struct Statistics {
    std::int32_t minX = kInt32Max;
    std::int32_t minY = kInt32Max;
    std::int32_t maxX = kInt32Min;
    std::int32_t maxY = kInt32Min;
    PlotPoint position{};
    int boundsPen = 0;
    int travelPen = 0;

    KERF_INLINE_EXCEPT_SMALL void take(PlotPoint smallest, PlotPoint largest) {
        if (smallest.x < minX) minX = smallest.x;
        if (smallest.y < minY) minY = smallest.y;
        if (largest.x > maxX) maxX = largest.x;
        if (largest.y > maxY) maxY = largest.y;
    }
    template <typename Points>
    KERF_INLINE_EXCEPT_SMALL void addBounds(MnemonicCode code, const Points& points) {
        const int penBefore = boundsPen;
        PlotPoint smallest, largest;
        geometry::bounds(code, points, smallest, largest, boundsPen);
        if (boundsPen && code == mnemonic::PR) {
            smallest = wrapAdd(smallest, position);
            largest = wrapAdd(largest, position);
        }
        take(smallest, largest);
        // The point the first drawn line starts from.
        if (!penBefore && boundsPen) take(position, position);
    }
    template <typename Points>
    KERF_INLINE_EXCEPT_SMALL void addTravel(MnemonicCode code, const Points& points) {
        settle();
        travel_ += geometry::travel(code, points, position, travelPen);
    }
    // A one-point cut adds the same length, its square root taken later.
    KERF_INLINE_EXCEPT_SMALL void addTravel(MnemonicCode code, const geometry::OnePoint& one) {
        if (code == mnemonic::PD) travelPen = 1;
        const bool cuts = code == mnemonic::PD || (code == mnemonic::PA && travelPen);
        const std::int32_t dx = wrapSub(one.point.x, position.x);
        const std::int32_t dy = wrapSub(one.point.y, position.y);
        constexpr std::int32_t kExact = geometry::kExactBelow;
        if (cuts && dx > -kExact && dx < kExact && dy > -kExact && dy < kExact) {
            const double x = dx, y = dy;
            squares_[pending_++] = x * x + y * y;
            if (pending_ == kPending) settle();
            return;
        }
        settle();
        travel_ += geometry::travel(code, one, position, travelPen);
    }
    template <typename Points>
    KERF_INLINE_EXCEPT_SMALL void advance(MnemonicCode code, const Points& points) {
        position = geometry::endPosition(code, points, position);
    }
    template <typename Points>
    KERF_INLINE_EXCEPT_SMALL void add(MnemonicCode code, const Points& points) {
        addBounds(code, points);
        addTravel(code, points);
        advance(code, points);
    }
    double travel() {
        settle();
        return travel_;
    }

private:
    // The squares of the last cut lengths, in list order: their roots are
    // taken in a row, where the processor overlaps them, and summed in the
    // same order as one at a time, so the total is the same to the last bit.
    KERF_INLINE_EXCEPT_SMALL void settle() {
        for (int i = 0; i < pending_; ++i) travel_ += std::sqrt(squares_[i]);
        pending_ = 0;
    }
    static constexpr int kPending = 64;
    double travel_ = 0.0;
    double squares_[kPending];
    int pending_ = 0;
};

// How far a bound is from the origin, for choosing the shift. The magnitude
// of -2147483648 counts as 2147483647: shifted by 16 it is -32768, which the
// device takes, whereas leaving it out would let it overflow the device.
std::int32_t magnitude(std::int32_t v) {
    if (v >= 0) return v;
    return v == kInt32Min ? kInt32Max : -v;
}

void storeBounds(PlotDrawing& drawing, const Statistics& s) {
    drawing.minX = s.minX;
    drawing.minY = s.minY;
    drawing.maxX = s.maxX;
    drawing.maxY = s.maxY;
    std::int32_t largestMagnitude = magnitude(s.minX);
    for (std::int32_t v : {s.minY, s.maxX, s.maxY})
        if (magnitude(v) > largestMagnitude) largestMagnitude = magnitude(v);
    drawing.shift = 0;
    while ((largestMagnitude >> drawing.shift) > 32767) ++drawing.shift;
}

// The whole-text reader's destination: each instruction a record at the end
// of the list, its text or points in the list's arena, and the statistics
// brought up to date as it goes.
struct ListFiller {
    CommandList& list;
    Arena& arena;
    Statistics& statistics;

    void text(std::uint8_t row, std::string_view text) {
        // No geometry: a command that is not drawable changes no statistic.
        list.appendRecord().setText(row, text.data(), text.size(), &arena);
    }
    void row(std::uint8_t row) {
        PlotCommand& command = list.appendRecord();
        command.setRow(row);
        statistics.add(command.code(), PointSpan());
    }
    KERF_INLINE_EXCEPT_SMALL void points(std::uint8_t row, const scan::PointBuffer& points) {
        PlotCommand& command = list.appendRecord();
        command.setCodedPoints(row, points.first(), points.size(), points.coded(), points.length(),
                               &arena);
        if (points.size() == 1)
            statistics.add(command.code(), geometry::OnePoint{points.first()});
        else
            withPlainPoints(points.span(), [this, &command](const auto& plain) {
                statistics.add(command.code(), plain);
            });
    }
};

// Each command of the list, first to last, without a virtual call.
template <typename F>
void forEachCommand(const CommandList& commands, F&& f) {
    commands.forEachRun([&f](const PlotCommand* run, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) f(run[i]);
    });
}

}  // namespace

InputStream& readDrawing(InputStream& in, PlotDrawing& drawing) {
    drawing.commands.clear();
    // The statistics come with the reading, in the same order as
    // computeBounds and computeTravel would walk the list afterwards.
    Statistics statistics;
    ListFiller filler{drawing.commands, drawing.commands.arena(), statistics};
    try {
        scan::readInstructions(in, filler);
    } catch (...) {
        storeBounds(drawing, statistics);
        drawing.totalTravel = statistics.travel();
        throw;
    }
    storeBounds(drawing, statistics);
    drawing.totalTravel = statistics.travel();
    return in;
}

OutputStream& writeDrawing(OutputStream& out, const PlotDrawing& drawing) {
    forEachCommand(drawing.commands, [&out](const PlotCommand& command) { writeCommand(out, command); });
    return out;
}

void PlotDrawing::computeBounds() {
    Statistics statistics;
    forEachCommand(commands, [&statistics](const PlotCommand& command) {
        const PointSpan points = command.points();
        statistics.addBounds(command.code(), points);
        statistics.advance(command.code(), points);
    });
    storeBounds(*this, statistics);
}

void PlotDrawing::computeTravel() {
    Statistics statistics;
    forEachCommand(commands, [&statistics](const PlotCommand& command) {
        const PointSpan points = command.points();
        statistics.addTravel(command.code(), points);
        statistics.advance(command.code(), points);
    });
    totalTravel = statistics.travel();
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
    const double value = std::floor(totalTravel * (1.0 / kUnitsPerMm) + 0.5);
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
