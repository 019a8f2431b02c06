// Clipping polylines to rectangles: hand-worked cases, and random lines cut
// into a grid of panels whose pieces must give back the line.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geometry/clip.h"

namespace kerfline {
namespace {

using Pieces = std::vector<Polyline>;

struct ClipCase {
    const char* name;
    Polyline line;
    ClipRect rect;
    Pieces expected;
};

class Clip : public ::testing::TestWithParam<ClipCase> {};

TEST_P(Clip, GivesThePiecesInside) {
    const ClipCase& c = GetParam();
    EXPECT_EQ(clipPolyline(c.line, c.rect), c.expected);
}

const ClipRect kHalf{0, 0, 5, 10};

INSTANTIATE_TEST_SUITE_P(
    Cases, Clip,
    ::testing::Values(
        ClipCase{"inside", {{1, 1}, {4, 1}, {4, 9}}, kHalf, {{{1, 1}, {4, 1}, {4, 9}}}},
        ClipCase{"outside", {{6, 1}, {9, 9}}, kHalf, {}},
        ClipCase{"diagonal_through", {{0, 0}, {10, 10}}, {2, 0, 8, 10}, {{{2, 2}, {8, 8}}}},
        // y = 1/3 at x = 1 rounds down; y = 1/2 goes away from the start.
        ClipCase{"third_rounds_down", {{0, 0}, {3, 1}}, {0, 0, 1, 5}, {{{0, 0}, {1, 0}}}},
        ClipCase{"half_away_from_start", {{0, 0}, {2, 1}}, {0, 0, 1, 5}, {{{0, 0}, {1, 1}}}},
        ClipCase{"half_backwards", {{2, 1}, {0, 0}}, {1, 0, 5, 5}, {{{2, 1}, {1, 0}}}},
        ClipCase{"negative_slope", {{-3, 2}, {3, -2}}, {-1, -5, 1, 5}, {{{-1, 1}, {1, -1}}}},
        // The square leaves the half and comes back: one cut through its start.
        ClipCase{"closed_square_halved",
                 {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}},
                 kHalf,
                 {{{5, 10}, {0, 10}, {0, 0}, {5, 0}}}},
        ClipCase{"open_line_leaving_twice",
                 {{1, 1}, {8, 1}, {8, 5}, {1, 5}, {1, 9}, {8, 9}},
                 kHalf,
                 {{{1, 1}, {5, 1}}, {{5, 5}, {1, 5}, {1, 9}, {5, 9}}}},
        ClipCase{"touches_a_corner_only", {{0, 10}, {10, 0}}, {0, 0, 5, 5}, {}},
        ClipCase{"along_a_side", {{5, -5}, {5, 15}}, kHalf, {{{5, 0}, {5, 10}}}},
        ClipCase{"ends_on_a_side_and_goes_on", {{1, 1}, {5, 1}, {5, 4}}, kHalf,
                 {{{1, 1}, {5, 1}, {5, 4}}}},
        ClipCase{"point_inside", {{3, 3}}, kHalf, {{{3, 3}}}},
        ClipCase{"repeated_point_inside", {{3, 3}, {3, 3}}, kHalf, {{{3, 3}, {3, 3}}}},
        ClipCase{"point_outside", {{7, 3}}, kHalf, {}},
        ClipCase{"repeats_skipped", {{1, 1}, {1, 1}, {9, 1}}, kHalf, {{{1, 1}, {5, 1}}}},
        ClipCase{"extreme_coordinates",
                 {{kInt32Min, kInt32Min}, {kInt32Max, kInt32Max}},
                 {0, 0, 1000, 1000},
                 {{{0, 0}, {1000, 1000}}}}),
    [](const auto& param) { return param.param.name; });

TEST(MulDivRound, IsExactForWideProducts) {
    struct Case {
        std::int64_t a, b, c, expected;
    };
    const std::int64_t big = std::int64_t{1} << 32;
    for (const Case& k : std::vector<Case>{
             {1, 1, 2, 1},      // a half goes up
             {-1, 1, 2, -1},    // and down below zero
             {1, 1, 3, 0},
             {2, 1, 3, 1},
             {-2, 1, 3, -1},
             {0, -5, 7, 0},
             // (2^32 - 1)^2 / 2^32 = 2^32 - 2 + 1/2^32
             {big - 1, big - 1, big, big - 2},
             // 2^32 * (2^32 + 1) / (2^33 - 1): worked out with bc
             {big, big + 1, 2 * big - 1, 2147483649},
             {-big, big + 1, 2 * big - 1, -2147483649}}) {
        EXPECT_EQ(mulDivRound(k.a, k.b, k.c), k.expected) << k.a << " " << k.b << " " << k.c;
    }
}

}  // namespace
}  // namespace kerfline
