// The weed box and the weed lines, judged on their own terms: every piece
// of a weed line at least 0.5 mm from every cut of the design and outside
// its closed shapes (exact distances between segments, winding numbers),
// and a raster of the waste that the lines must split into cells of the
// grid everywhere but next to the design.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "drag_knife.h"
#include "cutting/production/production.h"
#include "stand_in_knife.h"
#include "test_support.h"

namespace kerfline {
namespace {

using Polyline = std::vector<PlotPoint>;

double cross(PlotPoint o, PlotPoint a, PlotPoint b) {
    return (double(a.x) - o.x) * (double(b.y) - o.y) - (double(a.y) - o.y) * (double(b.x) - o.x);
}

// The distance between two segments: 0 when they meet, else the least of
// the four distances from an end to the other segment.
double segmentDistance(PlotPoint p1, PlotPoint p2, PlotPoint q1, PlotPoint q2) {
    const double d1 = cross(q1, q2, p1), d2 = cross(q1, q2, p2);
    const double d3 = cross(p1, p2, q1), d4 = cross(p1, p2, q2);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) return 0.0;
    const auto dot = [](PlotPoint p) { return test::Dot{double(p.x), double(p.y)}; };
    return std::min({test::pointToSegment(dot(p1), q1, q2), test::pointToSegment(dot(p2), q1, q2),
                     test::pointToSegment(dot(q1), p1, p2), test::pointToSegment(dot(q2), p1, p2)});
}

// How many times the closed polyline winds round p.
int winding(test::Dot p, const Polyline& shape) {
    int turns = 0;
    for (std::size_t k = 1; k < shape.size(); ++k) {
        const test::Dot a{double(shape[k - 1].x), double(shape[k - 1].y)};
        const test::Dot b{double(shape[k].x), double(shape[k].y)};
        const double side = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
        if (a.y <= p.y && b.y > p.y && side > 0) ++turns;
        if (a.y > p.y && b.y <= p.y && side < 0) --turns;
    }
    return turns;
}

struct Design {
    std::vector<Polyline> cuts;
    std::vector<Polyline> closed;
    double distance(test::Dot p) const {
        double best = 1e300;
        for (const Polyline& cut : cuts) {
            if (cut.size() == 1) best = std::min(best, test::pointToSegment(p, cut[0], cut[0]));
            for (std::size_t k = 1; k < cut.size(); ++k) best = std::min(best, test::pointToSegment(p, cut[k - 1], cut[k]));
        }
        return best;
    }
    bool inside(test::Dot p) const {
        for (const Polyline& shape : closed)
            if (winding(p, shape) != 0) return true;
        return false;
    }
};

struct WeedCase {
    const char* name;
    std::string hpgl;
    double boxMm;
    double spacingMm;
};

std::string polygon(std::initializer_list<PlotPoint> points) {
    const PlotPoint* p = points.begin();
    std::string text = "PU" + std::to_string(p->x) + "," + std::to_string(p->y) + ";PD";
    for (++p; p != points.end(); ++p)
        text += std::to_string(p->x) + "," + std::to_string(p->y) + (p + 1 != points.end() ? "," : ";");
    return text;
}

std::string circle(int cx, int cy, int radius, int sides) {
    std::string text = "PU" + std::to_string(cx + radius) + "," + std::to_string(cy) + ";PD";
    for (int k = 1; k <= sides; ++k) {
        const double a = 2.0 * 3.14159265358979 * k / sides;
        if (k > 1) text += ',';
        text += std::to_string(cx + static_cast<int>(std::lround(radius * std::cos(a)))) + "," +
                std::to_string(cy + static_cast<int>(std::lround(radius * std::sin(a))));
    }
    return text + ";";
}

std::string zigzag() {
    std::string text = "PU0,0;PD";
    for (int k = 1; k <= 40; ++k) {
        if (k > 1) text += ',';
        text += std::to_string(k * 30);
        text += k % 2 ? ",600" : ",0";
    }
    return text + ";";
}

void PrintTo(const WeedCase& c, std::ostream* os) { *os << c.name; }

class Weed : public ::testing::TestWithParam<WeedCase> {};

TEST_P(Weed, LinesKeepClearAndSplitTheWaste) {
    const WeedCase& c = GetParam();
    test::ReadResult r;
    test::readInto(r, c.hpgl);
    const test::KnifeTravel before = test::runKnife(c.hpgl);
    Design design;
    for (const test::KnifeRun& run : before.runs) {
        design.cuts.push_back(run.points);
        if (run.points.size() >= 3 && run.points.front() == run.points.back()) design.closed.push_back(run.points);
    }
    // The area the lines run across, from the drawing's own bounds.
    const double out = c.boxMm > 0 ? std::round(c.boxMm * 40) : std::round(c.spacingMm * 20);
    const double minX = r.drawing.minX - out, minY = r.drawing.minY - out;
    const double maxX = r.drawing.maxX + out, maxY = r.drawing.maxY + out;
    const double spacing = c.spacingMm * 40;

    const WeedFigures figures = weedDrawing(r.drawing, c.boxMm, c.spacingMm);
    ASSERT_EQ(figures.outcome, WeedOutcome::Done);
    const test::KnifeTravel after = test::runKnife(test::written(r.drawing));

    // The design first, as it was; the box last.
    ASSERT_GE(after.runs.size(), before.runs.size());
    for (std::size_t k = 0; k < before.runs.size(); ++k) EXPECT_EQ(after.runs[k].points, before.runs[k].points);
    std::size_t end = after.runs.size();
    if (c.boxMm > 0) {
        const auto x0 = static_cast<std::int32_t>(minX), y0 = static_cast<std::int32_t>(minY);
        const auto x1 = static_cast<std::int32_t>(maxX), y1 = static_cast<std::int32_t>(maxY);
        EXPECT_EQ(after.runs.back().points, (Polyline{{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}, {x0, y0}}));
        --end;
    }
    std::vector<Polyline> pieces;
    for (std::size_t k = before.runs.size(); k < end; ++k) pieces.push_back(after.runs[k].points);
    EXPECT_EQ(pieces.size(), figures.pieces);
    ASSERT_FALSE(pieces.empty());

    const auto onGrid = [&](double at, double low) {
        const double k = std::round((at - low) / spacing);
        return k >= 1 && std::fabs(at - std::round(low + k * spacing)) < 1e-9;
    };
    for (const Polyline& piece : pieces) {
        ASSERT_EQ(piece.size(), 2u);
        const PlotPoint a = piece[0], b = piece[1];
        const bool horizontal = a.y == b.y;
        ASSERT_TRUE(horizontal || a.x == b.x);
        EXPECT_GE(std::hypot(double(b.x) - a.x, double(b.y) - a.y), 40.0);
        EXPECT_TRUE(horizontal ? onGrid(a.y, minY) : onGrid(a.x, minX)) << a.x << "," << a.y;
        for (const PlotPoint p : piece) EXPECT_TRUE(p.x >= minX && p.x <= maxX && p.y >= minY && p.y <= maxY);
        for (const Polyline& cut : design.cuts) {
            for (std::size_t k = 0; k < cut.size(); ++k) {
                const PlotPoint q1 = cut[k], q2 = cut[std::min(k + 1, cut.size() - 1)];
                EXPECT_GE(segmentDistance(a, b, q1, q2), 20.0 - 1e-9)
                    << "piece " << a.x << "," << a.y << " " << b.x << "," << b.y;
            }
        }
        EXPECT_FALSE(design.inside({(a.x + b.x) / 2.0, (a.y + b.y) / 2.0})) << a.x << "," << a.y;
    }

    // The raster: cells of 8 units; waste is what is farther than the
    // clearance and a cell from the design, outside its shapes, and more
    // than a cell from any weed line.
    constexpr double kCell = 8;
    const int nx = static_cast<int>((maxX - minX) / kCell), ny = static_cast<int>((maxY - minY) / kCell);
    const auto centre = [&](int i, int j) { return test::Dot{minX + (i + 0.5) * kCell, minY + (j + 0.5) * kCell}; };
    std::vector<char> waste(static_cast<std::size_t>(nx) * ny);
    for (int j = 0; j < ny; ++j) {
        for (int i = 0; i < nx; ++i) {
            const test::Dot p = centre(i, j);
            bool free = design.distance(p) > 20 + kCell && !design.inside(p);
            for (const Polyline& piece : pieces)
                if (free && test::pointToSegment(p, piece[0], piece[1]) <= kCell) free = false;
            waste[static_cast<std::size_t>(j) * nx + i] = free;
        }
    }
    // Waste goes from one cell of the grid to the next only where a weed
    // line was kept out: within the clearance and a dropped short piece
    // (1 mm) of the design, and a cell more.
    const auto isWaste = [&](int i, int j) { return waste[static_cast<std::size_t>(j) * nx + i] != 0; };
    const auto lineBetween = [&](double a, double b, double low) {
        const double k = std::ceil((a - low) / spacing);
        const double at = std::round(low + k * spacing);
        return k >= 1 && at > a && at <= b ? at : NAN;
    };
    std::size_t crossings = 0, wasteCells = 0, astray = 0;
    std::string firstAstray;
    const auto crossing = [&](test::Dot at) {
        if (design.distance(at) <= 20 + 40 + kCell + 1) return;
        if (astray++ == 0) firstAstray = std::to_string(at.x) + "," + std::to_string(at.y);
    };
    for (int j = 0; j < ny; ++j) {
        for (int i = 0; i < nx; ++i) {
            if (!isWaste(i, j)) continue;
            ++wasteCells;
            const test::Dot p = centre(i, j);
            if (i + 1 < nx && isWaste(i + 1, j)) {
                const double at = lineBetween(p.x, p.x + kCell, minX);
                if (at == at) {
                    ++crossings;
                    crossing({at, p.y});
                }
            }
            if (j + 1 < ny && isWaste(i, j + 1)) {
                const double at = lineBetween(p.y, p.y + kCell, minY);
                if (at == at) {
                    ++crossings;
                    crossing({p.x, at});
                }
            }
        }
    }
    EXPECT_EQ(astray, 0u) << "waste crosses a line far from the design, first at " << firstAstray;
    EXPECT_GT(wasteCells, 0u);
    RecordProperty("crossings", static_cast<int>(crossings));
}

INSTANTIATE_TEST_SUITE_P(
    Designs, Weed,
    ::testing::Values(
        // A letter with a counter, a stroke, a plunge and a triangle.
        WeedCase{"LetterStrokePlungeTriangle",
                 polygon({{0, 0}, {800, 0}, {800, 1200}, {0, 1200}, {0, 0}}) +
                     polygon({{200, 200}, {200, 1000}, {600, 1000}, {600, 200}, {200, 200}}) +
                     "PU1000,0;PD1000,1200;PU1400,600;PD;PU;" +
                     polygon({{1600, 0}, {2400, 0}, {2000, 1200}, {1600, 0}}),
                 5, 10},
        // A ring without a box, lines 7.5 mm apart.
        WeedCase{"RingWithoutABox", circle(1500, 1500, 1200, 72) + circle(1500, 1500, 500, 48), 0, 7.5},
        // A counter far wider than the lines are apart: none inside it.
        WeedCase{"WideCounter",
                 polygon({{0, 0}, {4000, 0}, {4000, 4000}, {0, 4000}, {0, 0}}) +
                     polygon({{400, 400}, {3600, 400}, {3600, 3600}, {400, 3600}, {400, 400}}),
                 2, 5},
        // Strokes closer than the clearance allows: nothing between them.
        WeedCase{"TightZigzag", zigzag(), 3, 4},
        // Open strokes only, a box far out.
        WeedCase{"StrokesInAWideBox", "PU0,0;PD2000,1000;PU0,1000;PD2000,0;PU1000,-200;PD1000,1200;", 20, 12.5}),
    [](const auto& p) { return p.param.name; });

// Real jobs: every piece clear of every segment, none inside a closed cut.
TEST(Weed, CorpusFilesKeepClear) {
    const auto dir = test::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "the shared HP-GL corpus is not beside the repository";
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() == ".md") continue;
        test::ReadResult r;
        test::readInto(r, test::readBytes(entry.path()));
        if (!r.drawing.hasExtent()) continue;
        const CutJob job = walkCuts(r.drawing);
        Design design;
        for (const JobStep& step : job.steps) {
            if (step.kind != JobStep::Kind::Cut) continue;
            design.cuts.push_back(step.cut.points);
            if (step.cut.closed()) design.closed.push_back(step.cut.points);
        }
        CutJob weeded = job;
        const WeedFigures figures = weedJob(weeded, {200, 800});
        ASSERT_EQ(figures.outcome, WeedOutcome::Done) << entry.path();
        std::size_t pieces = 0, astray = 0;
        for (const JobStep& step : weeded.steps) {
            if (step.kind != JobStep::Kind::Cut || step.cut.points.size() != 2) continue;
            const PlotPoint a = step.cut.points[0], b = step.cut.points[1];
            // The design's own two-point cuts are not weed lines.
            bool own = false;
            for (const Polyline& cut : design.cuts) own = own || cut == step.cut.points;
            if (own) continue;
            ++pieces;
            bool clear = !design.inside({(a.x + b.x) / 2.0, (a.y + b.y) / 2.0});
            for (const Polyline& cut : design.cuts)
                for (std::size_t k = 0; k < cut.size() && clear; ++k)
                    clear = segmentDistance(a, b, cut[k], cut[std::min(k + 1, cut.size() - 1)]) >= 20.0 - 1e-9;
            astray += !clear;
        }
        EXPECT_EQ(pieces, figures.pieces) << entry.path();
        EXPECT_EQ(astray, 0u) << entry.path();
    }
}

