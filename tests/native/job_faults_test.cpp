// check's findings on jobs built fault by fault, each place and size known
// by construction (plotter units, 40 to the millimetre).
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "cutting/check/job_faults.h"
#include "shape_text.h"
#include "test_support.h"

namespace kerfline {
namespace {

using test::cutText;
using test::rectangle;

const std::vector<Finding>& findingsOf(const JobFaults& faults, const std::string& kind) {
    static const std::map<std::string, std::vector<Finding> JobFaults::*> kinds = {
        {"doubled", &JobFaults::doubled}, {"gap", &JobFaults::gap},           {"dot", &JobFaults::dot},
        {"splinter", &JobFaults::splinter}, {"thin", &JobFaults::thin},     {"crossing", &JobFaults::crossing},
        {"outside", &JobFaults::outside}};
    return faults.*kinds.at(kind);
}

// A finding expected at (x, y) with its size, each to within `within`.
struct Place {
    const char* kind;
    double x, y, size, within;
};

struct FaultCase {
    const char* name;
    std::string hpgl;
    std::map<std::string, std::size_t> counts;  // every kind not named: none
    std::vector<Place> places;
    double minWidthMm = 1.0;
    double mediaMm = 0.0;  // a square sheet of this side, 0 for none
};

// Failures name the case.
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

JobFaults faultsOf(const FaultCase& c) {
    FaultLimits limits;
    limits.minWidth = c.minWidthMm * kUnitsPerMm;
    limits.media = c.mediaMm > 0.0;
    limits.mediaWidth = limits.mediaHeight = c.mediaMm * kUnitsPerMm;
    return findFaults(test::walkText(c.hpgl), limits);
}

class Faults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(Faults, AreFoundWhereTheyWereMade) {
    const FaultCase& c = GetParam();
    const JobFaults faults = faultsOf(c);
    for (const char* kind : {"doubled", "gap", "dot", "splinter", "thin", "crossing", "outside"}) {
        const auto it = c.counts.find(kind);
        EXPECT_EQ(findingsOf(faults, kind).size(), it == c.counts.end() ? 0u : it->second) << kind;
    }
    for (const Place& place : c.places) {
        bool found = false;
        for (const Finding& f : findingsOf(faults, place.kind))
            found = found || (std::fabs(f.at.x - place.x) <= place.within && std::fabs(f.at.y - place.y) <= place.within &&
                              std::fabs(f.size - place.size) <= place.within);
        EXPECT_TRUE(found) << place.kind << " at " << place.x << "," << place.y << " size " << place.size;
    }
}

// A ring of `wall` mm between circles of 180 points round (2000, 2000).
std::string ring(double outerMm, double wallMm) {
    return cutText(test::regular(2000, 2000, outerMm * 40, 180)) +
           cutText(test::regular(2000, 2000, (outerMm - wallMm) * 40, 180));
}

const std::string kSquare = cutText(rectangle(0, 0, 800, 800));

INSTANTIATE_TEST_SUITE_P(
    Cases, Faults,
    ::testing::Values(
        // The same 20 mm outline exported twice: 80 mm cut twice, from its start.
        FaultCase{"OutlineCutTwice", "IN;SP1;" + kSquare + kSquare, {{"doubled", 1}}, {{"doubled", 0, 0, 3200, 1}}},
        // The copy the other way round, from the opposite corner.
        FaultCase{"OutlineCutTwiceBackwards",
                  "IN;SP1;" + kSquare + cutText({{800, 800}, {800, 0}, {0, 0}, {0, 800}, {800, 800}}),
                  {{"doubled", 1}},
                  {{"doubled", 800, 800, 3200, 1}}},
        // 0.05 mm beside it is still on it; 0.075 mm off both ways is
        // another line, and the two outlines cross. Moved only sideways,
        // its bottom and top edges still run on the square's.
        FaultCase{"CopyWithinReach", "IN;SP1;" + kSquare + cutText(rectangle(2, 0, 802, 800)), {{"doubled", 1}},
                  {{"doubled", 2, 0, 3200, 4}}},
        FaultCase{"CopyBeyondReach", "IN;SP1;" + kSquare + cutText(rectangle(3, 3, 803, 803)), {{"crossing", 1}}, {}},
        FaultCase{"CopyMovedSideways", "IN;SP1;" + kSquare + cutText(rectangle(3, 0, 803, 800)),
                  {{"doubled", 2}, {"crossing", 1}},
                  {{"doubled", 3, 0, 797, 0.01}, {"doubled", 800, 800, 797, 0.01}}},
        // Out and back along one line in one cut: all but the last 0.2 mm
        // (4 x the reach) before the turn, where a line bending is not cut
        // twice.
        FaultCase{"OutAndBack", "PU0,0;PD400,0,0,0;", {{"doubled", 1}}, {{"doubled", 392, 0, 392, 0.01}}},
        FaultCase{"LinesCrossing", "PU0,0;PD800,0;PU400,-400;PD400,400;", {}, {}},
        // Within 0.05 mm of each other for 0.3 mm only, at 20 degrees.
        FaultCase{"LinesCrossingAtTwentyDegrees", "PU0,0;PD800,0;PU0,-146;PD800,146;", {}, {}},
        // A fine circle bends by a few units per segment: never cut twice.
        FaultCase{"FineCircle", cutText(test::regular(2000, 2000, 400, 720)), {}, {}},
        FaultCase{"SquareOpenByTwoTenths", "PU0,0;PD800,0,800,800,0,800,0,8;", {{"gap", 1}}, {{"gap", 0, 4, 8, 0.01}}},
        FaultCase{"SquareInFourPieces", "PU0,0;PD800,0;PU800,0;PD800,800;PU0,800;PD800,800;PU0,0;PD0,800;",
                  {{"gap", 4}},
                  {{"gap", 0, 0, 0, 0.01}, {"gap", 800, 0, 0, 0.01}, {"gap", 800, 800, 0, 0.01}, {"gap", 0, 800, 0, 0.01}}},
        // Two halves 0.3 mm short of each other at both joins.
        FaultCase{"HalvesApart", "PU0,0;PD800,0,800,800;PU788,800;PD0,800,0,12;", {{"gap", 2}},
                  {{"gap", 794, 800, 12, 0.01}, {"gap", 0, 6, 12, 0.01}}},
        // A stroke that ends on another line, and one that ends near it.
        FaultCase{"TJunction", "PU0,0;PD800,0;PU400,0;PD400,400;", {}, {}},
        FaultCase{"NearlyTJunction", "PU0,0;PD800,0;PU400,10;PD400,400;", {}, {}},
        // Too short to be meant as a loop.
        FaultCase{"ShortStroke", "PU0,0;PD16,0;", {{"splinter", 1}}, {{"splinter", 0, 0, 16, 0.01}}},
        FaultCase{"Dots", "PU100,100;PD;PU;PU200,300;PD200,300;PU;PU0,0;PD800,0;", {{"dot", 2}},
                  {{"dot", 100, 100, 0, 0}, {"dot", 200, 300, 0, 0}}},
        // Cut pieces meet across a speed change: no gap between them.
        FaultCase{"PiecesAcrossASpeedChange", "PU0,0;PD400,0;PU;VS10;PU400,0;PD800,0;", {}, {}},
        // Three rings of 3, 0.6 and 3 mm walls with 2 mm between them.
        FaultCase{"ThinWall", ring(20, 3) + ring(15, 0.6) + ring(12.4, 3), {{"thin", 1}}, {}},
        FaultCase{"ThinWallAtHalfAMillimetre", ring(20, 3) + ring(15, 0.6) + ring(12.4, 3), {}, {}, 0.5},
        // A bar of 10 x 3 mm on a stem of 0.6 x 5 mm.
        FaultCase{"ThinStem",
                  cutText({{0, 200}, {188, 200}, {188, 0}, {212, 0}, {212, 200}, {400, 200}, {400, 320}, {0, 320}, {0, 200}}),
                  {{"thin", 1}},
                  {}},
        // A dot of film 0.8 mm across.
        FaultCase{"SmallIsland", cutText(test::regular(1000, 1000, 16, 64)), {{"thin", 1}}, {}},
        // Points of 36 degrees reach 1.1 mm beyond what holds 1 mm of film;
        // those of a six-pointed star (60 degrees) do not.
        FaultCase{"FivePointedStar", cutText(test::star(2000, 2000, 800, 306, 5)), {{"thin", 5}}, {}},
        FaultCase{"SixPointedStar", cutText(test::star(2000, 2000, 800, 462, 6)), {}, {}},
        FaultCase{"Square", kSquare, {}, {}},
        FaultCase{"OverlappingSquares", cutText(rectangle(0, 0, 400, 400)) + cutText(rectangle(200, 200, 600, 600)),
                  {{"crossing", 1}},
                  {}},
        FaultCase{"NestedSquares", cutText(rectangle(0, 0, 800, 800)) + cutText(rectangle(200, 200, 600, 600)), {}, {}},
        // Side by side on one edge: cut twice there, but no overlap.
        FaultCase{"SquaresSharingAnEdge", cutText(rectangle(0, 0, 400, 400)) + cutText(rectangle(400, 0, 800, 400)),
                  {{"doubled", 1}},
                  {{"doubled", 400, 400, 400, 1}}},
        // Overlapping with both upright edges on the same lines.
        FaultCase{"OverlapAlongEdges", cutText(rectangle(0, 0, 400, 400)) + cutText(rectangle(0, 200, 400, 600)),
                  {{"doubled", 2}, {"crossing", 1}},
                  {}},
        FaultCase{"BowTie", "PU0,0;PD400,400,400,0,0,400,0,0;", {{"crossing", 1}}, {{"crossing", 200, 200, 0, 0.01}}},
        // Each pen its own: neither cut twice nor crossing.
        FaultCase{"OtherPens", "SP1;" + kSquare + "SP2;" + kSquare + "SP3;" + cutText(rectangle(400, 400, 1200, 1200)),
                  {}, {}},
        // A 600 x 100 mm job on a 500 mm sheet, and a cut left of the origin.
        FaultCase{"WiderThanTheMedia", cutText(rectangle(0, 0, 24000, 4000)), {{"outside", 1}},
                  {{"outside", 24000, 0, 4000, 0}}, 1.0, 500},
        // 0.5 mm high but 100 km long: too large for the shape library's
        // whole numbers, so left unjudged (under the sanitizers, no overflow).
        FaultCase{"ThinButBeyondReach", cutText(rectangle(-2'000'000'000, 0, 2'000'000'000, 20)), {}, {}},
        FaultCase{"LeftOfTheOrigin", "PU-40,0;PD400,0;", {{"outside", 1}}, {{"outside", -40, 0, 40, 0}}, 1.0, 100}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Faults, TheThinWallIsFoundOnItAtItsWidth) {
    const JobFaults faults = faultsOf({"", ring(20, 3) + ring(15, 0.6) + ring(12.4, 3), {}, {}});
    ASSERT_EQ(faults.thin.size(), 1u);
    const double fromCentre = std::hypot(faults.thin[0].at.x - 2000, faults.thin[0].at.y - 2000);
    EXPECT_NEAR(fromCentre, 14.7 * kUnitsPerMm, 0.1 * kUnitsPerMm);
    // The circles' points are whole units: their distance is 0.6 mm to
    // within a unit.
    EXPECT_NEAR(faults.thin[0].size, 24.0, 1.0);
}

TEST(Faults, TheStemIsFoundOnItAtItsWidth) {
    const JobFaults faults = faultsOf(
        {"", cutText({{0, 200}, {188, 200}, {188, 0}, {212, 0}, {212, 200}, {400, 200}, {400, 320}, {0, 320}, {0, 200}}),
         {}, {}});
    ASSERT_EQ(faults.thin.size(), 1u);
    EXPECT_GE(faults.thin[0].at.x, 188);
    EXPECT_LE(faults.thin[0].at.x, 212);
    EXPECT_LT(faults.thin[0].at.y, 200);
    EXPECT_DOUBLE_EQ(faults.thin[0].size, 24.0);
}

TEST(Faults, TheSmallIslandIsAsWideAsItIs) {
    const JobFaults faults = faultsOf({"", cutText(test::regular(1000, 1000, 16, 64)), {}, {}});
    ASSERT_EQ(faults.thin.size(), 1u);
    // Its points rounded to whole units, the polygon is 31 units across at
    // its narrowest (the least over its sides of the farthest point from
    // the side); the width is taken between facing stretches, to a unit.
    EXPECT_NEAR(faults.thin[0].size, 31.0, 1.5);
    EXPECT_NEAR(faults.thin[0].at.x, 1000, 16);
    EXPECT_NEAR(faults.thin[0].at.y, 1000, 16);
}

// A pile of one shape cut many times is one shape cut twice over: found in
// one pass, not one comparison per pair.
TEST(Faults, APileOfCopiesIsOneStretchPerCopy) {
    std::string text;
    for (int k = 0; k < 2000; ++k) text += cutText(test::regular(1000, 1000, 400, 32));
    const JobFaults faults = faultsOf({"", text, {}, {}});
    EXPECT_EQ(faults.doubled.size(), 1999u);
    EXPECT_TRUE(faults.crossing.empty());
    EXPECT_TRUE(faults.thin.empty());
}

}  // namespace
}  // namespace kerfline
