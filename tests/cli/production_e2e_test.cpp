// The production operations of edit run as a user runs them: a job made
// ready for heat-transfer film, the order of --weed-box and --weed-lines,
// one pen at a time, and values refused before anything is touched.
#include <gtest/gtest.h>

#include <regex>

#include "runner.h"
#include "support.h"

namespace kerfline::clitest {
namespace {

// A letter with a counter, a stroke, parking at the end.
constexpr std::string_view kSign =
    "IN;SP1;PU0,0;PD800,0,800,1200,0,1200,0,0;PU200,200;PD200,1000,600,1000,600,200,200,200;"
    "PU1000,0;PD1000,1200;PU0,0;SP0;";

std::string edited(ScratchDir& dir, std::string_view input, std::vector<std::string> operations,
                   std::string* err = nullptr) {
    writeBytes(dir / "in.plt", input);
    std::vector<std::string> args{"edit", (dir / "in.plt").string()};
    args.insert(args.end(), operations.begin(), operations.end());
    const CliRun run = runCli(args);
    EXPECT_EQ(run.status, 0) << run.err;
    if (err) *err = run.err;
    return run.out;
}

double cutMm(ScratchDir& dir, std::string_view job) {
    writeBytes(dir / "measure.plt", job);
    const CliRun run = runCli({"info", (dir / "measure.plt").string(), "--json"});
    std::smatch m;
    EXPECT_TRUE(std::regex_search(run.out, m, std::regex(R"("cut_mm": ([0-9.]+))"))) << run.out;
    return m.empty() ? -1 : std::stod(m[1].str());
}

TEST(Production, HeatTransferFilmJob) {
    ScratchDir dir;
    std::string err;
    const std::string out = edited(dir, kSign, {"--mirror", "--weed-box", "5", "--weed-lines", "10", "--order"}, &err);
    // Mirrored about x = 500: the stroke stands at 0, the letter at 200..1000.
    EXPECT_NE(out.find("PD0,1200"), std::string::npos) << out;
    EXPECT_NE(out.find("PU-200,-200;PD-200,1400,1200,1400,1200,-200,-200,-200;"), std::string::npos) << out;
    EXPECT_TRUE(std::regex_search(err, std::regex("weed lines: [1-9][0-9]* pieces, [0-9.]+ mm\n"))) << err;
    EXPECT_NE(err.find("after --order"), std::string::npos) << err;
    EXPECT_EQ(out.substr(out.size() - 10), "PU0,0;SP0;") << out;
}

TEST(Production, WeedBoxAndLinesMakeTheSameWhicheverComesFirst) {
    ScratchDir dir;
    const std::string boxFirst = edited(dir, kSign, {"--weed-box", "5", "--weed-lines", "10"});
    EXPECT_EQ(edited(dir, kSign, {"--weed-lines", "10", "--weed-box", "5"}), boxFirst);
    // Made where the first stands: a mirror between them comes after both.
    EXPECT_EQ(edited(dir, kSign, {"--weed-box", "5", "--mirror", "--weed-lines", "10"}),
              edited(dir, kSign, {"--weed-box", "5", "--weed-lines", "10", "--mirror"}));
    // Without the box the lines end 5 mm outside the drawing, not at a box.
    const std::string alone = edited(dir, kSign, {"--weed-lines", "10"});
    EXPECT_NE(alone, boxFirst);
    EXPECT_EQ(alone.find("PD-200,1400"), std::string::npos) << alone;
}

TEST(Production, EachPenInTurnAddsUpToTheWhole) {
    ScratchDir dir;
    const std::string job =
        "IN;SP1;PU0,0;PD1000,0;SP2;PU0,100;PD0,1100;SP3;PU2000,0;PD2000,400;SP1;PU0,2000;PD400,2000;PU0,0;SP0;";
    const double whole = cutMm(dir, job);
    EXPECT_DOUBLE_EQ(whole, 70);  // 25 + 25 + 10 + 10 mm
    double sum = 0;
    for (const char* pen : {"1", "2", "3"}) {
        const std::string one = edited(dir, job, {"--pen", pen});
        EXPECT_EQ(one.find("SP" + std::string(pen == std::string("1") ? "2" : "1") + ";"), std::string::npos) << one;
        sum += cutMm(dir, one);
    }
    EXPECT_DOUBLE_EQ(sum, whole);
    std::string err;
    edited(dir, job, {"--pen", "4"}, &err);
    EXPECT_EQ(err, "--pen 4: no cut is made with pen 4\n");
}

TEST(Production, PassesAndPerforationLengths) {
    ScratchDir dir;
    // 25 mm open and a 20 mm square: three passes cut 3 x 105 mm.
    const std::string job = "PU0,0;PD1000,0;PU0,400;PD800,400,800,1200,0,1200,0,400;";
    EXPECT_DOUBLE_EQ(cutMm(dir, job), 105);
    EXPECT_NEAR(cutMm(dir, edited(dir, job, {"--passes", "3"})), 315, 0.001);
    // 2 mm dashes 1 mm apart: the line 9 dashes of 25 / 26 x 2 mm, the
    // square 27 of 80 / 81 x 2 mm; to the dashes' rounded ends.
    EXPECT_NEAR(cutMm(dir, edited(dir, job, {"--perforate", "2,1"})), 9 * 50.0 / 26 + 27 * 160.0 / 81, 0.5);
}

TEST(Production, NothingToCutIsSavedAsItIs) {
    ScratchDir dir;
    for (std::vector<std::string> tool : {std::vector<std::string>{"--mirror"}, {"--weed-box", "5"},
                                          {"--weed-lines", "10"}, {"--passes", "2"}, {"--perforate", "2,1"},
                                          {"--pen", "2"}}) {
        std::string err;
        EXPECT_EQ(edited(dir, "IN;SP1;PU100,100;", tool, &err), "IN;SP1;PU100,100;") << tool[0];
        EXPECT_EQ(err, "the drawing has nothing to cut; it stays as it is\n") << tool[0];
    }
}

// Refused after reading: the box or the lines would leave the plotter's
// coordinates, or the lines would be too many.
TEST(Production, WeedCutsBeyondReachAreRefused) {
    ScratchDir dir;
    writeBytes(dir / "in.plt", "PU0,0;PD2147480000,0;");
    for (std::vector<std::string> tool : {std::vector<std::string>{"--weed-box", "1000"},
                                          {"--weed-lines", "1"}}) {
        std::vector<std::string> args{"edit", (dir / "in.plt").string(), "-o", (dir / "out.plt").string()};
        args.insert(args.end(), tool.begin(), tool.end());
        const CliRun run = runCli(args);
        EXPECT_EQ(run.status, 2) << tool[0];
        EXPECT_EQ(run.err.rfind(tool[0] + ": ", 0), 0u) << run.err;
        EXPECT_EQ(dir.names(), (std::set<std::string>{"in.plt"}));
    }
}

}  // namespace
}  // namespace kerfline::clitest
