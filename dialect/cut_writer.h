// The job convert makes: plain cutter HP-GL in whole plotter units,
// absolute, with the knife's strokes joined where they meet.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cutting/cuts.h"
#include "geometry/clip.h"
#include "geometry/plane.h"

namespace kerfline::dialect {

// The plotter's range: the output stays within 25 km, inside 32 bits with
// room to spare, so that no reader's sums of coordinates overflow, and clear
// of the extreme values that readers use to mean "no point yet". Cuts that
// reach beyond it are clipped at its edge.
constexpr double kOutputLimit = 1e9;

// Builds the cut job convert writes: IN first, the knife's strokes joined
// into one cut where they meet, a pen-up move to where a cut ends after it,
// and SP, VS and FS kept where they come.
class CutWriter {
public:
    explicit CutWriter(CutJob& job) : job_(job) { keep("IN;"); }

    // A cut from a to b (a dot when they meet); consecutive cuts that join
    // stay in one cut.
    void segment(geom::Vec a, geom::Vec b) {
        if (!inRange(a) || !inRange(b)) {
            ++clipped_;
            if (!clipSegment(a, b, kOutputLimit)) return;
        }
        // Most cuts start where the last one ended: its rounding is reused.
        const bool joined = a.x == lastEnd_.x && a.y == lastEnd_.y && haveCursor_;
        const std::int32_t ax = joined ? x_ : unit(a.x), ay = joined ? y_ : unit(a.y);
        const std::int32_t bx = unit(b.x), by = unit(b.y);
        lastEnd_ = b;
        if (inChain_ && ax == x_ && ay == y_) {
            if (bx == x_ && by == y_) return;
            chainIsDot_ = false;
        } else {
            if (inChain_) endChain();
            // The knife is taken up to the start unless it stands there lifted.
            if (!haveCursor_ || ax != x_ || ay != y_) move({ax, ay});
            JobStep& step = job_.steps.emplace_back();
            step.kind = JobStep::Kind::Cut;
            step.cut.points.push_back({ax, ay});
            inChain_ = true;
            chainIsDot_ = bx == ax && by == ay;
        }
        job_.steps.back().cut.points.push_back({bx, by});
        ++cuts_;
        x_ = bx;
        y_ = by;
        haveCursor_ = true;
    }

    // SP, VS, FS (`text` without its ";"): the knife is lifted first.
    void instruction(const std::string& text) {
        lift();
        keep(text + ";");
    }

    // Lifts the knife at the end.
    void finish() { lift(); }

    std::size_t cuts() const { return cuts_; }
    // Cuts that reached beyond the range, each counted once, whether cut
    // short or dropped whole.
    std::size_t clipped() const { return clipped_; }
    // Cuts of no length written on their own: the knife let down and lifted
    // where it stands.
    std::size_t dots() const { return dots_; }

private:
    void keep(std::string text) {
        JobStep& step = job_.steps.emplace_back();
        step.kind = JobStep::Kind::Kept;
        step.kept = job_.kept.size();
        job_.kept.push_back(keptInstruction(std::move(text)));
    }
    void move(PlotPoint to) {
        JobStep& step = job_.steps.emplace_back();
        step.kind = JobStep::Kind::Move;
        step.to = to;
    }
    static bool inRange(geom::Vec p) {
        return p.x >= -kOutputLimit && p.x <= kOutputLimit && p.y >= -kOutputLimit && p.y <= kOutputLimit;
    }
    void endChain() {
        if (chainIsDot_) ++dots_;
        chainIsDot_ = false;
    }
    void lift() {
        if (!inChain_) return;
        endChain();
        inChain_ = false;
        move({x_, y_});
    }
    // Halves away from zero, for both signs alike: the whole part, and one
    // more away from zero when what is left is half a unit or more (both
    // exact within the range). The range was clipped to already; the clamp
    // only holds what the crossing's arithmetic leaves a hair beyond it.
    static std::int32_t unit(double v) {
        v = std::clamp(v, -kOutputLimit, kOutputLimit);
        const auto whole = static_cast<std::int32_t>(v);
        const double rest = v - whole;
        return whole + (rest >= 0.5 ? 1 : 0) - (rest <= -0.5 ? 1 : 0);
    }

    CutJob& job_;
    bool haveCursor_ = false;
    bool inChain_ = false;
    bool chainIsDot_ = false;
    std::int32_t x_ = 0, y_ = 0;
    geom::Vec lastEnd_;
    std::size_t cuts_ = 0;
    std::size_t clipped_ = 0;
    std::size_t dots_ = 0;
};

}  // namespace kerfline::dialect
