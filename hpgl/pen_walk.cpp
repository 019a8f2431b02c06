// The geometry of one command: its box, where it leaves the pen, the length
// it cuts, and the three changes of its points. A command knows nothing of
// its neighbours; the caller carries the position and the pen state.
#include "hpgl/pen_walk.h"

namespace kerfline {

double distance(PlotPoint a, PlotPoint b) { return geometry::cutLength(a, b); }

void HpglCommand::bounds(PlotPoint& smallest, PlotPoint& largest, int&) const {
    smallest = geometry::kEmptySmallest;
    largest = geometry::kEmptyLargest;
}

PlotPoint HpglCommand::endPosition(PlotPoint current) const { return current; }

double HpglCommand::travel(PlotPoint, int&) const { return 0.0; }

void PlotCommand::bounds(PlotPoint& smallest, PlotPoint& largest, int& pen) const {
    geometry::bounds(code(), points(), smallest, largest, pen);
}

PlotPoint PlotCommand::endPosition(PlotPoint current) const {
    return geometry::endPosition(code(), points(), current);
}

double PlotCommand::travel(PlotPoint start, int& pen) const {
    return geometry::travel(code(), points(), start, pen);
}

void PlotCommand::scale(double factor) {
    if (!holdsPoints(code())) return;
    changePoints([factor](PlotPoint p) {
        return PlotPoint{truncToInt32(p.x * factor), truncToInt32(p.y * factor)};
    });
}

void PlotCommand::rotate(std::int32_t sum) {
    const MnemonicCode kind = code();
    if (kind == mnemonic::PR)
        changePoints([](PlotPoint p) { return PlotPoint{p.y, wrapNeg(p.x)}; });
    else if (holdsPoints(kind))
        changePoints([sum](PlotPoint p) { return PlotPoint{p.y, wrapSub(sum, p.x)}; });
}

void PlotCommand::move(PlotPoint offset) {
    const MnemonicCode kind = code();
    if (kind == mnemonic::PR || !holdsPoints(kind)) return;
    changePoints([offset](PlotPoint p) { return wrapAdd(p, offset); });
}

}  // namespace kerfline
