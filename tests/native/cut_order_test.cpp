// Cut order: holes before outlines, nearest next, and how close the travel
// comes to an independent nearest-next and exhaustive 2-opt. What lies
// inside what is checked against brute force over every pair of cuts,
// written here apart from the code: convex outlines by their corners, lattice
// outlines by their cells.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <numeric>
#include <numbers>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cutting/cut_nesting.h"
#include "cutting/cut_order.h"
#include "test_support.h"

namespace kerfline {
namespace {

using test::walkText;
using Path = std::vector<PlotPoint>;

std::vector<Path> cutsOf(const CutJob& job) {
    std::vector<Path> cuts;
    for (const JobStep& step : job.steps)
        if (step.kind == JobStep::Kind::Cut) cuts.push_back(step.cut.points);
    return cuts;
}

CutJob jobOf(const std::vector<Path>& cuts) {
    CutJob job;
    for (const Path& points : cuts) {
        JobStep step;
        step.kind = JobStep::Kind::Cut;
        step.cut.points = points;
        job.steps.push_back(std::move(step));
    }
    return job;
}

// Every pair (inner, outline) that the nesting puts in order, directly or
// through others.
std::set<std::pair<int, int>> nestedPairs(const std::vector<Path>& cuts) {
    CutJob job = jobOf(cuts);
    std::vector<const Cut*> pointers;
    for (const JobStep& step : job.steps) pointers.push_back(&step.cut);
    const Nesting nesting = nestCuts(pointers);
    std::set<std::pair<int, int>> pairs;
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        std::vector<std::size_t> todo(nesting.of(i).begin(), nesting.of(i).end());
        std::vector<bool> seen(cuts.size(), false);
        while (!todo.empty()) {
            const std::size_t o = todo.back();
            todo.pop_back();
            if (seen[o]) continue;
            seen[o] = true;
            pairs.emplace(static_cast<int>(i), static_cast<int>(o));
            todo.insert(todo.end(), nesting.of(o).begin(), nesting.of(o).end());
        }
    }
    return pairs;
}

// Orders the cuts and checks that the same cuts come out, every pair in
// order; returns the travel.
OrderTravel expectOrdered(const std::vector<Path>& cuts, const std::set<std::pair<int, int>>& pairs) {
    CutJob job = jobOf(cuts);
    const OrderTravel travel = orderCuts(job);
    const std::vector<Path> after = cutsOf(job);
    // Where each cut went; equal cuts in their first order.
    auto less = [](const Path& a, const Path& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](PlotPoint p, PlotPoint q) {
            return p.x != q.x ? p.x < q.x : p.y < q.y;
        });
    };
    std::map<Path, std::deque<int>, decltype(less)> index(less);
    for (std::size_t i = 0; i < cuts.size(); ++i) index[cuts[i]].push_back(static_cast<int>(i));
    std::vector<int> position(cuts.size(), -1);
    EXPECT_EQ(after.size(), cuts.size());
    for (std::size_t k = 0; k < after.size(); ++k) {
        auto found = index.find(after[k]);
        if (found == index.end() || found->second.empty()) {
            ADD_FAILURE() << "a cut came out changed or twice: position " << k;
            return travel;
        }
        position[found->second.front()] = static_cast<int>(k);
        found->second.pop_front();
    }
    int wrong = 0;
    for (const auto& [inner, outline] : pairs) {
        if (position[inner] > position[outline] && ++wrong <= 5)
            ADD_FAILURE() << "cut " << inner << " lies inside cut " << outline << " but comes after it";
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_DOUBLE_EQ(travel.after, penUpTravel(job));
    return travel;
}

Path closedPath(std::vector<PlotPoint> corners) {
    corners.push_back(corners.front());
    return corners;
}

Path square(int x, int y, int size) { return closedPath({{x, y}, {x + size, y}, {x + size, y + size}, {x, y + size}}); }

std::string hpglOf(const Path& p) {
    std::string text = "PU" + std::to_string(p[0].x) + "," + std::to_string(p[0].y) + ";PD";
    for (std::size_t k = 1; k < p.size(); ++k)
        text += (k > 1 ? "," : "") + std::to_string(p[k].x) + "," + std::to_string(p[k].y);
    return text + ";";
}

