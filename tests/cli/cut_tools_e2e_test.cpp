// The cutting tools of edit run as a user runs them: what they print, what
// they save, and bad values refused before anything is touched.
#include <gtest/gtest.h>

#include <regex>

#include "runner.h"
#include "support.h"

namespace kerfline::clitest {
namespace {

namespace fs = std::filesystem;

// An outline listed before its hole, then a stroke far away.
constexpr std::string_view kLetter =
    "IN;SP1;PU0,0;PD400,0,400,600,0,600,0,0;PU100,100;PD100,300,300,300,300,100,100,100;"
    "PU4000,0;PD4000,400;PU0,0;";

TEST(CuttingTools, OrderCutsTheHoleFirstAndReportsTheTravel) {
    ScratchDir dir;
    writeBytes(dir / "in.plt", kLetter);
    const CliRun run = runCli({"edit", (dir / "in.plt").string(), "--order", "-o", (dir / "out.plt").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    // Before: to the outline 0, to the hole 141.4, to the stroke 3901.3,
    // home 4020.0 units. The hole must come before the outline; the stroke
    // first, then hole and outline, ends at home: 4000 + 3911.5 + 141.4.
    std::smatch m;
    ASSERT_TRUE(std::regex_match(run.err, m, std::regex("pen-up travel: ([0-9.]+) mm before, ([0-9.]+) mm after --order\n")))
        << run.err;
    EXPECT_EQ(m[1].str(), "201.6");
    EXPECT_EQ(m[2].str(), "201.3");
    EXPECT_EQ(readBytes(dir / "out.plt"),
              "IN;SP1;PU4000,0;PD4000,400;PU100,100;PD100,300,300,300,300,100,100,100;"
              "PU0,0;PD400,0,400,600,0,600,0,0;PU0,0;");
}

// Two squares crossing each other, listed before a hole that lies inside
// both: the hole goes first, then the squares. Before: 707.1 to the first
// square, 707.1 to the second, 608.3 to the hole; after: 608.3 to the hole,
// 608.3 to either square (their starts are as far), 707.1 to the other.
TEST(CuttingTools, OrderCutsAHoleBeforeBothOutlinesItLiesIn) {
    ScratchDir dir;
    writeBytes(dir / "in.plt",
               "IN;PU500,-500;PD500,500,1500,500,1500,-500,500,-500;PU0,0;PD1000,0,1000,1000,0,1000,0,0;"
               "PU600,100;PD600,200,700,200,700,100,600,100;");
    const CliRun run = runCli({"edit", (dir / "in.plt").string(), "--order", "-o", (dir / "out.plt").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "pen-up travel: 50.6 mm before, 48.1 mm after --order\n");
    const std::string out = readBytes(dir / "out.plt");
    const std::string hole = "IN;PU600,100;PD600,200,700,200,700,100,600,100;";
    ASSERT_EQ(out.substr(0, hole.size()), hole) << out;
    EXPECT_NE(out.find("PU500,-500;PD500,500,1500,500,1500,-500,500,-500;", hole.size()), std::string::npos) << out;
    EXPECT_NE(out.find("PU0,0;PD1000,0,1000,1000,0,1000,0,0;", hole.size()), std::string::npos) << out;
}

TEST(CuttingTools, AnEmptyDrawingIsSavedAsItIsWithANote) {
    ScratchDir dir;
    writeBytes(dir / "in.plt", "IN;SP1;PU100,100;");
    for (std::vector<std::string> tool : {std::vector<std::string>{"--order"}, {"--copies", "2x2"},
                                          {"--overcut", "1"}, {"--blade-offset", "0.5"}}) {
        std::vector<std::string> args{"edit", (dir / "in.plt").string()};
        args.insert(args.end(), tool.begin(), tool.end());
        const CliRun run = runCli(args);
        EXPECT_EQ(run.status, 0) << tool[0];
        EXPECT_EQ(run.out, "IN;SP1;PU100,100;") << tool[0];
        EXPECT_NE(run.err.find("nothing to cut"), std::string::npos) << tool[0] << ": " << run.err;
    }
}

// A line along X, then one up from a pen-up move. With a 0.5 mm knife (20
// units) the precut goes above the drawing, 60 units out, 60 up and 200 to
// the right, below being beyond 0; the blade then points along X, as it is
// taken to without the precut, and both cuts start with the knife down 20
// units along X from their start, the second swivelling a quarter round it.
TEST(CuttingTools, BladeOffsetWithAndWithoutPrecut) {
    ScratchDir dir;
    writeBytes(dir / "in.plt", "PU0,0;PD800,0;PU0,400;PD0,800;");
    const std::string cuts = "PU20,0;PD820,0;PU20,400;PD20,403,19,407,17,410,15,413,13,415,10,417,7,419,3,420,0,420,0,820;PU;";
    const CliRun with = runCli({"edit", (dir / "in.plt").string(), "--blade-offset", "0.5"});
    EXPECT_EQ(with.status, 0) << with.err;
    EXPECT_EQ(with.out, "PU0,860;PD0,920,200,920;" + cuts);
    const CliRun without = runCli({"edit", (dir / "in.plt").string(), "--no-precut", "--blade-offset", "0.5"});
    EXPECT_EQ(without.status, 0) << without.err;
    EXPECT_EQ(without.out, cuts);
}

class BadToolValue : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(BadToolValue, ExitsWithTwoNamingTheOptionAndTouchesNothing) {
    ScratchDir dir;
    writeBytes(dir / "in.plt", kLetter);
    std::vector<std::string> args{"edit", (dir / "in.plt").string()};
    args.insert(args.end(), GetParam().begin(), GetParam().end());
    args.insert(args.end(), {"-o", (dir / "out.plt").string()});
    const CliRun run = runCli(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("kerfline-cli: " + GetParam()[0]), std::string::npos) << run.err;
    EXPECT_EQ(dir.names(), (std::set<std::string>{"in.plt"}));
}

INSTANTIATE_TEST_SUITE_P(
    Values, BadToolValue,
    ::testing::Values(std::vector<std::string>{"--overcut", "0"}, std::vector<std::string>{"--overcut", "-2"},
                      std::vector<std::string>{"--overcut", "1e400"}, std::vector<std::string>{"--blade-offset", "nan"},
                      std::vector<std::string>{"--blade-offset", "99999999999999999999999"},
                      std::vector<std::string>{"--copies", "3x"}, std::vector<std::string>{"--copies", "0x2"},
                      std::vector<std::string>{"--weed-box", "0"}, std::vector<std::string>{"--weed-lines", "1e3"},
                      std::vector<std::string>{"--passes", "11"}, std::vector<std::string>{"--perforate", "2"},
                      std::vector<std::string>{"--pen", "0"}, std::vector<std::string>{"--pen", "1", "--pen", "1"},
                      std::vector<std::string>{"--copies", "5000x5000"}, std::vector<std::string>{"--no-precut"}));

// Copies too far apart for the plotter's coordinates: refused after reading.
TEST(CuttingTools, CopiesBeyondThePlottersReachAreRefused) {
    ScratchDir dir;
    writeBytes(dir / "in.plt", "PU0,0;PD2000000000,0;");
    const CliRun run = runCli({"edit", (dir / "in.plt").string(), "--copies", "2x1", "-o", (dir / "out.plt").string()});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("--copies"), std::string::npos) << run.err;
    EXPECT_EQ(dir.names(), (std::set<std::string>{"in.plt"}));
}

}  // namespace
}  // namespace kerfline::clitest
