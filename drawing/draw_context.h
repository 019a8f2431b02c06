// The state of one rendering pass: the device, the pen position and state,
// and the shift that brings plotter units into the device's 16-bit range.
#pragma once

#include <cstdint>

#include "drawing/gdi.h"
#include "hpgl/command.h"
#include "geometry/point.h"

namespace kerfline {

class DrawContext final {
public:
    DrawContext(HDC device, int shift) : device_(device), shift_(shift) {}
    virtual ~DrawContext() = default;

    virtual HDC deviceContext() const { return device_; }
    virtual void setPenDown(int down) { penDown_ = down; }
    virtual int isPenDown() const { return penDown_; }
    virtual void setPosition(PlotPoint p) { current_ = p; }
    virtual PlotPoint position() const { return current_; }
    // An arithmetic shift: the floor of value / 2^shift, also for negatives.
    virtual int toDevice(std::int32_t value) const { return value >> shift_; }
    virtual int setShift(int shift) {
        const int previous = shift_;
        shift_ = shift;
        return previous;
    }

    static constexpr int kBatchPoints = 4096;

    // Lines with the coordinates passed through toDevice. They reach the
    // device in batches, many polylines to a PolyPolyline call, which draws
    // what the MoveToEx and LineTo calls of the same lines would; a move
    // costs no call. The device's current position is left alone. Called
    // once for every point of a pass, they are inlined where they are called.
    void moveTo(PlotPoint p);
    void lineTo(PlotPoint p);
    // Hands the lines still held to the device; at the end of a pass.
    void flush();

private:
    // Begins a polyline at (x, y), after the batch is handed over if it
    // has no room for the polyline's first two points.
    void startLine(int x, int y);
    void addPoint(int x, int y) {
        points_[pointCount_++] = POINT{x, y};
        ++counts_[lineCount_ - 1];
    }

    HDC device_;
    PlotPoint current_{};
    int penDown_ = 0;
    int shift_;
    // Where the pen is, in device units, once a first move has put it
    // somewhere known (a pass starts with a move).
    int lastX_ = 0;
    int lastY_ = 0;
    bool placed_ = false;
    // Whether the batch's last polyline ends at the pen, so that the next
    // line can continue it.
    bool open_ = false;
    int pointCount_ = 0;
    int lineCount_ = 0;
    POINT points_[kBatchPoints];
    DWORD counts_[kBatchPoints / 2];  // each polyline has two points at least
};

KERF_INLINE_EXCEPT_SMALL inline void DrawContext::moveTo(PlotPoint p) {
    const int x = toDevice(p.x);
    const int y = toDevice(p.y);
    if (placed_ && x == lastX_ && y == lastY_) return;
    open_ = false;
    lastX_ = x;
    lastY_ = y;
    placed_ = true;
}

KERF_INLINE_EXCEPT_SMALL inline void DrawContext::lineTo(PlotPoint p) {
    const int x = toDevice(p.x);
    const int y = toDevice(p.y);
    if (x == lastX_ && y == lastY_) {
        // A line leaves out its end point, so a cut that starts and ends at
        // the same place would not show at all: draw it one unit long, as a
        // polyline of its own, since the pen stays where the cut ends.
        startLine(x, y);
        addPoint(x < kInt32Max ? x + 1 : x - 1, y);
        open_ = false;
        return;
    }
    if (!open_) {
        startLine(lastX_, lastY_);
    } else if (pointCount_ == kBatchPoints) {
        // The polyline goes on in the next batch from the point it reached.
        flush();
        startLine(lastX_, lastY_);
    }
    addPoint(x, y);
    lastX_ = x;
    lastY_ = y;
}

}  // namespace kerfline
