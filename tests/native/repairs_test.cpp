// The repairs: the job each writes on hand-worked cases; check on the
// result of each, on built jobs and the shared corpus; and --merge and
// --weld against pictures of the job before and after.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "cutting/check/fault_finders.h"
#include "cutting/check/job_faults.h"
#include "cutting/check/repairs.h"
#include "shape_text.h"
#include "test_support.h"

namespace kerfline {
namespace {

using test::cutText;
using test::rectangle;

struct RepairCase {
    const char* name;
    std::string before;
    std::function<void(PlotDrawing&)> repair;
    std::string after;
};

// Failures name the case.
void PrintTo(const RepairCase& c, std::ostream* os) { *os << c.name; }

class Repair : public ::testing::TestWithParam<RepairCase> {};

TEST_P(Repair, WritesTheExpectedJob) {
    test::ReadResult r;
    test::readInto(r, GetParam().before);
    GetParam().repair(r.drawing);
    EXPECT_EQ(test::written(r.drawing), GetParam().after);
}

auto merge(double mm) {
    return [mm](PlotDrawing& d) { mergeDrawing(d, mm); };
}
auto closeWithin(double mm) {
    return [mm](PlotDrawing& d) { closeDrawing(d, mm); };
}
auto simplify(double mm) {
    return [mm](PlotDrawing& d) { simplifyDrawing(d, mm); };
}
void dropDots(PlotDrawing& d) { dropDotsDrawing(d); }
void weld(PlotDrawing& d) { weldDrawing(d); }

const std::string kSquare = "PU0,0;PD800,0,800,800,0,800,0,0;";

INSTANTIATE_TEST_SUITE_P(
    Cases, Repair,
    ::testing::Values(
        // The copy goes with the move to it.
        RepairCase{"MergeLeavesOutTheCopy", "IN;SP1;" + kSquare + kSquare + "PU;", merge(0.05),
                   "IN;SP1;PU0,0;PD800,0,800,800,0,800,0,0;PU;"},
        // Four sides as four cuts, two of them the wrong way round.
        RepairCase{"MergeJoinsThePieces", "PU0,0;PD400,0;PU400,0;PD400,400;PU0,400;PD400,400;PU0,0;PD0,400;PU;",
                   merge(0.5), "PU0,0;PD400,0,400,400,0,400,0,0;PU;"},
        // Ends 0.3 mm apart: the gaps are cut, and the shape closed.
        RepairCase{"MergeBridgesGaps", "PU0,0;PD400,0,400,400;PU388,400;PD0,400,0,12;PU;", merge(0.5),
                   "PU0,0;PD400,0,400,400,388,400,0,400,0,12,0,0;PU;"},
        RepairCase{"MergeLeavesWiderGaps", "PU0,0;PD400,0,400,400;PU388,400;PD0,400,0,12;PU;", merge(0.2),
                   "PU0,0;PD400,0,400,400;PU388,400;PD0,400,0,12;PU;"},
        // An edge two squares share is cut once; the second square is cut
        // on from the shared edge's end round to its start.
        RepairCase{"MergeLiftsOverASharedEdge", "PU0,0;PD400,0,400,400,0,400,0,0;PU400,0;PD800,0,800,400,400,400,400,0;PU;",
                   merge(0.05), "PU0,0;PD400,0,400,400,0,400,0,0;PU400,0;PD800,0,800,400,400,400;PU;"},
        // Never across a kept instruction.
        RepairCase{"MergeKeepsPiecesApartAcrossASpeedChange", "PU0,0;PD400,0;PU;VS10;PU400,0;PD400,400;PU;", merge(0.5),
                   "PU0,0;PD400,0;PU;VS10;PU400,0;PD400,400;PU;"},
        RepairCase{"CloseSquareOpenByTwoTenths", "PU0,0;PD800,0,800,800,0,800,0,8;PU;", closeWithin(0.5),
                   "PU0,0;PD800,0,800,800,0,800,0,8,0,0;PU;"},
        RepairCase{"CloseLeavesWiderGaps", "PU0,0;PD800,0,800,800,0,800,0,8;PU;", closeWithin(0.1),
                   "PU0,0;PD800,0,800,800,0,800,0,8;PU;"},
        // A hook whose ends are near but whose length is under three times the gap.
        RepairCase{"CloseLeavesAHook", "PU0,0;PD6,0,6,10,0,10;PU;", closeWithin(0.5), "PU0,0;PD6,0,6,10,0,10;PU;"},
        // Ends with a line already cut between them.
        RepairCase{"CloseLeavesAGapCutAlready", "PU0,0;PD800,0,800,800,0,800,0,60;PU0,60;PD0,0;PU;", closeWithin(2),
                   "PU0,0;PD800,0,800,800,0,800,0,60;PU0,60;PD0,0;PU;"},
        // Points within 0.05 mm of the line go; first and last stay.
        RepairCase{"SimplifyStraightensALine", "PU0,0;PD100,1,200,0,300,-1,400,0;PU;", simplify(0.05),
                   "PU0,0;PD400,0;PU;"},
        RepairCase{"SimplifyKeepsCorners", "PU0,0;PD400,0,800,0,800,400,800,800,0,800,0,0;PU;", simplify(0.05),
                   "PU0,0;PD800,0,800,800,0,800,0,0;PU;"},
        // Each point of the zigzag lies 1.5 mm off the line between its
        // neighbours, further than 1 mm allows, though all lie within 0.75 mm
        // of the line from first to last.
        RepairCase{"SimplifyKeepsAZigzagItCannotStraighten",
                   "PU0,0;PD400,30,410,-30,420,30,1000,0;PU;", simplify(1.0),
                   "PU0,0;PD400,30,410,-30,420,30,1000,0;PU;"},
        RepairCase{"SimplifyDropsRepeatedPoints", "PU0,0;PD0,0,400,0,400,0;PU;", simplify(0.05), "PU0,0;PD400,0;PU;"},
        RepairCase{"DropDots", "IN;PU100,100;PD;PU;PU200,200;PD200,200;PU;PU200,0;PD300,0;PU;", dropDots,
                   "IN;PU200,0;PD300,0;PU;"},
        RepairCase{"WeldTwoSquares", "PU0,0;PD400,0,400,400,0,400,0,0;PU200,200;PD600,200,600,600,200,600,200,200;PU;", weld,
                   "PU0,0;PD400,0,400,200,600,200,600,600,200,600,200,400,0,400,0,0;PU;"},
        // The hole of the first shape is kept, cut before the outline.
        RepairCase{"WeldKeepsTheHole",
                   kSquare + "PU200,200;PD200,600,600,600,600,200,200,200;PU700,300;PD1000,300,1000,500,700,500,700,300;PU;",
                   weld,
                   "PU200,200;PD600,200,600,600,200,600,200,200;PU0,0;PD800,0,800,300,1000,300,1000,500,800,500,800,800,"
                   "0,800,0,0;PU;"},
        RepairCase{"WeldNotAcrossASpeedChange",
                   "PU0,0;PD400,0,400,400,0,400,0,0;PU;VS10;PU200,200;PD600,200,600,600,200,600,200,200;PU;", weld,
                   "PU0,0;PD400,0,400,400,0,400,0,0;PU;VS10;PU200,200;PD600,200,600,600,200,600,200,200;PU;"},
        RepairCase{"WeldLeavesShapesApart", kSquare + "PU1000,0;PD1400,0,1400,400,1000,400,1000,0;PU;", weld,
                   kSquare + "PU1000,0;PD1400,0,1400,400,1000,400,1000,0;PU;"}),
    [](const auto& p) { return std::string(p.param.name); });

// ---- check after each repair ---------------------------------------------------

JobFaults faultsOf(const CutJob& job) { return findFaults(job, FaultLimits{}); }

// Built jobs with every fault, and the shared corpus.
std::vector<std::pair<std::string, CutJob>> jobsToRepair() {
    std::vector<std::pair<std::string, CutJob>> jobs;
    const std::string star = cutText(test::regular(2000, 2000, 800, 3, 0.0)) +
                             cutText(test::regular(2000, 2000, 800, 3, 3.14159265358979 / 3.0)) +
                             cutText(test::regular(2000, 2000, 800, 3, 3.14159265358979 / 2.0));
    for (const auto& [name, text] : std::vector<std::pair<std::string, std::string>>{
             {"built",
              "IN;SP1;" + kSquare + kSquare + "PU0,2000;PD800,2000,800,2800,0,2800,0,2008;PU;" +
                  "PU2000,0;PD2400,0;PU2400,0;PD2400,400;PU2000,400;PD2400,400;PU2000,0;PD2000,388;PU3000,0;PD;PU;" +
                  cutText(rectangle(4000, 0, 4400, 400)) + cutText(rectangle(4200, 200, 4600, 600)) + star +
                  "PU5000,5000;PD5400,5400,5400,5000,5000,5400,5000,5000;PU;"}}) {
        jobs.emplace_back(name, test::walkText(text));
    }
    const auto dir = test::corpusDir();
    if (!dir.empty())
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            if (entry.path().extension() == ".md") continue;
            PlotDrawing drawing;
            FileInput in(entry.path().string().c_str());
            readDrawing(in, drawing);
            jobs.emplace_back(entry.path().filename().string(), walkCuts(drawing));
        }
    return jobs;
}

// Through the job's text and back, as it is saved.
CutJob saved(const CutJob& job) {
    PlotDrawing drawing;
    buildDrawing(job, drawing);
    return walkCuts(drawing);
}

TEST(CheckAfterRepair, FindsNoneOfTheFaultsRepaired) {
    for (const auto& [name, original] : jobsToRepair()) {
        for (const double mm : {0.05, 0.2, 0.5, 2.0}) {
            CutJob job = original;
            mergeJob(job, mm * kUnitsPerMm);
            const JobFaults faults = faultsOf(saved(job));
            EXPECT_TRUE(faults.doubled.empty()) << name << " --merge " << mm;
            for (const Finding& gap : faults.gap)
                EXPECT_GT(gap.size, mm * kUnitsPerMm) << name << " --merge " << mm << " at " << gap.at.x << "," << gap.at.y;
        }
        {
            // Shapes left open by up to 0.5 mm are closed: the gaps left
            // are between pieces.
            CutJob job = original;
            closeJob(job, 0.5 * kUnitsPerMm);
            const std::vector<CutRun> runs = cutRuns(saved(job));
            const SegmentIndex index(runs, 20.0);
            const LooseEnds loose = looseEnds(runs, index, 20.0);
            for (std::size_t r = 0; r < runs.size(); ++r)
                EXPECT_FALSE(meantToBeClosed(runs[r], 20.0) && loose.first[r] && loose.last[r] &&
                             !cutBetween(runs, index, runs[r].points.back(), runs[r].points.front(), runs[r].pen, 20.0))
                    << name << " --close run " << r;
        }
        {
            CutJob job = original;
            dropDotsJob(job);
            EXPECT_TRUE(faultsOf(saved(job)).dot.empty()) << name;
        }
        {
            // Every crossing left is one that no weld may touch: between
            // shapes on either side of a kept instruction.
            CutJob job = original;
            weldJob(job);
            const std::vector<CutRun> runs = cutRuns(saved(job));
            const SegmentIndex index(runs, 2.0);
            std::vector<bool> take = wholeCopies(runs, doubledStretches(runs, index, 2.0, 20.0));
            take.flip();
            for (const Crossing& c : findCrossings(runs, index, take))
                EXPECT_NE(runs[c.a].block, runs[c.b].block) << name << " --weld at " << c.at.x << "," << c.at.y;
        }
    }
}

// ---- pictures ------------------------------------------------------------------

struct PictureCase {
    const char* name;
    std::string before;
    // The length cut twice, in plotter units, from the job before.
    std::function<double(const CutJob&)> cutTwice;
};

// Failures name the case.
void PrintTo(const PictureCase& c, std::ostream* os) { *os << c.name; }

class MergePicture : public ::testing::TestWithParam<PictureCase> {};

TEST_P(MergePicture, CoversTheSamePixelsCuttingLess) {
    const CutJob before = test::walkText(GetParam().before);
    CutJob after = before;
    mergeJob(after, 0.05 * kUnitsPerMm);
    after = saved(after);
    const test::Pixels a = test::strokePixels(before), b = test::strokePixels(after);
    EXPECT_EQ(test::pixelsApart(a, b), 0u);
    EXPECT_EQ(test::pixelsApart(b, a), 0u);
    EXPECT_NEAR(test::knifeTravel(before) - test::knifeTravel(after), GetParam().cutTwice(before), 2.0);
}

auto units(double length) {
    return [length](const CutJob&) { return length; };
}
// Half the job: a copy of the first half.
double half(const CutJob& job) { return test::knifeTravel(job) / 2.0; }

INSTANTIATE_TEST_SUITE_P(
    Cases, MergePicture,
    ::testing::Values(
        PictureCase{"OutlineCutTwice", kSquare + kSquare, units(3200)},
        // The same 90 points, the second time backwards from a third of the way round.
        PictureCase{"CircleCutTwiceFromAnotherStart",
                    cutText(test::regular(2000, 2000, 800, 90)) +
                        cutText(test::reversed(test::regular(2000, 2000, 800, 90, 3.14159265358979323846 / 3.0))),
                    half},
        PictureCase{"SharedEdge", cutText(rectangle(0, 0, 400, 400)) + cutText(rectangle(400, 0, 800, 400)), units(400)},
        // A line cut three times, twice backwards.
        PictureCase{"LineThreeTimes", "PU0,0;PD4000,0;PU4000,0;PD0,0;PU4000,0;PD0,0;", units(8000)}),
    [](const auto& p) { return std::string(p.param.name); });

// The film the closed cuts of a job enclose in the square from (0, 0) to
// (2000, 2000), one flag per pixel: even-odd over the cuts of each group of
// `groups` consecutive cuts (a shape with its holes), any group's film
// counting.
std::vector<char> film(const CutJob& job, const std::vector<std::size_t>& groups) {
    std::vector<std::vector<PlotPoint>> rings;
    for (const JobStep& step : job.steps)
        if (step.kind == JobStep::Kind::Cut) rings.push_back(step.cut.points);
    constexpr long kSide = 1000;
    std::vector<char> pixels(kSide * kSide, 0);
    for (long row = 0; row < kSide; ++row)
        for (long column = 0; column < kSide; ++column) {
            const double x = (static_cast<double>(column) + 0.5) * test::kPixel;
            const double y = (static_cast<double>(row) + 0.5) * test::kPixel;
            std::size_t k = 0;
            bool inFilm = false;
            for (const std::size_t count : groups) {
                bool inside = false;
                for (std::size_t g = 0; g < count && k < rings.size(); ++g, ++k)
                    inside = inside != test::insideRing(rings[k], x, y);
                inFilm = inFilm || inside;
            }
            pixels[static_cast<std::size_t>(row * kSide + column)] = inFilm;
        }
    return pixels;
}

struct WeldPicture {
    const char* name;
    std::string before;
    std::vector<std::size_t> groups;  // the cuts of each shape before
    double fallsBy;  // the outlines inside the union, in plotter units
};

// Failures name the case.
void PrintTo(const WeldPicture& c, std::ostream* os) { *os << c.name; }

class WeldPictureTest : public ::testing::TestWithParam<WeldPicture> {};

TEST_P(WeldPictureTest, FilmIsTheSameUnderOneOutline) {
    const CutJob before = test::walkText(GetParam().before);
    CutJob welded = before;
    ASSERT_TRUE(weldJob(welded));
    const CutJob after = saved(welded);
    const std::vector<char> a = film(before, GetParam().groups);
    // After, all the cuts are one shape, even-odd.
    const std::vector<char> b = film(after, {after.cutCount()});
    // Pixels may differ only on an outline, to within a pixel.
    const test::Pixels outline = test::strokePixels(before);
    std::size_t differ = 0, filled = 0;
    for (long k = 0; k < static_cast<long>(a.size()); ++k) {
        filled += a[static_cast<std::size_t>(k)];
        if (a[static_cast<std::size_t>(k)] != b[static_cast<std::size_t>(k)])
            differ += test::pixelsApart({{k % 1000, k / 1000}}, outline);
    }
    EXPECT_EQ(differ, 0u);
    EXPECT_GT(filled, 10000u);
    EXPECT_NEAR(test::knifeTravel(before) - test::knifeTravel(after), GetParam().fallsBy, 2.0);
    EXPECT_TRUE(findFaults(after, FaultLimits{}).crossing.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WeldPictureTest,
    ::testing::Values(
        // Each square loses the 200 + 200 units inside the other.
        WeldPicture{"TwoSquares", cutText(rectangle(0, 0, 400, 400)) + cutText(rectangle(200, 200, 600, 600)), {1, 1}, 800},
        // A letter with a counter touching the next letter: the counter
        // stays; 100 + 200 + 100 of the second letter and 200 of the first's
        // edge lie inside.
        WeldPicture{"LetterWithCounter",
                    cutText(rectangle(0, 0, 800, 800)) + cutText(rectangle(200, 200, 600, 600)) +
                        cutText(rectangle(700, 300, 1000, 500)),
                    {2, 1},
                    600},
        // Two triangles in a six-pointed star: the middle third of each of
        // their six sides (800 x sqrt 3 long) lies inside the other.
        WeldPicture{"StarOfTriangles",
                    cutText(test::regular(1000, 1000, 800, 3, 0.0)) +
                        cutText(test::regular(1000, 1000, 800, 3, 3.14159265358979323846 / 3.0)),
                    {1, 1},
                    2 * 800 * std::sqrt(3.0)},
        // A bow tie crossing itself becomes its two triangles, as long.
        WeldPicture{"BowTie", "PU200,200;PD1000,1000,1000,200,200,1000,200,200;", {1}, 0}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace kerfline
