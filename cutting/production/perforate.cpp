// Perforation: every cut as a row of dashes along its own path.
#include <cmath>
#include <utility>
#include <vector>

#include "cutting/production/production.h"

namespace kerfline {

namespace {

// The dashes of one cut: how many, and how far apart they start and how
// long each is, in units along the cut.
struct DashPlan {
    std::size_t count = 0;
    double period = 0.0;
    double dash = 0.0;
};

double pathLength(const std::vector<PlotPoint>& points) {
    double length = 0.0;
    for (std::size_t k = 1; k < points.size(); ++k) length += distance(points[k - 1], points[k]);
    return length;
}

// No plan (count 0) for a cut no longer than one dash and gap: it stays whole.
DashPlan plan(const Cut& cut, double dash, double gap) {
    const double length = pathLength(cut.points);
    const double period = dash + gap;
    if (!(length > period)) return {};
    // A closed cut holds as many gaps as dashes; an open one one gap fewer.
    const bool closed = cut.closed();
    const double fits = closed ? length / period : (length + gap) / period;
    if (!(fits < 1e15)) return {};
    const double count = std::max(1.0, std::round(fits));
    const double scale = length / (closed ? count * period : count * period - gap);
    return {static_cast<std::size_t>(count), period * scale, dash * scale};
}

PlotPoint rounded(double x, double y) {
    return {truncToInt32(std::round(x)), truncToInt32(std::round(y))};
}

// Walks along a cut's points handing out the stretches between distances.
class Walk {
public:
    explicit Walk(const std::vector<PlotPoint>& points) : points_(points) {}

    // The points from `from` to `to` along the cut: both ends (rounded to
    // the unit) and every point of the cut between them. The distances
    // never go back between calls.
    std::vector<PlotPoint> stretch(double from, double to) {
        std::vector<PlotPoint> piece;
        advance(from);
        push(piece, at(from));
        while (segment_ + 1 < points_.size() && reached_ + length(segment_) < to) {
            reached_ += length(segment_);
            ++segment_;
            push(piece, points_[segment_]);
        }
        push(piece, at(to));
        return piece;
    }

private:
    double length(std::size_t k) const {
        return k + 1 < points_.size() ? distance(points_[k], points_[k + 1]) : 0.0;
    }
    void advance(double to) {
        while (segment_ + 2 < points_.size() && reached_ + length(segment_) <= to) {
            reached_ += length(segment_);
            ++segment_;
        }
    }
    PlotPoint at(double where) const {
        const double segment = length(segment_);
        if (segment == 0.0) return points_[segment_];
        const double t = std::min(1.0, std::max(0.0, (where - reached_) / segment));
        const PlotPoint a = points_[segment_];
        const PlotPoint b = points_[segment_ + 1];
        if (t == 1.0) return b;
        return rounded(a.x + t * (static_cast<double>(b.x) - a.x), a.y + t * (static_cast<double>(b.y) - a.y));
    }
    static void push(std::vector<PlotPoint>& piece, PlotPoint p) {
        if (piece.empty() || piece.back() != p) piece.push_back(p);
    }

    const std::vector<PlotPoint>& points_;
    std::size_t segment_ = 0;  // the segment from points_[segment_] on
    double reached_ = 0.0;     // the distance along the cut where it starts
};

}  // namespace

std::optional<std::size_t> perforateJob(CutJob& job, double dash, double gap, std::size_t mostDashes) {
    if (!(dash > 0.0) || !(gap > 0.0)) return 0;
    std::size_t dashes = 0;
    for (const JobStep& step : job.steps) {
        if (step.kind != JobStep::Kind::Cut) continue;
        const DashPlan p = plan(step.cut, dash, gap);
        dashes += p.count == 0 ? 1 : p.count;
        if (dashes > mostDashes) return std::nullopt;
    }
    std::vector<JobStep> steps;
    steps.reserve(job.steps.size());
    std::size_t perforated = 0;
    for (JobStep& step : job.steps) {
        const DashPlan p = step.kind == JobStep::Kind::Cut ? plan(step.cut, dash, gap) : DashPlan{};
        // One dash of an open cut is the whole cut.
        if (p.count == 0 || (p.count == 1 && !step.cut.closed())) {
            steps.push_back(std::move(step));
            continue;
        }
        ++perforated;
        Walk walk(step.cut.points);
        const double length = pathLength(step.cut.points);
        for (std::size_t d = 0; d < p.count; ++d) {
            const double from = static_cast<double>(d) * p.period;
            // The last dash of an open cut ends exactly at its end.
            const double to = d + 1 == p.count && !step.cut.closed() ? length : from + p.dash;
            JobStep piece;
            piece.kind = JobStep::Kind::Cut;
            piece.cut.points = walk.stretch(from, to);
            // The first dash starts where the cut did, so it may go on from
            // the cut before without a lift, as the cut did.
            piece.cut.joined = d == 0 && step.cut.joined;
            steps.push_back(std::move(piece));
        }
    }
    job.steps = std::move(steps);
    return perforated;
}

}  // namespace kerfline
