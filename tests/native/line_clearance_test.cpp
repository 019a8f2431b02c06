// Where an axis-parallel line keeps clear of a design's segments and stays
// out of its closed shapes.
#include "cutting/production/line_clearance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "drag_knife.h"

namespace kerfline {
namespace {

struct StretchCase {
    const char* name;
    PlotPoint a, b;
    LineAxis axis;
    double across;
    bool meets;
    double from, to;  // worked out by hand
};

void PrintTo(const StretchCase& c, std::ostream* os) { *os << c.name; }

class Blocked : public ::testing::TestWithParam<StretchCase> {};

TEST_P(Blocked, IsTheWidenedSegmentsCrossingOfTheLine) {
    const StretchCase& c = GetParam();
    Stretch s;
    ASSERT_EQ(blockedStretch(c.a, c.b, c.axis, c.across, 20.0, s), c.meets);
    if (!c.meets) return;
    EXPECT_NEAR(s.from, c.from, 1e-9);
    EXPECT_NEAR(s.to, c.to, 1e-9);
}

const double kRoot300 = std::sqrt(300.0);  // half a chord 10 from the centre of a circle of 20

INSTANTIATE_TEST_SUITE_P(
    ByHand, Blocked,
    ::testing::Values(
        StretchCase{"AlongItsOwnLine", {0, 0}, {100, 0}, LineAxis::Horizontal, 0, true, -20, 120},
        StretchCase{"TenAbove", {0, 0}, {100, 0}, LineAxis::Horizontal, 10, true, -kRoot300, 100 + kRoot300},
        StretchCase{"TwentyFiveAbove", {0, 0}, {100, 0}, LineAxis::Horizontal, 25, false, 0, 0},
        // |x - 50| / sqrt 2 < 20 about the diagonal's middle.
        StretchCase{"Diagonal", {0, 0}, {100, 100}, LineAxis::Horizontal, 50, true, 50 - 20 * std::sqrt(2.0),
                    50 + 20 * std::sqrt(2.0)},
        StretchCase{"Across", {0, 0}, {0, 100}, LineAxis::Horizontal, 50, true, -20, 20},
        StretchCase{"PastTheEnd", {0, 0}, {0, 100}, LineAxis::Horizontal, 110, true, -kRoot300, kRoot300},
        StretchCase{"Plunge", {5, 5}, {5, 5}, LineAxis::Horizontal, 5, true, -15, 25},
        // A vertical line at x = 10: y runs along it.
        StretchCase{"VerticalLine", {0, 0}, {100, 0}, LineAxis::Vertical, 10, true, -20, 20},
        StretchCase{"VerticalPastTheEnd", {0, 0}, {100, 0}, LineAxis::Vertical, 110, true, -kRoot300, kRoot300}),
    [](const auto& p) { return p.param.name; });

// Random segments against the distance worked out point by point: a point
// well inside the stretch is nearer than 20, one well outside is not.
TEST(Blocked, AgreesWithTheDistanceOfEveryPoint) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coordinate(-100, 100);
    for (int round = 0; round < 2000; ++round) {
        const PlotPoint a{coordinate(random), coordinate(random)};
        const PlotPoint b = round % 10 == 0 ? a : PlotPoint{coordinate(random), coordinate(random)};
        const double across = coordinate(random) / 2.0;
        const LineAxis axis = round % 2 ? LineAxis::Vertical : LineAxis::Horizontal;
        Stretch s{0, -1};
        const bool meets = blockedStretch(a, b, axis, across, 20.0, s);
        for (double along = -150; along <= 150; along += 0.5) {
            const test::Dot p = axis == LineAxis::Horizontal ? test::Dot{along, across} : test::Dot{across, along};
            const double d = test::pointToSegment(p, a, b);
            if (d < 19.999) {
                EXPECT_TRUE(meets && along >= s.from && along <= s.to) << round << " at " << along;
            }
            if (d > 20.001) {
                EXPECT_FALSE(meets && along > s.from && along < s.to) << round << " at " << along;
            }
        }
    }
}

std::vector<DesignEdge> ring(PlotPoint low, PlotPoint high, std::int32_t shape) {
    const PlotPoint p[] = {low, {high.x, low.y}, high, {low.x, high.y}, low};
    std::vector<DesignEdge> edges;
    for (int k = 0; k < 4; ++k) edges.push_back({p[k], p[k + 1], shape});
    return edges;
}

TEST(ClearLines, StayOutOfClosedShapesAndTheirHoles) {
    // An outline 0..1000 with a hole 300..700, both closed, and an open
    // stroke at x = 1500.
    std::vector<DesignEdge> edges = ring({0, 0}, {1000, 1000}, 0);
    for (const DesignEdge& e : ring({300, 300}, {700, 700}, 1)) edges.push_back(e);
    edges.push_back({{1500, -500}, {1500, 1500}, -1});
    ClearLines lines(edges, 2, 20.0, LineAxis::Horizontal, {-100, 0, 500, 1100});
    const auto clear = [&](std::size_t k) { return lines.clear(k, -600.0, 2000.0); };
    const auto expect = [](const std::vector<Stretch>& got, std::vector<std::pair<double, double>> want) {
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(got[i].from, want[i].first, 1e-9) << i;
            EXPECT_NEAR(got[i].to, want[i].second, 1e-9) << i;
        }
    };
    // 100 below the outline: only the stroke is near.
    expect(clear(0), {{-600, 1480}, {1520, 2000}});
    // Along the bottom side: blocked from -20 to 1020, outside beyond.
    expect(clear(1), {{-600, -20}, {1020, 1480}, {1520, 2000}});
    // Through outline and hole: nothing between -20 and 1020.
    expect(clear(2), {{-600, -20}, {1020, 1480}, {1520, 2000}});
    expect(clear(3), {{-600, 1480}, {1520, 2000}});
}

TEST(ClearLines, ALineMeetsOnlyTheSegmentsNearIt) {
    // 10,000 short strokes in rows: a line meets only its own row.
    std::vector<DesignEdge> edges;
    for (int row = 0; row < 100; ++row)
        for (int k = 0; k < 100; ++k) edges.push_back({{k * 100, row * 100}, {k * 100 + 50, row * 100}, -1});
    ClearLines lines(edges, 0, 20.0, LineAxis::Horizontal, {0, 50, 9900});
    // On its row a line keeps the 99 gaps of 10 between strokes and the
    // two ends; 50 above it, nothing is near.
    EXPECT_EQ(lines.clear(0, -100, 10000).size(), 101u);
    EXPECT_EQ(lines.clear(1, -100, 10000).size(), 1u);
    EXPECT_EQ(lines.clear(2, -100, 10000).size(), 101u);
}

}  // namespace
}  // namespace kerfline
