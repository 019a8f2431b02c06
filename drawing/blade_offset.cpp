// The axis path of a drag knife. The tip trails the axis by the offset, in
// the direction the axis last moved; so the axis runs the offset past every
// point it must bring the tip to, and turns the tip round a corner by
// swinging about it at that radius.
#include <cmath>
#include <vector>

#include "drawing/cut_edits.h"

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
    explicit Compensator(double offset) : offset_(offset) {}

    void move(PlotPoint to) {
        Vec unit;
        if (direction(axis_, toVec(to), unit)) {
            heading_ = unit;
            hasHeading_ = true;
        }
        axis_ = toVec(to);
        knifeDown_ = false;
    }
    void home() {
        axis_ = {};
        hasHeading_ = false;
        knifeDown_ = false;
    }

    // The axis path of `cut`; `approach` is the pen-up move that reaches it,
    // when the last step of the output is one, and is retargeted.
    Cut compensate(const Cut& cut, PlotPoint* approach) {
        std::vector<Vec> points;
        for (PlotPoint p : cut.points)
            if (points.empty() || toVec(p).x != points.back().x || toVec(p).y != points.back().y)
                points.push_back(toVec(p));

        Cut result;
        result.joined = cut.joined && knifeDown_ && hasHeading_;
        Vec start = points.front();
        if (!result.joined) {
            // The knife goes down the offset beyond the start along the
            // move that brings it there, so the tip lands on the start.
            if (approach) axis_ = approachFrom_;
            Vec toStart;
            const Vec tip{axis_.x - offset_ * heading_.x, axis_.y - offset_ * heading_.y};
            if (!approach && hasHeading_ && std::hypot(tip.x - start.x, tip.y - start.y) < 1e-6) {
                // Lifted and lowered again where it stood: the tip is still on the start.
                result.points.push_back(toPoint(axis_));
            } else if (direction(axis_, start, toStart)) {
                heading_ = toStart;
            } else if (approach && hasApproachHeading_) {
                heading_ = approachHeading_;
            } else if (!hasHeading_) {
                Vec first{1.0, 0.0};
                if (points.size() > 1) direction(start, points[1], first);
                heading_ = first;
            }
            if (result.points.empty()) {
                hasHeading_ = true;
                axis_ = at(start, heading_);
                if (approach)
                    *approach = toPoint(axis_);
                else
                    pendingMove_ = true;
                result.points.push_back(toPoint(axis_));
            }
        } else {
            result.points.push_back(toPoint(axis_));
        }
        for (std::size_t k = 0; k + 1 < points.size(); ++k) {
            Vec along;
            direction(points[k], points[k + 1], along);
            swivel(points[k], along, result.points);
            axis_ = at(points[k + 1], along);
            result.points.push_back(toPoint(axis_));
        }
        knifeDown_ = true;
        return result;
    }

    // Before a move step is added: where the axis stood, for retargeting it.
    void noteMove() {
        approachFrom_ = axis_;
        approachHeading_ = heading_;
        hasApproachHeading_ = hasHeading_;
    }
    bool takePendingMove() {
        const bool pending = pendingMove_;
        pendingMove_ = false;
        return pending;
    }
    PlotPoint axis() const { return toPoint(axis_); }

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
    Vec heading_{1.0, 0.0};
    bool hasHeading_ = false;
    bool knifeDown_ = false;
    bool pendingMove_ = false;
    Vec approachFrom_{};
    Vec approachHeading_{1.0, 0.0};
    bool hasApproachHeading_ = false;
};

}  // namespace

void bladeOffsetJob(CutJob& job, double offset) {
    if (!(offset > 0.0)) return;
    Compensator knife(offset);
    std::vector<JobStep> result;
    result.reserve(job.steps.size() + job.steps.size() / 2);
    for (JobStep& step : job.steps) {
        switch (step.kind) {
            case JobStep::Kind::Move:
                knife.noteMove();
                knife.move(step.to);
                result.push_back(std::move(step));
                break;
            case JobStep::Kind::Kept:
                if (job.kept[step.kept].home()) knife.home();
                result.push_back(std::move(step));
                break;
            case JobStep::Kind::Cut: {
                if (step.cut.points.empty()) break;
                const bool approached = !result.empty() && result.back().kind == JobStep::Kind::Move &&
                                        result.back().to == step.cut.points.front();
                PlotPoint* approach = approached ? &result.back().to : nullptr;
                Cut cut = knife.compensate(step.cut, approach);
                if (knife.takePendingMove()) {
                    JobStep move;
                    move.kind = JobStep::Kind::Move;
                    move.to = cut.points.front();
                    result.push_back(std::move(move));
                }
                step.cut = std::move(cut);
                result.push_back(std::move(step));
                break;
            }
        }
    }
    job.steps = std::move(result);
}

}  // namespace kerfline
