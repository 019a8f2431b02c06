// One drawing in memory: the commands of a plot file in file order, with
// its drawn extent, the display shift and the knife travel.
#pragma once

#include <cstddef>
#include <cstdint>

#include "drawing/command_list.h"
#include "drawing/gdi.h"
#include "hpgl/command.h"
#include "hpgl/stream.h"

namespace kerfline {

class PlotDrawing {
public:
    PlotDrawing() = default;
    PlotDrawing(const PlotDrawing&) = delete;
    PlotDrawing& operator=(const PlotDrawing&) = delete;
    PlotDrawing(PlotDrawing&&) = default;
    PlotDrawing& operator=(PlotDrawing&&) = default;
    ~PlotDrawing() = default;

    // Draws onto a window's client area (window set) or a printer page
    // (window null): a mapping from the bounds, then every command.
    virtual void render(HWND window, HDC dc) const;
    // Bounds and shift, then the knife travel: after every change of the list.
    virtual void computeBounds();
    virtual void computeTravel();

    // The list is not empty and no bound holds its empty value.
    bool hasExtent() const;

    // The Info dialog's texts, in code page 1251, written into `buffer` of
    // `capacity` bytes (cut short if they do not fit, always terminated when
    // capacity > 0) and returned.
    char* areaText(char* buffer, std::size_t capacity) const;
    char* lowerLeftText(char* buffer, std::size_t capacity) const;
    char* travelText(char* buffer, std::size_t capacity) const;

    CommandList commands;
    std::int32_t minX = kInt32Max;
    std::int32_t minY = kInt32Max;
    std::int32_t maxX = kInt32Min;
    std::int32_t maxY = kInt32Min;
    std::int32_t shift = 0;
    double totalTravel = 0.0;
};

// The knife travel in whole millimetres, halves upward, as "%.6g" writes
// it whatever the locale: 3086, 999999, 1e+06. Returns the buffer.
char* travelNumberText(double totalTravel, char* buffer, std::size_t capacity);

// Replaces the list with the commands read from `in`, then recomputes.
// Whatever was read before a failure stays; judge the stream's failed().
InputStream& readDrawing(InputStream& in, PlotDrawing& drawing);

// Every command, first to last, with nothing between them.
OutputStream& writeDrawing(OutputStream& out, const PlotDrawing& drawing);

}  // namespace kerfline
