// Mirror, passes and one pen; the drawing versions of every production
// operation.
#include "cutting/production/production.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace kerfline {

void mirrorJob(CutJob& job) {
    PlotBox bounds;
    if (!cutBounds(job, bounds)) return;
    // A point inside the bounds lands inside them; the moves that stay
    // outside wrap as the plotter's own arithmetic does.
    const std::int32_t sum = wrapAdd(bounds.low.x, bounds.high.x);
    const auto mirrored = [sum](PlotPoint p) { return PlotPoint{wrapSub(sum, p.x), p.y}; };
    // Pen-up moves after the last cut (parking) stay where they are.
    std::size_t lastCut = 0;
    for (std::size_t i = 0; i < job.steps.size(); ++i)
        if (job.steps[i].kind == JobStep::Kind::Cut) lastCut = i;
    for (std::size_t i = 0; i < lastCut; ++i) {
        JobStep& step = job.steps[i];
        if (step.kind == JobStep::Kind::Move) step.to = mirrored(step.to);
        if (step.kind == JobStep::Kind::Cut)
            for (PlotPoint& p : step.cut.points) p = mirrored(p);
    }
    for (PlotPoint& p : job.steps[lastCut].cut.points) p = mirrored(p);
}

void passesJob(CutJob& job, std::int32_t passes) {
    if (passes <= 1) return;
    std::vector<JobStep> steps;
    steps.reserve(job.steps.size());
    for (JobStep& step : job.steps) {
        if (step.kind != JobStep::Kind::Cut || step.cut.points.empty()) {
            steps.push_back(std::move(step));
            continue;
        }
        std::vector<PlotPoint>& points = step.cut.points;
        if (step.cut.closed()) {
            // Round again from the second point: the knife stays down.
            const std::size_t once = points.size();
            points.reserve(1 + (once - 1) * static_cast<std::size_t>(passes));
            for (std::int32_t pass = 1; pass < passes; ++pass)
                points.insert(points.end(), points.begin() + 1, points.begin() + static_cast<std::ptrdiff_t>(once));
            steps.push_back(std::move(step));
            continue;
        }
        // Again from the start: only the first keeps a knife already down.
        JobStep again = step;
        again.cut.joined = false;
        steps.push_back(std::move(step));
        for (std::int32_t pass = 1; pass < passes; ++pass) steps.push_back(again);
    }
    job.steps = std::move(steps);
}

bool selectedPen(std::string_view instruction, std::int32_t& pen) {
    if (instruction.size() < 2) return false;
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    if (upper(instruction[0]) != 'S' || upper(instruction[1]) != 'P') return false;
    std::string_view rest = instruction.substr(2);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    bool negative = false;
    if (!rest.empty() && (rest.front() == '-' || rest.front() == '+')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    // The whole part of the number; a fraction is dropped, as plotters do.
    std::int64_t value = 0;
    for (std::size_t i = 0; i < rest.size() && rest[i] >= '0' && rest[i] <= '9'; ++i)
        value = std::min<std::int64_t>(value * 10 + (rest[i] - '0'), kInt32Max);
    pen = static_cast<std::int32_t>(negative ? -value : value);
    return true;
}

std::size_t penJob(CutJob& job, std::int32_t pen) {
    // Pen-up moves after the last cut (parking) stay whatever the pen.
    std::size_t lastCut = 0;
    for (std::size_t i = 0; i < job.steps.size(); ++i)
        if (job.steps[i].kind == JobStep::Kind::Cut) lastCut = i;

    std::vector<JobStep> steps;
    steps.reserve(job.steps.size());
    std::int32_t current = 1;
    std::size_t kept = 0;
    bool dropped = false;  // the last cut met was another pen's
    for (std::size_t i = 0; i < job.steps.size(); ++i) {
        JobStep& step = job.steps[i];
        switch (step.kind) {
            case JobStep::Kind::Kept: {
                std::int32_t selected = 0;
                if (selectedPen(job.kept[step.kept].text, selected)) {
                    current = selected;
                    if (selected != pen && selected != 0) continue;
                }
                break;
            }
            case JobStep::Kind::Move:
                if (current != pen && i < lastCut) continue;
                break;
            case JobStep::Kind::Cut:
                if (current != pen) {
                    dropped = true;
                    continue;
                }
                // The cut it went on from is gone: the knife comes down anew.
                if (dropped) step.cut.joined = false;
                dropped = false;
                ++kept;
                break;
        }
        steps.push_back(std::move(step));
    }
    job.steps = std::move(steps);
    return kept;
}

namespace {

bool hasCuts(const CutJob& job) {
    PlotBox bounds;
    return cutBounds(job, bounds);
}

}  // namespace

void mirrorDrawing(Workpiece& piece) {
    CutJob& job = piece.job();
    if (!hasCuts(job)) return;
    mirrorJob(job);
    piece.jobChanged();
}

WeedFigures weedDrawing(Workpiece& piece, double boxMm, double spacingMm) {
    WeedSettings settings;
    settings.boxDistance = std::round(boxMm * kUnitsPerMm);
    settings.spacing = spacingMm * kUnitsPerMm;
    const WeedFigures figures = weedJob(piece.job(), settings);
    if (figures.outcome == WeedOutcome::Done) piece.jobChanged();
    return figures;
}

void passesDrawing(Workpiece& piece, std::int32_t passes) {
    CutJob& job = piece.job();
    if (passes <= 1 || !hasCuts(job)) return;
    passesJob(job, passes);
    piece.jobChanged();
}

bool perforateDrawing(Workpiece& piece, double dashMm, double gapMm) {
    CutJob& job = piece.job();
    if (!hasCuts(job)) return true;
    const std::optional<std::size_t> perforated = perforateJob(job, dashMm * kUnitsPerMm, gapMm * kUnitsPerMm);
    if (!perforated) return false;
    if (*perforated > 0) piece.jobChanged();
    return true;
}

std::size_t penDrawing(Workpiece& piece, std::int32_t pen) {
    CutJob& job = piece.job();
    if (!hasCuts(job)) return 0;
    const std::size_t steps = job.steps.size();
    const std::size_t kept = penJob(job, pen);
    if (job.steps.size() != steps) piece.jobChanged();
    return kept;
}

void mirrorDrawing(PlotDrawing& drawing) {
    onDrawing(drawing, [](Workpiece& piece) { mirrorDrawing(piece); });
}
WeedFigures weedDrawing(PlotDrawing& drawing, double boxMm, double spacingMm) {
    return onDrawing(drawing, [&](Workpiece& piece) { return weedDrawing(piece, boxMm, spacingMm); });
}
void passesDrawing(PlotDrawing& drawing, std::int32_t passes) {
    onDrawing(drawing, [&](Workpiece& piece) { passesDrawing(piece, passes); });
}
bool perforateDrawing(PlotDrawing& drawing, double dashMm, double gapMm) {
    return onDrawing(drawing, [&](Workpiece& piece) { return perforateDrawing(piece, dashMm, gapMm); });
}
std::size_t penDrawing(PlotDrawing& drawing, std::int32_t pen) {
    return onDrawing(drawing, [&](Workpiece& piece) { return penDrawing(piece, pen); });
}

}  // namespace kerfline