// ---- hand-made layouts -------------------------------------------------------

struct NestCase {
    const char* name;
    std::vector<Path> cuts;
    std::set<std::pair<int, int>> inside;  // (inner, outline), every such pair, worked out by hand
};

void PrintTo(const NestCase& c, std::ostream* os) { *os << c.name; }

class Nested : public ::testing::TestWithParam<NestCase> {};

TEST_P(Nested, FindsExactlyThePairsByHandAndCutsEachInnerFirst) {
    EXPECT_EQ(nestedPairs(GetParam().cuts), GetParam().inside);
    expectOrdered(GetParam().cuts, GetParam().inside);
}

// A U open at the top: the notch is x 1000..2000, y 1000..2000.
const Path kU = closedPath({{0, 0}, {3000, 0}, {3000, 2000}, {2000, 2000}, {2000, 1000}, {1000, 1000}, {1000, 2000}, {0, 2000}});
// A comb of `teeth` slanting teeth 10 wide and 10 apart on a bar 100 high.
Path comb(int teeth) {
    std::vector<PlotPoint> c;
    for (int t = 0; t < teeth; ++t)
        c.insert(c.end(), {{20 * t, 0}, {20 * t + 1000, 1000}, {20 * t + 1010, 1000}, {20 * t + 10, 0}});
    c.insert(c.end(), {{20 * teeth - 10, -100}, {0, -100}});
    return closedPath(c);
}
// A bow tie crossing itself at (1000, 500); its hull is 0..2000 x 0..1000.
const Path kBowTie = {{0, 0}, {2000, 1000}, {2000, 0}, {0, 1000}, {0, 0}};

