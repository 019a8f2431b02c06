// The command table as the user meets it: the usage text it makes, the
// synopsis that README.md and docs/cli.md repeat, and the way each column
// of a command's row decides what its command line may hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/arguments.h"

namespace kerfline::cli {
namespace {

std::vector<std::string> linesOf(std::string_view text) {
    std::vector<std::string> lines;
    std::istringstream in{std::string(text)};
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The usage's synopsis: the lines after "Usage:" up to the first blank one.
std::vector<std::string> usageSynopsis() {
    const std::vector<std::string> lines = linesOf(usageText());
    std::vector<std::string> synopsis;
    EXPECT_EQ(lines.at(0), "Usage:");
    for (std::size_t i = 1; i < lines.size() && !lines[i].empty(); ++i) synopsis.push_back(lines[i]);
    return synopsis;
}

// The first block of lines indented by four spaces that starts with
// "    kerfline-cli" after `heading`, in the document at `path`.
std::vector<std::string> documentSynopsis(const std::string& path, const std::string& heading) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    std::vector<std::string> block;
    bool underHeading = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!underHeading) {
            underHeading = line == heading;
            continue;
        }
        if (block.empty() && line.rfind("    kerfline-cli ", 0) != 0) continue;
        if (line.rfind("    ", 0) != 0) break;
        block.push_back(line);
    }
    return block;
}

struct Document {
    const char* path;  // from the source tree's top
    const char* heading;
};

class SynopsisTest : public ::testing::TestWithParam<Document> {};

TEST_P(SynopsisTest, IsTheUsagesSynopsisIndentedTwoSpacesMore) {
    std::vector<std::string> expected;
    for (const std::string& line : usageSynopsis()) expected.push_back("  " + line);
    ASSERT_GE(expected.size(), 8u);
    EXPECT_EQ(documentSynopsis(std::string(KERF_SOURCE_DIR) + "/" + GetParam().path, GetParam().heading),
              expected);
}

INSTANTIATE_TEST_SUITE_P(Documents, SynopsisTest,
                         ::testing::Values(Document{"README.md", "## kerfline-cli"},
                                           Document{"docs/cli.md", "# kerfline-cli"}),
                         [](const auto& param) { return std::string(param.index == 0 ? "Readme" : "CliDoc"); });

TEST(UsageText, EveryCommandHasItsSynopsisAndParagraph) {
    const std::string_view usage = usageText();
    for (const Command& command : commandTable()) {
        const std::string synopsis = "\n  kerfline-cli " + std::string(command.name) + " FILE";
        EXPECT_NE(usage.find(synopsis), std::string_view::npos) << command.name;
        const std::string paragraph = std::string(command.name) + " ";
        EXPECT_TRUE(usage.find("\n\n" + paragraph) != std::string_view::npos ||
                    usage.find(". " + paragraph) != std::string_view::npos)
            << command.name;
    }
    // convert takes edit's operations and says so.
    EXPECT_NE(usage.find("  kerfline-cli convert FILE [OPERATION]... [-o OUT] [--tolerance MM]\n"),
              std::string_view::npos);
    EXPECT_NE(usage.find("error. The\noperations of edit may follow; they apply to the converted job.\n"),
              std::string_view::npos);
}

// The commands' paragraphs are wrapped by hand in the table: under 80
// columns, and joined where one runs on from another. (The synopsis keeps
// a command's alternatives on one line where it can.)
TEST(UsageText, CommandParagraphsStayUnderEightyColumns) {
    const std::vector<std::string> lines = linesOf(usageText());
    const auto first = std::find(lines.begin(), lines.end(), std::string());
    const auto last = std::find(first, lines.end(), "Operations (any number, repeats allowed):");
    ASSERT_NE(last, lines.end());
    for (auto line = first; line != last; ++line) EXPECT_LT(line->size(), 80u) << *line;
    EXPECT_NE(std::find(first, last, "travel, one per line. edit applies the operations in the order given and"),
              last);
}

// Every option a command takes is named in its synopsis (--output being -o
// written out), so that the usage hides none of them.
TEST(UsageText, EveryOptionOfACommandIsInItsSynopsis) {
    for (const Command& command : commandTable())
        for (const CommandOption& option : command.options) {
            if (option.name == "--output") continue;
            EXPECT_NE(command.synopsis.find(std::string(option.name) + (option.takesValue ? " " : "")),
                      std::string_view::npos)
                << command.name << ' ' << option.name;
        }
}

struct RefusalCase {
    std::vector<std::string_view> args;
    const char* error;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    for (std::string_view a : c.args) *os << '[' << a << "] ";
}

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, SaysWhatIsWrong) {
    const ParseResult result = parseArguments(GetParam().args);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, RefusalTest,
    ::testing::Values(
        RefusalCase{{"frob", "f"}, "unknown command 'frob'"},
        // edit's options are its operations: anything else is unknown.
        RefusalCase{{"edit", "f", "--json"}, "unknown option '--json'"},
        RefusalCase{{"edit", "f", "--tolerance", "1"}, "unknown option '--tolerance'"},
        RefusalCase{{"convert", "f", "--json"}, "convert takes no option '--json'"},
        RefusalCase{{"render", "f", "--rotate"}, "render takes no option '--rotate'"},
        RefusalCase{{"info", "f", "-o", "x"}, "info takes no option '-o'"},
        RefusalCase{{"send", "f", "--port", "p", "--json"}, "send takes no option '--json'"},
        // Values: the option's own reader, or its missing value.
        RefusalCase{{"edit", "f", "-o"}, "-o needs a value"},
        RefusalCase{{"convert", "f", "--rotate", "--merge"}, "--merge needs a value"},
        RefusalCase{{"convert", "f", "--tolerance", "20"},
                    "--tolerance needs millimetres from 0.001 to 10, not '20'"},
        RefusalCase{{"convert", "f", "-o", "a", "--output", "b"}, "more than one -o"},
        RefusalCase{{"tile", "f", "10x10", "-o", "-"}, "tile writes files and needs a FOLDER, not '-'"},
        RefusalCase{{"render", "f", "-o", "--rotate"}, "-o needs a file name, not '--rotate'"},
        // The word after FILE: tile's panel size, a second FILE elsewhere.
        RefusalCase{{"tile", "f", "10"},
                    "the panel size must be WIDTHxHEIGHT in millimetres (like 600x1000), not '10'"},
        RefusalCase{{"tile", "f", "10x10", "g"}, "more than one FILE: 'g'"},
        RefusalCase{{"render", "f", "g"}, "more than one FILE: 'g'"},
        RefusalCase{{"render", "-"}, "render takes no option '-'"},
        // The checks at the end.
        RefusalCase{{"tile", "--overlap", "5"}, "missing FILE"},
        RefusalCase{{"tile", "f"}, "missing the panel size WIDTHxHEIGHT"},
        RefusalCase{{"tile", "f", "10x20", "--overlap", "10"},
                    "the overlap must be smaller than the panel's width and height, not 10 mm for 10x20 mm"},
        RefusalCase{{"info", "f", "--speed", "5"}, "--speed counts only with --json"},
        RefusalCase{{"send", "-"}, "send needs --port PORT or --tcp HOST:PORT"},
        RefusalCase{{"send", "f", "--tcp", "h:9100", "--flow", "none"},
                    "--baud, --flow and --buffer are for a serial port, not --tcp"},
        RefusalCase{{"send", "f", "--port", "p", "--speed", "5"}, "--speed counts only with --flow none"},
        RefusalCase{{"convert", "f", "--no-precut"}, "--no-precut must come before the --blade-offset it is for"}));

}  // namespace
}  // namespace kerfline::cli
