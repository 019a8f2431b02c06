// The axis path of a drag knife. While the knife is down the tip trails the
// axis by the offset, in the direction the axis last moved; so the axis runs
// the offset past every point it must bring the tip to, and turns the tip
// round a corner by swinging about it at that radius. A lifted blade turns
// freely but nothing turns it: it keeps the heading the last cut left, so
// the knife goes down the offset beyond a cut's start along that heading and
// swings round the start to the first segment. A short precut beside the
// drawing sets the heading before the first cut.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "cutting/cut_edits.h"

namespace kerfline {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Vec {
    double x = 0.0;
    double y = 0.0;
};

Vec toVec(PlotPoint p) { return {static_cast<double>(p.x), static_cast<double>(p.y)}; }

PlotPoint toPoint(Vec v) {
    auto one = [](double c) {
        if (!(c == c)) return std::int32_t{0};
        if (c >= 2147483647.0) return kInt32Max;
        if (c <= -2147483648.0) return kInt32Min;
        return static_cast<std::int32_t>(std::lround(c));
    };
    return {one(v.x), one(v.y)};
}

// The unit vector from a to b; false when they are the same point.
bool direction(Vec a, Vec b, Vec& unit) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length = std::hypot(dx, dy);
    if (length == 0.0) return false;
    unit = {dx / length, dy / length};
    return true;
}

class Compensator {
public:
    Compensator(double offset, Vec heading) : offset_(offset), heading_(heading) {}

    // A pen-up move, or IN's move home: the blade keeps its heading.
    void lift(PlotPoint to) {
        axis_ = toVec(to);
        knifeDown_ = false;
    }

    // After the precut, which ends at `to` along `heading`: the blade points
    // that way, and the knife is lifted before the next cut.
    void afterPrecut(PlotPoint to, Vec heading) {
        axis_ = toVec(to);
        heading_ = heading;
        knifeDown_ = false;
    }

    // The axis path of `cut`; `approach`, when given, is the pen-up move that
    // reaches it, retargeted to where the knife goes down.
    Cut compensate(const Cut& cut, PlotPoint* approach) {
        std::vector<Vec> points;
        for (PlotPoint p : cut.points)
            if (points.empty() || toVec(p).x != points.back().x || toVec(p).y != points.back().y)
                points.push_back(toVec(p));

        Cut result;
        result.joined = cut.joined && knifeDown_;
        if (!result.joined) {
            // The knife lands with the tip on the start, the offset behind
            // the axis along the heading the blade kept.
            axis_ = at(points.front(), heading_);
            if (approach) *approach = toPoint(axis_);
        }
        result.points.push_back(toPoint(axis_));
        for (std::size_t k = 0; k + 1 < points.size(); ++k) {
            Vec along;
            direction(points[k], points[k + 1], along);
            swivel(points[k], along, result.points);
            axis_ = at(points[k + 1], along);
            result.points.push_back(toPoint(axis_));
        }
        // The blade points from the tip, on the last point, to the axis as
        // the cutter places it, in whole units; a plunge leaves it as it was.
        Vec kept;
        if (points.size() > 1 && direction(points.back(), toVec(result.points.back()), kept)) heading_ = kept;
        knifeDown_ = true;
        return result;
    }

private:
    Vec at(Vec p, Vec unit) const { return {p.x + offset_ * unit.x, p.y + offset_ * unit.y}; }

    // Turns the tip at `corner` from the present heading to `along`.
    void swivel(Vec corner, Vec along, std::vector<PlotPoint>& out) {
        const double cross = heading_.x * along.y - heading_.y * along.x;
        const double dot = heading_.x * along.x + heading_.y * along.y;
        const double turn = std::atan2(cross, dot);
        if (std::abs(turn) > kNoSwivelDegrees * kPi / 180.0) {
            const int steps = static_cast<int>(std::ceil(std::abs(turn) / (kSwivelStepDegrees * kPi / 180.0)));
            const double from = std::atan2(heading_.y, heading_.x);
            for (int s = 1; s < steps; ++s) {
                const double angle = from + turn * s / steps;
                out.push_back(toPoint(at(corner, {std::cos(angle), std::sin(angle)})));
            }
            out.push_back(toPoint(at(corner, along)));
        }
        heading_ = along;
    }

    double offset_;
    Vec axis_{};
    Vec heading_;
    bool knifeDown_ = false;
};