INSTANTIATE_TEST_SUITE_P(
    Layouts, Nested,
    ::testing::Values(
        // Two squares crossing each other, a hole inside both: before both.
        NestCase{"CrossingOutlinesShareAHole",
                 {{{500, -500}, {500, 500}, {1500, 500}, {1500, -500}, {500, -500}},
                  square(0, 0, 1000),
                  {{600, 100}, {600, 200}, {700, 200}, {700, 100}, {600, 100}}},
                 {{2, 0}, {2, 1}}},
        NestCase{"CrossingOutlinesHoldNeither", {square(0, 0, 1000), square(500, 500, 1000)}, {}},
        // Four deep with a second hole in the second, listed outer first.
        NestCase{"HolesInHoles",
                 {square(0, 0, 8000), square(1000, 1000, 6000), square(2000, 2000, 2000), square(2500, 2500, 500),
                  square(5000, 5000, 1000)},
                 {{1, 0}, {2, 0}, {3, 0}, {4, 0}, {2, 1}, {3, 1}, {4, 1}, {3, 2}}},
        // The same square from (0,0) counter-clockwise, from (1000,1000)
        // clockwise, and from (1000,0) with points along two edges: one
        // patch, the earlier copy inside the later; the hole before all.
        NestCase{"SameOutlineThreeWays",
                 {square(0, 0, 1000),
                  square(400, 400, 100),
                  {{1000, 1000}, {1000, 0}, {0, 0}, {0, 1000}, {1000, 1000}},
                  {{1000, 0}, {1000, 600}, {1000, 1000}, {0, 1000}, {0, 0}, {500, 0}, {1000, 0}}},
                 {{1, 0}, {1, 2}, {1, 3}, {0, 2}, {0, 3}, {2, 3}}},
        // Inside, on an edge and in a corner: inside. Outside, on an edge or
        // a corner: not.
        NestCase{"TouchingOutlines",
                 {square(0, 0, 1000), closedPath({{0, 200}, {300, 200}, {300, 400}, {0, 400}}), square(700, 700, 300),
                  square(1000, 0, 500), square(1000, 1000, 200)},
                 {{1, 0}, {2, 0}}},
        // Across the U's notch (crossing it; or every corner on the U, one
        // edge through the notch): not inside. Below the notch, touching its
        // floor: inside, the triangle also inside the bar.
        NestCase{"ConcaveOutline",
                 {kU, closedPath({{500, 1500}, {2500, 1500}, {2500, 1900}, {500, 1900}}),
                  {{1000, 1000}, {2000, 2000}, {2000, 1000}, {1000, 1000}},
                  {{1000, 1000}, {2000, 1000}, {1500, 500}, {1000, 1000}},
                  closedPath({{500, 500}, {2500, 500}, {2500, 1000}, {500, 1000}})},
                 {{3, 0}, {4, 0}, {3, 4}}},
        // A cut crossing itself holds its hull, in the loops or not, and lies
        // inside what holds its hull.
        NestCase{"CrossingItself",
                 {kBowTie, square(200, 400, 100), square(900, 100, 200), square(1900, 400, 200),
                  square(-100, -100, 2200)},
                 {{1, 0}, {2, 0}, {0, 4}, {1, 4}, {2, 4}, {3, 4}}},
        // Out and back along a line, and a plunge closed on itself: inside,
        // holding nothing. An open stroke: neither.
        NestCase{"EnclosingNothing",
                 {square(0, 0, 1000), {{100, 100}, {600, 100}, {100, 100}}, {{500, 500}, {500, 500}, {500, 500}},
                  {{200, 200}, {300, 300}}, {{700, 700}, {800, 700}, {800, 800}}},
                 {{1, 0}, {2, 0}}},
        // Between two teeth of a comb: outside it, unless the comb has so
        // many teeth across each other's span that it is not checked for
        // crossings (200 teeth, about 100 edges over each point of the
        // bar) and counts as its hull.
        NestCase{"BetweenTeeth", {comb(3), square(513, 500, 2)}, {}},
        NestCase{"BetweenTeethOfAnIntricateComb", {comb(200), square(513, 500, 2)}, {{1, 0}}},
        // Differences beyond 2^31: a triangle whose long edge passes at a
        // distance of 1 / 5,700,000,000 unit from two points (twice the
        // area they span with it is 1), one inside, one outside; a large
        // square inside, and one a unit past the right edge.
        NestCase{"FullRange",
                 {{{-2048174565, -1901611584}, {2062113551, -1901611584}, {2062113551, 2027252777}, {-2048174565, -1901611584}},
                  {{-172620156, -108842156}, {-172620156, -108842156}, {-172620156, -108842156}},
                  {{186559142, 234483349}, {186559142, 234483349}, {186559142, 234483349}},
                  square(1000000000, -1800000000, 900000000),
                  square(2062113000, 0, 552)},
                 {{1, 0}, {3, 0}}}),
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
    // after SP2 the far one comes first, nearer to where the knife is. The
    // hole before SP2 has its outline after it: no cut crosses SP2.
    CutJob job = walkText("PU9000,0;PD9000,10;" + hpglOf(square(100, 100, 10)) + "SP2;" + hpglOf(square(0, 0, 500)) +
                          "PU10,0;PD10,10;PU8000,0;PD8000,10;PU0,0;");
    orderCuts(job);
    std::string kinds;
    for (const JobStep& step : job.steps)
        kinds += step.kind == JobStep::Kind::Cut ? 'C' : step.kind == JobStep::Kind::Kept ? 'K' : 'M';
    EXPECT_EQ(kinds, "CCKCCCM");
    const auto cuts = cutsOf(job);
    EXPECT_EQ(cuts[0].front().x, 100);
    EXPECT_EQ(cuts[1].front().x, 9000);
    EXPECT_EQ(cuts[2].front().x, 8000);
    EXPECT_EQ(cuts[3].front().x, 10);
    EXPECT_EQ(cuts[4].front().x, 0);
    EXPECT_EQ(job.steps.back().to, (PlotPoint{}));
}

// ---- generated layouts against brute force -----------------------------------

long long turnOf(PlotPoint o, PlotPoint a, PlotPoint b) {
    return (static_cast<long long>(a.x) - o.x) * (static_cast<long long>(b.y) - o.y) -
           (static_cast<long long>(a.y) - o.y) * (static_cast<long long>(b.x) - o.x);
}

