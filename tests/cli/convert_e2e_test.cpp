// kerfline-cli convert run as its own process: the saved bytes, the summary,
// the exit statuses, and real plot files drawn by hp2xx before and after
// conversion at the same size.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "runner.h"
#include "support.h"

namespace kerfline::clitest {
namespace {

namespace fs = std::filesystem;

// Lower case, no terminators where plotters need none, a circle of 10 mm.
constexpr std::string_view kSmallPlot = "in;pu0,0;pd400,0,400,400\nPA800,800;CI400;";

TEST(Convert, SavesPlainCutterHpglWithCrLfAndSaysWhatItDid) {
    const ScratchDir dir;
    writeBytes(dir / "in.plt", "in;pu0,0;pd400,0,400,400;");
    const CliRun run = runCli({"convert", (dir / "in.plt").string(), "-o", (dir / "out.plt").string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(readBytes(dir / "out.plt"), "IN;\r\nPU0,0;\r\nPD400,0,400,400;\r\nPU400,400;\r\n");
    EXPECT_NE(run.err.find("PD 1 converted"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("IN 1 applied"), std::string::npos) << run.err;

    // Standard output gets the same bytes, with or without "-o -".
    for (const bool dash : {false, true}) {
        std::vector<std::string> args{"convert", (dir / "in.plt").string()};
        if (dash) args.insert(args.end(), {"-o", "-"});
        const CliRun toStdout = runCli(args);
        EXPECT_EQ(toStdout.status, 0);
        EXPECT_EQ(toStdout.out, readBytes(dir / "out.plt"));
    }
}

TEST(Convert, TheToleranceDecidesHowFineCirclesAre) {
    const ScratchDir dir;
    writeBytes(dir / "in.plt", kSmallPlot);
    const CliRun fine = runCli({"convert", (dir / "in.plt").string()});
    const CliRun coarse = runCli({"convert", (dir / "in.plt").string(), "--tolerance", "1"});
    ASSERT_EQ(fine.status, 0);
    ASSERT_EQ(coarse.status, 0);
    EXPECT_GT(fine.out.size(), coarse.out.size() + 200);
    EXPECT_NE(fine.err.find("CI 1 converted to cuts"), std::string::npos) << fine.err;
}

struct Unreadable {
    const char* label;
    const char* content;  // nullptr: the file does not exist
};

class ConvertInvalid : public ::testing::TestWithParam<Unreadable> {};

TEST_P(ConvertInvalid, ExitsWithOneAndTouchesNothing) {
    const ScratchDir dir;
    const fs::path in = dir / "in.plt";
    if (GetParam().content) writeBytes(in, GetParam().content);
    writeBytes(dir / "out.plt", "old");
    const CliRun run = runCli({"convert", in.string(), "-o", (dir / "out.plt").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Invalid File: " + in.string()), std::string::npos) << run.err;
    EXPECT_EQ(readBytes(dir / "out.plt"), "old");
    EXPECT_EQ(dir.names().size(), GetParam().content ? 2u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Files, ConvertInvalid,
                         ::testing::Values(Unreadable{"missing", nullptr}, Unreadable{"empty", ""},
                                           Unreadable{"nothing_to_cut", "IN;SP1;PU100,100;"},
                                           Unreadable{"not_hpgl", "\x89PNG\r\n\x1a\n binary 1234"}),
                         [](const auto& param) { return std::string(param.param.label); });

class ConvertUsage : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(ConvertUsage, ExitsWithTwo) {
    const CliRun run = runCli(GetParam());
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("Usage:"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ConvertUsage,
    ::testing::Values(std::vector<std::string>{"convert", "a.plt", "--tolerance", "0"},
                      std::vector<std::string>{"convert", "a.plt", "--tolerance", "-1"},
                      std::vector<std::string>{"convert", "a.plt", "--tolerance", "1e-300"},
                      std::vector<std::string>{"convert", "a.plt", "--tolerance", "0.0001"},
                      std::vector<std::string>{"convert", "a.plt", "--tolerance", "nan"},
                      std::vector<std::string>{"convert", "a.plt", "--tolerance"},
                      std::vector<std::string>{"convert", "a.plt", "--overcut"},
                      std::vector<std::string>{"convert"}));

// ---- dots, outlines cut once, the range --------------------------------------

struct Dot {
    const char* label;
    const char* content;
};

class ConvertDot : public ::testing::TestWithParam<Dot> {};

// A file whose only mark is a dot is a file with one cut, whichever way the
// dot was made.
TEST_P(ConvertDot, IsAZeroLengthCut) {
    const ScratchDir dir;
    writeBytes(dir / "in.plt", GetParam().content);
    const CliRun run = runCli({"convert", (dir / "in.plt").string(), "-o", (dir / "out.plt").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readBytes(dir / "out.plt"), "IN;\r\nPU100,200;\r\nPD100,200;\r\nPU100,200;\r\n");
    EXPECT_NE(run.err.find("dots: 1 kept as zero-length cuts"), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Files, ConvertDot,
                         ::testing::Values(Dot{"pen_down_and_up", "IN;PA100,200;PD;PU;"},
                                           Dot{"move_of_no_length", "IN;PU;PA100,200;PD;PA100,200;PU;"},
                                           Dot{"lower_case_left_down", "in;pa100,200;pd;"}),
                         [](const auto& param) { return std::string(param.param.label); });

struct Filled {
    const char* label;
    const char* content;
    double cutMm;  // the outline's length, by hand
};

class ConvertFilledAndEdged : public ::testing::TestWithParam<Filled> {};

TEST_P(ConvertFilledAndEdged, CutsTheOutlineOnce) {
    const ScratchDir dir;
    writeBytes(dir / "in.plt", GetParam().content);
    const CliRun run = runCli({"convert", (dir / "in.plt").string(), "-o", (dir / "out.plt").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("outlines: 1 both filled and edged, cut once"), std::string::npos) << run.err;
    const CliRun info = runCli({"info", (dir / "out.plt").string(), "--json"});
    ASSERT_EQ(info.status, 0) << info.err;
    const std::size_t at = info.out.find("\"cut_mm\": ");
    ASSERT_NE(at, std::string::npos) << info.out;
    EXPECT_NEAR(std::strtod(info.out.c_str() + at + 10, nullptr), GetParam().cutMm, 0.1) << info.out;
}

// 4000 by 2000 units is 100 by 50 mm: 300 mm round; the triangle 100, 75 and
// 125 mm; a quarter wedge of 100 mm, two radii and 157.08 mm of arc.
INSTANTIATE_TEST_SUITE_P(
    Files, ConvertFilledAndEdged,
    ::testing::Values(Filled{"rectangle", "IN;RA4000,2000;EA4000,2000;", 300},
                      Filled{"relative_rectangle_edged_first", "IN;PU0,0;ER4000,2000;RR4000,2000;", 300},
                      Filled{"polygon", "IN;PA0,0;PM0;PD4000,0,4000,3000;PM2;FP;EP;", 300},
                      Filled{"wedge", "IN;PU0,0;WG4000,0,90;EW4000,0,90;", 357.08}),
    [](const auto& param) { return std::string(param.param.label); });

TEST(Convert, CutsBeyondThePlottersRangeAreClippedAtItsEdge) {
    const ScratchDir dir;
    writeBytes(dir / "line.plt", "IN;PU0,0;PD2000000000,1000000000;");
    const CliRun line = runCli({"convert", (dir / "line.plt").string(), "-o", (dir / "line-cut.plt").string()});
    ASSERT_EQ(line.status, 0) << line.err;
    EXPECT_EQ(readBytes(dir / "line-cut.plt"),
              "IN;\r\nPU0,0;\r\nPD1000000000,500000000;\r\nPU1000000000,500000000;\r\n");
    EXPECT_NE(line.err.find("range: 1 cuts reached beyond"), std::string::npos) << line.err;

    // A circle wholly beyond is not moved onto the edge: nothing is left.
    writeBytes(dir / "far.plt", "IN;PU2147483000,0;CI10000;");
    const CliRun beyond = runCli({"convert", (dir / "far.plt").string(), "-o", (dir / "far-cut.plt").string()});
    EXPECT_EQ(beyond.status, 1);
    EXPECT_NE(beyond.err.find("range: "), std::string::npos) << beyond.err;
    EXPECT_NE(beyond.err.find("Invalid File"), std::string::npos) << beyond.err;
    EXPECT_FALSE(fs::exists(dir / "far-cut.plt"));
}

// ---- real files, against hp2xx --------------------------------------------

bool haveHp2xx() { return std::system("hp2xx --version >/dev/null 2>&1") == 0; }

// The size in pixels of the picture hp2xx draws at true size, 100 dpi, of
// `plot`, a file in `dir` (hp2xx keeps only short names, so it runs there).
std::pair<std::uint32_t, std::uint32_t> hp2xxSize(const fs::path& dir, const char* plot) {
    const fs::path png = dir / (std::string(plot) + ".png");
    const std::string command = "cd '" + dir.string() + "' && timeout 60 hp2xx -q -t -m png -d 100 -f " +
                                plot + ".png " + plot + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    if (status != 0 || !fs::exists(png)) {
        ADD_FAILURE() << command << " gave " << status;
        return {0, 0};
    }
    const std::string bytes = readBytes(png);
    if (bytes.size() < 24) return {0, 0};
    const auto at = [&bytes](std::size_t i) {
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < 4; ++k) v = v << 8 | static_cast<unsigned char>(bytes[i + k]);
        return v;
    };
    return {at(16), at(20)};
}

// The cuts of a plot written in absolute PU and PD (convert's output, or
// the HP-GL hp2xx writes, with decimals), each rounded to whole units with
// its lower end first, sorted, the lot moved so that its lowest corner is
// at 0,0 (hp2xx at true size puts it there).
using Segment = std::array<long long, 4>;
std::vector<Segment> segmentsOf(const std::string& text) {
    std::vector<Segment> result;
    long long x = 0, y = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find(';', pos);
        if (end == std::string::npos) end = text.size();
        std::string item = text.substr(pos, end - pos);
        pos = end + 1;
        item.erase(0, item.find_first_not_of(" \r\n"));
        if (item.size() < 2) continue;
        const std::string name = item.substr(0, 2);
        std::vector<long long> numbers;
        const char* p = item.c_str() + 2;
        while (*p) {
            char* next;
            const double v = std::strtod(p, &next);
            if (next == p) break;
            numbers.push_back(std::llround(v));
            p = *next == ',' ? next + 1 : next;
        }
        for (std::size_t i = 0; i + 1 < numbers.size(); i += 2) {
            if (name == "PD") {
                Segment s{x, y, numbers[i], numbers[i + 1]};
                if (std::pair(s[2], s[3]) < std::pair(s[0], s[1])) s = {s[2], s[3], s[0], s[1]};
                result.push_back(s);
            }
            if (name == "PD" || name == "PU") {
                x = numbers[i];
                y = numbers[i + 1];
            }
        }
    }
    long long minX = LLONG_MAX, minY = LLONG_MAX;
    for (const Segment& s : result) {
        minX = std::min({minX, s[0], s[2]});
        minY = std::min({minY, s[1], s[3]});
    }
    for (Segment& s : result) s = {s[0] - minX, s[1] - minY, s[2] - minX, s[3] - minY};
    std::sort(result.begin(), result.end());
    return result;
}

// An instrument's axes with tick marks: XT and YT with TL's lengths unset
// and set, cut exactly where hp2xx draws them.
TEST(ConvertTicks, AreCutWhereHp2xxDrawsThem) {
    if (!haveHp2xx()) GTEST_SKIP() << "no hp2xx";
    // 100 by 50 user units over 8000 by 4000 plotter units.
    std::string plot = "IN;IP0,0,8000,4000;SC0,100,0,50;PU0,0;PD100,0;PU0,0;PD0,50;PU;";
    for (int i = 1; i <= 10; ++i) plot += "PA" + std::to_string(10 * i) + ",0;XT;";
    for (int j = 1; j <= 5; ++j) plot += "PA0," + std::to_string(10 * j) + ";YT;";
    plot += "TL2,1;PU0,50;PD100,50;PU;";
    for (int i = 1; i <= 10; ++i) plot += "PA" + std::to_string(10 * i) + ",50;XT;";
    plot += "TL3;";
    for (int j = 1; j <= 5; ++j) plot += "PA100," + std::to_string(10 * j) + ";YT;";
    const ScratchDir dir;
    writeBytes(dir / "a.plt", plot);
    const CliRun run = runCli({"convert", (dir / "a.plt").string(), "-o", (dir / "b.plt").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("XT 20 converted to cuts"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("YT 10 converted to cuts"), std::string::npos) << run.err;
    const std::string command = "cd '" + dir.path().string() +
                                "' && timeout 60 hp2xx -q -t -m hpgl -f a.hpgl a.plt >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    const std::vector<Segment> ours = segmentsOf(readBytes(dir / "b.plt"));
    // Three axes and thirty ticks.
    EXPECT_EQ(ours.size(), 3u + 30u);
    EXPECT_EQ(ours, segmentsOf(readBytes(dir / "a.hpgl")));
    // One tick by hand, moved as the lists are (the ticks' lowest ends, 0.5 %
    // of 4000 below the x axis and 0.5 % of 8000 left of the y axis, are at
    // 0): YT at (100,30) after TL 3 is 3 % of 8000 to the right only, from
    // (8000,2400) to (8240,2400).
    const Segment tick{8000 + 40, 2400 + 20, 8240 + 40, 2400 + 20};
    EXPECT_NE(std::find(ours.begin(), ours.end(), tick), ours.end());
}

// The operations after converting, in one run, give what converting and
// then editing the converted file gives.
TEST(ConvertOperations, OneRunMakesWhatConvertThenEditMakes) {
    // Cutting operations alone; a window operation first; one that changes
    // nothing, so that the converted job is written as its text reads.
    const std::vector<std::vector<std::string>> runs{{"--order", "--overcut", "1", "--blade-offset", "0.5"},
                                                     {"--scale", "50", "--order", "--copies", "2x1"},
                                                     {"--copies", "1x1"}};
    for (const auto& operations : runs)
    for (const char* name : {"hp2xx_arcs.hp", "hp2xx_fwedges.plt", "hp2xx_pm.hp"}) {
        SCOPED_TRACE(name + (" " + operations.front()));
        const fs::path original = fs::path(KERF_TEST_CORPUS) / name;
        const ScratchDir dir;
        ASSERT_EQ(runCli({"convert", original.string(), "-o", (dir / "plain.plt").string()}).status, 0);
        std::vector<std::string> edit{"edit", (dir / "plain.plt").string(), "-o", (dir / "two.plt").string()};
        edit.insert(edit.end(), operations.begin(), operations.end());
        const CliRun second = runCli(edit);
        ASSERT_EQ(second.status, 0) << second.err;
        std::vector<std::string> convert{"convert", original.string(), "-o", (dir / "one.plt").string()};
        convert.insert(convert.end(), operations.begin(), operations.end());
        const CliRun one = runCli(convert);
        ASSERT_EQ(one.status, 0) << one.err;
        EXPECT_EQ(readBytes(dir / "one.plt"), readBytes(dir / "two.plt"));
        // convert's summary, then the operations' own lines, as edit says them.
        EXPECT_NE(one.err.find(second.err), std::string::npos) << one.err;
    }
}

struct RealFile {
    const char* name;
    bool shared;  // in the shared corpus, or in tests/corpus
};

class ConvertReal : public ::testing::TestWithParam<RealFile> {};

// Files whose pictures have no labels and no wide pens, so that hp2xx draws
// the original and the converted file at exactly the same size.
TEST_P(ConvertReal, Hp2xxDrawsTheSameSizeAndKerflineReadsIt) {
    const fs::path dir = GetParam().shared ? corpusDir() : fs::path(KERF_TEST_CORPUS);
    if (dir.empty()) GTEST_SKIP() << "the shared corpus is not here";
    if (!haveHp2xx()) GTEST_SKIP() << "no hp2xx";
    const fs::path original = dir / GetParam().name;
    const ScratchDir scratch;
    const fs::path converted = scratch / "b.plt";
    const CliRun run = runCli({"convert", original.string(), "-o", converted.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    fs::copy_file(original, scratch / "a.plt");

    const auto before = hp2xxSize(scratch.path(), "a.plt");
    const auto after = hp2xxSize(scratch.path(), "b.plt");
    ASSERT_GT(before.first, 0u);
    EXPECT_NEAR(after.first, before.first, 1);
    EXPECT_NEAR(after.second, before.second, 1);

    const CliRun info = runCli({"info", converted.string()});
    EXPECT_EQ(info.status, 0) << info.err;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ConvertReal,
    ::testing::Values(RealFile{"chiplotle_foal_penplotter_art.hpgl", true},
                      RealFile{"hp2xx_acad_autocad.hp", true}, RealFile{"hp2xx_inter_gks_vaxvms.hp", true},
                      RealFile{"hp2xx_win1_mswindows_driver.hp", true},
                      RealFile{"inkcut1_cutter_job.hpgl", true}, RealFile{"inkscape_ext_test.hpgl", true},
                      RealFile{"kicad_pcb_b_cu.plt", true}, RealFile{"hp2xx_lt.hp", false},
                      RealFile{"hp2xx_pm.hp", false}, RealFile{"hp2xx_fwedges.plt", false},
                      RealFile{"hp2xx_rf.plt", false}, RealFile{"pe_model_utf8_undone.plt", false}),
    [](const auto& param) {
        std::string name = param.param.name;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

}  // namespace
}  // namespace kerfline::clitest