TEST(Weed, ASquareWorkedOutByHand) {
    // Box 3 mm (120 units): -120..520. Lines every 200 from -120: at 80, 280
    // and 480 each way. At 80 and 280 the square (its sides blocked 20 each
    // way, its inside left out) leaves -120..-20 and 420..520; at 480 the
    // line passes 80 above it, whole. Each line runs the other way from the
    // one before; the box comes last.
    test::ReadResult r;
    test::readInto(r, "PU0,0;PD400,0,400,400,0,400,0,0;");
    const WeedFigures figures = weedDrawing(r.drawing, 3, 5);
    EXPECT_EQ(figures.pieces, 10u);
    EXPECT_DOUBLE_EQ(figures.length, 8 * 100 + 2 * 640);
    EXPECT_EQ(test::written(r.drawing),
              "PU0,0;PD400,0,400,400,0,400,0,0;"
              "PU-120,80;PD-20,80;PU420,80;PD520,80;PU520,280;PD420,280;PU-20,280;PD-120,280;PU-120,480;PD520,480;"
              "PU80,520;PD80,420;PU80,-20;PD80,-120;PU280,-120;PD280,-20;PU280,420;PD280,520;PU480,520;PD480,-120;"
              "PU-120,-120;PD-120,520,520,520,520,-120,-120,-120;PU;");
}

