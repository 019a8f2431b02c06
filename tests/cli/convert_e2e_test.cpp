// kerfline-cli convert run as its own process: the saved bytes, the summary,
// the exit statuses, and real plot files drawn by hp2xx before and after
// conversion at the same size.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

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
                      std::vector<std::string>{"convert", "a.plt", "--rotate"},
                      std::vector<std::string>{"convert"}));

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
