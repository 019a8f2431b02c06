// Cut order: holes before outlines, nearest next, and how close the travel
// comes to an independent nearest-next and exhaustive 2-opt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "drawing/cut_order.h"
#include "test_support.h"

namespace kerfline {
namespace {

using test::walkText;

std::vector<std::vector<PlotPoint>> cutsOf(const CutJob& job) {
    std::vector<std::vector<PlotPoint>> cuts;
    for (const JobStep& step : job.steps)
        if (step.kind == JobStep::Kind::Cut) cuts.push_back(step.cut.points);
    return cuts;
}

std::string square(int x, int y, int size) {
    auto n = [](int v) { return std::to_string(v); };
    return "PU" + n(x) + "," + n(y) + ";PD" + n(x + size) + "," + n(y) + "," + n(x + size) + "," +
           n(y + size) + "," + n(x) + "," + n(y + size) + "," + n(x) + "," + n(y) + ";";
}

// Axis-aligned squares: one lies in another exactly when its box does.
bool boxInside(const std::vector<PlotPoint>& inner, const std::vector<PlotPoint>& outer) {
    auto box = [](const std::vector<PlotPoint>& p, int& x0, int& y0, int& x1, int& y1) {
        x0 = y0 = INT32_MAX;
        x1 = y1 = INT32_MIN;
        for (PlotPoint q : p) {
            x0 = std::min(x0, q.x), y0 = std::min(y0, q.y), x1 = std::max(x1, q.x), y1 = std::max(y1, q.y);
        }
    };
    int a0, b0, a1, b1, c0, d0, c1, d1;
    box(inner, a0, b0, a1, b1);
    box(outer, c0, d0, c1, d1);
    return a0 > c0 && b0 > d0 && a1 < c1 && b1 < d1;
}

void expectHolesFirst(const std::vector<std::vector<PlotPoint>>& cuts) {
    for (std::size_t i = 0; i < cuts.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_FALSE(cuts[i].size() == 5 && cuts[j].size() == 5 && boxInside(cuts[i], cuts[j]))
                << "cut " << i << " is a hole of the earlier cut " << j;
}

void expectSameCuts(std::vector<std::vector<PlotPoint>> a, std::vector<std::vector<PlotPoint>> b) {
    auto less = [](const std::vector<PlotPoint>& x, const std::vector<PlotPoint>& y) {
        return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(), [](PlotPoint p, PlotPoint q) {
            return p.x != q.x ? p.x < q.x : p.y < q.y;
        });
    };
    std::sort(a.begin(), a.end(), less);
    std::sort(b.begin(), b.end(), less);
    EXPECT_EQ(a, b);
}

struct HoleCase {
    const char* name;
    std::string hpgl;
};

class HolesFirst : public ::testing::TestWithParam<HoleCase> {};

TEST_P(HolesFirst, EveryHoleBeforeItsOutlineAndNoCutChanged) {
    CutJob job = walkText(GetParam().hpgl);
    const auto before = cutsOf(job);
    const OrderTravel travel = orderCuts(job);
    const auto after = cutsOf(job);
    expectSameCuts(before, after);
    expectHolesFirst(after);
    EXPECT_DOUBLE_EQ(travel.after, penUpTravel(job));
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, HolesFirst,
    ::testing::Values(
        HoleCase{"OutlineListedFirst", square(0, 0, 1000) + square(400, 400, 200)},
        HoleCase{"ThreeDeep", square(0, 0, 3000) + square(1000, 1000, 1000) + square(1400, 1400, 200)},
        // A hole's start nearer the knife than its outline's, and an open cut inside.
        HoleCase{"TwoOutlinesTwoHoles", square(5000, 0, 1000) + square(0, 0, 1000) + square(100, 100, 100) +
                                            "PU5500,500;PD5600,600;" + square(5100, 100, 100)},
        // An outline cut three times over: its hole comes before every copy.
        HoleCase{"SameSquareThrice", square(0, 0, 500) + square(0, 0, 500) + square(100, 100, 10) + square(0, 0, 500)}),
    [](const auto& p) { return p.param.name; });

TEST(CutOrder, NearestNextFromTheKnifeAndTheTravelItSaves) {
    // Three upward strokes listed far, near, middle: cut near, middle, far.
    CutJob job = walkText("PU1000,0;PD1000,10;PU100,0;PD100,10;PU500,0;PD500,10;PU;");
    const OrderTravel travel = orderCuts(job);
    ASSERT_EQ(cutsOf(job).size(), 3u);
    EXPECT_EQ(cutsOf(job)[0].front(), (PlotPoint{100, 0}));
    EXPECT_EQ(cutsOf(job)[1].front(), (PlotPoint{500, 0}));
    EXPECT_EQ(cutsOf(job)[2].front(), (PlotPoint{1000, 0}));
    const double diagonal900 = std::hypot(900.0, 10.0), diagonal400 = std::hypot(400.0, 10.0),
                 diagonal500 = std::hypot(500.0, 10.0);
    EXPECT_NEAR(travel.before, 1000.0 + diagonal900 + diagonal400, 1e-9);
    EXPECT_NEAR(travel.after, 100.0 + diagonal400 + diagonal500, 1e-9);
    EXPECT_TRUE(travel.changed);
}

TEST(CutOrder, KeptInstructionsHoldTheirPlaceAndParkingStays) {
    // The cut near the origin stays after SP2 although it is the nearest;
    // after SP2 the far one comes first, nearer to where the knife is.
    CutJob job = walkText("PU9000,0;PD9000,10;SP2;PU10,0;PD10,10;PU8000,0;PD8000,10;PU0,0;");
    orderCuts(job);
    std::string kinds;
    for (const JobStep& step : job.steps)
        kinds += step.kind == JobStep::Kind::Cut ? 'C' : step.kind == JobStep::Kind::Kept ? 'K' : 'M';
    EXPECT_EQ(kinds, "MCKCCM");
    const auto cuts = cutsOf(job);
    EXPECT_EQ(cuts[0].front().x, 9000);
    EXPECT_EQ(cuts[1].front().x, 8000);
    EXPECT_EQ(cuts[2].front().x, 10);
    EXPECT_EQ(job.steps.back().to, (PlotPoint{}));
}

// ---- against an independent reference ---------------------------------------

struct Shape {
    std::vector<PlotPoint> points;
    int outline = -1;  // the shape this one is a hole of, as generated
};

double gapOf(PlotPoint a, PlotPoint b) { return std::hypot(double(b.x) - a.x, double(b.y) - a.y); }

double tour(const std::vector<Shape>& shapes, const std::vector<int>& order) {
    double total = 0.0;
    PlotPoint at{};
    for (int i : order) {
        total += gapOf(at, shapes[i].points.front());
        at = shapes[i].points.back();
    }
    return total;
}

bool valid(const std::vector<Shape>& shapes, const std::vector<int>& order) {
    std::vector<int> position(shapes.size());
    for (std::size_t k = 0; k < order.size(); ++k) position[order[k]] = static_cast<int>(k);
    for (std::size_t i = 0; i < shapes.size(); ++i)
        if (shapes[i].outline >= 0 && position[i] > position[shapes[i].outline]) return false;
    return true;
}

// Quadratic nearest-next over the shapes whose holes are all cut.
std::vector<int> referenceNearestNext(const std::vector<Shape>& shapes) {
    std::vector<int> order;
    std::vector<bool> done(shapes.size(), false);
    PlotPoint at{};
    while (order.size() < shapes.size()) {
        int best = -1;
        double bestGap = 0.0;
        for (std::size_t i = 0; i < shapes.size(); ++i) {
            if (done[i]) continue;
            bool holesDone = true;
            for (std::size_t h = 0; h < shapes.size(); ++h)
                if (shapes[h].outline == static_cast<int>(i) && !done[h]) holesDone = false;
            if (!holesDone) continue;
            const double g = gapOf(at, shapes[i].points.front());
            if (best < 0 || g < bestGap) best = static_cast<int>(i), bestGap = g;
        }
        done[best] = true;
        order.push_back(best);
        at = shapes[best].points.back();
    }
    return order;
}

// Every reversal of every run, the whole tour measured each time, until none helps.
std::vector<int> referenceTwoOpt(const std::vector<Shape>& shapes, std::vector<int> order) {
    double best = tour(shapes, order);
    for (bool better = true; better;) {
        better = false;
        for (std::size_t i = 0; i + 1 < order.size(); ++i)
            for (std::size_t j = i + 1; j < order.size(); ++j) {
                std::reverse(order.begin() + i, order.begin() + j + 1);
                const double t = tour(shapes, order);
                if (t < best - 1e-6 && valid(shapes, order)) {
                    best = t;
                    better = true;
                } else {
                    std::reverse(order.begin() + i, order.begin() + j + 1);
                }
            }
    }
    return order;
}

TEST(CutOrder, WithinOnePointTwoOfNearestNextAndExhaustiveTwoOptOnManySmallShapes) {
    std::mt19937 random(17);
    std::vector<Shape> shapes;
    std::string hpgl;
    // Letters with counters on a sheet, in a scrambled order, outline before hole.
    // One letter to a cell of a 20 x 12 grid, shifted a little within it.
    std::vector<int> cells(240);
    for (int c = 0; c < 240; ++c) cells[c] = c;
    std::shuffle(cells.begin(), cells.end(), random);
    for (int k = 0; k < 90; ++k) {
        const int x = cells[k] % 20 * 1000 + static_cast<int>(random() % 300);
        const int y = cells[k] / 20 * 1000 + static_cast<int>(random() % 300);
        Shape outline;
        outline.points = {{x, y}, {x + 400, y}, {x + 400, y + 600}, {x, y + 600}, {x, y}};
        shapes.push_back(outline);
        if (random() % 2) {
            Shape hole;
            hole.points = {{x + 100, y + 100}, {x + 100, y + 300}, {x + 300, y + 300}, {x + 300, y + 100}, {x + 100, y + 100}};
            hole.outline = static_cast<int>(shapes.size()) - 1;
            shapes.push_back(hole);
        }
    }
    for (const Shape& s : shapes) {
        hpgl += "PU" + std::to_string(s.points[0].x) + "," + std::to_string(s.points[0].y) + ";PD";
        for (std::size_t p = 1; p < s.points.size(); ++p) {
            if (p > 1) hpgl += ',';
            hpgl += std::to_string(s.points[p].x) + "," + std::to_string(s.points[p].y);
        }
        hpgl += ";";
    }
    // The outlines found are the generated ones.
    CutJob job = walkText(hpgl + "PU;");
    const auto parents = [&] {
        std::vector<const Cut*> cuts;
        for (const JobStep& step : job.steps)
            if (step.kind == JobStep::Kind::Cut) cuts.push_back(&step.cut);
        return enclosingCuts(cuts);
    }();
    for (std::size_t i = 0; i < shapes.size(); ++i)
        EXPECT_EQ(parents[i], shapes[i].outline) << "shape " << i;

    const OrderTravel ours = orderCuts(job);
    const double nearest = tour(shapes, referenceNearestNext(shapes));
    const double twoOpt = tour(shapes, referenceTwoOpt(shapes, referenceNearestNext(shapes)));
    EXPECT_LE(ours.after, 1.2 * std::min(nearest, twoOpt)) << nearest << " " << twoOpt;
    EXPECT_LT(ours.after, ours.before);
    expectHolesFirst(cutsOf(job));
}

}  // namespace
}  // namespace kerfline
