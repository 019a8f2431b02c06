#include "drawing/operations.h"

#include <algorithm>
#include <string>

namespace kerfline {

namespace {

void recompute(PlotDrawing& drawing) {
    drawing.computeBounds();
    drawing.computeTravel();
}

}  // namespace

void frameDrawing(PlotDrawing& drawing, std::int32_t distanceMm) {
    if (!drawing.hasExtent()) return;
    const std::int32_t d = wrapMul(distanceMm, kUnitsPerMm);
    const std::int32_t left = wrapSub(drawing.minX, d);
    const std::int32_t bottom = wrapSub(drawing.minY, d);
    const std::int32_t right = wrapAdd(drawing.maxX, d);
    const std::int32_t top = wrapAdd(drawing.maxY, d);

    const auto first = std::find_if(drawing.commands.begin(), drawing.commands.end(),
                                    [](const PlotCommand& c) { return holdsPoints(c.mnemonic()); });
    if (first != drawing.commands.end()) {
        auto number = [](std::int32_t v) { return std::to_string(v); };
        const std::string corner = "PU" + number(left) + "," + number(bottom) + ";";
        const std::string frame = "PD" + number(left) + "," + number(top) + "," + number(right) +
                                  "," + number(top) + "," + number(right) + "," + number(bottom) +
                                  "," + number(left) + "," + number(bottom) + ";";
        // The new commands are read from HP-GL text exactly as a file would be.
        PlotCommand created[3] = {PlotCommand(corner.c_str()), PlotCommand(frame.c_str()),
                                  PlotCommand("PU0,0;")};
        drawing.commands.insert(first.index(), created, 3);
    }
    recompute(drawing);
}

void scaleDrawing(PlotDrawing& drawing, std::int32_t percent) {
    if (!drawing.hasExtent()) return;
    const double factor = percent * 0.01;
    for (PlotCommand& command : drawing.commands) command.scale(factor);
    recompute(drawing);
}

void rotateDrawing(PlotDrawing& drawing) {
    if (!drawing.hasExtent()) return;
    const std::int32_t sum = wrapAdd(drawing.minX, drawing.maxX);
    for (PlotCommand& command : drawing.commands) command.rotate(sum);
    recompute(drawing);
}

void moveDrawing(PlotDrawing& drawing, std::int32_t xMm, std::int32_t yMm) {
    if (!drawing.hasExtent()) return;
    const PlotPoint offset{wrapSub(wrapMul(xMm, kUnitsPerMm), drawing.minX),
                           wrapSub(wrapMul(yMm, kUnitsPerMm), drawing.minY)};
    for (PlotCommand& command : drawing.commands) command.move(offset);
    recompute(drawing);
}

}  // namespace kerfline
