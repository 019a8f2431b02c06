// The figures of a job (the speed in force, the pen-up moves) and the grid
// of panels, on hand-worked cases and the shared corpus.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "cutting/figures.h"
#include "cutting/tile.h"
#include "test_support.h"

namespace kerfline {
namespace {

struct SpeedCase {
    const char* label;
    std::vector<const char*> instructions;
    double expected;  // cm/s, with a default of 20
};

class Speed : public ::testing::TestWithParam<SpeedCase> {};

TEST_P(Speed, FollowsVsSpAndIn) {
    SpeedState state(20.0);
    for (const char* instruction : GetParam().instructions) state.apply(instruction);
    EXPECT_DOUBLE_EQ(state.speed(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Speed,
    ::testing::Values(SpeedCase{"none", {}, 20}, SpeedCase{"all_pens", {"VS10;"}, 10},
                      SpeedCase{"decimal", {"VS12.5;"}, 12.5},
                      SpeedCase{"lower_case", {"vs7;"}, 7},
                      SpeedCase{"reset_by_vs", {"VS10;", "VS;"}, 20},
                      SpeedCase{"reset_by_in", {"VS10;", "IN;"}, 20},
                      SpeedCase{"zero_is_default", {"VS0;"}, 20},
                      SpeedCase{"negative_is_default", {"VS-5;"}, 20},
                      SpeedCase{"garbage_is_default", {"VSfast;"}, 20},
                      SpeedCase{"other_pen", {"VS5,2;"}, 20},
                      SpeedCase{"chosen_pen", {"VS5,2;", "SP2;"}, 5},
                      SpeedCase{"pen_then_all", {"VS5,2;", "SP2;", "VS30;"}, 30},
                      SpeedCase{"all_then_pen", {"VS30;", "VS5,2;"}, 30},
                      SpeedCase{"all_then_chosen_pen", {"VS30;", "VS5,2;", "SP2;"}, 5},
                      SpeedCase{"pen_reset", {"VS30;", "VS,2;", "SP2;"}, 20},
                      SpeedCase{"back_to_pen_1", {"VS5,2;", "SP2;", "SP1;"}, 20},
                      SpeedCase{"others_ignored", {"VS9;", "LT2;", "ZZ1;", "S"}, 9}),
    [](const auto& p) { return std::string(p.param.label); });

PlotDrawing drawingOf(std::string_view text) {
    test::ReadResult r;
    test::readInto(r, text);
    return std::move(r.drawing);
}

struct TimeCase {
    const char* label;
    const char* job;
    double seconds;  // at the default 20 cm/s
};

class CuttingTime : public ::testing::TestWithParam<TimeCase> {};

TEST_P(CuttingTime, CountsEachPartOfACutAtTheSpeedInForce) {
    EXPECT_NEAR(jobFigures(drawingOf(GetParam().job), TimeModel{}).seconds, GetParam().seconds, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CuttingTime,
    ::testing::Values(
        // 10 mm at 20 cm/s (0.05 s), then 10 mm at pen 2's 10 cm/s (0.1 s);
        // one drop and one lift (0.2 s).
        TimeCase{"pen_chosen_inside_a_cut", "VS10,2;PU0,0;PD400,0;SP2;PD400,400;PU;", 0.35},
        // 0.05 s, 10 mm at 5 cm/s (0.2 s), 0.2 s, and 10 mm back with the
        // pen up at twice 5 cm/s (0.1 s).
        TimeCase{"move_after_a_slower_part", "PU0,0;PD400,0;VS5;PD400,400;PU400,0;", 0.55},
        // The knife lifted between the parts: two cuts, two drops and lifts.
        TimeCase{"between_two_cuts", "PU0,0;PD400,0;PU;VS5;PD400,400;PU;", 0.65}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(PenUpMoves, LeadFromTheOriginToEveryCutAndHome) {
    const PlotDrawing drawing = drawingOf("PU100,0;PD200,0;PU;PD300,0;IN;PA;PU0,50;");
    const std::vector<PenUpMove> moves = penUpMoves(walkCuts(drawing));
    // (0,0) to (100,0); the cut's end (200,0) to the next cut's start, which
    // PU; without points leaves at (200,0)... then IN home, PA home, PU.
    std::vector<std::pair<PlotPoint, PlotPoint>> got;
    for (const PenUpMove& m : moves) got.emplace_back(m.from, m.to);
    const std::vector<std::pair<PlotPoint, PlotPoint>> expected{
        {{0, 0}, {100, 0}}, {{300, 0}, {0, 0}}, {{0, 0}, {0, 0}}, {{0, 0}, {0, 50}}};
    EXPECT_EQ(got, expected);
}

struct GridCase {
    const char* label;
    const char* drawing;
    std::int32_t width, height, overlap;
    std::int64_t columns, rows;
};

class Grid : public ::testing::TestWithParam<GridCase> {};

TEST_P(Grid, HasAsManyPanelsAsTheDrawingNeeds) {
    const GridCase& c = GetParam();
    const PanelGrid grid = panelGrid(drawingOf(c.drawing), c.width, c.height, c.overlap);
    EXPECT_EQ(grid.columns, c.columns);
    EXPECT_EQ(grid.rows, c.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Grid,
    ::testing::Values(
        // 400 x 200 units.
        GridCase{"fits", "PU0,0;PD400,200;", 400, 200, 0, 1, 1},
        GridCase{"one_unit_more", "PU0,0;PD401,201;", 400, 200, 0, 2, 2},
        GridCase{"exact_halves", "PU0,0;PD400,200;", 200, 100, 0, 2, 2},
        // Steps of 120 and 80 cover 400 x 200 with panels at 0, 120, 240.
        GridCase{"overlap", "PU0,0;PD400,200;", 160, 120, 40, 3, 2},
        GridCase{"offset_corner", "PU-1000,5000;PD-600,5200;", 160, 120, 40, 3, 2},
        GridCase{"nothing_drawn", "PU400,400;", 10, 10, 0, 1, 1},
        GridCase{"whole_range", "PU-2147483648,-2147483648;PD2147483647,2147483647;", 2147483647,
                 2147483647, 0, 3, 3}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(Tiler, MovesEachPanelToTheOriginAndKeepsTheInstructions) {
    const PlotDrawing drawing = drawingOf("IN;SP1;PU0,100;PD400,100;PU400,200;PD400,0;SP0;");
    const PanelGrid grid = panelGrid(drawing, 160, 120, 40);
    const Tiler tiler(drawing);
    PlotDrawing panel;
    tiler.panel(grid, 1, 2, panel);
    // The top right panel, from (240,80): the line at y 100 and the
    // upright at x 400, each clipped and moved.
    EXPECT_EQ(test::written(panel), "IN;SP1;PU0,20;PD160,20;PU160,120;PD160,0;PU;SP0;");
    tiler.panel(grid, 0, 1, panel);
    EXPECT_EQ(test::written(panel), "IN;SP1;PU0,100;PD160,100;PU;SP0;");
}

}  // namespace
}  // namespace kerfline
