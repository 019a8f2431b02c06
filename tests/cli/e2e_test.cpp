// kerfline-cli run as its own process over generated files and the shared
// corpus: its output bytes, its texts, its exit statuses, and that a failure
// loses nothing.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "drawing/drawing.h"
#include "runner.h"
#include "support.h"

namespace kerfline::clitest {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMm = " \xD0\xBC\xD0\xBC";  // " мм" in UTF-8

// 297 x 210 mm, drawn from the origin.
constexpr std::string_view kRectangle = "IN;PU0,0;PD11880,0,11880,8400,0,8400,0,0;";

std::string lines(std::initializer_list<std::string_view> items) {
    std::string text;
    for (std::string_view item : items) {
        text += item;
        text += '\n';
    }
    return text;
}

std::string mm(std::string_view text) { return std::string(text) + std::string(kMm); }

// What File/Save writes for `path`, done here in-process with the core.
std::string savedByTheCore(const fs::path& path, bool& readFailed) {
    FileInput in(path.c_str());
    PlotDrawing drawing;
    readDrawing(in, drawing);
    readFailed = in.failed();
    ScratchDir dir;
    FileOutput out((dir / "saved").c_str());
    writeDrawing(out, drawing);
    EXPECT_TRUE(out.close());
    return readBytes(dir / "saved");
}

// ---- info ------------------------------------------------------------------

struct InfoCase {
    const char* label;
    std::string_view name;
    std::string_view content;
    std::string expected;  // the three text lines after the name
};

class InfoTest : public ::testing::TestWithParam<InfoCase> {};

TEST_P(InfoTest, PrintsNameAreaLowerLeftAndTravel) {
    const InfoCase& c = GetParam();
    ScratchDir dir;
    fs::create_directory(dir / "plots");
    const fs::path file = dir / "plots" / c.name;
    writeBytes(file, c.content);
    const CliRun run = runCli({"info", file.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, std::string(c.name) + "\n" + c.expected);
    EXPECT_EQ(run.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Generated, InfoTest,
    ::testing::Values(
        InfoCase{"rectangle", "rect.plt", kRectangle,
                 lines({mm("297x210"), "(0" + mm("") + ",0" + mm("") + ")", mm("1014")})},
        // Millimetres of the bounds are cut toward zero; the travel is rounded.
        InfoCase{"below_and_left", "offset.plt", "IN;PU-400,-80;PD-400,400;",
                 lines({mm("0x12"), "(-10" + mm("") + ",-2" + mm("") + ")", mm("12")})},
        InfoCase{"rounded_travel", "short.plt", "IN;PU0,0;PD60,0;",
                 lines({mm("1x0"), "(0" + mm("") + ",0" + mm("") + ")", mm("2")})},
        InfoCase{"crlf_and_ctrl_z", "dos.plt",
                 "IN;\r\nPU0,0;\r\nPD400,0;\r\n\x1A"
                 "PD1",
                 lines({mm("10x0"), "(0" + mm("") + ",0" + mm("") + ")", mm("10")})},
        InfoCase{"empty_file", "empty.plt", "", lines({mm("0x0"), "(0,0)", mm("0")})},
        InfoCase{"nothing_drawn", "pens.plt", "IN;SP1;PU100,100;",
                 lines({mm("0x0"), "(0,0)", mm("0")})},
        InfoCase{"cyrillic_name", "\xD1\x87\xD0\xB5\xD1\x80\xD1\x82\xD1\x91\xD0\xB6.plt",
                 kRectangle,
                 lines({mm("297x210"), "(0" + mm("") + ",0" + mm("") + ")", mm("1014")})}),
    [](const auto& p) { return std::string(p.param.label); });

// ---- edit --------------------------------------------------------------------

struct EditCase {
    const char* label;
    std::string_view input;
    std::vector<std::string> operations;
    std::string_view expected;
};

class EditTest : public ::testing::TestWithParam<EditCase> {};

// The same bytes to standard output, to "-o -" and to a file.
TEST_P(EditTest, WritesTheChangedDrawingEveryWay) {
    const EditCase& c = GetParam();
    ScratchDir dir;
    const fs::path input = dir / "in.plt";
    writeBytes(input, c.input);

    std::vector<std::string> args{"edit", input.string()};
    args.insert(args.end(), c.operations.begin(), c.operations.end());
    const CliRun toStdout = runCli(args);
    EXPECT_EQ(toStdout.status, 0) << toStdout.err;
    EXPECT_EQ(toStdout.out, c.expected);
    EXPECT_EQ(toStdout.err, "");

    std::vector<std::string> dash(args);
    dash.insert(dash.end(), {"-o", "-"});
    const CliRun toDash = runCli(dash);
    EXPECT_EQ(toDash.status, 0) << toDash.err;
    EXPECT_EQ(toDash.out, c.expected);

    const fs::path output = dir / "out.plt";
    std::vector<std::string> toFileArgs(args);
    toFileArgs.insert(toFileArgs.end(), {"-o", output.string()});
    const CliRun toFile = runCli(toFileArgs);
    EXPECT_EQ(toFile.status, 0) << toFile.err;
    EXPECT_EQ(toFile.out, "");
    EXPECT_EQ(readBytes(output), c.expected);
    EXPECT_EQ(readBytes(input), c.input) << "the input is only read";
    EXPECT_EQ(dir.names(), (std::set<std::string>{"in.plt", "out.plt"}));
}

INSTANTIATE_TEST_SUITE_P(
    Generated, EditTest,
    ::testing::Values(
        EditCase{"no_operation", kRectangle, {}, kRectangle},
        EditCase{"frame_10",
                 kRectangle,
                 {"--frame", "10"},
                 "IN;PU-400,-400;PD-400,8800,12280,8800,12280,-400,-400,-400;PU0,0;"
                 "PU0,0;PD11880,0,11880,8400,0,8400,0,0;"},
        EditCase{"frame_minus_2_inside",
                 kRectangle,
                 {"--frame", "-2"},
                 "IN;PU80,80;PD80,8320,11800,8320,11800,80,80,80;PU0,0;"
                 "PU0,0;PD11880,0,11880,8400,0,8400,0,0;"},
        EditCase{"scale_50", "IN;PU0,0;PD40,0,40,40;", {"--scale", "50"}, "IN;PU0,0;PD20,0,20,20;"},
        EditCase{"scale_minus_100",
                 "IN;PU0,0;PD40,0,40,40;",
                 {"--scale", "-100"},
                 "IN;PU0,0;PD-40,0,-40,-40;"},
        EditCase{"scale_there_and_back",
                 "IN;PU10,20;PD40,0,40,40;",
                 {"--scale", "200", "--scale", "50"},
                 "IN;PU10,20;PD40,0,40,40;"},
        EditCase{"move_10_5",
                 "IN;PU0,0;PD40,0,40,40;",
                 {"--move", "10,5"},
                 "IN;PU400,200;PD440,200,440,240;"},
        EditCase{"move_minus_3_4",
                 "IN;PU0,0;PD40,0,40,40;",
                 {"--move", "-3,4"},
                 "IN;PU-120,160;PD-80,160,-80,200;"},
        EditCase{"rotate", "IN;PU0,0;PD40,0,40,80;", {"--rotate"}, "IN;PU0,40;PD0,0,80,0;"},
        // The operations run in the order given.
        EditCase{"move_then_scale",
                 "IN;PU40,40;PD80,40;",
                 {"--move", "1,1", "--scale", "200"},
                 "IN;PU80,80;PD160,80;"},
        EditCase{"scale_then_move",
                 "IN;PU40,40;PD80,40;",
                 {"--scale", "200", "--move", "1,1"},
                 "IN;PU40,40;PD120,40;"},
        // Four quarter turns give an absolute drawing back unchanged.
        EditCase{"rotate_four_times_rectangle",
                 kRectangle,
                 {"--rotate", "--rotate", "--rotate", "--rotate"},
                 kRectangle},
        EditCase{"rotate_four_times_irregular",
                 "IN;PU100,200;PD500,200,500,900,300,700;PU0,0;",
                 {"--rotate", "--rotate", "--rotate", "--rotate"},
                 "IN;PU100,200;PD500,200,500,900,300,700;PU0,0;"},
        // Without an extent the operations change nothing.
        EditCase{
            "nothing_drawn", "IN;SP1;", {"--frame", "10", "--rotate", "--move", "5,5"}, "IN;SP1;"},
        // A label's line feed is saved as CR LF, as File/Save does.
        EditCase{"label_line_feed", "IN;LBab\ncd\x03;PU0,0;", {}, "IN;LBab\r\ncd\x03;PU0,0;"},
        EditCase{"label_crlf_kept", "IN;LBab\r\ncd\x03;PU0,0;", {}, "IN;LBab\r\ncd\x03;PU0,0;"},
        EditCase{"empty_file", "", {"--rotate"}, ""}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(Edit, ReplacesAnExistingOutputWhollyAndKeepsItsPermissions) {
    ScratchDir dir;
    writeBytes(dir / "in.plt", kRectangle);
    writeBytes(dir / "out.plt", std::string(5000, 'x'));
    ASSERT_EQ(::chmod((dir / "out.plt").c_str(), 0640), 0);
    const CliRun run =
        runCli({"edit", (dir / "in.plt").string(), "-o", (dir / "out.plt").string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readBytes(dir / "out.plt"), kRectangle);
    struct stat info {};
    ASSERT_EQ(::stat((dir / "out.plt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(dir.names(), (std::set<std::string>{"in.plt", "out.plt"}));
}

TEST(Edit, CanSaveOverItsOwnInput) {
    ScratchDir dir;
    writeBytes(dir / "a.plt", "IN;PU0,0;PD40,0,40,40;");
    const CliRun run =
        runCli({"edit", (dir / "a.plt").string(), "--scale", "50", "-o", (dir / "a.plt").string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readBytes(dir / "a.plt"), "IN;PU0,0;PD20,0,20,20;");
    EXPECT_EQ(dir.names(), (std::set<std::string>{"a.plt"}));
}

TEST(Edit, ARelativeOutputNameIsSavedInTheCurrentFolder) {
    ScratchDir dir;
    writeBytes(dir / "in.plt", kRectangle);
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    const CliRun run = runCli({"edit", "in.plt", "-o", "out.plt"});
    fs::current_path(previous);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readBytes(dir / "out.plt"), kRectangle);
    EXPECT_EQ(dir.names(), (std::set<std::string>{"in.plt", "out.plt"}));
}

// ---- failures ---------------------------------------------------------------

struct InvalidCase {
    const char* label;
    // Sets up the input in `dir` and returns its path.
    fs::path (*prepare)(const ScratchDir& dir);
};

class InvalidFileTest : public ::testing::TestWithParam<InvalidCase> {};

TEST_P(InvalidFileTest, ExitsWithOneAndWritesNothing) {
    ScratchDir dir;
    const fs::path input = GetParam().prepare(dir);
    const std::string existing = "IN;PU0,0;PD1,1;\r\n";
    writeBytes(dir / "existing.plt", existing);
    const auto before = dir.names();
    const std::string message = "Invalid File: " + input.string() + "\n";

    const std::vector<std::vector<std::string>> commands{
        {"info", input.string()},
        {"edit", input.string()},
        {"edit", input.string(), "--frame", "5", "-o", "-"},
        {"edit", input.string(), "--rotate", "-o", (dir / "existing.plt").string()},
        {"edit", input.string(), "-o", (dir / "new.plt").string()},
    };
    for (const auto& args : commands) {
        SCOPED_TRACE(args[0] + " " + args.back());
        const CliRun run = runCli(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, message);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(readBytes(dir / "existing.plt"), existing);
        EXPECT_EQ(dir.names(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, InvalidFileTest,
    ::testing::Values(InvalidCase{"no_final_semicolon",
                                  [](const ScratchDir& d) {
                                      writeBytes(d / "cut.plt", "IN;PU0,0;PD10,10");
                                      return d / "cut.plt";
                                  }},
                      InvalidCase{"binary_without_semicolon",
                                  [](const ScratchDir& d) {
                                      writeBytes(d / "bin.plt",
                                                 std::string("\x00\xFF\x01\x80garbage", 11));
                                      return d / "bin.plt";
                                  }},
                      InvalidCase{"missing_file",
                                  [](const ScratchDir& d) { return d / "absent.plt"; }},
                      InvalidCase{"folder",
                                  [](const ScratchDir& d) {
                                      fs::create_directory(d / "folder.plt");
                                      return d / "folder.plt";
                                  }}),
    [](const auto& p) { return std::string(p.param.label); });

struct UnwritableCase {
    const char* label;
    fs::path (*prepare)(const ScratchDir& dir);
};

class UnwritableOutputTest : public ::testing::TestWithParam<UnwritableCase> {};

TEST_P(UnwritableOutputTest, ExitsWithOneAndLeavesNothingBehind) {
    ScratchDir dir;
    writeBytes(dir / "in.plt", kRectangle);
    const fs::path output = GetParam().prepare(dir);
    const auto before = dir.names();
    const CliRun run =
        runCli({"edit", (dir / "in.plt").string(), "--frame", "3", "-o", output.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Can't Save File: " + output.string() + "\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(dir.names(), before);
    EXPECT_EQ(readBytes(dir / "in.plt"), kRectangle);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, UnwritableOutputTest,
    ::testing::Values(UnwritableCase{"missing_folder",
                                     [](const ScratchDir& d) { return d / "absent" / "out.plt"; }},
                      UnwritableCase{"output_is_a_folder",
                                     [](const ScratchDir& d) {
                                         fs::create_directory(d / "out.plt");
                                         writeBytes(d / "out.plt" / "kept", "x");
                                         return d / "out.plt";
                                     }},
                      // Not replaced by a plain file, as /dev/null must not be.
                      UnwritableCase{"output_is_a_fifo",
                                     [](const ScratchDir& d) {
                                         EXPECT_EQ(::mkfifo((d / "out.plt").c_str(), 0644), 0);
                                         return d / "out.plt";
                                     }}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(UnwritableOutput, AFolderTargetKeepsItsContent) {
    ScratchDir dir;
    writeBytes(dir / "in.plt", kRectangle);
    fs::create_directory(dir / "out.plt");
    writeBytes(dir / "out.plt" / "kept", "x");
    const CliRun run =
        runCli({"edit", (dir / "in.plt").string(), "-o", (dir / "out.plt").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(readBytes(dir / "out.plt" / "kept"), "x");
}

TEST(UnwritableOutput, AReadOnlyOutputIsLeftAsItWas) {
    // Also as the superuser, whom the permission check would let through.
    ScratchDir dir;
    writeBytes(dir / "in.plt", kRectangle);
    writeBytes(dir / "out.plt", "old");
    ASSERT_EQ(::chmod((dir / "out.plt").c_str(), 0444), 0);
    const CliRun run =
        runCli({"edit", (dir / "in.plt").string(), "-o", (dir / "out.plt").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Can't Save File"), std::string::npos);
    EXPECT_EQ(readBytes(dir / "out.plt"), "old");
}

TEST(UnwritableOutput, AFullStandardOutputIsReported) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    ScratchDir dir;
    writeBytes(dir / "in.plt", kRectangle);
    const CliRun run = runCli({"edit", (dir / "in.plt").string()}, "/dev/full");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Can't Save File: standard output\n");
}

TEST(UnwritableOutput, InfoAndHelpSayWhenStandardOutputCannotBeWritten) {
    ScratchDir dir;
    writeBytes(dir / "in.plt", kRectangle);
    const std::vector<std::string> commands[] = {{"info", (dir / "in.plt").string()}, {"--help"}};
    for (const auto& command : commands) {
        for (const std::string& out : {kClosed, std::string("/dev/full")}) {
            if (out == "/dev/full" && !fs::exists(out)) continue;
            const CliRun run = runCli(command, out);
            EXPECT_EQ(run.status, 1) << command[0] << " > " << out;
            EXPECT_EQ(run.err, "Can't Write: standard output\n") << command[0] << " > " << out;
        }
    }
}

// ---- usage ------------------------------------------------------------------

class UsageErrorTest : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(UsageErrorTest, ExitsWithTwoAndShowsTheUsage) {
    ScratchDir dir;
    writeBytes(dir / "in.plt", kRectangle);
    std::vector<std::string> args = GetParam();
    for (std::string& a : args)
        if (a == "IN") a = (dir / "in.plt").string();
    const CliRun run = runCli(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("kerfline-cli: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("Usage:"), std::string::npos);
    EXPECT_EQ(dir.names(), (std::set<std::string>{"in.plt"}));
}

// "IN" stands for an existing, valid input file.
INSTANTIATE_TEST_SUITE_P(
    Arguments, UsageErrorTest,
    ::testing::Values(std::vector<std::string>{}, std::vector<std::string>{"IN"},
                      std::vector<std::string>{"print", "IN"}, std::vector<std::string>{"info"},
                      std::vector<std::string>{"edit"},
                      std::vector<std::string>{"info", "IN", "IN"},
                      std::vector<std::string>{"info", "IN", "--rotate"},
                      std::vector<std::string>{"edit", "IN", "--frame"},
                      std::vector<std::string>{"edit", "IN", "--frame", ""},
                      std::vector<std::string>{"edit", "IN", "--frame", "+5"},
                      std::vector<std::string>{"edit", "IN", "--scale", "1.5"},
                      std::vector<std::string>{"edit", "IN", "--scale", "12abc"},
                      std::vector<std::string>{"edit", "IN", "--scale", "99999999999"},
                      std::vector<std::string>{"edit", "IN", "--move", "3"},
                      std::vector<std::string>{"edit", "IN", "--move", "3,4,5"},
                      std::vector<std::string>{"edit", "IN", "--flip"},
                      std::vector<std::string>{"edit", "IN", "-o"},
                      std::vector<std::string>{"edit", "IN", "-o", "a", "-o", "b"}));

TEST(Help, PrintsTheUsageOnStandardOutput) {
    for (const char* flag : {"--help", "-h"}) {
        const CliRun run = runCli({flag});
        EXPECT_EQ(run.status, 0) << flag;
        EXPECT_EQ(run.out.rfind("Usage:", 0), 0u) << flag;
        EXPECT_EQ(run.err, "") << flag;
    }
}

// ---- the shared corpus -----------------------------------------------------

const std::vector<std::string> kValidCorpus{"chiplotle_foal_penplotter_art.hpgl",
                                            "chiplotle_import_testsuite.hpgl",
                                            "hp2xx_acad_autocad.hp",
                                            "hp2xx_cp_hp7550a_manual_labels.hp",
                                            "hp2xx_inter_gks_vaxvms.hp",
                                            "hp2xx_win1_mswindows_driver.hp",
                                            "hp8595e_spectrum_analyzer.hpgl",
                                            "hpgl2_pcl_pe_encoded_model.plt",
                                            "inkcut1_cutter_job.hpgl",
                                            "inkscape_ext_test.hpgl",
                                            "kicad_pcb_b_cu.plt"};

class CorpusTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusTest, EditWithoutOperationsSavesAsFileSaveDoes) {
    const fs::path file = corpusFile(GetParam());
    if (file.empty()) GTEST_SKIP() << "the shared corpus is not here";
    bool failed = true;
    const std::string expected = savedByTheCore(file, failed);
    ASSERT_FALSE(failed) << "this corpus file reads without failure";

    const CliRun toStdout = runCli({"edit", file.string()});
    EXPECT_EQ(toStdout.status, 0) << toStdout.err;
    EXPECT_TRUE(toStdout.out == expected) << "standard output differs from File/Save";

    ScratchDir dir;
    const CliRun toFile = runCli({"edit", file.string(), "-o", (dir / "out.plt").string()});
    EXPECT_EQ(toFile.status, 0) << toFile.err;
    EXPECT_TRUE(readBytes(dir / "out.plt") == expected) << "the saved file differs from File/Save";
}

TEST_P(CorpusTest, InfoPrintsFourLines) {
    const fs::path file = corpusFile(GetParam());
    if (file.empty()) GTEST_SKIP() << "the shared corpus is not here";
    const CliRun run = runCli({"info", file.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 4) << run.out;
    EXPECT_EQ(run.out.rfind(GetParam() + "\n", 0), 0u) << run.out;
    EXPECT_NE(run.out.find(std::string(kMm) + "\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find('\xEC'), std::string::npos) << "code page 1251 left unconverted";
}

INSTANTIATE_TEST_SUITE_P(Files, CorpusTest, ::testing::ValuesIn(kValidCorpus), [](const auto& p) {
    std::string name = p.param;
    for (char& c : name)
        if (c == '.') c = '_';
    return name;
});

// Absolute drawings: four quarter turns give back what a plain save gives.
class CorpusRotationTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusRotationTest, FourQuarterTurnsChangeNothing) {
    const fs::path file = corpusFile(GetParam());
    if (file.empty()) GTEST_SKIP() << "the shared corpus is not here";
    const CliRun plain = runCli({"edit", file.string()});
    const CliRun turned =
        runCli({"edit", file.string(), "--rotate", "--rotate", "--rotate", "--rotate"});
    const CliRun once = runCli({"edit", file.string(), "--rotate"});
    ASSERT_EQ(plain.status, 0);
    ASSERT_EQ(turned.status, 0);
    EXPECT_TRUE(turned.out == plain.out);
    EXPECT_FALSE(once.out == plain.out) << "a single turn should change the drawing";
}

INSTANTIATE_TEST_SUITE_P(Files, CorpusRotationTest,
                         ::testing::Values("inkscape_ext_test.hpgl", "inkcut1_cutter_job.hpgl",
                                           "hp2xx_acad_autocad.hp", "hp2xx_inter_gks_vaxvms.hp",
                                           "chiplotle_foal_penplotter_art.hpgl"),
                         [](const auto& p) {
                             std::string name = p.param;
                             for (char& c : name)
                                 if (c == '.') c = '_';
                             return name;
                         });

TEST(Corpus, LineFeedsInsideLabelsAreSavedAsCrLf) {
    const fs::path file = corpusFile("hp8595e_spectrum_analyzer.hpgl");
    if (file.empty()) GTEST_SKIP() << "the shared corpus is not here";
    const std::string original = readBytes(file);
    const CliRun run = runCli({"edit", file.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    std::size_t bareInInput = 0;
    for (std::size_t i = 0; i < original.size(); ++i)
        if (original[i] == '\n' && (i == 0 || original[i - 1] != '\r')) ++bareInInput;
    ASSERT_GT(bareInInput, 0u) << "the file is known to hold bare LF in its labels";
    std::size_t lineFeeds = 0;
    for (std::size_t i = 0; i < run.out.size(); ++i) {
        if (run.out[i] != '\n') continue;
        ++lineFeeds;
        EXPECT_TRUE(i > 0 && run.out[i - 1] == '\r') << "bare LF at byte " << i;
    }
    EXPECT_GE(lineFeeds, bareInInput);
}

TEST(Corpus, AFileWithoutItsFinalSemicolonIsInvalid) {
    const fs::path file = corpusFile("hp2xx_la_testsuite_relative.hp");
    if (file.empty()) GTEST_SKIP() << "the shared corpus is not here";
    ScratchDir dir;
    writeBytes(dir / "out.plt", kRectangle);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"info", file.string()},
          std::vector<std::string>{"edit", file.string(), "--rotate"},
          std::vector<std::string>{"edit", file.string(), "-o", (dir / "out.plt").string()}}) {
        const CliRun run = runCli(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "Invalid File: " + file.string() + "\n");
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(readBytes(dir / "out.plt"), kRectangle);
    EXPECT_EQ(dir.names(), (std::set<std::string>{"out.plt"}));
}

}  // namespace
}  // namespace kerfline::clitest
