// The production operations' values on the command line: what they become,
// and what is refused with a message naming the option.
#include <gtest/gtest.h>

#include <optional>

#include "cli/arguments.h"

namespace kerfline::cli {
namespace {

using Kind = Operation::Kind;

struct Case {
    std::vector<std::string_view> words;  // after "edit a.plt"
    std::optional<std::vector<Operation>> expected;  // none: refused
};

void PrintTo(const Case& c, std::ostream* os) {
    for (std::string_view w : c.words) *os << '[' << w << "] ";
}

class ProductionArguments : public ::testing::TestWithParam<Case> {};

TEST_P(ProductionArguments, BecomeOperationsOrAreRefusedByName) {
    std::vector<std::string_view> args{"edit", "a.plt"};
    args.insert(args.end(), GetParam().words.begin(), GetParam().words.end());
    const ParseResult result = parseArguments(args);
    if (!GetParam().expected) {
        ASSERT_FALSE(result.ok);
        EXPECT_EQ(result.error.rfind(std::string(GetParam().words[0]), 0), 0u) << result.error;
        return;
    }
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.arguments.operations, *GetParam().expected);
}

Operation weed(double box, double spacing) {
    Operation o{Kind::Weed};
    o.millimetres = box;
    o.length = spacing;
    return o;
}
Operation perforate(double dash, double gap) {
    Operation o{Kind::Perforate};
    o.millimetres = dash;
    o.length = gap;
    return o;
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, ProductionArguments,
    ::testing::Values(
        Case{{"--mirror", "--mirror"}, {{{Kind::Mirror}, {Kind::Mirror}}}},
        Case{{"--weed-box", "2.5", "--weed-lines", "12.5"}, {{weed(2.5, 12.5)}}},
        // Box and lines are one operation, where the first of them stands.
        Case{{"--weed-lines", "40", "--scale", "50", "--weed-box", "5"}, {{weed(5, 40), {Kind::Scale, 50}}}},
        Case{{"--mirror", "--weed-box", "1000", "--rotate"}, {{{Kind::Mirror}, weed(1000, 0), {Kind::Rotate}}}},
        Case{{"--weed-lines", "1"}, {{weed(0, 1)}}}, Case{{"--weed-lines", "10000"}, {{weed(0, 10000)}}},
        Case{{"--passes", "1", "--passes", "10"}, {{{Kind::Passes, 1}, {Kind::Passes, 10}}}},
        Case{{"--perforate", "0.1,1000"}, {{perforate(0.1, 1000)}}},
        Case{{"--pen", "1"}, {{{Kind::Pen, 1}}}}, Case{{"--pen", "255"}, {{{Kind::Pen, 255}}}}));

INSTANTIATE_TEST_SUITE_P(
    Refused, ProductionArguments,
    ::testing::Values(Case{{"--weed-box", "0"}, {}}, Case{{"--weed-box", "1000.5"}, {}},
                      Case{{"--weed-box", "-5"}, {}}, Case{{"--weed-box", "5", "--weed-box", "6"}, {}},
                      Case{{"--weed-lines", "0.5"}, {}}, Case{{"--weed-lines", "10001"}, {}},
                      Case{{"--weed-lines", "40", "--weed-lines", "40"}, {}}, Case{{"--weed-lines", "nan"}, {}},
                      Case{{"--passes", "0"}, {}}, Case{{"--passes", "11"}, {}}, Case{{"--passes", "2.5"}, {}},
                      Case{{"--passes", "-1"}, {}}, Case{{"--perforate", "2"}, {}}, Case{{"--perforate", "2,"}, {}},
                      Case{{"--perforate", ",1"}, {}}, Case{{"--perforate", "0.05,1"}, {}},
                      Case{{"--perforate", "2,0"}, {}}, Case{{"--perforate", "1001,1"}, {}},
                      Case{{"--perforate", "2,1,3"}, {}}, Case{{"--pen", "0"}, {}}, Case{{"--pen", "256"}, {}},
                      Case{{"--pen", "1.5"}, {}}, Case{{"--pen", "1", "--pen", "2"}, {}}));

}  // namespace
}  // namespace kerfline::cli