bool strictlyConvex(const Path& p) {
    const std::size_t n = p.size() - 1;
    for (std::size_t k = 0; k < n; ++k)
        if (turnOf(p[k], p[(k + 1) % n], p[(k + 2) % n]) * turnOf(p[0], p[1], p[2]) <= 0) return false;
    return true;
}

// A convex outline holds a cut exactly when it holds each of its corners.
bool insideConvex(const Path& inner, const Path& outer) {
    const long long direction = turnOf(outer[0], outer[1], outer[2]) > 0 ? 1 : -1;
    for (PlotPoint p : inner)
        for (std::size_t k = 0; k + 1 < outer.size(); ++k)
            if (turnOf(outer[k], outer[k + 1], p) * direction < 0) return false;
    return true;
}

// Lattice outlines (corners on multiples of kStep, edges along the axes) are
// unions of lattice cells; one holds another exactly when it holds each of
// its cells. A cell's centre is never on an edge: count the vertical edges
// to its right.
constexpr int kStep = 10;
bool holdsCell(const Path& p, int x, int y) {
    const long long cx = 2LL * x + kStep, cy = 2LL * y + kStep;  // doubled
    bool in = false;
    for (std::size_t k = 0; k + 1 < p.size(); ++k) {
        const PlotPoint a = p[k], b = p[k + 1];
        if (a.x == b.x && 2LL * a.x > cx && 2LL * std::min(a.y, b.y) < cy && 2LL * std::max(a.y, b.y) > cy) in = !in;
    }
    return in;
}
bool insideLattice(const Path& inner, const Path& outer) {
    int x0 = INT32_MAX, y0 = INT32_MAX, x1 = INT32_MIN, y1 = INT32_MIN;
    for (PlotPoint q : inner) x0 = std::min(x0, q.x), y0 = std::min(y0, q.y), x1 = std::max(x1, q.x), y1 = std::max(y1, q.y);
    for (int x = x0; x < x1; x += kStep)
        for (int y = y0; y < y1; y += kStep)
            if (holdsCell(inner, x, y) && !holdsCell(outer, x, y)) return false;
    return true;
}

// The pairs the order must keep: every closed cut inside another, the
// earlier of two that hold each other (the same patch) inside the later.
template <typename Inside>
std::set<std::pair<int, int>> bruteForcePairs(const std::vector<Path>& cuts, Inside inside) {
    struct Bounds {
        int x0 = INT32_MAX, y0 = INT32_MAX, x1 = INT32_MIN, y1 = INT32_MIN;
    };
    std::vector<Bounds> bounds(cuts.size());
    for (std::size_t i = 0; i < cuts.size(); ++i)
        for (PlotPoint q : cuts[i]) {
            Bounds& b = bounds[i];
            b.x0 = std::min(b.x0, q.x), b.y0 = std::min(b.y0, q.y), b.x1 = std::max(b.x1, q.x), b.y1 = std::max(b.y1, q.y);
        }
    auto closed = [&](std::size_t i) { return cuts[i].size() >= 4 && cuts[i].front() == cuts[i].back(); };
    std::set<std::pair<int, int>> pairs;
    for (std::size_t i = 0; i < cuts.size(); ++i)
        for (std::size_t o = 0; o < cuts.size(); ++o) {
            const Bounds &a = bounds[i], &b = bounds[o];
            if (i == o || !closed(i) || !closed(o) || a.x0 < b.x0 || a.y0 < b.y0 || a.x1 > b.x1 || a.y1 > b.y1) continue;
            if (!inside(cuts[i], cuts[o])) continue;
            const bool same = a.x0 == b.x0 && a.y0 == b.y0 && a.x1 == b.x1 && a.y1 == b.y1 && inside(cuts[o], cuts[i]);
            if (!same || i < o) pairs.emplace(static_cast<int>(i), static_cast<int>(o));
        }
    return pairs;
}

// The corners from a random one, either way round, closed.
Path startAnywhere(std::vector<PlotPoint> corners, std::mt19937& random) {
    std::rotate(corners.begin(), corners.begin() + static_cast<std::ptrdiff_t>(random() % corners.size()), corners.end());
    if (random() % 2) std::reverse(corners.begin(), corners.end());
    return closedPath(corners);
}

