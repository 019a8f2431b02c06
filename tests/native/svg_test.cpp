// The SVG picture and the exact millimetre texts it and the JSON use.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "drawing/decimal.h"
#include "drawing/svg.h"

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

TEST(Svg, ShowsCutsAndMovesAtTrueSize) {
    Picture picture;
    picture.moves = {{{0, 0}, {40, 40}}, {{440, 440}, {440, 440}}, {{40, 40}, {600, 40}}};
    picture.cuts = {{{40, 40}, {440, 40}, {440, 440}, {40, 440}, {40, 40}},
                    {{600, 40}, {800, 40}},
                    {{700, 200}}};
    MemoryOutput out;
    writeSvg(out, picture);
    // The extent (0,0)-(800,440) with 1 mm (40 units) round it: 22 x 13 mm;
    // the viewBox's top is minus the top edge, as y is mirrored.
    EXPECT_EQ(out.str(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"22mm\" "
              "height=\"13mm\" viewBox=\"-40 -480 880 520\">\n"
              "<g transform=\"scale(1,-1)\" fill=\"none\" stroke-linecap=\"round\" "
              "stroke-linejoin=\"round\">\n"
              "<path stroke=\"#d04040\" stroke-width=\"5\" stroke-dasharray=\"40 40\" "
              "d=\"M0 0 L40 40 M40 40 L600 40\"/>\n"
              "<g stroke=\"#000000\" stroke-width=\"10\">\n"
              "<path d=\"M40 40 L440 40 L440 440 L40 440 Z\"/>\n"
              "<path d=\"M600 40 L800 40\"/>\n"
              "<path d=\"M700 200 L700 200\"/>\n"
              "</g>\n</g>\n</svg>\n");
}

TEST(Svg, AnEmptyJobIsASmallBlankPictureAndFarPointsFit) {
    MemoryOutput empty;
    writeSvg(empty, Picture{});
    EXPECT_NE(empty.str().find("width=\"2mm\" height=\"2mm\" viewBox=\"-40 -40 80 80\""),
              std::string::npos)
        << empty.str();
    EXPECT_EQ(empty.str().find("<path"), std::string::npos);

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
