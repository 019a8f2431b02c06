#include "dialect/converter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <tuple>
#include <utility>
#include <vector>

#include "dialect/cut_writer.h"
#include "dialect/polyline_encoding.h"
#include "dialect/scanner.h"
#include "dialect/stroke_font.h"
#include "geometry/plane.h"
#include "geometry/point.h"

namespace kerfline::dialect {

namespace {

using geom::Vec;

// The length of a vector as std::hypot gives it, which can round apart from
// geom::norm's root of the sum of squares; the dash patterns and the curves'
// chords are measured with it.
double length(Vec a) { return std::hypot(a.x, a.y); }

constexpr double kPi = 3.14159265358979323846;
constexpr double kUnitsPerCm = 400.0;
// Coordinates are held within this, far beyond any plotter, so that no
// arithmetic on them overflows.
constexpr double kFar = 1e15;
// No curve is cut into more chords than this, whatever its radius.
constexpr int kMaxChords = 65536;
// Plotters hold a few thousand polygon points; this is plenty.
constexpr std::size_t kMaxPolygon = 1'000'000;

// P1 and P2 of an A4 landscape page, as HP-GL plotters default them, and
// the page they sit in the middle of.
constexpr Vec kDefaultP1{603, 521};
constexpr Vec kDefaultP2{10603, 7721};
constexpr Vec kDefaultPage{11206, 8242};

// Characters 1.9 mm wide and 2.7 mm tall until SI or SR says otherwise.
constexpr double kDefaultWidthCm = 0.19;
constexpr double kDefaultHeightCm = 0.27;

// Dash patterns of the fixed line types 1 to 8, in per cent of the pattern,
// alternately pen down and pen up (a 0 down is a dot); UL gives a line type
// up to 20 parts of its own.
constexpr int kMaxPatternParts = 20;
struct Pattern {
    int count;
    double parts[kMaxPatternParts];
};
constexpr Pattern kPatterns[8] = {
    {2, {0, 100}},
    {2, {50, 50}},
    {2, {70, 30}},
    {4, {80, 10, 0, 10}},
    {4, {70, 10, 10, 10}},
    {6, {50, 10, 10, 10, 10, 10}},
    {6, {70, 10, 0, 10, 0, 10}},
    {8, {50, 10, 0, 10, 10, 10, 0, 10}},
};

// TL's tick lengths until it says otherwise: per cent of P1-P2 either side.
constexpr double kDefaultTickPercent = 0.5;

// The last rectangle or wedge whose outline is held back for comparison
// with the next holds at most this many pieces; a longer one is cut as it
// comes.
constexpr std::size_t kMaxHeldPieces = 200'000;

// A parameter that must be a small whole number (a type, a mode, an angle),
// truncated as plotters do; anything beyond a million is no valid value.
int whole(double v) {
    if (!(v == v)) return 0;
    return static_cast<int>(v < -1e6 ? -1e6 : v > 1e6 ? 1e6 : v);
}

double clampFar(double v) {
    if (!(v == v)) return 0;  // NaN
    return v < -kFar ? -kFar : v > kFar ? kFar : v;
}


enum class Fate { Converted, Cut, Fill, Applied, Kept, Symbol, Ignored };

Fate fateOf(MnemonicCode code) {
    switch (code) {
        case makeMnemonic('P', 'A'): case makeMnemonic('P', 'R'): case makeMnemonic('P', 'U'):
        case makeMnemonic('P', 'D'): case makeMnemonic('P', 'E'):
            return Fate::Converted;
        case makeMnemonic('C', 'I'): case makeMnemonic('A', 'A'): case makeMnemonic('A', 'R'):
        case makeMnemonic('A', 'T'): case makeMnemonic('R', 'T'): case makeMnemonic('E', 'A'):
        case makeMnemonic('E', 'R'): case makeMnemonic('E', 'W'): case makeMnemonic('E', 'P'):
        case makeMnemonic('B', 'Z'): case makeMnemonic('B', 'R'):
        case makeMnemonic('L', 'B'): case makeMnemonic('P', 'B'):
        case makeMnemonic('X', 'T'): case makeMnemonic('Y', 'T'): case makeMnemonic('U', 'C'):
            return Fate::Cut;
        case makeMnemonic('R', 'A'): case makeMnemonic('R', 'R'): case makeMnemonic('W', 'G'):
        case makeMnemonic('F', 'P'):
            return Fate::Fill;
        case makeMnemonic('I', 'N'): case makeMnemonic('D', 'F'): case makeMnemonic('I', 'P'):
        case makeMnemonic('I', 'R'): case makeMnemonic('S', 'C'): case makeMnemonic('R', 'O'):
        case makeMnemonic('I', 'W'): case makeMnemonic('P', 'S'): case makeMnemonic('L', 'T'):
        case makeMnemonic('P', 'M'): case makeMnemonic('D', 'T'): case makeMnemonic('S', 'I'):
        case makeMnemonic('S', 'R'): case makeMnemonic('D', 'I'): case makeMnemonic('D', 'R'):
        case makeMnemonic('S', 'L'): case makeMnemonic('L', 'O'): case makeMnemonic('C', 'P'):
        case makeMnemonic('B', 'L'): case makeMnemonic('T', 'L'): case makeMnemonic('U', 'L'):
            return Fate::Applied;
        case makeMnemonic('S', 'P'): case makeMnemonic('V', 'S'): case makeMnemonic('F', 'S'):
            return Fate::Kept;
        case makeMnemonic('S', 'M'):
            return Fate::Symbol;
        default:
            return Fate::Ignored;
    }
}

// Why an instruction that is not converted leaves the knife's path as it
// is, group by group of the HP-GL and HP-GL/2 instruction sets.
const char* ignoredReason(MnemonicCode code) {
    switch (code) {
        case makeMnemonic('F', 'T'): case makeMnemonic('A', 'C'): case makeMnemonic('R', 'F'):
        case makeMnemonic('U', 'F'): case makeMnemonic('P', 'T'): case makeMnemonic('S', 'V'):
        case makeMnemonic('T', 'R'): case makeMnemonic('C', 'F'): case makeMnemonic('P', 'P'):
            return "ignored: fill patterns and shading cannot be cut";
        case makeMnemonic('P', 'W'): case makeMnemonic('W', 'U'): case makeMnemonic('L', 'A'):
            return "ignored: pen width and line ends do not change a knife's path";
        case makeMnemonic('P', 'C'): case makeMnemonic('N', 'P'): case makeMnemonic('C', 'R'):
        case makeMnemonic('M', 'C'):
            return "ignored: colour does not change a knife's path";
        case makeMnemonic('P', 'G'): case makeMnemonic('A', 'F'): case makeMnemonic('A', 'H'):
        case makeMnemonic('F', 'R'):
            return "ignored: page feed; every page is cut in the same place";
        case makeMnemonic('R', 'P'):
            return "ignored: the plot is cut once, not replotted";
        case makeMnemonic('B', 'P'):
            return "ignored: the plot's name and job settings do not change the cut";
        case makeMnemonic('E', 'C'): case makeMnemonic('N', 'R'): case makeMnemonic('M', 'T'):
        case makeMnemonic('Q', 'L'):
            return "ignored: media handling and quality settings do not change a knife's path";
        case makeMnemonic('A', 'S'): case makeMnemonic('V', 'A'): case makeMnemonic('V', 'N'):
        case makeMnemonic('C', 'V'): case makeMnemonic('A', 'P'):
            return "ignored: acceleration and pen handling do not change a knife's path";
        case makeMnemonic('O', 'A'): case makeMnemonic('O', 'C'): case makeMnemonic('O', 'D'):
        case makeMnemonic('O', 'E'): case makeMnemonic('O', 'F'): case makeMnemonic('O', 'G'):
        case makeMnemonic('O', 'H'): case makeMnemonic('O', 'I'): case makeMnemonic('O', 'K'):
        case makeMnemonic('O', 'L'): case makeMnemonic('O', 'O'): case makeMnemonic('O', 'P'):
        case makeMnemonic('O', 'S'): case makeMnemonic('O', 'T'): case makeMnemonic('O', 'W'):
        case makeMnemonic('D', 'C'): case makeMnemonic('D', 'P'): case makeMnemonic('I', 'M'):
        case makeMnemonic('G', 'M'): case makeMnemonic('K', 'Y'): case makeMnemonic('W', 'D'):
        case makeMnemonic('M', 'G'): case makeMnemonic('G', 'C'):
            return "ignored: plotter status, display and interface settings";
        case makeMnemonic('C', 'S'): case makeMnemonic('C', 'A'): case makeMnemonic('S', 'S'):
        case makeMnemonic('S', 'A'): case makeMnemonic('D', 'S'): case makeMnemonic('I', 'V'):
        case makeMnemonic('C', 'M'): case makeMnemonic('A', 'D'): case makeMnemonic('S', 'D'):
        case makeMnemonic('F', 'I'): case makeMnemonic('F', 'N'): case makeMnemonic('S', 'B'):
        case makeMnemonic('D', 'L'): case makeMnemonic('C', 'C'): case makeMnemonic('T', 'D'):
        case makeMnemonic('L', 'M'):
            return "ignored: labels are cut in the built-in single-stroke font";
        case makeMnemonic('E', 'S'): case makeMnemonic('D', 'V'):
            return "ignored: extra spacing and vertical text paths are not applied to labels";
        case makeMnemonic('C', 'T'):
            return "ignored: curves are cut to convert's own tolerance";
        case makeMnemonic('C', 'O'):
            return "ignored: a comment";
        default:
            return "ignored: an instruction this converter does not know";
    }
}

const char* fateText(MnemonicCode code) {
    switch (fateOf(code)) {
        case Fate::Converted: return "converted";
        case Fate::Cut: return "converted to cuts";
        case Fate::Fill: return "dropped: fills cannot be cut (outlines kept)";
        case Fate::Applied: return "applied";
        case Fate::Kept: return "kept";
        case Fate::Symbol: return "dropped: plot symbols are not drawn";
        case Fate::Ignored: return ignoredReason(code);
    }
    return "";
}

class Converter final : public PolylineSink {
public:
    Converter(std::string_view input, const ConvertOptions& options, ConvertResult& result)
        : scanner_(input),
          out_(result.text, input.size() + 64),
          result_(result),
          // NaN fails every comparison: it takes the finest tolerance.
          tolerance_((options.toleranceMm >= kMinToleranceMm
                          ? std::min(options.toleranceMm, kMaxToleranceMm)
                          : kMinToleranceMm) *
                     kUnitsPerMm),
          budget_(options.vertexBudget + input.size()) {
        counts_.fill(0);
        initialize();
    }