// Groups of up to four nested squares, diamonds and circles (24 corners)
// at random places on a sheet, overlapping other groups, some outlines cut
// twice, some holes in a corner of their square, and open strokes; in a
// scrambled order.
std::vector<Path> convexJob(unsigned seed, int groups) {
    std::mt19937 random(seed);
    std::vector<Path> cuts;
    auto shape = [&](int kind, int cx, int cy, int r) {
        std::vector<PlotPoint> c;
        if (kind == 0) c = {{cx - r, cy - r}, {cx + r, cy - r}, {cx + r, cy + r}, {cx - r, cy + r}};
        if (kind == 1) c = {{cx, cy - r}, {cx + r, cy}, {cx, cy + r}, {cx - r, cy}};
        if (kind == 2)
            for (int k = 0; k < 24; ++k)
                c.push_back({cx + static_cast<int>(std::lround(r * std::cos(k * std::numbers::pi / 12))),
                             cy + static_cast<int>(std::lround(r * std::sin(k * std::numbers::pi / 12)))});
        return c;
    };
    for (int g = 0; g < groups; ++g) {
        const int cx = static_cast<int>(random() % 60000), cy = static_cast<int>(random() % 60000);
        int r = 400 + static_cast<int>(random() % 1600);
        const int depth = 1 + static_cast<int>(random() % 4);
        for (int d = 0; d < depth && r >= 20; ++d) {
            int kind = static_cast<int>(random() % 3);
            if (kind == 2 && r < 300) kind = 0;  // a small circle rounds to a shape that is not convex
            const int x = cx + static_cast<int>(random() % 41) - 20, y = cy + static_cast<int>(random() % 41) - 20;
            const std::vector<PlotPoint> corners = shape(kind, x, y, r);
            cuts.push_back(startAnywhere(corners, random));
            if (random() % 10 == 0) cuts.push_back(startAnywhere(corners, random));
            if (kind == 0 && random() % 6 == 0) cuts.push_back(startAnywhere(shape(0, x - r / 2, y - r / 2, r / 2), random));
            r = r * (40 + static_cast<int>(random() % 40)) / 100;
        }
        if (random() % 2) {
            const PlotPoint a{cx + static_cast<int>(random() % 400), cy};
            cuts.push_back({a, {a.x + 300, a.y + 200}});
        }
    }
    std::shuffle(cuts.begin(), cuts.end(), random);
    for (const Path& p : cuts) {
        if (p.size() > 2) {
            EXPECT_TRUE(strictlyConvex(p));  // the brute force relies on it
        }
    }
    return cuts;
}

// Rectangles, L, U and T shapes on a lattice of 10 units, nested in groups
// and overlapping other groups, with edges shared now and then.
std::vector<Path> latticeJob(unsigned seed, int groups) {
    std::mt19937 random(seed);
    std::vector<Path> cuts;
    auto cells = [&](int n) { return kStep * (1 + static_cast<int>(random() % n)); };
    for (int g = 0; g < groups; ++g) {
        int x0 = kStep * static_cast<int>(random() % 400), y0 = kStep * static_cast<int>(random() % 400);
        int w = cells(30) + 6 * kStep, h = cells(30) + 6 * kStep;
        const int depth = 1 + static_cast<int>(random() % 3);
        for (int d = 0; d < depth && w >= 3 * kStep && h >= 3 * kStep; ++d) {
            const int x1 = x0 + w, y1 = y0 + h;
            // A bite out of the top: a third of the width at most, from the
            // left (L), the middle (U) or both sides (T).
            const int bite = kStep * (1 + static_cast<int>(random() % (w / kStep / 3)));
            const int deep = kStep * (1 + static_cast<int>(random() % (h / kStep / 2)));
            std::vector<PlotPoint> c;
            switch (random() % 4) {
                case 0: c = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}; break;
                case 1: c = {{x0, y0}, {x1, y0}, {x1, y1}, {x0 + bite, y1}, {x0 + bite, y1 - deep}, {x0, y1 - deep}}; break;
                case 2: {
                    const int m = x0 + (w - bite) / kStep / 2 * kStep;
                    c = {{x0, y0}, {x1, y0}, {x1, y1}, {m + bite, y1}, {m + bite, y1 - deep}, {m, y1 - deep}, {m, y1}, {x0, y1}};
                    break;
                }
                default:
                    c = {{x0, y0}, {x1, y0}, {x1, y1 - deep}, {x1 - bite, y1 - deep}, {x1 - bite, y1},
                         {x0 + bite, y1}, {x0 + bite, y1 - deep}, {x0, y1 - deep}};
            }
            cuts.push_back(startAnywhere(c, random));
            if (random() % 12 == 0) cuts.push_back(startAnywhere(c, random));
            // The next one inside the lower half, on the bottom edge now and then.
            const int nw = w - cells(w / kStep / 2), nh = (h - deep) * (30 + static_cast<int>(random() % 60)) / 100 / kStep * kStep;
            x0 += (w - nw) / kStep / 2 * kStep;
            if (random() % 3) y0 += kStep * (1 + static_cast<int>(random() % 2));
            w = nw;
            h = std::min(nh, y1 - deep - y0 - kStep);
        }
    }
    std::shuffle(cuts.begin(), cuts.end(), random);
    return cuts;
}

