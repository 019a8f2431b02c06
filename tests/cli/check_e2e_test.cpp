// check and the repairs run as a user runs them: what check prints for jobs
// whose faults were made on purpose (places in mm from the drawing's
// lower-left corner, worked out by hand), its exit statuses, the JSON
// object, arguments refused; and check on what each repair of edit wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "runner.h"
#include "support.h"
#include "tests/native/shape_text.h"

namespace kerfline::clitest {
namespace {

using test::cutText;
using test::rectangle;

const std::string kSquare = "PU0,0;PD800,0,800,800,0,800,0,0;";  // 20 mm

// Two triangles of 20 mm radius in a six-pointed star.
const std::string kStar = cutText(test::regular(2000, 2000, 800, 3, 0.0)) +
                          cutText(test::regular(2000, 2000, 800, 3, 3.14159265358979323846 / 3.0));

// A ring of `wall` mm inside a circle of `outer` mm radius round (50, 50) mm.
std::string ring(double outer, double wall) {
    return cutText(test::regular(2000, 2000, outer * 40, 180)) +
           cutText(test::regular(2000, 2000, (outer - wall) * 40, 180));
}

std::string dots(int count) {
    std::string text = "PU0,0;PD4000,0;";
    for (int k = 1; k <= count; ++k) text += "PU" + std::to_string(400 * k) + ",400;PD;PU;";
    return text;
}

CliRun check(ScratchDir& dir, const std::string& job, std::vector<std::string> options = {}) {
    writeBytes(dir / "job.plt", job);
    std::vector<std::string> args{"check", (dir / "job.plt").string()};
    args.insert(args.end(), options.begin(), options.end());
    return runCli(args);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

struct CheckCase {
    const char* name;
    std::string job;
    std::vector<std::string> options;
    int status;
    // Every line of the output after the file's name, or, where a line is
    // a pattern (starting with '^'), a line matching it.
    std::vector<std::string> expected;
};

void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.name; }

class CheckOutput : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CheckOutput, ListsEachKindWithItsPlaces) {
    const CheckCase& c = GetParam();
    ScratchDir dir;
    const CliRun run = check(dir, c.job, c.options);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> got = lines(run.out);
    ASSERT_EQ(got.size(), c.expected.size() + 1) << run.out;
    EXPECT_EQ(got[0], "job.plt");
    for (std::size_t k = 0; k < c.expected.size(); ++k) {
        if (c.expected[k].front() == '^')
            EXPECT_TRUE(std::regex_match(got[k + 1], std::regex(c.expected[k]))) << got[k + 1];
        else
            EXPECT_EQ(got[k + 1], c.expected[k]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, CheckOutput,
    ::testing::Values(
        CheckCase{"Clean", "IN;SP1;" + kSquare + "PU;", {}, 0,
                  {"no faults", "1 cut, 1 closed, knife travel 80 mm, pen-up 0 mm"}},
        CheckCase{"OutlineExportedTwice", "IN;SP1;" + kSquare + kSquare + "PU;", {}, 3,
                  {"doubled: 1, 80 mm cut twice, at 0,0 (80 mm)", "2 cuts, 2 closed, knife travel 160 mm, pen-up 0 mm"}},
        // The last side stops 8 units (0.2 mm) short of the first corner.
        CheckCase{"SquareOpenByTwoTenths", "PU0,0;PD800,0,800,800,0,800,0,8;", {}, 3,
                  {"gap: 1, at 0,0.1 (0.2 mm apart)", "1 cut, 0 closed, knife travel 79.8 mm, pen-up 0 mm"}},
        // The same 100 mm right and 50 mm up: the same places.
        CheckCase{"PlacesFromTheLowerLeftCorner", "PU4000,2000;PD4800,2000,4800,2800,4000,2800,4000,2008;", {}, 3,
                  {"gap: 1, at 0,0.1 (0.2 mm apart)", "^1 cut, 0 closed, knife travel 79.8 mm, pen-up .*"}},
        CheckCase{"SevenDots", dots(7), {}, 3,
                  {"dot: 7, at 10,10; 20,10; 30,10; 40,10; 50,10 and 2 more", "^8 cuts, 0 closed, knife travel 100 mm, .*"}},
        CheckCase{"Splinter", "PU0,0;PD16,0;PU0,400;PD400,400;", {}, 3,
                  {"splinter: 1, at 0,0 (0.4 mm long)", "^2 cuts, 0 closed, knife travel 10.4 mm, .*"}},
        // The ring of 0.6 mm between two of 3 mm, 2 mm apart: 0.6 mm to
        // within a unit (0.025 mm), its circles' points being whole units.
        CheckCase{"ThinRing", ring(20, 3) + ring(15, 0.6) + ring(12.4, 3), {}, 3,
                  {"^thin: 1, at [0-9.]+,[0-9.]+ \\(0\\.(5[7-9]|6|6[0-3]) mm wide\\)", "^6 cuts, 6 closed, .*"}},
        CheckCase{"ThinRingHoldsHalfAMillimetre", ring(20, 3) + ring(15, 0.6) + ring(12.4, 3), {"--min-width", "0.5"}, 0,
                  {"no faults", "^6 cuts, 6 closed, .*"}},
        CheckCase{"StarOfTriangles", kStar, {}, 3, {"^crossing: 1, at [0-9.]+,[0-9.]+", "^2 cuts, 2 closed, .*"}},
        CheckCase{"BowTie", "PU0,0;PD400,400,400,0,0,400,0,0;", {}, 3,
                  {"crossing: 1, at 5,5", "^1 cut, 1 closed, .*"}},
        // 600 x 100 mm on a sheet 500 mm wide.
        CheckCase{"WiderThanItsMedia", cutText(rectangle(0, 0, 24000, 4000)), {"--media", "500x1000"}, 3,
                  {"outside: 1, at 600,0 (100 mm beyond)", "1 cut, 1 closed, knife travel 1400 mm, pen-up 0 mm"}},
        CheckCase{"WithinItsMedia", cutText(rectangle(0, 0, 24000, 4000)), {"--media", "600x100"}, 0,
                  {"no faults", "1 cut, 1 closed, knife travel 1400 mm, pen-up 0 mm"}}),
    [](const auto& p) { return std::string(p.param.name); });

// Every finding is in the JSON object, also beyond the five a line shows.
TEST(CheckJson, HasEveryFindingAndTheFigures) {
    ScratchDir dir;
    const std::string high = cutText(rectangle(0, 800, 800, 1600));
    const CliRun run = check(dir, dots(7) + high + high, {"--json", "--media", "1000x1000"});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;
    EXPECT_NE(run.out.find(R"("faults": 8, "cuts": 10, "closed_cuts": 2, "cut_mm": 260, )"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find(R"("doubled_mm": 80, "doubled": [{"x_mm": 0, "y_mm": 20, "length_mm": 80}])"),
              std::string::npos)
        << run.out;
    std::string dotList;
    for (int k = 1; k <= 7; ++k)
        dotList += std::string(k > 1 ? ", " : "") + R"({"x_mm": )" + std::to_string(10 * k) + R"(, "y_mm": 10})";
    EXPECT_NE(run.out.find(R"("dot": [)" + dotList + "]"), std::string::npos) << run.out;
    for (const char* empty : {R"("gap": [])", R"("splinter": [])", R"("thin": [])", R"("crossing": [])",
                              R"("outside": [])"})
        EXPECT_NE(run.out.find(empty), std::string::npos) << empty;
}

TEST(CheckJson, NamesOutsideOnlyWithAMedia) {
    ScratchDir dir;
    const CliRun run = check(dir, kSquare, {"--json"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find(R"("faults": 0)"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("outside"), std::string::npos) << run.out;
}

struct RefusedCase {
    std::vector<std::string> options;  // after "check FILE"
    std::string message;               // the start of the first line on standard error
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
    for (const std::string& o : c.options) *os << '[' << o << "] ";
}

class CheckRefuses : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(CheckRefuses, BadArgumentsBeforeReadingAnything) {
    ScratchDir dir;
    const CliRun run = check(dir, kSquare + kSquare, GetParam().options);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("kerfline-cli: " + GetParam().message, 0), 0u) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CheckRefuses,
    ::testing::Values(RefusedCase{{"--min-width"}, "--min-width needs a value"},
                      RefusedCase{{"--min-width", "0"}, "--min-width needs millimetres above 0, at most 100, not '0'"},
                      RefusedCase{{"--min-width", "101"}, "--min-width needs millimetres"},
                      RefusedCase{{"--min-width", "-1"}, "--min-width needs millimetres"},
                      RefusedCase{{"--min-width", "1mm"}, "--min-width needs millimetres"},
                      RefusedCase{{"--media", "500"}, "--media needs WIDTHxHEIGHT in millimetres"},
                      RefusedCase{{"--media", "500x0"}, "--media needs WIDTHxHEIGHT"},
                      RefusedCase{{"--media", "x500"}, "--media needs WIDTHxHEIGHT"},
                      RefusedCase{{"--media", "0.01x500"}, "--media needs WIDTHxHEIGHT"},
                      RefusedCase{{"--media", "1000001x10"}, "--media needs WIDTHxHEIGHT"},
                      RefusedCase{{"--merge", "0.5"}, "check takes no option '--merge'"},
                      RefusedCase{{"-o", "out.plt"}, "check takes no option '-o'"},
                      RefusedCase{{"--json", "--speed", "5"}, "check takes no option '--speed'"},
                      RefusedCase{{"other.plt"}, "more than one FILE"}));

TEST(CheckRefuses, NoFile) {
    const CliRun run = runCli({"check"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("kerfline-cli: missing FILE", 0), 0u) << run.err;
}

TEST(CheckFails, OnAFileItCannotRead) {
    ScratchDir dir;
    const CliRun missing = runCli({"check", (dir / "none.plt").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("Invalid File"), std::string::npos) << missing.err;
    const CliRun garbage = check(dir, std::string("PU0,0;PD\x01\x02", 10));
    EXPECT_EQ(garbage.status, 1);
    EXPECT_EQ(garbage.out, "");
}

// ---- the repairs -----------------------------------------------------------------

// The cut points of a job written by edit, each cut a list.
std::vector<std::vector<std::pair<double, double>>> cutsOf(const std::string& job) {
    std::vector<std::vector<std::pair<double, double>>> cuts;
    std::pair<double, double> pen{0, 0};
    const std::regex instruction(R"((PU|PD)([-0-9,]*);)");
    for (auto it = std::sregex_iterator(job.begin(), job.end(), instruction); it != std::sregex_iterator(); ++it) {
        std::vector<double> numbers;
        std::istringstream in((*it)[2].str());
        for (std::string n; std::getline(in, n, ',');) numbers.push_back(std::stod(n));
        if ((*it)[1] == "PD") {
            cuts.push_back({pen});
            for (std::size_t k = 0; k + 1 < numbers.size(); k += 2) cuts.back().emplace_back(numbers[k], numbers[k + 1]);
        }
        if (numbers.size() >= 2) pen = {numbers[numbers.size() - 2], numbers.back()};
    }
    return cuts;
}

struct RepairCase {
    const char* name;
    std::string job;
    std::vector<std::string> operations;
    std::string faultBefore;  // a kind check finds before
    double travelFallsBy;     // mm, worked out by hand
};

void PrintTo(const RepairCase& c, std::ostream* os) { *os << c.name; }

class RepairThenCheck : public ::testing::TestWithParam<RepairCase> {};

double knifeTravel(const std::string& checkOutput) {
    std::smatch m;
    EXPECT_TRUE(std::regex_search(checkOutput, m, std::regex("knife travel ([0-9.]+) mm"))) << checkOutput;
    return m.empty() ? -1.0 : std::stod(m[1].str());
}

TEST_P(RepairThenCheck, FindsNothingAfterTheRepair) {
    const RepairCase& c = GetParam();
    ScratchDir dir;
    const CliRun before = check(dir, c.job);
    EXPECT_EQ(before.status, 3);
    EXPECT_NE(before.out.find("\n" + c.faultBefore + ": "), std::string::npos) << before.out;

    std::vector<std::string> args{"edit", (dir / "job.plt").string()};
    args.insert(args.end(), c.operations.begin(), c.operations.end());
    args.insert(args.end(), {"-o", (dir / "repaired.plt").string()});
    const CliRun edit = runCli(args);
    ASSERT_EQ(edit.status, 0) << edit.err;
    const CliRun after = runCli({"check", (dir / "repaired.plt").string()});
    EXPECT_EQ(after.status, 0) << after.out;
    EXPECT_NE(after.out.find("\nno faults\n"), std::string::npos) << after.out;
    // Each travel is printed to 0.1 mm.
    EXPECT_NEAR(knifeTravel(before.out) - knifeTravel(after.out), c.travelFallsBy, 0.15) << after.out;
}

INSTANTIATE_TEST_SUITE_P(
    Operations, RepairThenCheck,
    ::testing::Values(
        RepairCase{"MergeTheOutlineExportedTwice", "IN;SP1;" + kSquare + kSquare + "PU;", {"--merge", "0.05"}, "doubled", 80},
        // Two 10 mm squares side by side: their shared edge is cut once.
        RepairCase{"MergeASharedEdge", cutText(rectangle(0, 0, 400, 400)) + cutText(rectangle(400, 0, 800, 400)),
                   {"--merge", "0.05"}, "doubled", 10},
        // Four sides as four cuts, two the wrong way round: one closed cut.
        RepairCase{"MergeASquareInPieces", "PU0,0;PD400,0;PU400,0;PD400,400;PU0,400;PD400,400;PU0,0;PD0,400;PU;",
                   {"--merge", "0.5"}, "gap", 0},
        // The 0.2 mm gap is cut: 0.2 mm more.
        RepairCase{"CloseASquareOpenByTwoTenths", "PU0,0;PD800,0,800,800,0,800,0,8;", {"--close", "0.5"}, "gap", -0.2},
        RepairCase{"MergeASquareOpenByTwoTenths", "PU0,0;PD800,0,800,800,0,800,0,8;", {"--merge", "0.5"}, "gap", -0.2},
        RepairCase{"DropDots", dots(7), {"--drop-dots"}, "dot", 0},
        // Each triangle's sides are 20 x sqrt 3 mm long; the middle third
        // of each lies inside the other triangle.
        RepairCase{"WeldAStarOfTriangles", kStar, {"--weld"}, "crossing", 6 * 20 * std::sqrt(3.0) / 3},
        // All at once, in the order given: the dots dropped, the copy and
        // the square's bottom edge (along the dots' 100 mm line) left out,
        // the pieces joined.
        RepairCase{"SeveralInOrder",
                   "IN;SP1;" + kSquare + kSquare + dots(3) + "PU0,2000;PD400,2000;PU400,2000;PD400,2400;PU0,2400;PD400,2400;"
                       "PU0,2000;PD0,2400;PU;",
                   {"--drop-dots", "--merge", "0.5", "--weld"}, "doubled", 80 + 20}),
    [](const auto& p) { return std::string(p.param.name); });

// No point of the line is further from the simplified line than allowed,
// each measured here against the segments edit wrote; the corner stays.
TEST(Simplify, StaysWithinItsErrorOfTheLine) {
    // A wave of 0.5 mm over 100 mm with 400 points, then a corner.
    std::string job = "PU0,0;PD";
    std::vector<std::pair<double, double>> wave;
    for (int k = 0; k <= 400; ++k) wave.emplace_back(10.0 * k, std::lround(20.0 * std::sin(k / 20.0)));
    wave.emplace_back(4000, 2000);
    for (std::size_t k = 1; k < wave.size(); ++k)
        job += (k > 1 ? "," : "") + std::to_string(static_cast<long>(wave[k].first)) + "," +
               std::to_string(static_cast<long>(wave[k].second));
    job += ";PU;";
    ScratchDir dir;
    writeBytes(dir / "wave.plt", job);
    for (const double mm : {0.1, 0.5}) {
        const CliRun run = runCli({"edit", (dir / "wave.plt").string(), "--simplify", std::to_string(mm)});
        ASSERT_EQ(run.status, 0) << run.err;
        const auto cuts = cutsOf(run.out);
        ASSERT_EQ(cuts.size(), 1u) << run.out;
        const auto& line = cuts[0];
        EXPECT_LT(line.size(), wave.size() / 4) << mm;
        EXPECT_EQ(line.front(), wave.front());
        EXPECT_EQ(line.back(), wave.back());
        // The corner at the wave's end is a point of the line.
        EXPECT_NE(std::find(line.begin(), line.end(), wave[wave.size() - 2]), line.end()) << run.out;
        double worst = 0;
        for (const auto& [px, py] : wave) {
            double nearest = 1e300;
            for (std::size_t k = 0; k + 1 < line.size(); ++k) {
                const double ax = line[k].first, ay = line[k].second, bx = line[k + 1].first, by = line[k + 1].second;
                const double dx = bx - ax, dy = by - ay, l2 = dx * dx + dy * dy;
                const double t = l2 > 0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / l2, 0.0, 1.0) : 0.0;
                nearest = std::min(nearest, std::hypot(px - ax - t * dx, py - ay - t * dy));
            }
            worst = std::max(worst, nearest);
        }
        // Within the error, and half a unit for the whole units written.
        EXPECT_LE(worst, mm * 40 + 0.5) << mm;
        EXPECT_GT(worst, mm * 40 / 4) << mm;  // it did take the room it had
    }
}

}  // namespace
}  // namespace kerfline::clitest
