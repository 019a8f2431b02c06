#include "cutting/workpiece.h"

#include <utility>
#include <vector>

namespace kerfline {

bool settleJob(CutJob& job) {
    // The pen-up moves the text of the job makes, and the cuts that go on
    // (never the first step: the knife starts lifted).
    std::vector<bool> goesOn(job.steps.size(), false);
    std::vector<bool> moveFirst(job.steps.size(), false);
    std::size_t added = 0;
    bool lost = false;
    walkKnife(job, [&](const KnifeStep& knife) {
        if (knife.step.kind != JobStep::Kind::Cut) return;
        goesOn[knife.index] = knife.continues;
        moveFirst[knife.index] = knife.movesFirst;
        added += knife.movesFirst;
        lost = lost || (knife.continues && knife.step.cut.points.size() == 1);
    });
    if (lost) return false;
    std::vector<JobStep> steps;
    steps.reserve(job.steps.size() + added);
    for (std::size_t i = 0; i < job.steps.size(); ++i) {
        JobStep& step = job.steps[i];
        if (step.kind == JobStep::Kind::Cut) {
            if (step.cut.points.empty()) continue;
            if (moveFirst[i]) {
                JobStep& move = steps.emplace_back();
                move.kind = JobStep::Kind::Move;
                move.to = step.cut.points.front();
            }
            step.cut.joined = goesOn[i];
            // Going on straight from the cut before, with nothing between,
            // is more of that cut.
            if (goesOn[i] && steps.back().kind == JobStep::Kind::Cut) {
                std::vector<PlotPoint>& points = steps.back().cut.points;
                points.insert(points.end(), step.cut.points.begin() + 1, step.cut.points.end());
                continue;
            }
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
            buildDrawing(job_, drawing_, layout_);
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
    layout_ = JobLayout{};
    walked_ = true;
    jobNewer_ = true;
    settled_ = false;
}

bool Workpiece::extent(PlotPoint& low, PlotPoint& high) const {
    if (jobNewer_) {
        PlotBox bounds;
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

OutputStream& Workpiece::write(OutputStream& out) {
    // A job that stands, unchanged, for the text it was made as is written
    // as that text reads.
    if (jobNewer_ && !(layout_ == JobLayout{})) finish();
    return jobNewer_ ? writeJob(out, job_) : writeDrawing(out, drawing_);
}

void Workpiece::finish() {
    if (!jobNewer_) return;
    buildDrawing(job_, drawing_, layout_);
    jobNewer_ = false;
    settled_ = true;
    walked_ = false;
}

}  // namespace kerfline
