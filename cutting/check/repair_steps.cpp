#include "cutting/check/repair_steps.h"

#include <algorithm>
#include <utility>

#include "cutting/check/repairs.h"

namespace kerfline {

namespace {

// Hands the job through `change`; the job changed when it says so.
template <typename Change>
void repairDrawing(Workpiece& piece, Change change) {
    if (change(piece.job())) piece.jobChanged();
}

}  // namespace

void dropSteps(CutJob& job, const std::vector<bool>& drop) {
    std::vector<JobStep> steps;
    steps.reserve(job.steps.size());
    for (std::size_t i = 0; i < job.steps.size(); ++i) {
        if (i < drop.size() && drop[i]) continue;
        JobStep& step = job.steps[i];
        if (step.kind == JobStep::Kind::Move && i + 1 < job.steps.size() && i + 1 < drop.size() && drop[i + 1]) {
            const JobStep& next = job.steps[i + 1];
            if (next.kind == JobStep::Kind::Cut && !next.cut.points.empty() && next.cut.points.front() == step.to)
                continue;
        }
        steps.push_back(std::move(step));
    }
    job.steps = std::move(steps);
}

void replaceSteps(CutJob& job, const std::vector<bool>& replaced, std::vector<std::vector<Cut>>& pieces) {
    std::vector<JobStep> steps;
    steps.reserve(job.steps.size());
    for (std::size_t i = 0; i < job.steps.size(); ++i) {
        if (!replaced[i]) {
            steps.push_back(std::move(job.steps[i]));
            continue;
        }
        const PlotPoint first = job.steps[i].cut.points.front();
        if ((pieces[i].empty() || pieces[i].front().points.front() != first) && !steps.empty() &&
            steps.back().kind == JobStep::Kind::Move && steps.back().to == first)
            steps.pop_back();
        for (Cut& cut : pieces[i]) {
            JobStep step;
            step.kind = JobStep::Kind::Cut;
            step.cut = std::move(cut);
            steps.push_back(std::move(step));
        }
    }
    job.steps = std::move(steps);
}

bool cutsAnything(const std::vector<PlotPoint>& points) {
    return std::any_of(points.begin(), points.end(), [&](PlotPoint p) { return p != points.front(); });
}

void mergeDrawing(Workpiece& piece, double reachMm) {
    repairDrawing(piece, [reachMm](CutJob& job) { return mergeJob(job, reachMm * kUnitsPerMm); });
}
void closeDrawing(Workpiece& piece, double reachMm) {
    repairDrawing(piece, [reachMm](CutJob& job) { return closeJob(job, reachMm * kUnitsPerMm); });
}
void simplifyDrawing(Workpiece& piece, double errorMm) {
    repairDrawing(piece, [errorMm](CutJob& job) { return simplifyJob(job, errorMm * kUnitsPerMm); });
}
void dropDotsDrawing(Workpiece& piece) { repairDrawing(piece, dropDotsJob); }
void weldDrawing(Workpiece& piece) { repairDrawing(piece, weldJob); }

void mergeDrawing(PlotDrawing& drawing, double reachMm) {
    onDrawing(drawing, [&](Workpiece& piece) { mergeDrawing(piece, reachMm); });
}
void closeDrawing(PlotDrawing& drawing, double reachMm) {
    onDrawing(drawing, [&](Workpiece& piece) { closeDrawing(piece, reachMm); });
}
void simplifyDrawing(PlotDrawing& drawing, double errorMm) {
    onDrawing(drawing, [&](Workpiece& piece) { simplifyDrawing(piece, errorMm); });
}
void dropDotsDrawing(PlotDrawing& drawing) {
    onDrawing(drawing, [](Workpiece& piece) { dropDotsDrawing(piece); });
}
void weldDrawing(PlotDrawing& drawing) {
    onDrawing(drawing, [](Workpiece& piece) { weldDrawing(piece); });
}

}  // namespace kerfline
