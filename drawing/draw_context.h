// The state of one rendering pass: the device, the pen position and state,
// and the shift that brings plotter units into the device's 16-bit range.
#pragma once

#include <cstdint>

#include "drawing/gdi.h"
#include "hpgl/point.h"

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

    // Device calls with the coordinates passed through toDevice. Lines go
    // to the device in runs (PolylineTo draws what the LineTo calls would),
    // and a move to where the device's pen already is, is left out: a
    // pen-down command starts from the point the last one ended at.
    void moveTo(PlotPoint p);
    void lineTo(PlotPoint p);
    // Hands the lines still held to the device; at the end of a pass.
    void flush();

private:
    static constexpr int kRun = 256;

    HDC device_;
    PlotPoint current_{};
    int penDown_ = 0;
    int shift_;
    // Where the last moveTo/lineTo left the device's pen, in device units,
    // once a first move has put it somewhere known.
    int lastX_ = 0;
    int lastY_ = 0;
    bool placed_ = false;
    POINT run_[kRun];
    int runLength_ = 0;
};

}  // namespace kerfline