    void run();

    // The polyline-encoded points of PE.
    void selectPen(double pen) override {
        cutDot();
        keep("SP", &pen, 1);
    }
    void point(double x, double y, bool absolute, bool penUp) override {
        const Vec target = absolute ? toPlotter({x, y}) : position_ + toPlotterDelta({x, y});
        if (penUp) {
            cutDot();
            moveTo(target);
        } else {
            drawTo(target);
        }
    }

private:
    // --- state resets
    void initialize() {
        std::copy(std::begin(kPatterns), std::end(kPatterns), patterns_.begin());
        rotation_ = 0;
        position_ = {};
        lineStart_ = {};
        defaults();
        resetP1P2();
    }
    void defaults() {
        scaleType_ = -1;
        clip_ = false;
        down_ = false;
        relative_ = false;
        lineType_ = 0;
        dashed_ = false;
        patternLength_ = 4;
        patternInMm_ = false;
        dashIndex_ = 0;
        dashOffset_ = 0;
        polygonMode_ = false;
        polygon_.clear();
        terminator_ = 3;
        terminatorDrawn_ = false;
        sizeRelative_ = false;
        sizeW_ = kDefaultWidthCm;
        sizeH_ = kDefaultHeightCm;
        directionRelative_ = false;
        run_ = 1;
        rise_ = 0;
        slant_ = 0;
        origin_ = 1;
        tickUp_ = kDefaultTickPercent;
        tickDown_ = kDefaultTickPercent;
        updateScaling();
    }
    Vec frameSize() const { return rotation_ % 180 == 0 ? page_ : Vec{page_.y, page_.x}; }
    void resetP1P2() {
        if (pageGiven_) {
            // A page set by PS: P1 and P2 are its corners.
            p1_ = {};
            p2_ = frameSize();
            updateScaling();
            return;
        }
        const Vec a = fromPage(kDefaultP1), b = fromPage(kDefaultP2);
        p1_ = {std::min(a.x, b.x), std::min(a.y, b.y)};
        p2_ = {std::max(a.x, b.x), std::max(a.y, b.y)};
        updateScaling();
    }

    // --- coordinate systems: user units, plotter units in the turned frame
    // (RO), and the page.
    Vec toPage(Vec p) const {
        switch (rotation_) {
            case 90: return {page_.x - p.y, p.x};
            case 180: return {page_.x - p.x, page_.y - p.y};
            case 270: return {p.y, page_.y - p.x};
            default: return p;
        }
    }
    Vec fromPage(Vec q) const {
        switch (rotation_) {
            case 90: return {q.y, page_.x - q.x};
            case 180: return {page_.x - q.x, page_.y - q.y};
            case 270: return {page_.y - q.y, q.x};
            default: return q;
        }
    }
    Vec toPlotter(Vec u) const {
        if (!scaled_) return {clampFar(u.x), clampFar(u.y)};
        return {clampFar(u.x * sx_ + tx_), clampFar(u.y * sy_ + ty_)};
    }
    Vec toPlotterDelta(Vec d) const {
        if (!scaled_) return {clampFar(d.x), clampFar(d.y)};
        return {clampFar(d.x * sx_), clampFar(d.y * sy_)};
    }
    Vec toUser(Vec p) const {
        if (!scaled_) return p;
        return {(p.x - tx_) / sx_, (p.y - ty_) / sy_};
    }
    double userScale() const { return scaled_ ? std::max(std::fabs(sx_), std::fabs(sy_)) : 1.0; }

