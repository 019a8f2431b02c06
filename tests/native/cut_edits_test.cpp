// Copies, overcut and drag-knife compensation, on jobs and on whole drawings.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "drag_knife.h"
#include "cutting/cut_edits.h"
#include "dialect/converter.h"
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
        // The default gap of 5 mm, and a kept instruction repeated with its
        // copy; the drawing starts at the default speed, so "VS;" goes before
        // every next copy.
        EditCase{"CopiesInARow", "PU1000,1000;PD1000,1400;VS10;PU;",
                 [](PlotDrawing& d) { copyDrawing(d, 3, 1, 5.0); },
                 "PU1000,1000;PD1000,1400;PU;VS10;VS;PU1200,1000;PD1200,1400;PU;VS10;VS;"
                 "PU1400,1000;PD1400,1400;PU;VS10;"},
        // Without SP, VS or FS nothing is added, IN or not.
        EditCase{"CopiesWithInAndNoSettings", "IN;PU0,0;PD400,0;IN;PU0,100;PD400,100;",
                 [](PlotDrawing& d) { copyDrawing(d, 2, 1, 1.0); },
                 "IN;PU0,0;PD400,0;PU;IN;PU0,100;PD400,100;PU440,0;PD840,0;PU;IN;PU440,100;PD840,100;PU;"},
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
        EditCase{"NothingToCut", "IN;SP1;PU100,100;", [](PlotDrawing& d) { bladeOffsetDrawing(d, 0.5, true); },
                 "IN;SP1;PU100,100;"}),
    [](const auto& p) { return p.param.name; });

// ---- copies and the plotter's settings ------------------------------------------

// A stand-in plotter that follows SP, VS and FS through saved HP-GL and notes,
// at every PD, the pen, speed and force the knife cuts with. Plotters differ
// on IN: HP-GL/2 keeps the chosen pen, older ones put it away, and a cutter
// may keep its speed and force; each kind is run.
struct StandIn {
    // -1: the plotter's default; VS and FS each for every pen or for one.
    struct Setting {
        double all = -1;
        std::map<long, double> pens;
        double of(long pen) const { return pens.count(pen) ? pens.at(pen) : all; }
    };
    struct State {
        long pen = 0;
        double speed = -1, force = -1;
        std::size_t points = 0;  // of the PD, to line the copies up
        bool operator==(const State&) const = default;
    };

    bool inPutsPenAway = false;
    bool inKeepsSettings = false;
    long pen = 0;
    Setting speed, force;
    std::vector<State> cuts;

    State now() const { return {pen, speed.of(pen), force.of(pen), 0}; }

    void run(const std::string& hpgl) {
        std::istringstream in(hpgl);
        for (std::string instruction; std::getline(in, instruction, ';');) {
            std::string name, rest;
            for (char c : instruction)
                if (std::isspace(static_cast<unsigned char>(c)) == 0)
                    (name.size() < 2 ? name : rest) += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            std::vector<double> numbers;
            std::istringstream fields(rest);
            for (std::string field; std::getline(fields, field, ',');)
                numbers.push_back(field.empty() ? std::nan("") : std::stod(field));
            if (name == "IN") {
                if (!inKeepsSettings) speed = force = Setting{};
                if (inPutsPenAway) pen = 0;
            } else if (name == "SP") {
                pen = numbers.empty() ? 0 : static_cast<long>(numbers[0]);
            } else if (name == "VS" || name == "FS") {
                Setting& setting = name == "VS" ? speed : force;
                const double value = !numbers.empty() && numbers[0] > 0 ? numbers[0] : -1;
                if (numbers.size() >= 2) {
                    setting.pens[static_cast<long>(numbers[1])] = value;
                } else {
                    setting.all = value;
                    setting.pens.clear();
                }
            } else if (name == "PD") {
                State state = now();
                state.points = numbers.size() / 2;
                cuts.push_back(state);
            }
        }
    }
};

struct CopiesCase {
    const char* name;
    const char* job;  // written as the copies are, one PD for each part of a cut
    std::int32_t columns, rows;
    const char* expected;  // worked out by hand, or nullptr
};

class CopiesKeepSettings : public ::testing::TestWithParam<CopiesCase> {};

