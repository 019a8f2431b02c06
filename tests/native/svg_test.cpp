// The SVG picture and the exact millimetre texts it and the JSON use.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "export/decimal.h"
#include "export/svg.h"

namespace kerfline {
namespace {

TEST(MillimetreText, IsExactToTheThousandth) {
    struct Case {
        std::int64_t units;
        const char* text;
    };
    for (const Case& c : std::initializer_list<Case>{
             {0, "0"},
             {40, "1"},
             {20, "0.5"},
             {1, "0.025"},
             {10, "0.25"},
             {-50, "-1.25"},
             {11880, "297"},
             {-1, "-0.025"},
             {std::numeric_limits<std::int64_t>::min(), "-230584300921369395.2"}}) {
        EXPECT_EQ(millimetreText(c.units), c.text) << c.units;
    }
}

TEST(DecimalText, RoundsAndDropsTrailingZeros) {
    EXPECT_EQ(decimalText(3.14159, 2), "3.14");
    EXPECT_EQ(decimalText(20.0, 3), "20");
    EXPECT_EQ(decimalText(0.1 + 0.2, 3), "0.3");
    EXPECT_EQ(decimalText(-0.0001, 2), "0");
    EXPECT_EQ(decimalText(-12.5, 1), "-12.5");
    EXPECT_EQ(decimalText(1234567.0, 0), "1234567");
    EXPECT_EQ(decimalText(std::nan(""), 2), "0");
    EXPECT_EQ(decimalText(INFINITY, 2), "0");
}

TEST(Svg, PointsAtBothEndsOfTheRangeStillFit) {
    // Coordinates at both ends of the 32-bit range still give a true extent.
    Picture wide;
    wide.cuts = {{{kInt32Min, kInt32Min}, {kInt32Max, kInt32Max}}};
    MemoryOutput out;
    writeSvg(out, wide);
    EXPECT_NE(out.str().find("viewBox=\"-2147483688 -2147483687 4294967375 4294967375\""),
              std::string::npos)
        << out.str();
}

}  // namespace
}  // namespace kerfline