    void updateScaling() {
        scaled_ = false;
        if (scaleType_ < 0) return;
        const double* s = scale_;
        const double dx = p2_.x - p1_.x, dy = p2_.y - p1_.y;
        double sx, sy, tx, ty;
        if (scaleType_ == 2) {
            sx = s[1];
            sy = s[3];
            tx = p1_.x - s[0] * sx;
            ty = p1_.y - s[2] * sy;
        } else {
            const double ux = s[1] - s[0], uy = s[3] - s[2];
            if (ux == 0 || uy == 0) return;
            sx = dx / ux;
            sy = dy / uy;
            tx = p1_.x - s[0] * sx;
            ty = p1_.y - s[2] * sy;
            if (scaleType_ == 1) {
                // Isotropic: the smaller factor both ways, the room left over
                // shared as the left and bottom percentages say.
                const double k = std::min(std::fabs(sx), std::fabs(sy));
                const double nx = std::copysign(k, sx), ny = std::copysign(k, sy);
                const double spareX = dx - ux * nx, spareY = dy - uy * ny;
                tx = p1_.x + spareX * s[4] / 100 - s[0] * nx;
                ty = p1_.y + spareY * s[5] / 100 - s[2] * ny;
                sx = nx;
                sy = ny;
            }
        }
        if (!std::isfinite(sx) || !std::isfinite(sy) || !std::isfinite(tx) || !std::isfinite(ty) ||
            sx == 0 || sy == 0)
            return;
        sx_ = sx;
        sy_ = sy;
        tx_ = tx;
        ty_ = ty;
        scaled_ = true;
    }

    // --- the work budget
    bool tick() {
        if (++work_ > budget_) stopped_ = true;
        return !stopped_;
    }

    // --- pen movement in plotter units
    void moveTo(Vec p) {
        p = {clampFar(p.x), clampFar(p.y)};
        if (polygonMode_) addPolygonVertex(p, false);
        position_ = p;
        lineStart_ = p;
        dashIndex_ = 0;
        dashOffset_ = 0;
    }
    void drawTo(Vec p) {
        p = {clampFar(p.x), clampFar(p.y)};
        if (polygonMode_)
            addPolygonVertex(p, true);
        else
            stroke(position_, p, true);
        position_ = p;
        lineStart_ = p;
    }
    void go(Vec p) { down_ ? drawTo(p) : moveTo(p); }

    void stroke(Vec a, Vec b, bool mayDash) {
        if (!tick()) return;
        if (mayDash && dashed_)
            dash(a, b);
        else
            clipped(a, b);
    }

    // The part of a-b inside the window, to the page and out.
    void clipped(Vec a, Vec b) {
        // Whatever the knife cuts after being let down makes the dot part
        // of a cut.
        dotPending_ = false;
        if (clip_) {
            const Vec low = clipMin_, high = clipMax_;
            double t0 = 0, t1 = 1;
            const double d[2] = {b.x - a.x, b.y - a.y};
            const double lo[2] = {low.x - a.x, low.y - a.y};
            const double hi[2] = {high.x - a.x, high.y - a.y};
            for (int i = 0; i < 2; ++i) {
                if (d[i] == 0) {
                    if (lo[i] > 0 || hi[i] < 0) return;
                    continue;
                }
                double ta = lo[i] / d[i], tb = hi[i] / d[i];
                if (ta > tb) std::swap(ta, tb);
                t0 = std::max(t0, ta);
                t1 = std::min(t1, tb);
                if (t0 > t1) return;
            }
            const Vec dir = b - a;
            b = a + dir * t1;
            a = a + dir * t0;
        }
        emit(toPage(a), toPage(b));
    }

    void emit(Vec a, Vec b) {
        ++events_;
        if (holding_) {
            if (held_.size() < kMaxHeldPieces) {
                held_.push_back({a, b});
                return;
            }
            // Too long to compare: cut it as it comes.
            release();
        }
        out_.segment(a, b);
    }

    // --- dots: the pen let down where it stands (PD without points) and
    // lifted, or left down at the end, with nothing cut in between is a cut
    // of no length there, as a dot drawn with a move of no length is.
    void lowerPen() {
        if (down_ || polygonMode_) return;
        dotPending_ = true;
        dotAt_ = position_;
    }
    void cutDot() {
        if (!dotPending_) return;
        dotPending_ = false;
        stroke(dotAt_, dotAt_, false);
    }

    // --- shapes that are both filled and edged (RA then EA, WG then EW and
    // the like, in either order) are cut once: a rectangle's or a wedge's
    // pieces are held back, and dropped when they are the very pieces of
    // the other kind just cut, with nothing cut or kept in between.
    template <class Draw>
    void shape(bool filled, Draw draw) {
        if (polygonMode_) {
            // Stored in the polygon; FP and EP outline it once.
            draw();
            return;
        }
        const bool adjacent = lastShape_.valid && lastShape_.filled != filled && lastShape_.stamp == events_;
        holding_ = true;
        held_.clear();
        draw();
        if (!holding_) {
            // Cut as it came: nothing to compare with later.
            lastShape_.valid = false;
            return;
        }
        holding_ = false;
        std::vector<Piece> pieces = piecesOf(held_);
        if (adjacent && !pieces.empty() && pieces == lastShape_.pieces) {
            ++outlinesOnce_;
            lastShape_.valid = false;
            held_.clear();
            return;
        }
        for (const auto& [a, b] : held_) out_.segment(a, b);
        held_.clear();
        lastShape_ = {true, filled, std::move(pieces), events_};
    }
    void release() {
        holding_ = false;
        for (const auto& [a, b] : held_) out_.segment(a, b);
        held_.clear();
    }
    // The pieces as whole units with no direction, in order: the same cuts
    // whatever corner and way round they were made from.
    struct Piece {
        long long x0, y0, x1, y1;
        bool operator==(const Piece&) const = default;
        bool operator<(const Piece& o) const {
            return std::tie(x0, y0, x1, y1) < std::tie(o.x0, o.y0, o.x1, o.y1);
        }
    };
    static std::vector<Piece> piecesOf(const std::vector<std::pair<Vec, Vec>>& segments) {
        std::vector<Piece> pieces;
        pieces.reserve(segments.size());
        for (const auto& [a, b] : segments) {
            Piece piece{std::llround(a.x), std::llround(a.y), std::llround(b.x), std::llround(b.y)};
            if (std::tie(piece.x1, piece.y1) < std::tie(piece.x0, piece.y0)) {
                std::swap(piece.x0, piece.x1);
                std::swap(piece.y0, piece.y1);
            }
            pieces.push_back(piece);
        }
        std::sort(pieces.begin(), pieces.end());
        return pieces;
    }

