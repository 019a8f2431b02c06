#include "cutting/cut_edits.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "cutting/pen_state.h"

namespace kerfline {

bool copyJob(CutJob& job, std::int32_t columns, std::int32_t rows, double gap, double width,
             double height) {
    if (columns < 1 || rows < 1) return false;
    // Instructions before the first movement set the plotter up once.
    std::size_t bodyFrom = 0;
    while (bodyFrom < job.steps.size() && job.steps[bodyFrom].kind == JobStep::Kind::Kept) ++bodyFrom;

    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    auto span = [&](PlotPoint p, double& lo, double& hi, bool x) {
        const double v = x ? p.x : p.y;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    };
    double lowX = low, highX = high, lowY = low, highY = high;
    for (std::size_t s = bodyFrom; s < job.steps.size(); ++s) {
        const JobStep& step = job.steps[s];
        if (step.kind == JobStep::Kind::Move) {
            span(step.to, lowX, highX, true);
            span(step.to, lowY, highY, false);
        } else if (step.kind == JobStep::Kind::Cut) {
            for (PlotPoint p : step.cut.points) {
                span(p, lowX, highX, true);
                span(p, lowY, highY, false);
            }
        }
    }
    const double stepX = std::round(width + gap);
    const double stepY = std::round(height + gap);
    const double lastX = stepX * (columns - 1);
    const double lastY = stepY * (rows - 1);
    constexpr double kLow = std::numeric_limits<std::int32_t>::min();
    constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
    if (lowX <= highX) {
        if (std::min(lowX, lowX + lastX) < kLow || std::max(highX, highX + lastX) > kHigh ||
            std::min(lowY, lowY + lastY) < kLow || std::max(highY, highY + lastY) > kHigh)
            return false;
    }

    // Every copy starts with the pen, speed and force the drawing starts
    // with: those it leaves are set back between the copies.
    PenState start;
    for (std::size_t s = 0; s < bodyFrom; ++s) start.apply(job.kept[job.steps[s].kept].text);
    PenState end = start;
    for (std::size_t s = bodyFrom; s < job.steps.size(); ++s)
        if (job.steps[s].kind == JobStep::Kind::Kept) end.apply(job.kept[job.steps[s].kept].text);
    std::vector<JobStep> between;
    for (std::string& text : end.restoring(start)) {
        JobStep& step = between.emplace_back();
        step.kind = JobStep::Kind::Kept;
        step.kept = job.kept.size();
        KeptInstruction& kept = job.kept.emplace_back();
        const MnemonicCode code = textMnemonic(text);
        kept.mnemonic = findMnemonic(code) ? code : 0;
        kept.text = std::move(text);
    }

    const std::size_t bodySize = job.steps.size() - bodyFrom + between.size();
    std::vector<JobStep> steps;
    steps.reserve(bodyFrom + bodySize * static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    for (std::size_t s = 0; s < bodyFrom; ++s) steps.push_back(job.steps[s]);
    for (std::int32_t r = 0; r < rows; ++r) {
        for (std::int32_t c = 0; c < columns; ++c) {
            if (r > 0 || c > 0) steps.insert(steps.end(), between.begin(), between.end());
            const PlotPoint offset{static_cast<std::int32_t>(stepX * c), static_cast<std::int32_t>(stepY * r)};
            for (std::size_t s = bodyFrom; s < job.steps.size(); ++s) {
                JobStep step = job.steps[s];
                if (step.kind == JobStep::Kind::Move) step.to = wrapAdd(step.to, offset);
                if (step.kind == JobStep::Kind::Cut)
                    for (PlotPoint& p : step.cut.points) p = wrapAdd(p, offset);
                steps.push_back(std::move(step));
            }
        }
    }
    job.steps = std::move(steps);
    return true;
}

void overcutJob(CutJob& job, double length) {
    if (!(length > 0.0)) return;
    for (JobStep& step : job.steps) {
        if (step.kind != JobStep::Kind::Cut || !step.cut.closed()) continue;
        std::vector<PlotPoint>& points = step.cut.points;
        const std::size_t count = points.size();
        double left = length;
        for (std::size_t k = 0; k + 1 < count && left > 0.0; ++k) {
            const PlotPoint a = points[k];
            const PlotPoint b = points[k + 1];
            const double segment = distance(a, b);
            if (segment == 0.0) continue;
            if (segment <= left) {
                points.push_back(b);
                left -= segment;
                continue;
            }
            // Part of this segment: the point `left` along it, to the nearest unit.
            const double t = left / segment;
            const PlotPoint end{static_cast<std::int32_t>(std::lround(a.x + t * (static_cast<double>(b.x) - a.x))),
                                static_cast<std::int32_t>(std::lround(a.y + t * (static_cast<double>(b.y) - a.y)))};
            if (end != a) points.push_back(end);
            left = 0.0;
        }
    }
}

bool copyDrawing(Workpiece& piece, std::int32_t columns, std::int32_t rows, double gapMm) {
    PlotPoint low, high;
    if (!piece.extent(low, high) || (columns == 1 && rows == 1)) return true;
    const double width = static_cast<double>(high.x) - low.x;
    const double height = static_cast<double>(high.y) - low.y;
    if (!copyJob(piece.job(), columns, rows, gapMm * kUnitsPerMm, width, height)) return false;
    piece.jobChanged();
    return true;
}

void overcutDrawing(Workpiece& piece, double lengthMm) {
    CutJob& job = piece.job();
    bool closed = false;
    for (const JobStep& step : job.steps) closed = closed || (step.kind == JobStep::Kind::Cut && step.cut.closed());
    if (!closed) return;
    overcutJob(job, lengthMm * kUnitsPerMm);
    piece.jobChanged();
}

void bladeOffsetDrawing(Workpiece& piece, double offsetMm, bool precut) {
    CutJob& job = piece.job();
    if (job.cutCount() == 0) return;
    bladeOffsetJob(job, offsetMm * kUnitsPerMm, precut);
    piece.jobChanged();
}

bool copyDrawing(PlotDrawing& drawing, std::int32_t columns, std::int32_t rows, double gapMm) {
    return onDrawing(drawing, [&](Workpiece& piece) { return copyDrawing(piece, columns, rows, gapMm); });
}
void overcutDrawing(PlotDrawing& drawing, double lengthMm) {
    onDrawing(drawing, [&](Workpiece& piece) { overcutDrawing(piece, lengthMm); });
}
void bladeOffsetDrawing(PlotDrawing& drawing, double offsetMm, bool precut) {
    onDrawing(drawing, [&](Workpiece& piece) { bladeOffsetDrawing(piece, offsetMm, precut); });
}

}  // namespace kerfline
