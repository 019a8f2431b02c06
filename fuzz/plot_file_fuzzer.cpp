// Any bytes, read as a plot file: the statistics and the image operations
// run on the drawing, it is drawn onto a counting device, and writing it,
// reading that back and writing again must give the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <tuple>

#include "drawing/drawing.h"
#include "drawing/operations.h"
#include "hpgl/reader.h"

namespace {

using namespace kerfline;

class CountingDevice final : public gdi::Device {
public:
    long calls = 0;
    int setMapMode(int) override { return ++calls, 1; }
    BOOL setWindowExt(int x, int y, LPSIZE) override { return check(x != 0 && y != 0); }
    BOOL setViewportExt(int x, int y, LPSIZE) override { return check(x != 0 && y != 0); }
    BOOL setViewportOrg(int, int, LPPOINT) override { return check(true); }
    BOOL setWindowOrg(int, int, LPPOINT) override { return check(true); }
    int deviceCaps(int index) override {
        return ++calls, index == HORZSIZE ? 210 : index == VERTSIZE ? 297 : 2400;
    }
    BOOL moveTo(int, int, LPPOINT) override { return check(true); }
    BOOL lineTo(int, int) override { return check(true); }

private:
    BOOL check(bool ok) {
        ++calls;
        if (!ok) std::abort();  // a zero extent must never reach the device
        return 1;
    }
};

class Window final : public gdi::Window {
public:
    BOOL clientRect(LPRECT rect) override {
        *rect = RECT{0, 0, 640, 480};
        return 1;
    }
    int systemMetric(int) override { return 4; }
};

std::string written(const PlotDrawing& drawing) {
    MemoryOutput out;
    writeDrawing(out, drawing);
    return out.str();
}

std::int32_t takeInt(std::string_view& bytes) {
    std::uint32_t value = 0;
    const std::size_t n = bytes.size() < 4 ? bytes.size() : 4;
    std::memcpy(&value, bytes.data(), n);
    bytes.remove_prefix(n);
    return static_cast<std::int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    sortMnemonicTable();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // The point parser and the stream grammar agree on any parameter text.
    {
        PointList parsed;
        parsePointList(bytes, parsed);
        MemoryInput text(bytes);
        std::uint32_t count = 0;
        PlotPoint point;
        while (!readPoint(text, point).failed()) {
            if (count >= parsed.size() || !(parsed[count] == point)) std::abort();
            ++count;
            skipSeparator(text);
        }
        if (count != parsed.size()) std::abort();
    }

    PlotDrawing drawing;
    MemoryInput in(bytes);
    readDrawing(in, drawing);

    // The statistics found while reading are the finished list's, and the
    // instruction reader, one instruction at a time, reads the same commands.
    {
        const auto found = std::make_tuple(drawing.minX, drawing.minY, drawing.maxX, drawing.maxY,
                                           drawing.shift, drawing.totalTravel);
        drawing.computeBounds();
        drawing.computeTravel();
        if (found != std::make_tuple(drawing.minX, drawing.minY, drawing.maxX, drawing.maxY,
                                     drawing.shift, drawing.totalTravel))
            std::abort();
        MemoryInput single(bytes);
        MemoryOutput each;
        for (;;) {
            PlotCommand command;
            readPlotCommand(single, command);
            if (command.isEmpty()) break;
            writeCommand(each, command);
        }
        if (single.failed() != in.failed() || each.str() != written(drawing)) std::abort();
    }

    // Write after read is a fixed point.
    const std::string first = written(drawing);
    PlotDrawing again;
    MemoryInput back(first);
    readDrawing(back, again);
    if (back.failed() || written(again) != first) std::abort();

    char text[128];
    drawing.areaText(text, sizeof text);
    drawing.lowerLeftText(text, sizeof text);
    drawing.travelText(text, sizeof text);

    Window window;
    gdi::metricsSource() = &window;
    CountingDevice device;
    drawing.render(&window, &device);
    drawing.render(nullptr, &device);

    // The image operations, with values taken from the input's first bytes.
    std::string_view knobs = bytes.substr(0, 16);
    const std::int32_t a = takeInt(knobs), b = takeInt(knobs), c = takeInt(knobs);
    switch (static_cast<unsigned>(a) % 4) {
        case 0:
            frameDrawing(drawing, b);
            break;
        case 1:
            scaleDrawing(drawing, b);
            break;
        case 2:
            rotateDrawing(drawing);
            break;
        default:
            moveDrawing(drawing, b, c);
            break;
    }
    drawing.render(&window, &device);
    drawing.areaText(text, sizeof text);
    gdi::metricsSource() = nullptr;

    // The changed drawing still writes a text that reads back the same.
    const std::string changed = written(drawing);
    PlotDrawing reread;
    MemoryInput changedIn(changed);
    readDrawing(changedIn, reread);
    if (changedIn.failed() || written(reread) != changed) std::abort();
    return 0;
}