    double patternUnits() const {
        if (patternInMm_) return patternLength_ * kUnitsPerMm;
        return patternLength_ / 100 * length(p2_ - p1_);
    }

    void dash(Vec a, Vec b) {
        if (lineType_ == 0) {
            // Line type 0: a dot at each end point.
            clipped(b, b);
            return;
        }
        const Pattern& pattern = patterns_[std::abs(lineType_) - 1];
        const double total = length(b - a);
        double unitsLong = patternUnits();
        if (!(unitsLong > 0.01)) {
            clipped(a, b);
            return;
        }
        if (lineType_ < 0) {
            // Adaptive: whole patterns fit each line, starting afresh.
            unitsLong = total / std::max(1.0, std::round(total / unitsLong));
            dashIndex_ = 0;
            dashOffset_ = 0;
        }
        const Vec dir = total > 0 ? (b - a) * (1 / total) : Vec{};
        double t = 0;
        while (tick()) {
            const double part = pattern.parts[dashIndex_] / 100 * unitsLong;
            const bool penDown = dashIndex_ % 2 == 0;
            const double remain = part - dashOffset_;
            if (remain <= 0) {
                if (part == 0 && penDown) clipped(a + dir * t, a + dir * t);
                dashIndex_ = (dashIndex_ + 1) % pattern.count;
                dashOffset_ = 0;
                if (t >= total - 1e-6) break;
                continue;
            }
            const double step = std::min(remain, total - t);
            if (penDown && step > 0) clipped(a + dir * t, a + dir * (t + step));
            t += step;
            dashOffset_ += step;
            // What rounding leaves of a line is no room for another dash.
            if (t >= total - 1e-6) break;
        }
    }

    // --- polygon mode
    void addPolygonVertex(Vec p, bool down) {
        if (polygon_.size() >= kMaxPolygon) {
            polygonOverflow_ = true;
            return;
        }
        if (!tick()) return;
        if (!down) closeSubpolygon();
        polygon_.push_back({p, down});
    }
    void closeSubpolygon() {
        // A subpolygon ends where it began.
        if (subpolygonStart_ >= polygon_.size()) return;
        const Vec first = polygon_[subpolygonStart_].p;
        bool drawn = false;
        for (std::size_t i = subpolygonStart_ + 1; i < polygon_.size(); ++i) drawn |= polygon_[i].down;
        const Vec last = polygon_.back().p;
        if (drawn && (last.x != first.x || last.y != first.y) && polygon_.size() < kMaxPolygon)
            polygon_.push_back({first, true});
        subpolygonStart_ = polygon_.size();
    }
    // EP edges the polygon (in the line type), FP fills it (its outline
    // solid): whichever comes first cuts the outline, once.
    void outlinePolygon(bool edge) {
        const unsigned asked = edge ? 2u : 1u;
        if (polygonOutlined_) {
            if (polygonAsked_ != 0 && (polygonAsked_ & asked) == 0) {
                ++outlinesOnce_;
                polygonAsked_ |= asked;
            }
            return;
        }
        polygonOutlined_ = true;
        polygonAsked_ = asked;
        const bool mayDash = edge;
        for (std::size_t i = 1; i < polygon_.size() && !stopped_; ++i)
            if (polygon_[i].down) {
                stroke(polygon_[i - 1].p, polygon_[i].p, mayDash);
                if (mayDash) {
                    dashIndex_ = 0;
                    dashOffset_ = 0;
                }
            }
    }

    // --- curves, computed in user units and drawn as chords
    int chords(double radiusUser, double sweep) const {
        const double radius = std::fabs(radiusUser) * userScale();
        if (!(radius > 0)) return 1;
        const double ratio = tolerance_ / (2 * radius);
        double step = ratio >= 0.5 ? kPi / 2 : 4 * std::asin(std::sqrt(ratio));
        step = std::min(step, kPi / 2);
        const double n = std::ceil(std::fabs(sweep) / step);
        return static_cast<int>(std::clamp(n, 1.0, static_cast<double>(kMaxChords)));
    }
    // From the current point round `center` (user units) by `sweep` radians;
    // the end is the current point afterwards.
    void arcFrom(Vec center, double sweep, bool drawn) {
        const Vec start = toUser(position_);
        const Vec r = start - center;
        const double radius = length(r);
        const double a0 = std::atan2(r.y, r.x);
        const int n = drawn ? chords(radius, sweep) : 1;
        for (int k = 1; k <= n && !stopped_; ++k) {
            const double a = a0 + sweep * k / n;
            const Vec p = toPlotter(center + Vec{std::cos(a), std::sin(a)} * radius);
            drawn ? drawTo(p) : moveTo(p);
        }
    }
    double sweepOf(double degrees) const {
        return std::clamp(degrees, -360.0, 360.0) * kPi / 180;
    }

    void circle(double radius) {
        const Vec centre = position_;
        const Vec c = toUser(centre);
        const double start = radius < 0 ? kPi : 0;
        radius = std::min(std::fabs(radius), kFar);
        moveTo(toPlotter(c + Vec{std::cos(start), std::sin(start)} * radius));
        arcFrom(c, 2 * kPi, true);
        moveTo(centre);
    }

    void wedge(double radius, double startDegrees, double sweepDegrees) {
        const Vec centre = position_;
        const Vec c = toUser(centre);
        const double start = std::fmod(startDegrees, 360.0) * kPi / 180 + (radius < 0 ? kPi : 0);
        radius = std::min(std::fabs(radius), kFar);
        const double sweep = sweepOf(sweepDegrees);
        drawTo(toPlotter(c + Vec{std::cos(start), std::sin(start)} * radius));
        arcFrom(c, sweep, true);
        drawTo(centre);
        if (polygonMode_) closeSubpolygon();
        moveTo(centre);
    }

    void rectangle(Vec corner) {
        const Vec a = position_;
        moveTo(a);
        drawTo({corner.x, a.y});
        drawTo(corner);
        drawTo({a.x, corner.y});
        drawTo(a);
        if (polygonMode_) closeSubpolygon();
        moveTo(a);
    }

    void threePointArc(Vec through, Vec end) {
        const Vec p0 = toUser(position_);
        const double ax = through.x - p0.x, ay = through.y - p0.y;
        const double bx = end.x - p0.x, by = end.y - p0.y;
        const double det = 2 * (ax * by - ay * bx);
        const double scale = std::max({std::fabs(ax), std::fabs(ay), std::fabs(bx), std::fabs(by), 1e-300});
        if (std::fabs(det) <= 1e-12 * scale * scale) {
            // In a line: a plotter draws the straight line to the end.
            go(toPlotter(end));
            return;
        }
        const double a2 = ax * ax + ay * ay, b2 = bx * bx + by * by;
        const Vec centre{p0.x + (by * a2 - ay * b2) / det, p0.y + (ax * b2 - bx * a2) / det};
        const auto angle = [&centre](Vec p) { return std::atan2(p.y - centre.y, p.x - centre.x); };
        const auto ccw = [](double from, double to) {
            double d = std::fmod(to - from, 2 * kPi);
            return d < 0 ? d + 2 * kPi : d;
        };
        const double a0 = angle(p0);
        const double toEnd = ccw(a0, angle(end)), toThrough = ccw(a0, angle(through));
        const double sweep = toThrough < toEnd ? toEnd : toEnd - 2 * kPi;
        arcFrom(centre, sweep, down_);
        // The end exactly where it was given, whatever the rounding.
        position_ = toPlotter(end);
    }

