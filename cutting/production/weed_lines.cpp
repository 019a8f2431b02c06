// The weed box and the weed lines: cuts through the waste round a design so
// that it comes off the backing in pieces instead of tearing the letters.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "cutting/production/line_clearance.h"
#include "cutting/production/production.h"

namespace kerfline {

namespace {

// A rectangle of plotter units, in 64 bits so that one beyond the plotter's
// reach can be told.
struct Area {
    std::int64_t minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool inReach() const {
        return minX >= kInt32Min && minY >= kInt32Min && maxX <= kInt32Max && maxY <= kInt32Max;
    }
};

Area widened(const PlotBox& bounds, std::int64_t by) {
    return {bounds.low.x - by, bounds.low.y - by, bounds.high.x + by, bounds.high.y + by};
}

// The positions every `spacing` from `low`, strictly between it and `high`,
// rounded to the unit; false when there would be more than kMostWeedLines.
bool linePositions(std::int64_t low, std::int64_t high, double spacing, std::vector<std::int32_t>& lines) {
    const double count = std::floor(static_cast<double>(high - low) / spacing);
    if (count > static_cast<double>(kMostWeedLines)) return false;
    for (std::size_t k = 1; k <= static_cast<std::size_t>(count); ++k) {
        const std::int64_t at = std::llround(static_cast<double>(low) + static_cast<double>(k) * spacing);
        if (at > low && at < high && (lines.empty() || at > lines.back()))
            lines.push_back(static_cast<std::int32_t>(at));
    }
    return true;
}

// Every segment of every cut, the closed cuts numbered as shapes.
std::size_t designEdges(const CutJob& job, std::vector<DesignEdge>& edges) {
    std::int32_t shapes = 0;
    for (const JobStep& step : job.steps) {
        if (step.kind != JobStep::Kind::Cut || step.cut.points.empty()) continue;
        const std::vector<PlotPoint>& points = step.cut.points;
        const std::int32_t shape = step.cut.closed() ? shapes++ : -1;
        if (points.size() == 1) edges.push_back({points[0], points[0], shape});
        for (std::size_t k = 1; k < points.size(); ++k) edges.push_back({points[k - 1], points[k], shape});
    }
    return static_cast<std::size_t>(shapes);
}

JobStep cutStep(std::vector<PlotPoint> points) {
    JobStep step;
    step.kind = JobStep::Kind::Cut;
    step.cut.points = std::move(points);
    return step;
}

}  // namespace

WeedFigures weedJob(CutJob& job, const WeedSettings& settings) {
    WeedFigures figures;
    PlotBox bounds;
    if (!cutBounds(job, bounds)) {
        figures.outcome = WeedOutcome::NothingToCut;
        return figures;
    }
    const bool box = settings.boxDistance > 0.0;
    const bool lines = settings.spacing > 0.0;
    const double outside = box ? settings.boxDistance : lines ? settings.spacing / 2 : 0.0;
    if (!(outside < 1e10)) {
        figures.outcome = WeedOutcome::OutOfReach;
        return figures;
    }
    const Area area = widened(bounds, std::llround(outside));
    if (!area.inReach()) {
        figures.outcome = WeedOutcome::OutOfReach;
        return figures;
    }

    std::vector<JobStep> added;
    if (lines) {
        std::vector<std::int32_t> rows, columns;
        if (!linePositions(area.minY, area.maxY, settings.spacing, rows) ||
            !linePositions(area.minX, area.maxX, settings.spacing, columns)) {
            figures.outcome = WeedOutcome::TooManyLines;
            return figures;
        }
        std::vector<DesignEdge> edges;
        const std::size_t shapes = designEdges(job, edges);
        bool forward = true;  // each line the other way from the one before
        for (const LineAxis axis : {LineAxis::Horizontal, LineAxis::Vertical}) {
            const bool horizontal = axis == LineAxis::Horizontal;
            ClearLines clear(edges, shapes, settings.clearance, axis, horizontal ? rows : columns);
            const double from = static_cast<double>(horizontal ? area.minX : area.minY);
            const double to = static_cast<double>(horizontal ? area.maxX : area.maxY);
            for (std::size_t k = 0; k < clear.lineCount(); ++k) {
                const std::int32_t across = clear.line(k);
                std::vector<JobStep> pieces;
                for (const Stretch& s : clear.clear(k, from, to)) {
                    // Inward to the unit, so that no end comes nearer the design.
                    const double lo = std::ceil(s.from);
                    const double hi = std::floor(s.to);
                    if (hi - lo < settings.shortest) continue;
                    const std::int32_t a = static_cast<std::int32_t>(lo);
                    const std::int32_t b = static_cast<std::int32_t>(hi);
                    const PlotPoint start = horizontal ? PlotPoint{a, across} : PlotPoint{across, a};
                    const PlotPoint end = horizontal ? PlotPoint{b, across} : PlotPoint{across, b};
                    pieces.push_back(forward ? cutStep({start, end}) : cutStep({end, start}));
                    figures.length += hi - lo;
                }
                if (pieces.empty()) continue;
                if (!forward) std::reverse(pieces.begin(), pieces.end());
                figures.pieces += pieces.size();
                for (JobStep& piece : pieces) added.push_back(std::move(piece));
                forward = !forward;
            }
        }
    }
    if (box) {
        const auto x0 = static_cast<std::int32_t>(area.minX), y0 = static_cast<std::int32_t>(area.minY);
        const auto x1 = static_cast<std::int32_t>(area.maxX), y1 = static_cast<std::int32_t>(area.maxY);
        added.push_back(cutStep({{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}, {x0, y0}}));
    }
    // After the last cut: instructions and parking moves after it stay last.
    std::size_t after = 0;
    for (std::size_t i = 0; i < job.steps.size(); ++i)
        if (job.steps[i].kind == JobStep::Kind::Cut) after = i + 1;
    job.steps.insert(job.steps.begin() + static_cast<std::ptrdiff_t>(after), std::make_move_iterator(added.begin()),
                     std::make_move_iterator(added.end()));
    return figures;
}

}  // namespace kerfline
