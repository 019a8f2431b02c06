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
        EditCase{"NothingToCut", "IN;SP1;PU100,100;", [](PlotDrawing& d) { bladeOffsetDrawing(d, 0.5); },
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
