// Rendering: an isotropic mapping from the drawing's bounds to the device,
// then every command draws itself through the pass's DrawContext.
#include <cstdint>

#include "drawing/draw_context.h"
#include "drawing/drawing.h"
#include "hpgl/pen_walk.h"

namespace kerfline {

void DrawContext::flush() {
    if (lineCount_ > 0)
        PolyPolyline(deviceContext(), points_, counts_, static_cast<DWORD>(lineCount_));
    pointCount_ = 0;
    lineCount_ = 0;
    open_ = false;
}

void DrawContext::startLine(int x, int y) {
    if (pointCount_ > kBatchPoints - 2) flush();
    counts_[lineCount_++] = 0;
    addPoint(x, y);
    open_ = true;
}

void HpglCommand::draw(DrawContext& context) const {
    context.setPosition(endPosition(context.position()));
}

namespace {

// What a command draws: the pen's walk through it, drawn on the pass's
// context. A run drawn with the pen down starts with a move to where the
// pen stands; with the pen up, the pen moves once, to where the command
// leaves it.
class DrawSink {
public:
    KERF_INLINE_EXCEPT_SMALL explicit DrawSink(DrawContext& context)
        : context_(context), start_(context.position()) {}
    KERF_INLINE_EXCEPT_SMALL void lower() { context_.setPenDown(1); }
    KERF_INLINE_EXCEPT_SMALL void lift() { context_.setPenDown(0); }
    KERF_INLINE_EXCEPT_SMALL void home() {}
    KERF_INLINE_EXCEPT_SMALL void to(PlotPoint p) {
        if (context_.isPenDown()) {
            if (!drawing_) context_.moveTo(start_);
            drawing_ = true;
            context_.lineTo(p);
        } else {
            moved_ = true;
            last_ = p;
        }
    }
    KERF_INLINE_EXCEPT_SMALL void finish() {
        if (moved_) context_.moveTo(last_);
    }

private:
    DrawContext& context_;
    PlotPoint start_;
    PlotPoint last_{};
    bool drawing_ = false;
    bool moved_ = false;
};

template <typename Points>
KERF_INLINE_EXCEPT_SMALL inline void drawPoints(DrawContext& context, MnemonicCode code,
                                          const Points& list) {
    DrawSink sink(context);
    geometry::penStep(code, list, context.position(), sink);
    sink.finish();
    context.setPosition(geometry::endPosition(code, list, context.position()));
}

}  // namespace

void PlotCommand::draw(DrawContext& context) const {
    // Most commands of a big job hold one point, packed in the record.
    if (form() >= kPacked)
        drawPoints(context, kPackedCodes[form() - kPacked], geometry::OnePoint{packedPoint()});
    else
        withPlainPoints(points(), [this, &context](const auto& plain) {
            drawPoints(context, code(), plain);
        });
}

namespace {

// The smallest n for which `value` >> n is at most 32767.
int shiftFor(std::int64_t value) {
    int n = 0;
    while ((value >> n) > 32767) ++n;
    return n;
}

int clampToInt(std::int64_t v) {
    if (v > kInt32Max) return kInt32Max;
    if (v < kInt32Min) return kInt32Min;
    return static_cast<int>(v);
}

}  // namespace

void PlotDrawing::render(HWND window, HDC dc) const {
    if (!hasExtent()) return;
    DrawContext context(dc, shift);

    // A single point or a straight horizontal or vertical cut has a zero
    // extent; the platform refuses a zero window extent, so use 1 (or, for a
    // single point, the device's own size, so one unit is one pixel).
    int extentX = static_cast<int>((std::int64_t{maxX} - minX) >> shift);
    int extentY = static_cast<int>((std::int64_t{maxY} - minY) >> shift);
    auto fixExtents = [&](int deviceWidth, int deviceHeight) {
        if (extentX == 0 && extentY == 0) {
            extentX = deviceWidth > 0 ? deviceWidth : 1;
            extentY = deviceHeight > 0 ? deviceHeight : 1;
        }
        if (extentX == 0) extentX = 1;
        if (extentY == 0) extentY = 1;
    };

    if (window) {
        RECT client{};
        GetClientRect(window, &client);
        const std::int64_t width = std::int64_t{client.right} - client.left;
        const std::int64_t height = std::int64_t{client.bottom} - client.top;
        const int frameX = GetSystemMetrics(SM_CXFRAME);
        const int frameY = GetSystemMetrics(SM_CYFRAME);
        const std::int64_t viewportX = width - 2 * std::int64_t{frameX};
        const std::int64_t viewportY = 2 * std::int64_t{frameY} - height;
        // No room inside the margins: draw nothing rather than a mirror image.
        if (viewportX <= 0 || viewportY >= 0) return;
        fixExtents(clampToInt(viewportX), clampToInt(-viewportY));

        SetMapMode(dc, MM_ISOTROPIC);
        SetWindowExtEx(dc, extentX, extentY, nullptr);
        SetViewportExtEx(dc, clampToInt(viewportX), clampToInt(viewportY), nullptr);
        SetViewportOrgEx(dc, frameX, frameY, nullptr);
        SetWindowOrgEx(dc, minX >> shift, maxY >> shift, nullptr);
    } else {
        const int paperWidth = GetDeviceCaps(dc, HORZSIZE);
        const int paperHeight = GetDeviceCaps(dc, VERTSIZE);
        const int pixelsX = GetDeviceCaps(dc, HORZRES);
        const int pixelsY = GetDeviceCaps(dc, VERTRES);
        SetMapMode(dc, MM_ISOTROPIC);
        if (maxX / kUnitsPerMm < paperWidth && maxY / kUnitsPerMm < paperHeight) {
            // True scale: plotter (0, 0) on the lower-left corner of the page.
            const std::int64_t pageX = std::int64_t{paperWidth} * kUnitsPerMm;
            const std::int64_t pageY = std::int64_t{paperHeight} * kUnitsPerMm;
            const int n = shiftFor(pageX > pageY ? pageX : pageY);
            context.setShift(n);
            SetWindowExtEx(dc, clampToInt(pageX >> n), clampToInt(pageY >> n), nullptr);
            SetViewportExtEx(dc, pixelsX, -pixelsY, nullptr);
            SetWindowOrgEx(dc, 0, clampToInt(pageY >> n), nullptr);
        } else {
            fixExtents(pixelsX, pixelsY);
            SetWindowExtEx(dc, extentX, extentY, nullptr);
            SetViewportExtEx(dc, pixelsX, -pixelsY, nullptr);
            SetWindowOrgEx(dc, minX >> shift, maxY >> shift, nullptr);
        }
    }

    // PlotCommand and DrawContext are final: no virtual call in this loop.
    commands.forEachRun([&context](const PlotCommand* run, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) run[i].draw(context);
    });
    context.flush();
}

}  // namespace kerfline
