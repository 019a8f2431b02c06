// The text convert writes: plain cutter HP-GL in whole plotter units,
// absolute, one instruction a line, with the knife's strokes joined where
// they meet.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "geometry/plane.h"

namespace kerfline::dialect {

// The plotter's range: the output stays within 25 km, inside 32 bits with
// room to spare, so that no reader's sums of coordinates overflow, and clear
// of the extreme values that readers use to mean "no point yet". Cuts that
// reach beyond it are clipped at its edge.
constexpr double kOutputLimit = 1e9;
// A PD line stays well under the 512 characters some readers allow.
constexpr int kPointsPerLine = 20;

// Writes into `out`, which it sizes as it goes; finish() trims it.
class CutWriter {
public:
    CutWriter(std::string& out, std::size_t expected) : out_(out) {
        out_.assign(expected + 4096, '\0');
        put("IN;\n");
    }

    // A cut from a to b (a dot when they meet); consecutive cuts that join
    // stay in one PD.
    void segment(geom::Vec a, geom::Vec b) {
        if (!inRange(a) || !inRange(b)) {
            ++clipped_;
            if (!clipToRange(a, b)) return;
        }
        // Most cuts start where the last one ended: its rounding is reused.
        const bool joined = a.x == lastEnd_.x && a.y == lastEnd_.y && haveCursor_;
        const std::int32_t ax = joined ? x_ : unit(a.x), ay = joined ? y_ : unit(a.y);
        const std::int32_t bx = unit(b.x), by = unit(b.y);
        lastEnd_ = b;
        // Room for ";\nPU" and two pairs of the longest numbers.
        char* p = room(64);
        if (inChain_ && ax == x_ && ay == y_) {
            if (bx == x_ && by == y_) return;
            chainIsDot_ = false;
            if (inLine_ == kPointsPerLine) {
                p = copy(p, ";\nPD");
                inLine_ = 0;
            } else {
                *p++ = ',';
            }
        } else {
            if (inChain_) {
                endChain();
                p = copy(p, ";\n");
            }
            if (!haveCursor_ || ax != x_ || ay != y_) {
                p = copy(p, "PU");
                p = pair(p, ax, ay);
                p = copy(p, ";\n");
            }
            p = copy(p, "PD");
            inChain_ = true;
            chainIsDot_ = bx == ax && by == ay;
            inLine_ = 0;
        }
        p = pair(p, bx, by);
        used_ = static_cast<std::size_t>(p - out_.data());
        ++inLine_;
        ++cuts_;
        x_ = bx;
        y_ = by;
        haveCursor_ = true;
    }

    // SP, VS, FS: the knife is lifted first.
    void instruction(const std::string& text) {
        lift();
        put(text);
        put(";\n");
    }

    // Lifts the knife and trims the text to what was written.
    void finish() {
        lift();
        out_.resize(used_);
    }

    std::size_t cuts() const { return cuts_; }
    // Cuts that reached beyond the range, each counted once, whether cut
    // short or dropped whole.
    std::size_t clipped() const { return clipped_; }
    // Cuts of no length written on their own: the knife let down and lifted
    // where it stands.
    std::size_t dots() const { return dots_; }

private:
    // Room for `count` more characters. Called for every cut: the growing,
    // seldom needed, is kept out of line so that this stays small enough
    // to inline.
    char* room(std::size_t count) {
        if (out_.size() - used_ < count) grow(count);
        return out_.data() + used_;
    }
    [[gnu::noinline]] void grow(std::size_t count) { out_.resize(std::max(out_.size() * 2, used_ + count)); }
    void put(std::string_view text) {
        char* p = room(text.size());
        std::copy(text.begin(), text.end(), p);
        used_ += text.size();
    }
    template <std::size_t N>
    static char* copy(char* p, const char (&text)[N]) {
        for (std::size_t i = 0; i + 1 < N; ++i) *p++ = text[i];
        return p;
    }
    static bool inRange(geom::Vec p) {
        return p.x >= -kOutputLimit && p.x <= kOutputLimit && p.y >= -kOutputLimit && p.y <= kOutputLimit;
    }
    // The part of a-b inside the range, as a hard-clip limit cuts it: where
    // it crosses the edge, not moved onto it. False when none is inside.
    static bool clipToRange(geom::Vec& a, geom::Vec& b) {
        double t0 = 0, t1 = 1;
        const double d[2] = {b.x - a.x, b.y - a.y};
        const double from[2] = {a.x, a.y};
        for (int i = 0; i < 2; ++i) {
            if (d[i] == 0) {
                if (from[i] < -kOutputLimit || from[i] > kOutputLimit) return false;
                continue;
            }
            double ta = (-kOutputLimit - from[i]) / d[i], tb = (kOutputLimit - from[i]) / d[i];
            if (ta > tb) std::swap(ta, tb);
            t0 = std::max(t0, ta);
            t1 = std::min(t1, tb);
            if (t0 > t1) return false;
        }
        const geom::Vec start = a, dir = b - a;
        if (t0 > 0) a = start + dir * t0;
        if (t1 < 1) b = start + dir * t1;
        return true;
    }
    void endChain() {
        if (chainIsDot_) ++dots_;
        chainIsDot_ = false;
    }
    void lift() {
        if (!inChain_) return;
        endChain();
        inChain_ = false;
        char* p = room(64);
        p = copy(p, ";\nPU");
        p = pair(p, x_, y_);
        p = copy(p, ";\n");
        used_ = static_cast<std::size_t>(p - out_.data());
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
    static char* number(char* out, std::int32_t v) {
        char digits[12];
        char* end = digits + sizeof digits;
        char* p = end;
        std::uint32_t u = v < 0 ? 0u - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
        do {
            *--p = static_cast<char>('0' + u % 10);
            u /= 10;
        } while (u != 0);
        if (v < 0) *--p = '-';
        while (p != end) *out++ = *p++;
        return out;
    }
    static char* pair(char* p, std::int32_t x, std::int32_t y) {
        p = number(p, x);
        *p++ = ',';
        return number(p, y);
    }

    std::string& out_;
    std::size_t used_ = 0;
    bool haveCursor_ = false;
    bool inChain_ = false;
    bool chainIsDot_ = false;
    int inLine_ = 0;
    std::int32_t x_ = 0, y_ = 0;
    geom::Vec lastEnd_;
    std::size_t cuts_ = 0;
    std::size_t clipped_ = 0;
    std::size_t dots_ = 0;
};

}  // namespace kerfline::dialect