TEST_P(CopiesKeepSettings, EveryCopyCutsWithThePenSpeedAndForceOfTheDrawing) {
    const CopiesCase& c = GetParam();
    test::ReadResult r;
    test::readInto(r, c.job);
    ASSERT_TRUE(copyDrawing(r.drawing, c.columns, c.rows, 1.0));
    const std::string copies = test::written(r.drawing);
    if (c.expected) {
        EXPECT_EQ(copies, c.expected);
    }
    for (const auto& [putsPenAway, keepsSettings] : {std::pair{false, false}, {true, false}, {false, true}}) {
        StandIn original, copied;
        original.inPutsPenAway = copied.inPutsPenAway = putsPenAway;
        original.inKeepsSettings = copied.inKeepsSettings = keepsSettings;
        original.run(c.job);
        copied.run(copies);
        std::vector<StandIn::State> expected;
        for (std::int32_t k = 0; k < c.columns * c.rows; ++k)
            expected.insert(expected.end(), original.cuts.begin(), original.cuts.end());
        const std::string kind = putsPenAway ? "IN puts the pen away: " : keepsSettings ? "IN keeps VS and FS: " : "";
        EXPECT_EQ(copied.cuts, expected) << kind << copies;
        EXPECT_EQ(copied.now(), original.now()) << kind << "left otherwise than the drawing leaves it: " << copies;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CopiesKeepSettings,
    ::testing::Values(
        // 400 units wide, 1 mm (40 units) between copies: columns 440 apart.
        CopiesCase{"PenChange", "IN;SP1;PU0,0;PD400,0;SP2;PU0,100;PD400,100;", 2, 1,
                   "IN;SP1;PU0,0;PD400,0;PU;SP2;PU0,100;PD400,100;PU;SP1;PU440,0;PD840,0;PU;SP2;PU440,100;"
                   "PD840,100;PU;"},
        CopiesCase{"SpeedChange", "IN;SP1;VS10;PU0,0;PD400,0;VS40;PU0,100;PD400,100;", 2, 1,
                   "IN;SP1;VS10;PU0,0;PD400,0;PU;VS40;PU0,100;PD400,100;PU;VS10;PU440,0;PD840,0;PU;VS40;"
                   "PU440,100;PD840,100;PU;"},
        // Set once at the start and never changed: nothing to add.
        CopiesCase{"SettingsOnlyAtTheStart", "IN;SP2;VS10;FS30,2;PU0,0;PD400,0;", 2, 1,
                   "IN;SP2;VS10;FS30,2;PU0,0;PD400,0;PU440,0;PD840,0;PU;"},
        // Only pen 2's speed changed: only it is set back.
        CopiesCase{"OnePensSpeed", "IN;SP2;VS10;VS20,2;PU0,0;PD400,0;VS5,2;PU0,100;PD400,100;", 2, 1,
                   "IN;SP2;VS10;VS20,2;PU0,0;PD400,0;PU;VS5,2;PU0,100;PD400,100;PU;VS20,2;PU440,0;PD840,0;"
                   "PU;VS5,2;PU440,100;PD840,100;PU;"},
        CopiesCase{"SeveralChanges",
                   "IN;SP1;VS10;FS50;PU0,0;PD400,0;SP2;VS20;FS80;PU0,100;PD400,100;SP3;FS60,3;PU0,200;"
                   "PD400,200;SP1;VS;PU0,300;PD400,300;",
                   2, 2, nullptr},
        CopiesCase{"SpeedsAndForcesPerPen",
                   "IN;VS30;VS10,1;VS20,2;FS40,2;SP1;PU0,0;PD400,0;SP2;VS5,2;FS;PU0,100;PD400,100;VS15,1;"
                   "VS,2;SP1;PU0,200;PD400,200;FS70,1;",
                   3, 1, nullptr},
        CopiesCase{"InInTheMiddle",
                   "IN;SP1;VS10;FS30;PU0,0;PD400,0;IN;SP2;PU0,100;PD400,100;IN;PU0,200;PD400,200;", 2, 1,
                   nullptr},
        CopiesCase{"InAfterPerPenSettings", "SP3;VS10,3;FS5,3;PU0,0;PD400,0;IN;VS20,3;PU0,100;PD400,100;", 1, 3,
                   nullptr},
        // The knife stays down across the speed change inside the cut.
        CopiesCase{"SpeedInsideACut", "IN;SP1;PU0,0;PD400,0;VS5;PD400,400;", 2, 1,
                   "IN;SP1;PU0,0;PD400,0;VS5;PD400,400;PU;VS;PU440,0;PD840,0;VS5;PD840,400;PU;"},
        // No pen chosen before the first cut: SP0 puts the chosen one away.
        CopiesCase{"NoPenAtTheStart", "PU0,0;PD400,0;SP2;PU0,100;PD400,100;", 2, 1,
                   "PU0,0;PD400,0;PU;SP2;PU0,100;PD400,100;PU;SP0;PU440,0;PD840,0;PU;SP2;PU440,100;PD840,100;PU;"},
        CopiesCase{"LowerCaseAndBlanks", "IN;sp 1;vs 10 ;PU0,0;PD400,0;sp2;vs 40, 2;PU0,100;PD400,100;", 2, 1,
                   nullptr}),
    [](const auto& p) { return p.param.name; });

// ---- drag knife -------------------------------------------------------------

// Worked by hand from the knife as it is, 0.5 mm (20 units): the tip lands
// 20 units behind the axis along the heading the last cut left, and a swivel
// turns it in steps of at most 10 degrees, axis points (x + 20 cos a,
// y + 20 sin a) to the unit.
INSTANTIATE_TEST_SUITE_P(
    BladeOffset, Edit,
    ::testing::Values(
        // Gap 20 + 40 below the box, 3 offsets (60) out, 10 (200) along to
        // the right; the blade then points along +X, no swivel at the start.
        EditCase{"PrecutBelowTheFirstCut", "PU2000,2000;PD2800,2000;",
                 [](PlotDrawing& d) { bladeOffsetDrawing(d, 0.5, true); },
                 "PU2000,1940;PD2000,1880,2200,1880;PU2020,2000;PD2820,2000;PU;"},
        // Below and left of the box would be below 0: above, the next as near.
        EditCase{"PrecutAboveWhenBelowWouldBeNegative", "PU0,0;PD800,0;",
                 [](PlotDrawing& d) { bladeOffsetDrawing(d, 0.5, true); },
                 "PU0,60;PD0,120,200,120;PU20,0;PD820,0;PU;"},
        // Never lower than the drawing reaches, or than 0: the right side,
        // as near as the bottom and left; the blade then points up.
        EditCase{"PrecutRightWhenBelowAndLeftAreOutOfReach", "PU-100,0;PD-100,800;",
                 [](PlotDrawing& d) { bladeOffsetDrawing(d, 0.5, true); },
                 "PU-40,0;PD20,0,20,200;PU-100,20;PD-100,820;PU;"},
        // Without a precut the blade points along +X at the start; the
        // second cut starts along +X too, and swivels a quarter left.
        EditCase{"HeadingKeptThroughAPenUpMove", "PU0,0;PD800,0;PU0,400;PD0,800;",
                 [](PlotDrawing& d) { bladeOffsetDrawing(d, 0.5, false); },
                 "PU20,0;PD820,0;PU20,400;PD20,403,19,407,17,410,15,413,13,415,10,417,7,419,3,420,0,420,0,820;PU;"},
        // A plunge, IN and SP leave the heading the upward cut left.
        EditCase{"HeadingKeptThroughADotAndIN", "PU0,0;PD0,800;PU400,400;PD;PU;IN;SP2;PU400,0;PD800,0;",
                 [](PlotDrawing& d) { bladeOffsetDrawing(d, 0.5, false); },
                 "PU20,0;PD20,3,19,7,17,10,15,13,13,15,10,17,7,19,3,20,0,20,0,820;PU400,420;PD;PU;IN;SP2;"
                 "PU400,20;PD403,20,407,19,410,17,413,15,415,13,417,10,419,7,420,3,420,0,820,0;PU;"},
        // A cut joined across VS goes on from where the axis stands.
        EditCase{"JoinedAcrossASpeedChange", "PU0,0;PD800,0;VS5;PD800,800;PU;",
                 [](PlotDrawing& d) { bladeOffsetDrawing(d, 0.5, false); },
                 "PU20,0;PD820,0;VS5;PD820,3,819,7,817,10,815,13,813,15,810,17,807,19,803,20,800,20,800,820;PU;"}),
    [](const auto& p) { return p.param.name; });

// 0.1 mm: the most the tip may stray, and miss a corner by.
constexpr double kTolerance = 4.0;
constexpr double kPi = 3.14159265358979323846;

// The axis path, through the drawing and back, as it is saved.
CutJob compensated(const CutJob& drawing, double r, bool precut) {
    CutJob axis = drawing;
    bladeOffsetJob(axis, r, precut);
    PlotDrawing built;
    buildDrawing(axis, built);
    return walkCuts(built);
}

// With the precut, whatever way the blade points at the start (eight
// headings), the tip cuts every shape true, and the precut's tip keeps its
// distance from the drawing.
void expectCutTrue(const CutJob& drawing, double r, double step, const std::string& what) {
    const CutJob axis = compensated(drawing, r, true);
    ASSERT_EQ(axis.cutCount(), drawing.cutCount() + 1) << what;
    for (int k = 0; k < 8; ++k) {
        const test::TipDeviation tip = test::simulateTip(axis, drawing, r, {k * kPi / 4, 1, step});
        EXPECT_LE(tip.farthest, kTolerance) << what << ", start heading " << k * 45;
        EXPECT_LE(tip.missedCorner, kTolerance) << what << ", start heading " << k * 45;
        EXPECT_EQ(tip.cuts, drawing.cutCount()) << what;
        EXPECT_GE(tip.leadingClearance, kPrecutClearance - 1.0) << what << ", start heading " << k * 45;
    }
}

class DragKnife : public ::testing::TestWithParam<test::KnifeShape> {};

TEST_P(DragKnife, WhateverTheStartHeadingTheTipCutsTheDrawing) {
    const CutJob drawing = walkText(GetParam().hpgl);
    for (double mm : {0.25, 0.5, 1.0}) expectCutTrue(drawing, mm * kUnitsPerMm, 0.25, std::to_string(mm) + " mm");
}

TEST_P(DragKnife, WithoutPrecutTheStartHeadingIsAlongX) {
    const CutJob drawing = walkText(GetParam().hpgl);
    const double r = 0.5 * kUnitsPerMm;
    const CutJob axis = compensated(drawing, r, false);
    ASSERT_EQ(axis.cutCount(), drawing.cutCount());
    const test::TipDeviation tip = test::simulateTip(axis, drawing, r);
    EXPECT_LE(tip.farthest, kTolerance);
    EXPECT_LE(tip.missedCorner, kTolerance);
}

INSTANTIATE_TEST_SUITE_P(Shapes, DragKnife, ::testing::ValuesIn(test::knifeShapes()),
                         [](const auto& p) { return p.param.name; });

// The simulation tells a wrong start heading from a good one, and an
// uncompensated knife: the tip strays, or misses a corner, far beyond the
// tolerance.
TEST(DragKnife, AWrongStartHeadingOrNoCompensationStrays) {
    const CutJob square = walkText(test::polylineText({{0, 0}, {800, 0}, {800, 800}, {0, 800}, {0, 0}}));
    const double r = 0.5 * kUnitsPerMm;
    const test::TipDeviation reversed = test::simulateTip(compensated(square, r, false), square, r, {kPi});
    EXPECT_GT(reversed.farthest, 2 * kTolerance);
    const test::TipDeviation without = test::simulateTip(square, square, r);
    EXPECT_GT(without.missedCorner, 2 * kTolerance);
}

// A start heading every degree: the precut settles every one of them.
TEST(DragKnife, EveryDegreeOfStartHeading) {
    const CutJob square = walkText(test::polylineText({{0, 0}, {800, 0}, {800, 800}, {0, 800}, {0, 0}}));
    const double r = 0.5 * kUnitsPerMm;
    const CutJob axis = compensated(square, r, true);
    double worst = 0.0;
    for (int degree = 0; degree < 360; ++degree) {
        const test::TipDeviation tip = test::simulateTip(axis, square, r, {degree * kPi / 180, 1});
        worst = std::max({worst, tip.farthest, tip.missedCorner});
    }
    EXPECT_LE(worst, kTolerance);
}

// Every file as it is read, and the repository's own dialect files as
// they are cut once converted (arcs, dashes and labels made cuts).
TEST(DragKnife, CorpusFilesCutTrue) {
    const auto dir = test::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "the shared HP-GL corpus is not beside the repository";
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() == ".md") continue;
        PlotDrawing original;
        FileInput in(entry.path().string().c_str());
        readDrawing(in, original);
        const CutJob drawing = walkCuts(original);
        if (drawing.cutCount() > 0) expectCutTrue(drawing, 0.5 * kUnitsPerMm, 1.0, entry.path().filename().string());
    }
}

TEST(DragKnife, ConvertedTestFilesCutTrue) {
    for (const auto& entry : std::filesystem::directory_iterator(KERF_TEST_CORPUS)) {
        if (entry.path().extension() == ".md") continue;
        const dialect::ConvertResult converted = dialect::convertPlot(test::readBytes(entry.path()), {});
        const CutJob drawing = walkText(converted.text());
        if (drawing.cutCount() > 0) expectCutTrue(drawing, 0.5 * kUnitsPerMm, 1.0, entry.path().filename().string());
    }
}

}  // namespace
}  // namespace kerfline
