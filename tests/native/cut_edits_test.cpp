// Copies, overcut and drag-knife compensation, on jobs and on whole drawings.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "drag_knife.h"
#include "drawing/cut_edits.h"
#include "test_support.h"

namespace kerfline {
namespace {

using test::walkText;

std::string edited(std::string_view hpgl, void (*change)(PlotDrawing&)) {
    test::ReadResult r;
    test::readInto(r, hpgl);
    change(r.drawing);
    return test::written(r.drawing);
}

struct EditCase {
    const char* name;
    const char* before;
    void (*change)(PlotDrawing&);
    const char* after;
};

class Edit : public ::testing::TestWithParam<EditCase> {};

TEST_P(Edit, WritesTheExpectedJob) { EXPECT_EQ(edited(GetParam().before, GetParam().change), GetParam().after); }

INSTANTIATE_TEST_SUITE_P(
    Cases, Edit,
    ::testing::Values(
        // 100 x 50 units, 1 mm (40 units) apart: columns 140 apart, rows 90.
        EditCase{"CopiesTwoByTwo", "IN;SP1;PU0,0;PD100,0,100,50;PU0,0;",
                 [](PlotDrawing& d) { copyDrawing(d, 2, 2, 1.0); },
                 "IN;SP1;PU0,0;PD100,0,100,50;PU0,0;PU140,0;PD240,0,240,50;PU140,0;"
                 "PU0,90;PD100,90,100,140;PU0,90;PU140,90;PD240,90,240,140;PU140,90;"},
        // The default gap of 5 mm, and a kept instruction repeated with its copy.
        EditCase{"CopiesInARow", "PU1000,1000;PD1000,1400;VS10;PU;",
                 [](PlotDrawing& d) { copyDrawing(d, 3, 1, 5.0); },
                 "PU1000,1000;PD1000,1400;PU;VS10;PU1200,1000;PD1200,1400;PU;VS10;"
                 "PU1400,1000;PD1400,1400;PU;VS10;"},
        EditCase{"OneCopyChangesNothing", "PR10,10;PD;PR5,0;", [](PlotDrawing& d) { copyDrawing(d, 1, 1, 5.0); },
                 "PR10,10;PD;PR5,0;"},
        // 100 units round the start: its first segment and half the next.
        EditCase{"OvercutSquare", "PU0,0;PD80,0,80,80,0,80,0,0;PU;",
                 [](PlotDrawing& d) { overcutDrawing(d, 2.5); }, "PU0,0;PD80,0,80,80,0,80,0,0,80,0,80,20;PU;"},
        // Once round at most; an open cut is left alone.
        EditCase{"OvercutLongerThanTheShape", "PD0,40,10,40;PU;PU100,0;PD140,0,100,40,100,0;PU;",
                 [](PlotDrawing& d) { overcutDrawing(d, 100.0); },
                 "PD0,40,10,40;PU100,0;PD140,0,100,40,100,0,140,0,100,40,100,0;PU;"},
        // 82 units: 30 + 40, then 12 of the 50 back to the start: (22.8, 30.4).
        EditCase{"OvercutRoundsToTheUnit", "PU0,0;PD30,0,30,40,0,0;PU;",
                 [](PlotDrawing& d) { overcutDrawing(d, 2.05); },
                 "PU0,0;PD30,0,30,40,0,0,30,0,30,40,23,30;PU;"},
        EditCase{"NothingToCut", "IN;SP1;PU100,100;", [](PlotDrawing& d) { bladeOffsetDrawing(d, 0.5); },
                 "IN;SP1;PU100,100;"}),
    [](const auto& p) { return p.param.name; });

// ---- drag knife -------------------------------------------------------------

struct KnifeCase {
    const char* name;
    std::string hpgl;
};

std::string polygon(std::initializer_list<PlotPoint> points) {
    std::string text = "PU" + std::to_string(points.begin()->x) + "," + std::to_string(points.begin()->y) + ";PD";
    bool first = true;
    for (auto it = points.begin() + 1; it != points.end(); ++it) {
        if (!first) text += ',';
        text += std::to_string(it->x) + "," + std::to_string(it->y);
        first = false;
    }
    return text + ";";
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

class DragKnife : public ::testing::TestWithParam<KnifeCase> {};

// 0.1 mm: the most the tip may stray, and miss a corner by.
constexpr double kTolerance = 4.0;

TEST_P(DragKnife, TheTipReachesEveryCornerAndStaysOnTheDrawing) {
    const CutJob drawing = walkText(GetParam().hpgl);
    for (double mm : {0.25, 0.5, 1.0}) {
        const double r = mm * kUnitsPerMm;
        CutJob axis = drawing;
        bladeOffsetJob(axis, r);
        // Through the drawing and back, as it is saved.
        PlotDrawing built;
        buildDrawing(axis, built);
        const test::TipDeviation with = test::simulateTip(walkCuts(built), drawing, r);
        EXPECT_LE(with.farthest, kTolerance) << mm << " mm";
        EXPECT_LE(with.missedCorner, kTolerance) << mm << " mm";
        EXPECT_EQ(with.cuts, drawing.cutCount());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, DragKnife,
    ::testing::Values(KnifeCase{"Square", polygon({{0, 0}, {800, 0}, {800, 800}, {0, 800}, {0, 0}})},
                      KnifeCase{"SquareClockwiseFromAbove",
                                "PU2000,2000;" + polygon({{400, 400}, {400, 1200}, {1200, 1200}, {1200, 400}, {400, 400}})},
                      KnifeCase{"Triangle", polygon({{0, 0}, {1000, 0}, {500, 866}, {0, 0}})},
                      KnifeCase{"SharpTriangle", polygon({{0, 0}, {2000, 0}, {0, 300}, {0, 0}})},
                      KnifeCase{"Reversal", polygon({{0, 0}, {600, 0}, {0, 0}})},
                      KnifeCase{"ShortZigzag", polygon({{0, 0}, {10, 30}, {20, 0}, {30, 30}, {40, 0}, {300, 0}})},
                      KnifeCase{"Circle", circle(1000, 1000, 200, 90)},
                      KnifeCase{"LetterWithHoleAndSpeed",
                                polygon({{0, 0}, {400, 0}, {400, 600}, {0, 600}, {0, 0}}) + "VS5;" +
                                    polygon({{100, 100}, {100, 300}, {300, 300}, {300, 100}, {100, 100}}) + "PU0,0;"},
                      KnifeCase{"SplitBySpeed", "PU0,0;PD500,0;VS5;PD500,500;PU;"},
                      KnifeCase{"RelativeMoves", "PR100,100;PD;PR400,0,0,400,-400,-400;PU;"}),
    [](const auto& p) { return p.param.name; });

TEST(DragKnife, WithoutCompensationTheTipCutsCornersShort) {
    // The same simulation on the drawing itself: the knife rounds the
    // corner off by far more than the tolerance, so the check can fail.
    const CutJob drawing = walkText(polygon({{0, 0}, {800, 0}, {800, 800}, {0, 800}, {0, 0}}));
    const test::TipDeviation without = test::simulateTip(drawing, drawing, 0.5 * kUnitsPerMm);
    EXPECT_GT(without.missedCorner, 2 * kTolerance);
}

TEST(DragKnife, CorpusFilesCutTrue) {
    const auto dir = test::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "the shared HP-GL corpus is not beside the repository";
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() == ".md") continue;
        PlotDrawing original;
        FileInput in(entry.path().string().c_str());
        readDrawing(in, original);
        const CutJob drawing = walkCuts(original);
        const double r = 0.5 * kUnitsPerMm;
        bladeOffsetDrawing(original, 0.5);
        const test::TipDeviation with = test::simulateTip(walkCuts(original), drawing, r, 1.0);
        EXPECT_LE(with.farthest, kTolerance) << entry.path();
        EXPECT_LE(with.missedCorner, kTolerance) << entry.path();
    }
}

}  // namespace
}  // namespace kerfline