    // A cubic Bezier from the pen through the control points b and c to d,
    // all in plotter units (the user-unit mapping keeps Beziers Beziers):
    // chords within the tolerance, from the bound on a uniform split's
    // error, three quarters of the control polygon's bend over n squared.
    void bezier(Vec b, Vec c, Vec d) {
        const Vec a = position_;
        const double bend = std::max(length(a - b * 2 + c), length(b - c * 2 + d));
        const double n = std::ceil(std::sqrt(0.75 * bend / tolerance_));
        const int steps = static_cast<int>(std::clamp(n, 1.0, static_cast<double>(kMaxChords)));
        for (int k = 1; k <= steps && !stopped_; ++k) {
            const double t = static_cast<double>(k) / steps, u = 1 - t;
            const Vec p = a * (u * u * u) + b * (3 * u * u * t) + c * (3 * u * t * t) + d * (t * t * t);
            go(k == steps ? d : p);
        }
    }

    // --- labels
    Vec characterSize() const {
        if (sizeRelative_) return {std::fabs(p2_.x - p1_.x) * sizeW_ / 100, std::fabs(p2_.y - p1_.y) * sizeH_ / 100};
        return {sizeW_ * kUnitsPerCm, sizeH_ * kUnitsPerCm};
    }
    Vec direction() const {
        Vec d{run_, rise_};
        if (directionRelative_) d = {run_ * (p2_.x - p1_.x) / 100, rise_ * (p2_.y - p1_.y) / 100};
        const double l = length(d);
        if (!(l > 0) || !std::isfinite(l)) return {1, 0};
        return d * (1 / l);
    }

    // The width of the line of text that starts at `from`, for centred and
    // right-aligned label origins.
    static double lineWidth(std::string_view text, std::size_t from, double advance, double width) {
        while (from < text.size() && text[from] == '\n') ++from;
        std::size_t count = 0;
        for (std::size_t i = from; i < text.size() && text[i] != '\r' && text[i] != '\n'; ++i)
            if (static_cast<unsigned char>(text[i]) >= 32) ++count;
        return count > 0 ? static_cast<double>(count) * advance - 0.5 * width : 0;
    }

    void label(std::string_view text) {
        const Vec size = characterSize();
        const Vec d = direction();
        const Vec up{-d.y, d.x};
        const double advance = 1.5 * size.x, lineGap = 2 * size.y;
        // The label origin (LO) places each line about the pen: left, centred
        // or right, and the text's foot, middle or top on it.
        const int o = origin_ > 10 ? origin_ - 10 : origin_;
        const double alignment = o >= 7 ? 1.0 : o >= 4 ? 0.5 : 0.0;
        const Vec raise = up * ((o % 3 == 2) ? -size.y / 2 : (o % 3 == 0) ? -size.y : 0);
        const double kx = size.x / 16, ky = size.y / (kFontBaseline - kFontCapTop);
        Vec cursor = position_;
        Vec shift = raise - d * (alignment * lineWidth(text, 0, advance, size.x));
        for (std::size_t i = 0; i < text.size() && !stopped_; ++i) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (c == '\r') {
                cursor = lineStart_;
                shift = raise - d * (alignment * lineWidth(text, i + 1, advance, size.x));
            } else if (c == '\n') {
                cursor = cursor - up * lineGap;
                lineStart_ = lineStart_ - up * lineGap;
            } else if (c == '\b') {
                cursor = cursor - d * advance;
            } else if (c >= 32) {
                const StrokeGlyph* glyph = strokeGlyph(c);
                if (!glyph) ++outsideFont_;
                if (glyph && glyph->count > 0) {
                    const Vec cell = cursor + shift;
                    const signed char* pairs = strokePairs() + 2 * glyph->first;
                    bool penUp = true;
                    Vec last{};
                    for (unsigned k = 0; k < glyph->count && !stopped_; ++k) {
                        const int hx = pairs[2 * k], hy = pairs[2 * k + 1];
                        if (hx == kPenUp) {
                            penUp = true;
                            continue;
                        }
                        const double ly = (kFontBaseline - hy) * ky;
                        const double lx = hx * kx + size.x / 2 + ly * slant_;
                        const Vec p = cell + d * lx + up * ly;
                        if (!penUp) stroke(last, p, false);
                        last = p;
                        penUp = false;
                    }
                }
                cursor = cursor + d * advance;
            }
            // Other control characters take no room.
        }
        // The pen stays where the next character would go.
        const Vec end = cursor + shift;
        position_ = {clampFar(end.x), clampFar(end.y)};
    }

    // XT and YT: a tick across the pen's place, TL's lengths (per cent of
    // P1-P2's height for XT, of its width for YT) on the positive and the
    // negative side, cut from the negative end; the pen stays where it is.
    void tickMark(bool vertical) {
        const double span = vertical ? std::fabs(p2_.y - p1_.y) : std::fabs(p2_.x - p1_.x);
        const Vec axis = vertical ? Vec{0, 1} : Vec{1, 0};
        const Vec up = position_ + axis * (span * tickUp_ / 100);
        const Vec down = position_ - axis * (span * tickDown_ / 100);
        stroke({clampFar(down.x), clampFar(down.y)}, {clampFar(up.x), clampFar(up.y)}, false);
    }

    // UC: a character drawn in steps of a grid four to a character's width
    // and eight to its height, from the pen's place as the character's lower
    // left corner, sized, turned and slanted as labels are. A parameter of
    // 99 or more lets the pen down, one of -99 or less lifts it (it starts
    // lifted); the others come in pairs of steps. The pen then stands where
    // the next character would go.
    void userCharacter() {
        const Vec size = characterSize();
        const Vec d = direction();
        const Vec up{-d.y, d.x};
        const Vec origin = position_;
        const auto place = [&](Vec grid) {
            const double ly = grid.y * size.y / 8;
            const Vec p = origin + d * (grid.x * size.x / 4 + ly * slant_) + up * ly;
            return Vec{clampFar(p.x), clampFar(p.y)};
        };
        Vec grid{};
        bool penDown = false, dot = false;
        double x, y;
        while (!stopped_ && scanner_.number(x)) {
            if (x >= 99) {
                dot = dot || !penDown;
                penDown = true;
                continue;
            }
            if (x <= -99) {
                // Let down and lifted again without a step: a dot.
                if (dot) stroke(place(grid), place(grid), false);
                dot = false;
                penDown = false;
                continue;
            }
            if (!scanner_.number(y)) break;
            const Vec next{clampFar(grid.x + x), clampFar(grid.y + y)};
            if (penDown) stroke(place(grid), place(next), false);
            dot = false;
            grid = next;
        }
        if (dot) stroke(place(grid), place(grid), false);
        const Vec end = origin + d * (1.5 * size.x);
        position_ = {clampFar(end.x), clampFar(end.y)};
    }

