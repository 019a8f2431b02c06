// The drawing's statistics and the Info dialog's texts.
#include <gtest/gtest.h>

#include <cstring>

#include "test_support.h"

namespace kerfline {
namespace {

struct StatsCase {
    const char* text;
    bool extent;
    std::int32_t minX, minY, maxX, maxY, shift;
    double travel;
    const char* area;
    const char* lowerLeft;
    const char* travelText;
};

class Statistics : public ::testing::TestWithParam<StatsCase> {};

TEST_P(Statistics, BoundsShiftTravelAndTexts) {
    const StatsCase& c = GetParam();
    test::ReadResult r;
    test::readInto(r, c.text);
    ASSERT_FALSE(r.failed);
    const PlotDrawing& d = r.drawing;
    EXPECT_EQ(d.hasExtent(), c.extent);
    if (c.extent) {
        EXPECT_EQ(d.minX, c.minX);
        EXPECT_EQ(d.minY, c.minY);
        EXPECT_EQ(d.maxX, c.maxX);
        EXPECT_EQ(d.maxY, c.maxY);
    }
    EXPECT_EQ(d.shift, c.shift);
    EXPECT_DOUBLE_EQ(d.totalTravel, c.travel);
    char buffer[128];
    EXPECT_STREQ(d.areaText(buffer, sizeof buffer), c.area);
    EXPECT_STREQ(d.lowerLeftText(buffer, sizeof buffer), c.lowerLeft);
    EXPECT_STREQ(d.travelText(buffer, sizeof buffer), c.travelText);
}

constexpr std::int32_t E = 0;  // bounds not checked for an empty drawing

INSTANTIATE_TEST_SUITE_P(
    Cases, Statistics,
    ::testing::Values(
        StatsCase{"", false, E, E, E, E, 16, 0, "0x0 \xEC\xEC", "(0,0)", "0 \xEC\xEC"},
        StatsCase{"IN;SP1;", false, E, E, E, E, 16, 0, "0x0 \xEC\xEC", "(0,0)", "0 \xEC\xEC"},
        StatsCase{"PU1000,1000;", false, E, E, E, E, 16, 0, "0x0 \xEC\xEC", "(0,0)", "0 \xEC\xEC"},
        StatsCase{"PD;", true, 0, 0, 0, 0, 0, 0, "0x0 \xEC\xEC", "(0 \xEC\xEC,0 \xEC\xEC)",
                  "0 \xEC\xEC"},
        StatsCase{"PU100,100;PD200,300;", true, 100, 100, 200, 300, 0, std::hypot(100.0, 200.0),
                  "2x5 \xEC\xEC", "(2 \xEC\xEC,2 \xEC\xEC)", "6 \xEC\xEC"},
        StatsCase{"PA400,400;PD;PR400,0,0,400;", true, 400, 400, 800, 800, 0, 800, "10x10 \xEC\xEC",
                  "(10 \xEC\xEC,10 \xEC\xEC)", "20 \xEC\xEC"},
        StatsCase{"PA400,400;PR400,0,0,400;", false, E, E, E, E, 16, 0, "0x0 \xEC\xEC", "(0,0)",
                  "0 \xEC\xEC"},
        StatsCase{"PD;PA400,300;", true, 0, 0, 400, 300, 0, 500, "10x7 \xEC\xEC",
                  "(0 \xEC\xEC,0 \xEC\xEC)", "13 \xEC\xEC"},
        StatsCase{"PU400,300;PD;", true, 400, 300, 400, 300, 0, 0, "0x0 \xEC\xEC",
                  "(10 \xEC\xEC,7 \xEC\xEC)", "0 \xEC\xEC"},
        StatsCase{"PU0,0;PD11880,0,11880,8400,0,8400,0,0;", true, 0, 0, 11880, 8400, 0, 40560,
                  "297x210 \xEC\xEC", "(0 \xEC\xEC,0 \xEC\xEC)", "1014 \xEC\xEC"},
        StatsCase{"PU400,-80;PD400,0;", true, 400, -80, 400, 0, 0, 80, "0x2 \xEC\xEC",
                  "(10 \xEC\xEC,-2 \xEC\xEC)", "2 \xEC\xEC"},
        StatsCase{"PU-50,-39;PD0,0;", true, -50, -39, 0, 0, 0, std::hypot(50.0, 39.0),
                  "1x0 \xEC\xEC", "(-1 \xEC\xEC,0 \xEC\xEC)", "2 \xEC\xEC"},
        // IN raises the pen for the statistics: the PA after it draws nothing.
        StatsCase{"PD10,0;IN;PA50,50;", true, 0, 0, 10, 0, 0, 10, "0x0 \xEC\xEC",
                  "(0 \xEC\xEC,0 \xEC\xEC)", "0 \xEC\xEC"},
        // Shift: the largest magnitude brought to 32767 or less.
        StatsCase{"PD32767,-32767;", true, 0, -32767, 32767, 0, 0, std::hypot(32767.0, 32767.0),
                  "819x819 \xEC\xEC", "(0 \xEC\xEC,-819 \xEC\xEC)", "1158 \xEC\xEC"},
        StatsCase{"PD32768,0;", true, 0, 0, 32768, 0, 1, 32768, "819x0 \xEC\xEC",
                  "(0 \xEC\xEC,0 \xEC\xEC)", "819 \xEC\xEC"},
        StatsCase{"PD-65535,0;", true, -65535, 0, 0, 0, 1, 65535, "1638x0 \xEC\xEC",
                  "(-1638 \xEC\xEC,0 \xEC\xEC)", "1638 \xEC\xEC"},
        StatsCase{"PD0,65536;", true, 0, 0, 0, 65536, 2, 65536, "0x1638 \xEC\xEC",
                  "(0 \xEC\xEC,0 \xEC\xEC)", "1638 \xEC\xEC"},
        // Extremes: the widths are computed without overflow, -2147483648
        // still gets the shift that brings it into 16 bits, and the cut's
        // differences wrap in 32 bits (one unit each way).
        StatsCase{"PU-2147483648,-2147483648;PD2147483647,2147483647;", true, kInt32Min, kInt32Min,
                  kInt32Max, kInt32Max, 16, std::hypot(1.0, 1.0), "107374182x107374182 \xEC\xEC",
                  "(-53687091 \xEC\xEC,-53687091 \xEC\xEC)", "0 \xEC\xEC"},
        StatsCase{"PU-2147483648,0;PD0,0;", true, kInt32Min, 0, 0, 0, 16, 2147483648.0,
                  "53687091x0 \xEC\xEC", "(-53687091 \xEC\xEC,0 \xEC\xEC)",
                  "5.36871e+07 \xEC\xEC"}));

TEST(TravelText, RoundsHalvesUpAndSwitchesToExponentAtAMillion) {
    const struct {
        double travel;
        const char* text;
    } cases[] = {{0, "0"},
                 {19, "0"},
                 {20, "1"},
                 {39.999, "1"},
                 {60, "2"},
                 {39999979, "999999"},
                 {39999980, "1e+06"},
                 {4e7, "1e+06"},
                 {123456789, "3.08642e+06"}};
    for (const auto& c : cases) {
        PlotDrawing d;
        d.totalTravel = c.travel;
        char buffer[32];
        EXPECT_EQ(std::string(d.travelText(buffer, sizeof buffer)),
                  std::string(c.text) + " \xEC\xEC")
            << c.travel;
    }
}

TEST(Texts, NeverWritePastTheCallersCapacity) {
    test::ReadResult r;
    test::readInto(r, "PU-2147483648,-2147483648;PD2147483647,2147483647;");
    using Text = char* (PlotDrawing::*)(char*, std::size_t) const;
    for (Text text :
         {&PlotDrawing::areaText, &PlotDrawing::lowerLeftText, &PlotDrawing::travelText}) {
        char full[128];
        (r.drawing.*text)(full, sizeof full);
        EXPECT_LT(std::strlen(full), 32u);  // every text fits the 32 bytes promised
        for (std::size_t capacity = 0; capacity < 30; ++capacity) {
            char guarded[40];
            std::memset(guarded, '#', sizeof guarded);
            char* result = (r.drawing.*text)(guarded, capacity);
            EXPECT_EQ(result, guarded);
            for (std::size_t i = capacity; i < sizeof guarded; ++i) ASSERT_EQ(guarded[i], '#');
            if (capacity > 0) {
                EXPECT_EQ(std::strncmp(guarded, full, capacity - 1), 0);
                EXPECT_EQ(std::strlen(guarded), std::min(capacity - 1, std::strlen(full)));
            }
        }
    }
}

TEST(ReadDrawing, ReplacesTheListAndKeepsWhatWasReadBeforeAFailure) {
    test::ReadResult r;
    test::readInto(r, "PU0,0;PD400,400;");
    EXPECT_TRUE(r.drawing.hasExtent());
    MemoryInput next("SP1;PD4000,0;PU1,1");  // the last instruction never ends
    readDrawing(next, r.drawing);
    EXPECT_TRUE(next.failed());
    EXPECT_EQ(test::written(r.drawing), "SP1;PD4000,0;");
    EXPECT_EQ(r.drawing.maxX, 4000);  // recomputed for what was kept
}

}  // namespace
}  // namespace kerfline
