#include "cutting/workpiece.h"

#include <utility>
#include <vector>

namespace kerfline {

namespace {

// Whether the knife is still down after the cut at `index` when the job is
// written: a joined cut follows at its end (past instructions that do not
// lift it), or a pen-up move or a cut elsewhere follows and lifts it itself.
bool downAfter(const CutJob& job, std::size_t index) {
    const PlotPoint end = job.steps[index].cut.points.back();
    for (std::size_t i = index + 1; i < job.steps.size(); ++i) {
        const JobStep& step = job.steps[i];
        if (step.kind == JobStep::Kind::Kept) {
            if (job.kept[step.kept].home()) break;
            continue;
        }
        if (step.kind == JobStep::Kind::Cut && step.cut.joined && !step.cut.points.empty() &&
            step.cut.points.front() == end)
            return true;
        break;
    }
    if (index + 1 >= job.steps.size()) return false;
    const JobStep& next = job.steps[index + 1];
    return next.kind == JobStep::Kind::Move ||
           (next.kind == JobStep::Kind::Cut && !next.cut.points.empty() && next.cut.points.front() != end);
}

}  // namespace

bool settleJob(CutJob& job) {
    // The knife as writeJob leaves it, step by step.
    PlotPoint position{};
    bool down = false;
    std::vector<bool> goesOn(job.steps.size(), false);
    std::size_t added = 0;
    for (std::size_t i = 0; i < job.steps.size(); ++i) {
        const JobStep& step = job.steps[i];
        switch (step.kind) {
            case JobStep::Kind::Move:
                position = step.to;
                down = false;
                break;
            case JobStep::Kind::Kept:
                if (job.kept[step.kept].home()) {
                    position = PlotPoint{};
                    down = false;
                }
                break;
            case JobStep::Kind::Cut: {
                const std::vector<PlotPoint>& points = step.cut.points;
                if (points.empty()) break;
                goesOn[i] = step.cut.joined && down && position == points.front();
                if (goesOn[i] && points.size() == 1) return false;
                added += !goesOn[i] && (position != points.front() || down);
                position = points.back();
                down = downAfter(job, i);
                break;
            }
        }
    }
    std::vector<JobStep> steps;
    steps.reserve(job.steps.size() + added);
    position = PlotPoint{};
    down = false;
    for (std::size_t i = 0; i < job.steps.size(); ++i) {
        JobStep& step = job.steps[i];
        if (step.kind == JobStep::Kind::Cut) {
            if (step.cut.points.empty()) continue;
            const PlotPoint start = step.cut.points.front();
            if (!goesOn[i] && (position != start || down)) {
                JobStep& move = steps.emplace_back();
                move.kind = JobStep::Kind::Move;
                move.to = start;
            }
            step.cut.joined = goesOn[i];
            position = step.cut.points.back();
            down = downAfter(job, i);
        } else if (step.kind == JobStep::Kind::Move) {
            position = step.to;
            down = false;
        } else if (job.kept[step.kept].home()) {
            position = PlotPoint{};
            down = false;
        }
        steps.push_back(std::move(step));
    }
    job.steps = std::move(steps);
    return true;
}

PlotDrawing& Workpiece::drawing() {
    finish();
    // The caller may change the drawing: the next job is walked from it.
    walked_ = false;
    return drawing_;
}

CutJob& Workpiece::job() {
    if (jobNewer_ && !settled_) {
        settled_ = true;
        if (!settleJob(job_)) {
            buildDrawing(job_, drawing_);
            job_ = walkCuts(drawing_);
            jobNewer_ = false;
        }
    } else if (!walked_) {
        job_ = walkCuts(drawing_);
        walked_ = true;
    }
    return job_;
}

void Workpiece::jobChanged() {
    walked_ = true;
    jobNewer_ = true;
    settled_ = false;
}

bool Workpiece::extent(PlotPoint& low, PlotPoint& high) const {
    if (jobNewer_) {
        CutBounds bounds;
        if (!cutBounds(job_, bounds)) return false;
        low = bounds.low;
        high = bounds.high;
        return true;
    }
    if (!drawing_.hasExtent()) return false;
    low = {drawing_.minX, drawing_.minY};
    high = {drawing_.maxX, drawing_.maxY};
    return true;
}

OutputStream& Workpiece::write(OutputStream& out) const {
    return jobNewer_ ? writeJob(out, job_) : writeDrawing(out, drawing_);
}

void Workpiece::finish() {
    if (!jobNewer_) return;
    buildDrawing(job_, drawing_);
    jobNewer_ = false;
    settled_ = true;
    walked_ = false;
}

}  // namespace kerfline
