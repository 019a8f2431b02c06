// Clipping polylines to rectangles: hand-worked cases, and random lines cut
// into a grid of panels whose pieces must give back the line.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "drawing/clip.h"

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

// The length of a polyline in plotter units.
double length(const Polyline& line) {
    double sum = 0;
    for (std::size_t i = 1; i < line.size(); ++i)
        sum += std::hypot(double(line[i].x) - line[i - 1].x, double(line[i].y) - line[i - 1].y);
    return sum;
}

double distanceToSegment(double px, double py, PlotPoint a, PlotPoint b) {
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 == 0 ? 0 : ((px - a.x) * dx + (py - a.y) * dy) / len2;
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    return std::hypot(px - (a.x + t * dx), py - (a.y + t * dy));
}

double distanceToLines(double px, double py, const Pieces& lines) {
    double best = INFINITY;
    for (const Polyline& line : lines)
        for (std::size_t i = 1; i < line.size(); ++i)
            best = std::min(best, distanceToSegment(px, py, line[i - 1], line[i]));
    return best;
}

// The length of the line inside the rectangle, in floating point.
double lengthInside(const Polyline& line, const ClipRect& r) {
    double sum = 0;
    for (std::size_t i = 1; i < line.size(); ++i) {
        const double ax = line[i - 1].x, ay = line[i - 1].y;
        const double dx = line[i].x - ax, dy = line[i].y - ay;
        double lo = 0, hi = 1;
        const double p[4] = {-dx, dx, -dy, dy};
        const double q[4] = {ax - r.minX, r.maxX - ax, ay - r.minY, r.maxY - ay};
        bool out = false;
        for (int k = 0; k < 4; ++k) {
            if (p[k] == 0) {
                out = out || q[k] < 0;
                continue;
            }
            const double t = q[k] / p[k];
            if (p[k] < 0) lo = std::max(lo, t);
            else hi = std::min(hi, t);
        }
        if (!out && hi > lo) sum += (hi - lo) * std::hypot(dx, dy);
    }
    return sum;
}

// Random lines over a grid of 3 x 3 panels that share their sides: every
// piece stays in its panel, the pieces together lie on the line and cover it
// to within one plotter unit, their lengths add up to the line's, and each
// crossing of a shared side ends a piece in one panel exactly where a piece
// of the neighbouring panel starts.
TEST(ClipGrid, PanelsTogetherGiveBackTheLine) {
    std::mt19937 random(17);
    std::uniform_int_distribution<std::int32_t> coordinate(-50, 350);
    const std::int32_t size = 100;
    for (int trial = 0; trial < 300; ++trial) {
        Polyline line;
        const int count = 2 + trial % 6;
        for (int i = 0; i < count; ++i) line.push_back({coordinate(random), coordinate(random)});
        if (trial % 3 == 0) line.push_back(line.front());  // closed

        const ClipRect outer{0, 0, 3 * size, 3 * size};
        Pieces all;
        std::vector<PlotPoint> starts, ends;
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 3; ++column) {
                const ClipRect panel{column * size, row * size, (column + 1) * size,
                                     (row + 1) * size};
                for (Polyline& piece : clipPolyline(line, panel)) {
                    for (const PlotPoint& p : piece) ASSERT_TRUE(panel.contains(p));
                    starts.push_back(piece.front());
                    ends.push_back(piece.back());
                    all.push_back(std::move(piece));
                }
            }
        }
        double piecesLength = 0;
        for (const Polyline& p : all) piecesLength += length(p);
        // Each piece's two ends move by at most half a unit each.
        EXPECT_NEAR(piecesLength, lengthInside(line, outer), double(all.size()) + 1e-6)
            << "trial " << trial;

        // Sample the line inside the grid and the pieces, both ways.
        for (std::size_t i = 1; i < line.size(); ++i)
            for (double t = 0; t <= 1.0; t += 0.01) {
                const double px = line[i - 1].x + t * (double(line[i].x) - line[i - 1].x);
                const double py = line[i - 1].y + t * (double(line[i].y) - line[i - 1].y);
                if (px < 0 || py < 0 || px > 3 * size || py > 3 * size) continue;
                ASSERT_LE(distanceToLines(px, py, all), 1.0) << "trial " << trial;
            }
        for (const Polyline& piece : all)
            for (std::size_t i = 1; i < piece.size(); ++i)
                for (double t = 0; t <= 1.0; t += 0.05) {
                    const double px = piece[i - 1].x + t * (double(piece[i].x) - piece[i - 1].x);
                    const double py = piece[i - 1].y + t * (double(piece[i].y) - piece[i - 1].y);
                    ASSERT_LE(distanceToLines(px, py, Pieces{line}), 0.5 + 1e-9)
                        << "trial " << trial;
                }

        // Crossings of inner sides pair up exactly: a piece that ends on an
        // inner side has a neighbour's piece starting at the same point.
        auto onInnerSide = [&](PlotPoint p) {
            const bool onOuter = p.x == 0 || p.y == 0 || p.x == 3 * size || p.y == 3 * size;
            return !onOuter && (p.x % size == 0 || p.y % size == 0);
        };
        for (const PlotPoint& end : ends) {
            if (!onInnerSide(end)) continue;
            bool isVertex = false;
            for (const PlotPoint& v : line) isVertex = isVertex || v == end;
            if (isVertex) continue;
            bool met = false;
            for (const PlotPoint& start : starts) met = met || start == end;
            EXPECT_TRUE(met) << "trial " << trial << ": nothing goes on from " << end.x << ","
                             << end.y;
        }
    }
}

}  // namespace
}  // namespace kerfline
