// Inside the converter of plot files: its state, the helpers its parts
// share, and every member, each defined in the file of its concern:
//   converter.cpp   the table of instructions, the run and the summary; CO
//   frame.cpp       the frame and its transforms: IN, DF, IP, IR, SC, RO, PS, IW
//   pen.cpp         pen movement and dots: PA, PR, PU, PD, PE; SP, VS, FS kept
//   curves.cpp      CI, AA, AR, AT, RT, BZ, BR
//   shapes.cpp      polygons, fills and edges: PM, EP, FP, RA, RR, EA, ER, WG, EW
//   line_types.cpp  LT, UL and the dashes
//   labels.cpp      LB, BL, PB, DT, SI, SR, DI, DR, SL, LO, CP, TL, XT, YT, UC,
//                   SM, in the stroke font
// Nothing outside these files includes it; convertPlot() is the way in.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dialect/converter.h"
#include "dialect/cut_writer.h"
#include "dialect/polyline_encoding.h"
#include "dialect/scanner.h"
#include "geometry/plane.h"
#include "geometry/point.h"
#include "hpgl/mnemonics.h"

namespace kerfline::dialect {

using geom::Vec;

// The length of a vector as std::hypot gives it, which can round apart from
// geom::norm's root of the sum of squares; the dash patterns and the curves'
// chords are measured with it.
inline double length(Vec a) { return std::hypot(a.x, a.y); }

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kUnitsPerCm = 400.0;
// Coordinates are held within this, far beyond any plotter, so that no
// arithmetic on them overflows.
inline constexpr double kFar = 1e15;
// No curve is cut into more chords than this, whatever its radius.
inline constexpr int kMaxChords = 65536;
// Plotters hold a few thousand polygon points; this is plenty.
inline constexpr std::size_t kMaxPolygon = 1'000'000;

// P1 and P2 of an A4 landscape page, as HP-GL plotters default them, and
// the page they sit in the middle of.
inline constexpr Vec kDefaultP1{603, 521};
inline constexpr Vec kDefaultP2{10603, 7721};
inline constexpr Vec kDefaultPage{11206, 8242};

// Characters 1.9 mm wide and 2.7 mm tall until SI or SR says otherwise.
inline constexpr double kDefaultWidthCm = 0.19;
inline constexpr double kDefaultHeightCm = 0.27;

// Dash patterns of the fixed line types 1 to 8, in per cent of the pattern,
// alternately pen down and pen up (a 0 down is a dot); UL gives a line type
// up to 20 parts of its own.
inline constexpr int kMaxPatternParts = 20;
struct Pattern {
    int count;
    double parts[kMaxPatternParts];
};
inline constexpr Pattern kPatterns[8] = {
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
inline constexpr double kDefaultTickPercent = 0.5;

// The last rectangle or wedge whose outline is held back for comparison
// with the next holds at most this many pieces; a longer one is cut as it
// comes.
inline constexpr std::size_t kMaxHeldPieces = 200'000;

// A parameter that must be a small whole number (a type, a mode, an angle),
// truncated as plotters do; anything beyond a million is no valid value.
inline int whole(double v) {
    if (!(v == v)) return 0;
    return static_cast<int>(v < -1e6 ? -1e6 : v > 1e6 ? 1e6 : v);
}

inline double clampFar(double v) {
    if (!(v == v)) return 0;  // NaN
    return v < -kFar ? -kFar : v > kFar ? kFar : v;
}

class Converter final : public PolylineSink {
public:
    Converter(std::string_view input, const ConvertOptions& options, ConvertResult& result);

    void run();

    // The polyline-encoded points of PE.
    void selectPen(double pen) override;
    void point(double x, double y, bool absolute, bool penUp) override;

private:
    // The table of instructions (converter.cpp) names the members below.
    friend struct InstructionTable;

    // --- the instructions, each reading its own parameters from the
    // scanner (those whose parameters are only passed over have no member).
    // frame.cpp
    void initializeAll();      // IN
    void defaultsAgain();      // DF
    void inputP1P2();          // IP
    void inputP1P2Relative();  // IR
    void setScale();           // SC
    void rotateFrame();        // RO
    void setPlotSize();        // PS
    void inputWindow();        // IW
    // pen.cpp
    void plotAbsolute();     // PA
    void plotRelative();     // PR
    void penUp();            // PU
    void penDown();          // PD
    void polylineEncoded();  // PE
    void keepPen();          // SP
    void keepSpeed();        // VS
    void keepForce();        // FS
    // curves.cpp
    void drawCircle();          // CI
    void arcAbsolute();         // AA
    void arcRelative();         // AR
    void arcThroughAbsolute();  // AT
    void arcThroughRelative();  // RT
    void bezierAbsolute();      // BZ
    void bezierRelative();      // BR
    // shapes.cpp
    void polygonMode();            // PM
    void edgePolygon();            // EP
    void fillPolygon();            // FP
    void fillRectangleAbsolute();  // RA
    void fillRectangleRelative();  // RR
    void edgeRectangleAbsolute();  // EA
    void edgeRectangleRelative();  // ER
    void fillWedge();              // WG
    void edgeWedge();              // EW
    // line_types.cpp
    void setLineType();   // LT
    void userLineType();  // UL
    // labels.cpp
    void drawLabel();          // LB
    void bufferLabel();        // BL
    void printBuffer();        // PB
    void defineTerminator();   // DT
    void absoluteSize();       // SI
    void relativeSize();       // SR
    void absoluteDirection();  // DI
    void relativeDirection();  // DR
    void setSlant();           // SL
    void labelOrigin();        // LO
    void characterPlot();      // CP
    void tickLength();         // TL
    void xTick();              // XT
    void yTick();              // YT
    void userCharacter();      // UC
    void symbolMode();         // SM
    // converter.cpp
    void comment();  // CO

    // --- state resets (frame.cpp)
    void initialize();
    void defaults();
    Vec frameSize() const { return rotation_ % 180 == 0 ? page_ : Vec{page_.y, page_.x}; }
    void resetP1P2();

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
    Vec fromPage(Vec q) const;
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
    void updateScaling();

    // --- the work budget
    bool tick() {
        if (++work_ > budget_) stopped_ = true;
        return !stopped_;
    }

    // --- pen movement in plotter units (pen.cpp). The steps every cut
    // takes are here, where each part that draws can inline them.
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
    void clipped(Vec a, Vec b);
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
    void penMoves();
    void keep(const char* name, const double* values, int count);
    void keepWithParameters(const char* name);
    // Dots: the pen let down where it stands and lifted, or left down at the
    // end, with nothing cut in between.
    void lowerPen();
    void cutDot();

    // --- rectangles and wedges, cut once when both filled and edged, and
    // polygon mode (shapes.cpp)
    template <class Draw>
    void shape(bool filled, Draw draw);
    void release();
    struct Piece {
        long long x0, y0, x1, y1;
        bool operator==(const Piece&) const = default;
        bool operator<(const Piece& o) const;
    };
    static std::vector<Piece> piecesOf(const std::vector<std::pair<Vec, Vec>>& segments);
    void rectangleAbsolute(bool filled);
    void rectangleRelative(bool filled);
    void rectangle(Vec corner);
    void wedgeInstruction(bool filled);
    void wedge(double radius, double startDegrees, double sweepDegrees);
    // Every point in polygon mode comes here: inline for the pen's moves.
    void addPolygonVertex(Vec p, bool down) {
        if (polygon_.size() >= kMaxPolygon) {
            polygonOverflow_ = true;
            return;
        }
        if (!tick()) return;
        if (!down) closeSubpolygon();
        polygon_.push_back({p, down});
    }
    void closeSubpolygon();
    void outlinePolygon(bool edge);

    // --- line types (line_types.cpp)
    double patternUnits() const;
    void dash(Vec a, Vec b);

    // --- curves, computed in user units and drawn as chords (curves.cpp)
    int chords(double radiusUser, double sweep) const;
    void arcFrom(Vec center, double sweep, bool drawn);
    static double sweepOf(double degrees);
    void circle(double radius);
    void threePointArc(Vec through, Vec end);
    void bezier(Vec b, Vec c, Vec d);

    // --- labels (labels.cpp)
    Vec characterSize() const;
    Vec direction() const;
    void setDirection(bool relative);
    static double lineWidth(std::string_view text, std::size_t from, double advance, double width);
    void label(std::string_view text);
    void tickMark(bool vertical);
    std::string_view labelText();

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

}  // namespace kerfline::dialect