TEST(Weed, TheBoxComesAfterTheLastCutBeforeParking) {
    test::ReadResult r;
    test::readInto(r, "IN;SP1;PU0,0;PD400,0,400,400;PU0,0;SP0;");
    EXPECT_EQ(weedDrawing(r.drawing, 1, 0).pieces, 0u);
    EXPECT_EQ(test::written(r.drawing),
              "IN;SP1;PU0,0;PD400,0,400,400;PU-40,-40;PD-40,440,440,440,440,-40,-40,-40;PU0,0;SP0;");
}

TEST(Weed, OutOfReachOrTooManyLinesChangeNothing) {
    CutJob distant = test::walkText("PU0,0;PD2147480000,0;");
    const std::string distantText = jobText(distant);
    EXPECT_EQ(weedJob(distant, {40000, 0}).outcome, WeedOutcome::OutOfReach);
    EXPECT_EQ(jobText(distant), distantText);
    // 4,100,000 units at 40 apart: 102,500 lines.
    CutJob wide = test::walkText("PU0,0;PD4100000,0;");
    const std::string wideText = jobText(wide);
    EXPECT_EQ(weedJob(wide, {0, 40}).outcome, WeedOutcome::TooManyLines);
    EXPECT_EQ(jobText(wide), wideText);
    CutJob none = test::walkText("IN;SP1;");
    EXPECT_EQ(weedJob(none, {40, 40}).outcome, WeedOutcome::NothingToCut);
}

}  // namespace
}  // namespace kerfline
