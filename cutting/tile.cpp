#include "cutting/tile.h"

#include <algorithm>

namespace kerfline {

namespace {

// How many panels of `size`, each `step` after the last, cover `extent`.
std::int64_t panelsFor(std::int64_t extent, std::int32_t size, std::int32_t step) {
    if (extent <= size) return 1;
    return 1 + (extent - size + step - 1) / step;
}

std::int32_t clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, kInt32Min, kInt32Max));
}

bool overlaps(const ClipRect& a, const ClipRect& b) {
    return a.minX <= b.maxX && b.minX <= a.maxX && a.minY <= b.maxY && b.minY <= a.maxY;
}

}  // namespace

PanelGrid panelGrid(const PlotDrawing& drawing, std::int32_t width, std::int32_t height,
                    std::int32_t overlap) {
    PanelGrid grid;
    grid.width = width;
    grid.height = height;
    grid.stepX = width - overlap;
    grid.stepY = height - overlap;
    if (!drawing.hasExtent()) return grid;
    grid.left = drawing.minX;
    grid.bottom = drawing.minY;
    grid.columns = panelsFor(std::int64_t{drawing.maxX} - drawing.minX, width, grid.stepX);
    grid.rows = panelsFor(std::int64_t{drawing.maxY} - drawing.minY, height, grid.stepY);
    return grid;
}

Tiler::Tiler(const PlotDrawing& drawing) : job_(walkCuts(drawing)) {
    boxes_.resize(job_.steps.size());
    for (std::size_t i = 0; i < job_.steps.size(); ++i) {
        const JobStep& step = job_.steps[i];
        if (step.kind != JobStep::Kind::Cut || step.cut.points.empty()) continue;
        PlotBox box;
        for (const PlotPoint& p : step.cut.points) box.add(p);
        boxes_[i] = ClipRect{box.low.x, box.low.y, box.high.x, box.high.y};
    }
}

void Tiler::panel(const PanelGrid& grid, std::int64_t row, std::int64_t column,
                  PlotDrawing& panel) const {
    const std::int64_t left = grid.left + column * grid.stepX;
    const std::int64_t bottom = grid.bottom + row * grid.stepY;
    // Points are 32-bit, so a rectangle reaching past that range clips alike
    // when cut back to it.
    const ClipRect rect{clamp32(left), clamp32(bottom), clamp32(left + grid.width),
                        clamp32(bottom + grid.height)};
    auto shifted = [&](PlotPoint p) {
        return PlotPoint{static_cast<std::int32_t>(p.x - left), static_cast<std::int32_t>(p.y - bottom)};
    };

    // The pen-up moves of the drawing lead to its own cuts; the job's text
    // puts a move before every piece that starts away from the knife.
    CutJob pieces;
    pieces.kept = job_.kept;
    for (std::size_t i = 0; i < job_.steps.size(); ++i) {
        const JobStep& step = job_.steps[i];
        if (step.kind == JobStep::Kind::Kept) {
            pieces.steps.push_back(step);
            continue;
        }
        if (step.kind != JobStep::Kind::Cut || step.cut.points.empty() ||
            !overlaps(boxes_[i], rect))
            continue;
        for (const Polyline& piece : clipPolyline(step.cut.points, rect)) {
            JobStep& out = pieces.steps.emplace_back();
            out.kind = JobStep::Kind::Cut;
            // A run that a kept instruction interrupts stays one run where
            // it goes on inside the panel.
            out.cut.joined = step.cut.joined && piece.front() == step.cut.points.front();
            out.cut.points.reserve(piece.size());
            for (const PlotPoint& p : piece) out.cut.points.push_back(shifted(p));
        }
    }
    buildDrawing(pieces, panel);
}

}  // namespace kerfline