    // UL: line type 1 to 8 given parts of its own, in proportion (they are
    // taken as per cent of the pattern once they sum to 100); the type alone
    // gets its standard pattern back, no parameters all of them.
    void userLineType() {
        double v[1 + kMaxPatternParts];
        const int n = scanner_.numbers(v, 1 + kMaxPatternParts);
        scanner_.skipParameters();
        // The pattern under way may change length: it starts afresh.
        dashIndex_ = 0;
        dashOffset_ = 0;
        if (n == 0) {
            std::copy(std::begin(kPatterns), std::end(kPatterns), patterns_.begin());
            return;
        }
        const int type = whole(v[0]);
        if (type < 1 || type > 8) return;
        if (n == 1) {
            patterns_[type - 1] = kPatterns[type - 1];
            return;
        }
        double sum = 0;
        for (int i = 1; i < n; ++i) {
            if (!(v[i] >= 0 && v[i] <= kFar)) return;
            sum += v[i];
        }
        if (!(sum > 0)) return;
        Pattern pattern{n - 1, {}};
        for (int i = 1; i < n; ++i) pattern.parts[i - 1] = v[i] / sum * 100;
        patterns_[type - 1] = pattern;
    }

    // --- parameters
    void penMoves() {
        double x, y;
        while (!stopped_ && scanner_.number(x)) {
            if (!scanner_.number(y)) break;
            go(relative_ ? position_ + toPlotterDelta({x, y}) : toPlotter({x, y}));
        }
    }
    void keep(const char* name, const double* values, int count) {
        ++events_;
        std::string text = name;
        for (int i = 0; i < count; ++i) {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%.10g", values[i]);
            if (i > 0) text += ',';
            text += buffer;
        }
        out_.instruction(text);
    }
    std::string_view labelText() {
        bool found;
        std::string_view text = scanner_.until(terminator_, found);
        if (!found) labelUnterminated_ = true;
        // The terminator sits right after the text in the input.
        if (found && terminatorDrawn_) text = std::string_view(text.data(), text.size() + 1);
        return text;
    }

    void instruction(MnemonicCode code);
    void summarize();

    Scanner scanner_;
    CutWriter out_;
    ConvertResult& result_;
    double tolerance_;
    std::size_t budget_;
    std::size_t work_ = 0;
    bool stopped_ = false;

    Vec page_ = kDefaultPage, p1_, p2_;
    bool pageGiven_ = false;  // PS seen
    int rotation_ = 0;
    bool pointsGiven_ = false;  // IP or IR seen
    bool assumedNoted_ = false;
    int scaleType_ = -1;
    double scale_[6] = {};
    bool scaled_ = false;
    double sx_ = 1, sy_ = 1, tx_ = 0, ty_ = 0;

    Vec position_, lineStart_;
    bool down_ = false, relative_ = false;
    bool clip_ = false;
    Vec clipMin_, clipMax_;

    int lineType_ = 0;
    bool dashed_ = false;
    double patternLength_ = 4;
    bool patternInMm_ = false;
    int dashIndex_ = 0;
    double dashOffset_ = 0;

    struct PolygonVertex {
        Vec p;
        bool down;
    };
    bool polygonMode_ = false;
    std::vector<PolygonVertex> polygon_;
    std::size_t subpolygonStart_ = 0;
    bool polygonOutlined_ = true;
    unsigned polygonAsked_ = 0;  // 1: filled, 2: edged
    bool polygonOverflow_ = false;

    char terminator_ = 3;
    bool terminatorDrawn_ = false;
    bool sizeRelative_ = false;
    double sizeW_ = kDefaultWidthCm, sizeH_ = kDefaultHeightCm;
    bool directionRelative_ = false;
    double run_ = 1, rise_ = 0, slant_ = 0;
    int origin_ = 1;
    std::string buffered_;
    bool labelUnterminated_ = false;
    bool polylineIncomplete_ = false;
    std::size_t outsideFont_ = 0;

    std::array<Pattern, 8> patterns_{};
    double tickUp_ = kDefaultTickPercent, tickDown_ = kDefaultTickPercent;

    bool dotPending_ = false;
    Vec dotAt_;

    // Cuts made and instructions kept so far, to tell what came in between.
    std::uint64_t events_ = 0;
    bool holding_ = false;
    std::vector<std::pair<Vec, Vec>> held_;
    struct LastShape {
        bool valid = false;
        bool filled = false;
        std::vector<Piece> pieces;
        std::uint64_t stamp = 0;
    } lastShape_;
    std::size_t outlinesOnce_ = 0;

