// The geometry of single commands.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "hpgl/command.h"
#include "hpgl/reader.h"

namespace kerfline {
namespace {

constexpr PlotPoint kEmptyLo{kInt32Max, kInt32Max};
constexpr PlotPoint kEmptyHi{kInt32Min, kInt32Min};

struct GeometryCase {
    const char* instruction;
    PlotPoint from;
    int penBefore;
    PlotPoint lo, hi;  // the box
    PlotPoint end;
    double travel;
    int penAfter;
};

class Geometry : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(Geometry, BoxEndAndTravel) {
    const GeometryCase& c = GetParam();
    const PlotCommand command(c.instruction);
    PlotPoint lo{1, 1}, hi{1, 1};
    int pen = c.penBefore;
    command.bounds(lo, hi, pen);
    EXPECT_EQ(lo, c.lo);
    EXPECT_EQ(hi, c.hi);
    EXPECT_EQ(pen, c.penAfter);
    pen = c.penBefore;
    EXPECT_DOUBLE_EQ(command.travel(c.from, pen), c.travel);
    EXPECT_EQ(pen, c.penAfter);
    EXPECT_EQ(command.endPosition(c.from), c.end);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Geometry,
    ::testing::Values(GeometryCase{"PU0,0;", {0, 0}, 0, kEmptyLo, kEmptyHi, {0, 0}, 0, 0},
                      GeometryCase{
                          "PD100,0,100,100;", {0, 0}, 0, {100, 0}, {100, 100}, {100, 100}, 200, 1},
                      GeometryCase{"PR10,0,0,10;", {50, 50}, 1, {0, 0}, {10, 10}, {60, 60}, 20, 1},
                      GeometryCase{"PR10,0,0,10;", {50, 50}, 0, kEmptyLo, kEmptyHi, {60, 60}, 0, 0},
                      GeometryCase{"PR-10,-20,30,5;",
                                   {0, 0},
                                   1,
                                   {-10, -20},
                                   {20, 0},
                                   {20, -15},
                                   std::hypot(10.0, 20.0) + std::hypot(30.0, 5.0),
                                   1},
                      GeometryCase{"PR;", {7, 8}, 1, {0, 0}, {0, 0}, {7, 8}, 0, 1},
                      GeometryCase{"PA;", {500, 500}, 1, kEmptyLo, kEmptyHi, {0, 0}, 0, 1},
                      GeometryCase{"PA;", {500, 500}, 0, kEmptyLo, kEmptyHi, {0, 0}, 0, 0},
                      GeometryCase{"PA3,4;", {0, 0}, 1, {3, 4}, {3, 4}, {3, 4}, 5, 1},
                      GeometryCase{"PA3,4;", {0, 0}, 0, kEmptyLo, kEmptyHi, {3, 4}, 0, 0},
                      GeometryCase{"PD;", {500, 500}, 0, kEmptyLo, kEmptyHi, {500, 500}, 0, 1},
                      GeometryCase{"PU;", {5, 6}, 1, kEmptyLo, kEmptyHi, {5, 6}, 0, 0},
                      GeometryCase{"PU1,2,3,4;", {5, 6}, 1, kEmptyLo, kEmptyHi, {3, 4}, 0, 0},
                      GeometryCase{"IN;", {5, 6}, 1, kEmptyLo, kEmptyHi, {0, 0}, 0, 0},
                      GeometryCase{"SP1;", {5, 6}, 1, kEmptyLo, kEmptyHi, {5, 6}, 0, 1},
                      GeometryCase{"LT;", {5, 6}, 0, kEmptyLo, kEmptyHi, {5, 6}, 0, 0},
                      GeometryCase{"pd1,1;", {5, 6}, 0, kEmptyLo, kEmptyHi, {5, 6}, 0, 0},
                      // Differences and sums at the ends of the range wrap instead of overflowing.
                      GeometryCase{"PD2147483647,0;",
                                   {-2147483647 - 1, 0},
                                   0,
                                   {kInt32Max, 0},
                                   {kInt32Max, 0},
                                   {kInt32Max, 0},
                                   1,
                                   1},
                      GeometryCase{"PR2147483647,0,1,0;",
                                   {1, 0},
                                   1,
                                   {kInt32Min, 0},
                                   {kInt32Max, 0},
                                   {kInt32Min + 1, 0},
                                   2147483648.0,
                                   1}));

TEST(Geometry, ACommandWithoutPointsIsNeutralToChanges) {
    for (const char* text : {"SP1;", "LT;", "IN;", "pu1,2;", "SC0,1,0,1;"}) {
        PlotCommand command(text);
        command.scale(3.0);
        command.rotate(100);
        command.move({5, 5});
        MemoryOutput out;
        writeCommand(out, command);
        EXPECT_EQ(out.str(), text[0] == 'I' ? "IN;" : text);
    }
}

struct ChangeCase {
    const char* instruction;
    enum { Scale, Rotate, Move } kind;
    double factor;
    std::int32_t sum;
    PlotPoint offset;
    std::vector<PlotPoint> expected;
};

class Change : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(Change, ChangesThePointsInPlace) {
    const ChangeCase& c = GetParam();
    PlotCommand command(c.instruction);
    switch (c.kind) {
        case ChangeCase::Scale:
            command.scale(c.factor);
            break;
        case ChangeCase::Rotate:
            command.rotate(c.sum);
            break;
        case ChangeCase::Move:
            command.move(c.offset);
            break;
    }
    const PointSpan points = command.points();
    EXPECT_EQ(std::vector<PlotPoint>(points.begin(), points.end()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Change,
    ::testing::Values(
        ChangeCase{"PA3,-3;", ChangeCase::Scale, 0.5, 0, {}, {{1, -1}}},
        ChangeCase{"PA3,-3;", ChangeCase::Scale, 1.5, 0, {}, {{4, -4}}},
        ChangeCase{"PR3,-3;", ChangeCase::Scale, 1.0, 0, {}, {{3, -3}}},
        ChangeCase{"PD3,-3;", ChangeCase::Scale, -1.0, 0, {}, {{-3, 3}}},
        ChangeCase{"PU3,-3;", ChangeCase::Scale, 0.0, 0, {}, {{0, 0}}},
        // A product outside 32 bits goes to the nearest limit.
        ChangeCase{
            "PD2000000000,-2000000000;", ChangeCase::Scale, 2.0, 0, {}, {{kInt32Max, kInt32Min}}},
        // Out of the record's 30 bits and back into them.
        ChangeCase{"PA300000000,-1;", ChangeCase::Scale, 2.0, 0, {}, {{600000000, -2}}},
        ChangeCase{"PD-536870913,0;", ChangeCase::Move, 0, 0, {1, 0}, {{-536870912, 0}}},
        ChangeCase{"PU536870911,0;", ChangeCase::Rotate, 0, kInt32Max, {}, {{0, 1610612736}}},
        ChangeCase{"PA10,20;", ChangeCase::Rotate, 0, 100, {}, {{20, 90}}},
        ChangeCase{"PR10,20;", ChangeCase::Rotate, 0, 100, {}, {{20, -10}}},
        ChangeCase{"PR-2147483648,0;", ChangeCase::Rotate, 0, 0, {}, {{0, kInt32Min}}},
        ChangeCase{"PU0,0;", ChangeCase::Rotate, 0, kInt32Max, {}, {{0, kInt32Max}}},
        ChangeCase{"PD-1,0;", ChangeCase::Rotate, 0, kInt32Max, {}, {{0, kInt32Min}}},
        ChangeCase{"PA10,20;", ChangeCase::Move, 0, 0, {5, -5}, {{15, 15}}},
        ChangeCase{"PR10,20;", ChangeCase::Move, 0, 0, {5, -5}, {{10, 20}}},
        ChangeCase{"PU2147483647,0;", ChangeCase::Move, 0, 0, {1, 0}, {{kInt32Min, 0}}}));

TEST(Geometry, FourRotationsGiveThePointsBack) {
    for (const char* text : {"PA10,20,-7,3;", "PR10,20,-7,3;", "PD-2147483648,2147483647;"}) {
        PlotCommand command(text);
        for (int i = 0; i < 4; ++i) command.rotate(100);
        MemoryOutput out;
        writeCommand(out, command);
        EXPECT_EQ(out.str(), text);
    }
}

TEST(Geometry, DistanceWrapsItsDifferences) {
    EXPECT_DOUBLE_EQ(distance({0, 0}, {3, 4}), 5.0);
    EXPECT_DOUBLE_EQ(distance({kInt32Max, 0}, {kInt32Min, 0}), 1.0);  // one step, wrapped
    EXPECT_DOUBLE_EQ(distance({0, 0}, {kInt32Min, kInt32Min}),
                     std::hypot(2147483648.0, 2147483648.0));
}

}  // namespace
}  // namespace kerfline