struct Generated {
    const char* name;
    bool lattice;
    unsigned seed;
    int groups;
};

void PrintTo(const Generated& g, std::ostream* os) { *os << g.name; }

class GeneratedLayout : public ::testing::TestWithParam<Generated> {};

TEST_P(GeneratedLayout, NestingAndOrderAgreeWithBruteForce) {
    const Generated& g = GetParam();
    const std::vector<Path> cuts = g.lattice ? latticeJob(g.seed, g.groups) : convexJob(g.seed, g.groups);
    const auto pairs = g.lattice ? bruteForcePairs(cuts, insideLattice) : bruteForcePairs(cuts, insideConvex);
    ASSERT_GT(pairs.size(), cuts.size() / 3);  // a layout with something to keep in order
    const auto found = nestedPairs(cuts);
    std::vector<std::pair<int, int>> missing, extra;
    std::set_difference(pairs.begin(), pairs.end(), found.begin(), found.end(), std::back_inserter(missing));
    std::set_difference(found.begin(), found.end(), pairs.begin(), pairs.end(), std::back_inserter(extra));
    EXPECT_TRUE(missing.empty()) << missing.size() << " pairs missing, the first " << missing[0].first << " in "
                                 << missing[0].second;
    EXPECT_TRUE(extra.empty()) << extra.size() << " pairs too many, the first " << extra[0].first << " in "
                               << extra[0].second;
    const OrderTravel travel = expectOrdered(cuts, pairs);
    EXPECT_LT(travel.after, travel.before / 5);
}

INSTANTIATE_TEST_SUITE_P(Seeds, GeneratedLayout,
                         ::testing::Values(Generated{"Convex1", false, 1, 600}, Generated{"Convex2", false, 2, 600},
                                           Generated{"Convex3", false, 3, 900}, Generated{"Lattice1", true, 1, 700},
                                           Generated{"Lattice2", true, 2, 700}, Generated{"Lattice3", true, 3, 1000}),
                         [](const auto& p) { return p.param.name; });

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
    std::vector<Path> cuts;
    std::set<std::pair<int, int>> holes;
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        cuts.push_back(shapes[i].points);
        if (shapes[i].outline >= 0) holes.emplace(static_cast<int>(i), shapes[i].outline);
    }
    // The outlines found are the generated ones.
    EXPECT_EQ(nestedPairs(cuts), holes);

    const OrderTravel ours = expectOrdered(cuts, holes);
    const double nearest = tour(shapes, referenceNearestNext(shapes));
    const double twoOpt = tour(shapes, referenceTwoOpt(shapes, referenceNearestNext(shapes)));
    EXPECT_LE(ours.after, 1.2 * std::min(nearest, twoOpt)) << nearest << " " << twoOpt;
    EXPECT_LT(ours.after, ours.before);
}

}  // namespace
}  // namespace kerfline