    std::array<std::uint32_t, kLetterPairs> counts_{};
    std::vector<MnemonicCode> order_;
};

void Converter::instruction(MnemonicCode code) {
    double v[8];
    switch (code) {
        case makeMnemonic('I', 'N'):
            scanner_.skipParameters();
            cutDot();
            initialize();
            break;
        case makeMnemonic('D', 'F'):
            scanner_.skipParameters();
            cutDot();
            defaults();
            break;
        case makeMnemonic('P', 'A'):
            relative_ = false;
            penMoves();
            break;
        case makeMnemonic('P', 'R'):
            relative_ = true;
            penMoves();
            break;
        case makeMnemonic('P', 'U'):
            cutDot();
            down_ = false;
            penMoves();
            break;
        case makeMnemonic('P', 'D'):
            lowerPen();
            down_ = true;
            penMoves();
            break;
        case makeMnemonic('P', 'E'): {
            bool found;
            const std::string_view data = scanner_.until(';', found);
            if (!decodePolyline(data, *this) || !found) polylineIncomplete_ = true;
            break;
        }
        case makeMnemonic('I', 'P'): {
            const int n = scanner_.numbers(v, 4);
            if (n == 0) {
                resetP1P2();
            } else if (n >= 2) {
                const Vec span = p2_ - p1_;
                p1_ = {clampFar(v[0]), clampFar(v[1])};
                p2_ = n >= 4 ? Vec{clampFar(v[2]), clampFar(v[3])} : p1_ + span;
            }
            if (p2_.x == p1_.x) p2_.x += 1;
            if (p2_.y == p1_.y) p2_.y += 1;
            pointsGiven_ = pointsGiven_ || n >= 2;
            updateScaling();
            break;
        }
        case makeMnemonic('I', 'R'): {
            const int n = scanner_.numbers(v, 4);
            const Vec frame = frameSize();
            if (n == 0) {
                resetP1P2();
            } else if (n >= 2) {
                const Vec span = p2_ - p1_;
                p1_ = {frame.x * clampFar(v[0]) / 100, frame.y * clampFar(v[1]) / 100};
                p2_ = n >= 4 ? Vec{frame.x * clampFar(v[2]) / 100, frame.y * clampFar(v[3]) / 100}
                             : p1_ + span;
            }
            if (p2_.x == p1_.x) p2_.x += 1;
            if (p2_.y == p1_.y) p2_.y += 1;
            pointsGiven_ = pointsGiven_ || n >= 2;
            updateScaling();
            break;
        }
        case makeMnemonic('S', 'C'): {
            const int n = scanner_.numbers(v, 7);
            if (n < 4) {
                scaleType_ = -1;
            } else {
                const int type = n >= 5 ? whole(v[4]) : 0;
                if (type < 0 || type > 2) break;
                std::copy(v, v + 4, scale_);
                scale_[4] = n >= 6 ? v[5] : 50;
                scale_[5] = n >= 7 ? v[6] : 50;
                scaleType_ = type;
                if (!pointsGiven_ && !pageGiven_ && !assumedNoted_) {
                    assumedNoted_ = true;
                    result_.summary.push_back(
                        "SC without IP: P1 and P2 of an A4 landscape page assumed (603,521 and 10603,7721)");
                }
            }
            updateScaling();
            break;
        }
        case makeMnemonic('R', 'O'): {
            const int n = scanner_.numbers(v, 1);
            const int angle = n == 0 ? 0 : whole(v[0]);
            if (angle != 0 && angle != 90 && angle != 180 && angle != 270) break;
            // A dot is where the pen was let down on the page.
            cutDot();
            const Vec onPage = toPage(position_);
            rotation_ = angle;
            position_ = fromPage(onPage);
            clip_ = false;
            resetP1P2();
            break;
        }
        case makeMnemonic('P', 'S'): {
            const int n = scanner_.numbers(v, 2);
            if (n == 0) {
                cutDot();
                page_ = kDefaultPage;
                pageGiven_ = false;
            } else if (v[0] > 0 && v[0] < kFar) {
                cutDot();
                page_ = {v[0], n >= 2 && v[1] > 0 && v[1] < kFar ? v[1] : v[0]};
                pageGiven_ = true;
            } else {
                break;
            }
            clip_ = false;
            resetP1P2();
            break;
        }
        case makeMnemonic('I', 'W'): {
            const int n = scanner_.numbers(v, 4);
            if (n < 4) {
                // The default window is the page: one that PS set, or none
                // at all on a roll of unknown length.
                clip_ = pageGiven_;
                clipMin_ = {};
                clipMax_ = frameSize();
                break;
            }
            const Vec a = toPlotter({v[0], v[1]}), b = toPlotter({v[2], v[3]});
            clipMin_ = {std::min(a.x, b.x), std::min(a.y, b.y)};
            clipMax_ = {std::max(a.x, b.x), std::max(a.y, b.y)};
            clip_ = true;
            break;
        }
        case makeMnemonic('L', 'T'): {
            const int n = scanner_.numbers(v, 3);
            const int type = n == 0 ? 0 : whole(v[0]);
            if (n == 0 || type < -8 || type > 8) {
                dashed_ = false;
                break;
            }
            dashed_ = true;
            lineType_ = type;
            if (n >= 2 && v[1] > 0) {
                patternLength_ = clampFar(v[1]);
                patternInMm_ = n >= 3 && v[2] == 1;
            }
            dashIndex_ = 0;
            dashOffset_ = 0;
            break;
        }
        case makeMnemonic('C', 'I'):
            if (scanner_.numbers(v, 2) >= 1) circle(clampFar(v[0]));
            break;
        case makeMnemonic('A', 'A'):
        case makeMnemonic('A', 'R'): {
            if (scanner_.numbers(v, 4) < 3) break;
            const Vec c = code == makeMnemonic('A', 'A') ? Vec{clampFar(v[0]), clampFar(v[1])}
                                                     : toUser(position_) + Vec{clampFar(v[0]), clampFar(v[1])};
            arcFrom(c, sweepOf(v[2]), down_);
            break;
        }
        case makeMnemonic('A', 'T'):
        case makeMnemonic('R', 'T'): {
            if (scanner_.numbers(v, 5) < 4) break;
            Vec through{clampFar(v[0]), clampFar(v[1])}, end{clampFar(v[2]), clampFar(v[3])};
            if (code == makeMnemonic('R', 'T')) {
                const Vec here = toUser(position_);
                through = here + through;
                end = here + end;
            }
            threePointArc(through, end);
            break;
        }
        case makeMnemonic('E', 'A'):
        case makeMnemonic('R', 'A'):
            if (scanner_.numbers(v, 2) == 2) {
                const Vec corner = toPlotter({v[0], v[1]});
                shape(code == makeMnemonic('R', 'A'), [&] { rectangle(corner); });
            }
            break;
        case makeMnemonic('E', 'R'):
        case makeMnemonic('R', 'R'):
            if (scanner_.numbers(v, 2) == 2) {
                const Vec corner = position_ + toPlotterDelta({v[0], v[1]});
                shape(code == makeMnemonic('R', 'R'), [&] { rectangle(corner); });
            }
            break;
        case makeMnemonic('E', 'W'):
        case makeMnemonic('W', 'G'):
            if (scanner_.numbers(v, 4) >= 3)
                shape(code == makeMnemonic('W', 'G'),
                      [&] { wedge(clampFar(v[0]), clampFar(v[1]), clampFar(v[2])); });
            break;
        case makeMnemonic('P', 'M'): {
            const int n = scanner_.numbers(v, 1);
            const int mode = n == 0 ? 0 : whole(v[0]);
            if (mode == 0) {
                polygon_.clear();
                polygon_.push_back({position_, false});
                subpolygonStart_ = 0;
                polygonMode_ = true;
                polygonOutlined_ = false;
                polygonAsked_ = 0;
            } else if (polygonMode_) {
                closeSubpolygon();
                if (mode == 2) polygonMode_ = false;
            }
            break;
        }
        case makeMnemonic('B', 'Z'):
        case makeMnemonic('B', 'R'):
            while (!stopped_ && scanner_.numbers(v, 6) == 6) {
                if (code == makeMnemonic('B', 'Z')) {
                    bezier(toPlotter({v[0], v[1]}), toPlotter({v[2], v[3]}), toPlotter({v[4], v[5]}));
                } else {
                    const Vec from = position_;
                    bezier(from + toPlotterDelta({v[0], v[1]}), from + toPlotterDelta({v[2], v[3]}),
                           from + toPlotterDelta({v[4], v[5]}));
                }
            }
            break;
        case makeMnemonic('E', 'P'):
            outlinePolygon(true);
            break;
        case makeMnemonic('F', 'P'):
            scanner_.skipParameters();
            // The fill's edge is what a knife can cut of it.
            outlinePolygon(false);
            break;
        case makeMnemonic('S', 'P'):
        case makeMnemonic('V', 'S'):
        case makeMnemonic('F', 'S'): {
            // A pen change puts the pen away first.
            if (code == makeMnemonic('S', 'P')) cutDot();
            const int n = scanner_.numbers(v, 2);
            const char name[3] = {static_cast<char>(code & 0xFF), static_cast<char>(code >> 8), 0};
            keep(name, v, n);
            break;
        }
        case makeMnemonic('D', 'T'): {
            const int c = scanner_.peek();
            if (c < 0 || c == ';') {
                terminator_ = 3;
                terminatorDrawn_ = false;
            } else if (c != 0 && c != '\n' && c != 27) {
                terminator_ = static_cast<char>(c);
                scanner_.advance();
                // Mode 0 draws the terminator as the label's last character.
                double mode = 1;
                scanner_.number(mode);
                terminatorDrawn_ = mode == 0;
            }
            break;
        }
        case makeMnemonic('L', 'B'):
            label(labelText());
            break;
        case makeMnemonic('B', 'L'):
            buffered_.assign(labelText());
            break;
        case makeMnemonic('P', 'B'):
            label(buffered_);
            break;
        case makeMnemonic('S', 'I'): {
            const int n = scanner_.numbers(v, 2);
            if (n == 2) {
                sizeRelative_ = false;
                sizeW_ = clampFar(v[0]);
                sizeH_ = clampFar(v[1]);
            } else {
                sizeRelative_ = false;
                sizeW_ = kDefaultWidthCm;
                sizeH_ = kDefaultHeightCm;
            }
            break;
        }
        case makeMnemonic('S', 'R'): {
            const int n = scanner_.numbers(v, 2);
            sizeRelative_ = true;
            sizeW_ = n == 2 ? clampFar(v[0]) : 0.75;
            sizeH_ = n == 2 ? clampFar(v[1]) : 1.5;
            break;
        }
        case makeMnemonic('D', 'I'):
        case makeMnemonic('D', 'R'): {
            const int n = scanner_.numbers(v, 2);
            directionRelative_ = code == makeMnemonic('D', 'R');
            run_ = n == 2 ? clampFar(v[0]) : 1;
            rise_ = n == 2 ? clampFar(v[1]) : 0;
            break;
        }
        case makeMnemonic('S', 'L'):
            slant_ = scanner_.numbers(v, 1) == 1 ? std::clamp(v[0], -100.0, 100.0) : 0;
            break;
        case makeMnemonic('L', 'O'): {
            const int n = scanner_.numbers(v, 1);
            const int o = n == 0 ? 1 : whole(v[0]);
            if ((o >= 1 && o <= 9) || (o >= 11 && o <= 19)) origin_ = o;
            break;
        }
        case makeMnemonic('C', 'P'): {
            const int n = scanner_.numbers(v, 2);
            const Vec size = characterSize();
            const Vec d = direction();
            const Vec up{-d.y, d.x};
            if (n == 2) {
                position_ = position_ + d * (clampFar(v[0]) * 1.5 * size.x) + up * (clampFar(v[1]) * 2 * size.y);
            } else {
                // A carriage return and a line feed.
                lineStart_ = lineStart_ - up * (2 * size.y);
                position_ = lineStart_;
            }
            position_ = {clampFar(position_.x), clampFar(position_.y)};
            break;
        }
        case makeMnemonic('T', 'L'): {
            const int n = scanner_.numbers(v, 2);
            tickUp_ = n >= 1 ? clampFar(v[0]) : kDefaultTickPercent;
            tickDown_ = n >= 2 ? clampFar(v[1]) : n == 1 ? 0 : kDefaultTickPercent;
            break;
        }
        case makeMnemonic('X', 'T'):
            scanner_.skipParameters();
            tickMark(true);
            break;
        case makeMnemonic('Y', 'T'):
            scanner_.skipParameters();
            tickMark(false);
            break;
        case makeMnemonic('U', 'C'):
            userCharacter();
            break;
        case makeMnemonic('U', 'L'):
            userLineType();
            break;
        case makeMnemonic('C', 'O'): {
            // A comment: a quoted string, or in older files the rest of the
            // instruction.
            scanner_.skipBlanks();
            bool found;
            scanner_.until(scanner_.peek() == '"' ? (scanner_.advance(), '"') : ';', found);
            break;
        }
        case makeMnemonic('S', 'M'): {
            // One character follows, or none to end symbol mode.
            const int c = scanner_.peek();
            if (c > 32 && c != ';' && c < 127) scanner_.advance();
            break;
        }
        default:
            scanner_.skipParameters();
            break;
    }
}

void Converter::run() {
    MnemonicCode code;
    while (!stopped_ && scanner_.next(code)) {
        if (counts_[letterPairIndex(code)]++ == 0) order_.push_back(code);
        instruction(code);
    }
    // A pen left down where it was let down makes its dot.
    if (!stopped_) cutDot();
    out_.finish();
    if (stopped_) {
        result_.tooLarge = true;
        result_.text.clear();
        result_.text.shrink_to_fit();
        return;
    }
    result_.cuts = out_.cuts();
    summarize();
}

void Converter::summarize() {
    std::vector<std::string> lines;
    for (const MnemonicCode code : order_) {
        char line[128];
        std::snprintf(line, sizeof line, "%c%c %u %s", static_cast<char>(code & 0xFF),
                      static_cast<char>(code >> 8), static_cast<unsigned>(counts_[letterPairIndex(code)]),
                      fateText(code));
        lines.emplace_back(line);
    }
    // Notes made along the way come after the counts.
    lines.insert(lines.end(), result_.summary.begin(), result_.summary.end());
    if (labelUnterminated_) lines.emplace_back("LB: a label without its terminator ran to the end of the file");
    if (polylineIncomplete_) lines.emplace_back("PE: encoded data cut short; the points before the cut were converted");
    if (polygonOverflow_) lines.emplace_back("PM: polygon beyond 1000000 points; the rest of it was dropped");
    if (outsideFont_ > 0)
        lines.push_back("LB: " + std::to_string(outsideFont_) + " characters outside the font left as spaces");
    if (out_.dots() > 0) lines.push_back("dots: " + std::to_string(out_.dots()) + " kept as zero-length cuts");
    if (outlinesOnce_ > 0)
        lines.push_back("outlines: " + std::to_string(outlinesOnce_) + " both filled and edged, cut once");
    if (out_.clipped() > 0)
        lines.push_back("range: " + std::to_string(out_.clipped()) +
                        " cuts reached beyond the plotter's range of -1000000000 to 1000000000 units and were "
                        "clipped at its edge");
    result_.summary = std::move(lines);
}

}  // namespace

ConvertResult convertPlot(std::string_view input, const ConvertOptions& options) {
    ConvertResult result;
    Converter converter(input, options, result);
    converter.run();
    return result;
}

}  // namespace kerfline::dialect
