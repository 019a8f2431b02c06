// The state of one rendering pass: the device, the pen position and state,
// and the shift that brings plotter units into the device's 16-bit range.
#pragma once

#include <cstdint>

#include "drawing/gdi.h"
#include "hpgl/point.h"

namespace kerfline {

class DrawContext {
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

    // Device calls with the coordinates passed through toDevice.
    void moveTo(PlotPoint p);
    void lineTo(PlotPoint p);

private:
    HDC device_;
    PlotPoint current_{};
    int penDown_ = 0;
    int shift_;
    // Where the last moveTo/lineTo left the device's pen, in device units.
    int lastX_ = 0;
    int lastY_ = 0;
};

}  // namespace kerfline
