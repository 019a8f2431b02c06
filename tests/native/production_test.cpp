// Mirror, passes, perforation and one pen, measured by a stand-in knife on
// the text the drawing is saved as.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "cutting/production/production.h"
#include "stand_in_knife.h"
#include "test_support.h"

namespace kerfline {
namespace {

std::string edited(std::string_view hpgl, const std::function<void(PlotDrawing&)>& change) {
    test::ReadResult r;
    test::readInto(r, hpgl);
    change(r.drawing);
    return test::written(r.drawing);
}

// An outline and its hole, a stroke, a plunge; a speed change in the middle
// of a shape; relative moves; parking at the end.
const std::string kJob =
    "IN;SP1;PU100,100;PD900,100,900,1300,100,1300,100,100;PU300,300;PD300,700,700,700,700,300,300,300;"
    "PU1200,100;PD1200,1300;PU1500,600;PD;PU;PU2000,0;PD2600,0;VS5;PD2600,800;PU;"
    "PR100,100;PD;PR300,0,0,300,-300,-300;PU0,0;SP0;";

// ---- mirror -------------------------------------------------------------------

TEST(Mirror, EveryCutPointGoesToMinPlusMaxLessXInOrder) {
    for (const std::string& hpgl : {kJob, std::string("PU-500,20;PD-100,20,-300,400;PU;"),
                                    std::string("SP2;PR50,50;PD;PR10,0;PU0,0;")}) {
        test::ReadResult r;
        test::readInto(r, hpgl);
        const std::int32_t minX = r.drawing.minX, maxX = r.drawing.maxX;
        const std::int32_t minY = r.drawing.minY, maxY = r.drawing.maxY;
        const test::KnifeTravel before = test::runKnife(hpgl);
        mirrorDrawing(r.drawing);
        const test::KnifeTravel after = test::runKnife(test::written(r.drawing));
        ASSERT_EQ(after.runs.size(), before.runs.size()) << hpgl;
        for (std::size_t c = 0; c < before.runs.size(); ++c) {
            ASSERT_EQ(after.runs[c].points.size(), before.runs[c].points.size()) << hpgl;
            for (std::size_t k = 0; k < before.runs[c].points.size(); ++k) {
                const PlotPoint p = before.runs[c].points[k];
                EXPECT_EQ(after.runs[c].points[k], (PlotPoint{minX + maxX - p.x, p.y})) << hpgl << " cut " << c;
            }
        }
        EXPECT_EQ(std::make_tuple(r.drawing.minX, r.drawing.minY, r.drawing.maxX, r.drawing.maxY),
                  std::make_tuple(minX, minY, maxX, maxY));
        EXPECT_NEAR(after.down, before.down, 1e-6);
        EXPECT_EQ(after.others, before.others);
    }
}

TEST(Mirror, MovesGoWithTheDrawingParkingStays) {
    // Bounds 0..400: the moves before the last cut follow it, even past a
    // kept instruction; the knife parks at home as before.
    EXPECT_EQ(edited("IN;PU0,0;PD400,0,400,600;PU100,0;PM0;PD300,0;PU0,0;", [](PlotDrawing& d) { mirrorDrawing(d); }),
              "IN;PU400,0;PD0,0,0,600;PU300,0;PM0;PD100,0;PU0,0;");
}

// ---- passes and perforation ---------------------------------------------------

struct TravelCase {
    const char* name;
    std::string hpgl;
    std::function<void(PlotDrawing&)> change;
    double down;  // expected by hand
    double up;
    std::size_t drops;
    double tolerance = 1e-6;
};

void PrintTo(const TravelCase& c, std::ostream* os) { *os << c.name; }

class Travel : public ::testing::TestWithParam<TravelCase> {};

TEST_P(Travel, CutsAndMovesAsWorkedOutByHand) {
    const TravelCase& c = GetParam();
    const test::KnifeTravel t = test::runKnife(edited(c.hpgl, c.change));
    EXPECT_NEAR(t.down, c.down, c.tolerance);
    EXPECT_NEAR(t.up, c.up, c.tolerance);
    EXPECT_EQ(t.drops, c.drops);
}

INSTANTIATE_TEST_SUITE_P(
    ByHand, Travel,
    ::testing::Values(
        // 1000 + 1000 + 1414.214 round, three times without a lift.
        TravelCase{"ClosedThreePasses", "PU0,0;PD1000,0,1000,1000,0,0;PU;",
                   [](PlotDrawing& d) { passesDrawing(d, 3); }, 3 * (2000 + std::sqrt(2.0) * 1000), 0, 1},
        // 100 to the start, then back 1000 before each of two more passes.
        TravelCase{"OpenThreePasses", "PU100,0;PD1100,0;PU;", [](PlotDrawing& d) { passesDrawing(d, 3); }, 3000,
                   2100, 3},
        // A shape split by a speed change: the first piece twice, the
        // second goes on from it without a lift, then 500 back to its start.
        TravelCase{"SplitBySpeed", "PU0,0;PD500,0;VS10;PD500,500;PU;", [](PlotDrawing& d) { passesDrawing(d, 2); },
                   2000, 1000, 3},
        // 1000 units, dash 80, gap 40: (1000 + 40) / 120 = 8.67, so 9
        // dashes and 8 gaps, stretched by 1000 / 1040; the knife is down
        // 9 x 80 x 1000 / 1040 = 692.3 units. Each of the 16 inner ends
        // may be rounded by half a unit.
        TravelCase{"PerforateOpen", "PU0,0;PD1000,0;PU;", [](PlotDrawing& d) { perforateDrawing(d, 2, 1); },
                   720000.0 / 1040, 320000.0 / 1040, 9, 8},
        // A square of 4000 units round: 4000 / 120 = 33.3, so 33 dashes and
        // 33 gaps, stretched by 4000 / 3960 (dash 80.81, gap 40.40); down
        // 2/3 of it. The last gap, back to the start, is not travelled; the
        // gap from 2989.9 to 3030.3 turns the corner at 3000 and is
        // travelled straight, 10.10 one way and 30.30 the other.
        TravelCase{"PerforateClosed", "PU0,0;PD1000,0,1000,1000,0,1000,0,0;PU;",
                   [](PlotDrawing& d) { perforateDrawing(d, 2, 1); }, 8000.0 / 3,
                   31 * 4000.0 / 99 + std::sqrt(10.0) * 4000.0 / 396, 33, 33},
        // No longer than a dash and a gap: whole.
        TravelCase{"PerforateShort", "PU0,0;PD60,0,60,60;PU;", [](PlotDrawing& d) { perforateDrawing(d, 2, 1); },
                   120, 0, 1},
        // Three passes, then perforated: every pass becomes dashes.
        TravelCase{"PassesThenPerforate", "PU0,0;PD1000,0;PU;",
                   [](PlotDrawing& d) {
                       passesDrawing(d, 3);
                       perforateDrawing(d, 2, 1);
                   },
                   3 * 720000.0 / 1040, 3 * 320000.0 / 1040 + 2000, 27, 24}),
    [](const auto& p) { return p.param.name; });

TEST(Perforate, DashesStartAtTheStartFollowCornersAndEndAtTheEnd) {
    // An open L of 2000 units: (2000 + 40) / 120 = 17, stretched by 2000 / 2000.
    const test::KnifeTravel t =
        test::runKnife(edited("PU0,0;PD1000,0,1000,1000;PU;", [](PlotDrawing& d) { perforateDrawing(d, 2, 1); }));
    ASSERT_EQ(t.runs.size(), 17u);
    EXPECT_EQ(t.runs.front().points.front(), (PlotPoint{0, 0}));
    EXPECT_EQ(t.runs.back().points.back(), (PlotPoint{1000, 1000}));
    for (std::size_t d = 0; d < t.runs.size(); ++d) {
        const std::vector<PlotPoint>& points = t.runs[d].points;
        double length = 0;
        for (std::size_t k = 1; k < points.size(); ++k) {
            length += std::hypot(double(points[k].x) - points[k - 1].x, double(points[k].y) - points[k - 1].y);
            // On the L itself.
            for (const PlotPoint p : {points[k - 1], points[k]})
                EXPECT_TRUE((p.y == 0 && p.x >= 0 && p.x <= 1000) || (p.x == 1000 && p.y >= 0 && p.y <= 1000));
        }
        EXPECT_NEAR(length, 80, 1.0) << "dash " << d;
        // Dash 8 runs from 960 to 1040 along the L: round the corner.
        if (d == 8) {
            EXPECT_EQ(points, (std::vector<PlotPoint>{{960, 0}, {1000, 0}, {1000, 40}}));
        }
    }
}

TEST(Perforate, TheFirstDashGoesOnFromAJoinedCutWithoutALift) {
    const std::string out =
        edited("PU0,0;PD500,0;VS10;PD1500,0;PU;", [](PlotDrawing& d) { perforateDrawing(d, 2, 1); });
    // 500 units: (500 + 40) / 120 = 4.5, so 5 dashes, the last ending at
    // 500; then the knife stays down into the next cut's first dash.
    EXPECT_NE(out.find("PD500,0;VS10;PD"), std::string::npos) << out;
}

TEST(Perforate, AClosedCutOfLessThanOneAndAHalfPeriodsKeepsOneDash) {
    // A 10 mm square, 20 mm dash and 10 mm gap: 1600 / 1200 rounds to one
    // period, stretched by 4/3, so one dash of 1066.67 units from the start
    // and a gap of 533.33 back to it. An open cut as long is one whole dash.
    EXPECT_EQ(edited("PU0,0;PD400,0,400,400,0,400,0,0;PU;", [](PlotDrawing& d) { perforateDrawing(d, 20, 10); }),
              "PU0,0;PD400,0,400,400,133,400;PU;");
    EXPECT_EQ(edited("PA0,0;PD400,0,400,400,0,400;PU;", [](PlotDrawing& d) { perforateDrawing(d, 20, 10); }),
              "PA0,0;PD400,0,400,400,0,400;PU;");
}

TEST(Perforate, TooManyDashesChangeNothing) {
    // (99996 + 4) / 8 = 12,500 dashes.
    CutJob job = test::walkText("PU0,0;PD99996,0;PU;");
    const std::string before = jobText(job);
    EXPECT_FALSE(perforateJob(job, 4, 4, 12499));
    EXPECT_EQ(jobText(job), before);
    EXPECT_TRUE(perforateJob(job, 4, 4, 12500));
    EXPECT_EQ(job.cutCount(), 12500u);
}

// ---- one pen ------------------------------------------------------------------

const std::string kThreePens =
    "IN;SP1;PU0,0;PD1000,0;SP2;PU0,100;PD0,1100;VS5;SP3;PU2000,0;PD2000,300;"
    "SP1;PU0,2000;PD400,2000;PD400,2100;SP2;PD400,2300;PU0,0;SP0;";

struct PenCase {
    std::int32_t pen;
    const char* expected;
    double down;
};

void PrintTo(const PenCase& c, std::ostream* os) { *os << "pen " << c.pen; }

class OnePen : public ::testing::TestWithParam<PenCase> {};

TEST_P(OnePen, KeepsItsCutsAndWhatSetsThemUp) {
    const PenCase& c = GetParam();
    const std::string out = edited(kThreePens, [&](PlotDrawing& d) { penDrawing(d, c.pen); });
    EXPECT_EQ(out, c.expected);
    const test::KnifeTravel t = test::runKnife(out);
    EXPECT_NEAR(t.down, c.down, 1e-9);
    for (const test::KnifeRun& run : t.runs) EXPECT_EQ(run.pen, c.pen);
}

INSTANTIATE_TEST_SUITE_P(
    Pens, OnePen,
    ::testing::Values(
        // The shape of pen 1 that goes on with pen 2 without a lift keeps
        // its own part; VS stays for every pen, SP0 at the end too.
        PenCase{1, "IN;SP1;PU0,0;PD1000,0;PU;VS5;SP1;PU0,2000;PD400,2000,400,2100;PU0,0;SP0;", 1500},
        PenCase{2, "IN;SP2;PU0,100;PD0,1100;PU;VS5;SP2;PU400,2100;PD400,2300;PU0,0;SP0;", 1200},
        PenCase{3, "IN;VS5;SP3;PU2000,0;PD2000,300;PU0,0;SP0;", 300}),
    [](const auto& p) { return "Pen" + std::to_string(p.param.pen); });

TEST(OnePen, AFileThatChoosesNoPenIsPenOne) {
    test::ReadResult r;
    test::readInto(r, "PU0,0;PD100,0;PU200,0;PD300,0;");
    EXPECT_EQ(penDrawing(r.drawing, 1), 2u);
    EXPECT_EQ(test::written(r.drawing), "PU0,0;PD100,0;PU200,0;PD300,0;");
    EXPECT_EQ(penDrawing(r.drawing, 2), 0u);
    EXPECT_EQ(test::runKnife(test::written(r.drawing)).down, 0.0);
}

TEST(OnePen, SelectedPenReadsSpInEitherCase) {
    struct {
        const char* text;
        bool isSp;
        std::int32_t pen;
    } const cases[] = {{"SP2;", true, 2}, {"sp 3;", true, 3}, {"SP;", true, 0}, {"SP2.7;", true, 2},
                       {"SP-1;", true, -1}, {"VS2;", false, 0}, {"S", false, 0}, {"SP99999999999;", true, kInt32Max}};
    for (const auto& c : cases) {
        std::int32_t pen = 0;
        EXPECT_EQ(selectedPen(c.text, pen), c.isSp) << c.text;
        if (c.isSp) {
            EXPECT_EQ(pen, c.pen) << c.text;
        }
    }
}

// ---- the corpus ---------------------------------------------------------------

TEST(Production, CorpusFiles) {
    const auto dir = test::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "the shared HP-GL corpus is not beside the repository";
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() == ".md") continue;
        const std::string text = test::readBytes(entry.path());
        test::ReadResult r;
        test::readInto(r, text);
        if (!r.drawing.hasExtent()) continue;
        // The job as the program writes it, absolute and in whole units.
        PlotDrawing canonical;
        buildDrawing(walkCuts(r.drawing), canonical);
        const test::KnifeTravel original = test::runKnife(test::written(canonical));
        const std::int32_t sum = r.drawing.minX + r.drawing.maxX;
        const test::KnifeTravel mirrored = test::runKnife(edited(text, [](PlotDrawing& d) { mirrorDrawing(d); }));
        ASSERT_EQ(mirrored.runs.size(), original.runs.size()) << entry.path();
        for (std::size_t c = 0; c < original.runs.size(); ++c) {
            std::vector<PlotPoint> expected = original.runs[c].points;
            for (PlotPoint& p : expected) p.x = sum - p.x;
            EXPECT_EQ(mirrored.runs[c].points, expected) << entry.path() << " cut " << c;
        }
        // Passes: the cut length times three.
        const test::KnifeTravel three = test::runKnife(edited(text, [](PlotDrawing& d) { passesDrawing(d, 3); }));
        EXPECT_NEAR(three.down, 3 * original.down, 1e-6 * original.down) << entry.path();
        // The pens add up to the whole; cuts made with SP0 belong to none.
        double sum1 = 0;
        for (const auto& [pen, length] : original.downByPen) {
            if (pen < 1) continue;
            const double kept =
                test::runKnife(edited(text, [pen = pen](PlotDrawing& d) { penDrawing(d, pen); })).down;
            EXPECT_NEAR(kept, length, 1e-6 * (1 + length)) << entry.path() << " pen " << pen;
            sum1 += kept;
        }
        const double penless = original.downByPen.count(0) ? original.downByPen.at(0) : 0.0;
        EXPECT_NEAR(sum1 + penless, original.down, 1e-6 * (1 + original.down)) << entry.path();
    }
}

}  // namespace
}  // namespace kerfline