// The precut's three points: out from the side of the drawing's box nearest
// to the first cut's start, then along that side, rightwards or upwards (or
// back where that would leave the plotter's coordinates). A side is taken
// only when the precut keeps to coordinates the drawing itself reaches or
// to those from 0 up; when none is, the nearest.
std::array<PlotPoint, 3> precutPoints(const CutJob& job, PlotPoint start, double offset) {
    PlotBox box;
    cutBounds(job, box);
    box.add(start);
    const double lowX = box.low.x, highX = box.high.x, lowY = box.low.y, highY = box.high.y;
    const double gap = std::round(offset + kPrecutClearance);
    const double out = std::round(std::max(kPrecutOutward * offset, kPrecutClearance));
    const double along = std::round(std::max(kPrecutAlong * offset, kPrecutClearance));
    const double floorX = std::min(0.0, lowX), floorY = std::min(0.0, lowY);
    const double ceiling = kInt32Max;

    struct Side {
        double distance;
        Vec start;
        Vec outward;
    };
    // Bottom, left, top, right: the order among sides as near.
    std::array<Side, 4> sides{{{start.y - lowY, {double(start.x), lowY - gap}, {0, -1}},
                               {start.x - lowX, {lowX - gap, double(start.y)}, {-1, 0}},
                               {highY - start.y, {double(start.x), highY + gap}, {0, 1}},
                               {highX - start.x, {highX + gap, double(start.y)}, {1, 0}}}};
    std::stable_sort(sides.begin(), sides.end(), [](const Side& a, const Side& b) { return a.distance < b.distance; });
    auto inside = [&](Vec p) { return p.x >= floorX && p.y >= floorY && p.x <= ceiling && p.y <= ceiling; };
    for (std::size_t s = 0; s <= sides.size(); ++s) {
        const Side& side = sides[s < sides.size() ? s : 0];
        const Vec corner{side.start.x + out * side.outward.x, side.start.y + out * side.outward.y};
        // Along the side: right on a bottom or top side, up on a left or right one.
        Vec run{std::abs(side.outward.y), std::abs(side.outward.x)};
        Vec end{corner.x + along * run.x, corner.y + along * run.y};
        if (!inside(end)) end = {corner.x - along * run.x, corner.y - along * run.y};
        if (s == sides.size() || (inside(side.start) && inside(corner) && inside(end)))
            return {toPoint(side.start), toPoint(corner), toPoint(end)};
    }
    return {};  // not reached: the last round takes the nearest side
}

}  // namespace

void bladeOffsetJob(CutJob& job, double offset, bool precut) {
    if (!(offset > 0.0)) return;
    Compensator knife(offset, {1.0, 0.0});
    std::vector<JobStep> result;
    result.reserve(job.steps.size() + job.steps.size() / 2 + 2);
    for (JobStep& step : job.steps) {
        switch (step.kind) {
            case JobStep::Kind::Move:
                knife.lift(step.to);
                result.push_back(std::move(step));
                break;
            case JobStep::Kind::Kept:
                if (job.kept[step.kept].home()) knife.lift({});
                result.push_back(std::move(step));
                break;
            case JobStep::Kind::Cut: {
                if (step.cut.points.empty()) break;
                if (precut) {
                    // Before the first cut, and before the move that reaches it.
                    precut = false;
                    const std::array<PlotPoint, 3> points = precutPoints(job, step.cut.points.front(), offset);
                    const bool approached = !result.empty() && result.back().kind == JobStep::Kind::Move;
                    JobStep approach;
                    if (approached) {
                        approach = std::move(result.back());
                        result.pop_back();
                    }
                    JobStep move;
                    move.kind = JobStep::Kind::Move;
                    move.to = points[0];
                    result.push_back(move);
                    JobStep cut;
                    cut.kind = JobStep::Kind::Cut;
                    cut.cut.points.assign(points.begin(), points.end());
                    result.push_back(std::move(cut));
                    Vec last;
                    if (!direction(toVec(points[1]), toVec(points[2]), last)) last = {1.0, 0.0};
                    knife.afterPrecut(points[2], last);
                    if (approached) {
                        knife.lift(approach.to);
                        result.push_back(std::move(approach));
                    }
                }
                const bool approached = !result.empty() && result.back().kind == JobStep::Kind::Move &&
                                        result.back().to == step.cut.points.front();
                step.cut = knife.compensate(step.cut, approached ? &result.back().to : nullptr);
                result.push_back(std::move(step));
                break;
            }
        }
    }
    job.steps = std::move(result);
}

}  // namespace kerfline
