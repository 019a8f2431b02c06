// Rendering onto a recording device: the mapping calls and where each line
// lands in device pixels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drawing/draw_context.h"
#include "recording_device.h"
#include "test_support.h"

namespace kerfline {
namespace {

using test::RecordingDevice;
using test::Segment;
using Calls = std::vector<std::string>;

PlotDrawing drawingOf(const char* text) {
    test::ReadResult r;
    test::readInto(r, text);
    EXPECT_FALSE(r.failed);
    return std::move(r.drawing);
}

// The lines of a pass in logical units, for drawings with shift 0.
std::vector<Segment> linesOf(const char* text) {
    const PlotDrawing d = drawingOf(text);
    test::FakeWindow window(1000, 1000);
    RecordingDevice dc;
    d.render(&window, &dc);
    return dc.logicalLines;
}

TEST(Render, EmptyDrawingLeavesTheDeviceAlone) {
    for (const char* text : {"", "IN;SP1;", "PU10,10;"}) {
        const PlotDrawing d = drawingOf(text);
        test::FakeWindow window(640, 480);
        RecordingDevice dc;
        d.render(&window, &dc);
        d.render(nullptr, &dc);
        EXPECT_TRUE(dc.calls.empty()) << text;
        EXPECT_EQ(dc.mapMode, 1);
    }
}

TEST(Render, WindowMappingIsSetInOrderFromTheBounds) {
    const PlotDrawing d = drawingOf("PU1000,2000;PD5000,2000,5000,4000;");
    test::FakeWindow window(808, 608, 4, 4);
    RecordingDevice dc;
    d.render(&window, &dc);
    EXPECT_EQ(dc.mappingCalls(),
              (Calls{"SetMapMode 7", "SetWindowExtEx 4000,2000", "SetViewportExtEx 800,-600",
                     "SetViewportOrgEx 4,4", "SetWindowOrgEx 1000,4000"}));
    // 4000 x 2000 units into 800 x 600 pixels: 0.2 pixel a unit, anchored
    // at the upper-left margin, y growing upward.
    ASSERT_EQ(dc.deviceLines.size(), 2u);
    EXPECT_EQ(dc.deviceLines[0], (Segment{4, 404, 804, 404}));
    EXPECT_EQ(dc.deviceLines[1], (Segment{804, 404, 804, 4}));
}

TEST(Render, ShiftedCoordinatesReachTheDeviceAsFloorDivisions) {
    // 70000 needs shift 2; -3 >> 2 is -1, the floor of -3 / 4.
    const PlotDrawing d = drawingOf("PU-3,-3;PD70000,-3;");
    ASSERT_EQ(d.shift, 2);
    test::FakeWindow window(1000, 1000);
    RecordingDevice dc;
    d.render(&window, &dc);
    // (70000 + 3) >> 2 wide; no height, which goes to 1 rather than 0.
    EXPECT_EQ(dc.mappingCalls()[1], "SetWindowExtEx 17500,1");
    EXPECT_EQ(dc.mappingCalls()[4], "SetWindowOrgEx -1,-1");
    EXPECT_EQ(dc.logicalLines, (std::vector<Segment>{{-1, -1, 17500, -1}}));
}

struct PassCase {
    const char* text;
    std::vector<Segment> lines;  // logical units
};

class Pass : public ::testing::TestWithParam<PassCase> {};

TEST_P(Pass, DrawsEachSegmentOnceFromWhereThePenIs) {
    EXPECT_EQ(linesOf(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Pass,
    ::testing::Values(
        PassCase{"PU50,50;PD;PR100,0,0,100;", {{50, 50, 150, 50}, {150, 50, 150, 150}}},
        PassCase{"PU50,50;PR100,0;PD;PR0,100;", {{150, 50, 150, 150}}},  // a pen-up PR moves
        PassCase{"PU500,500;PD600,500;", {{500, 500, 600, 500}}},
        PassCase{"PD;PA100,100;", {{0, 0, 100, 100}}},
        PassCase{"PU10,10;PD;PA;PA100,100;", {{0, 0, 100, 100}}},  // PA; goes to (0, 0)
        PassCase{"PD10,10;IN;PA50,50;PD60,60;", {{0, 0, 10, 10}, {50, 50, 60, 60}}},
        PassCase{"PD10,10;SP2;PU;PD20,20;", {{0, 0, 10, 10}, {10, 10, 20, 20}}},
        PassCase{"PU5,5;PA10,10;PD20,20,30,10;", {{10, 10, 20, 20}, {20, 20, 30, 10}}}));

// Lines reach the device in batches of at most kBatch points; a polyline
// that does not fit goes on in the next batch from the point it reached.
constexpr int kBatch = DrawContext::kBatchPoints;
using Cut = std::vector<POINT>;  // a pen-up point, then pen-down points

// `n` points from (0, 100), no two in a row alike, then `tail`.
Cut zigzag(int n, const Cut& tail = {}) {
    Cut cut;
    for (int i = 0; i < n; ++i) cut.push_back({i % 2 * 7, 100 + i});
    cut.insert(cut.end(), tail.begin(), tail.end());
    return cut;
}

TEST(Render, BatchesDrawEveryLineOnceAcrossTheirBounds) {
    std::vector<Cut> twoPointCuts;
    for (int i = 0; i <= kBatch / 2; ++i) twoPointCuts.push_back({{i, 0}, {i, 50}});
    const struct {
        const char* what;
        std::vector<Cut> cuts;
        std::vector<int> batches;  // points a call, worked out by hand
    } cases[] = {
        {"zero-length cuts in a run and alone",
         {{{10, 10}, {20, 20}, {20, 20}, {30, 10}}, {{5, 5}, {5, 5}}},
         {8}},
        {"a run that fills a batch exactly, then goes on",
         {zigzag(kBatch, {{500, 500}})},
         {kBatch, 2}},
        {"a run over two batches", {zigzag(2 * kBatch + 6)}, {kBatch, kBatch, 8}},
        {"a zero-length cut with one place left",
         {zigzag(kBatch - 1, {{0, 98 + kBatch}, {9, 9}})},
         {kBatch - 1, 4}},
        {"two-point cuts that fill a batch exactly", twoPointCuts, {kBatch, 2}},
    };
    for (const auto& c : cases) {
        std::string text;
        std::vector<Segment> expected;
        for (const Cut& cut : c.cuts) {
            text += "PU" + std::to_string(cut[0].x) + "," + std::to_string(cut[0].y) + ";PD";
            for (std::size_t i = 1; i < cut.size(); ++i) {
                const POINT a = cut[i - 1], b = cut[i];
                text += (i > 1 ? "," : "") + std::to_string(b.x) + "," + std::to_string(b.y);
                // A cut back to where it starts is drawn one unit long.
                expected.push_back({a.x, a.y, b.x + (a.x == b.x && a.y == b.y), b.y});
            }
            text += ";";
        }
        const PlotDrawing d = drawingOf(text.c_str());
        test::FakeWindow window(1000, 1000);
        RecordingDevice dc;
        d.render(&window, &dc);
        EXPECT_EQ(dc.logicalLines, expected) << c.what;
        EXPECT_EQ(dc.batchPoints, c.batches) << c.what;
    }
}

TEST(Render, TrueScaleWhenTheMaximaFitThePaper) {
    // A printable area of 200 x 287 mm at 2400 x 3444 pixels.
    struct Case {
        const char* text;
        bool trueScale;
    } cases[] = {{"PU0,0;PD7999,11000;", true},
                 {"PU0,0;PD8000,11000;", false},
                 {"PU-9000,-9000;PD100,100;", true}};
    for (const Case& c : cases) {
        const PlotDrawing d = drawingOf(c.text);
        RecordingDevice dc;
        dc.caps[HORZSIZE] = 200;
        dc.caps[VERTSIZE] = 287;
        dc.caps[HORZRES] = 2400;
        dc.caps[VERTRES] = 3444;
        d.render(nullptr, &dc);
        const Calls mapping = dc.mappingCalls();
        if (c.trueScale) {
            EXPECT_EQ(mapping, (Calls{"SetMapMode 7", "SetWindowExtEx 8000,11480",
                                      "SetViewportExtEx 2400,-3444", "SetWindowOrgEx 0,11480"}))
                << c.text;
            // 40 units a millimetre: (0, 0) on the lower-left corner of the page.
            EXPECT_EQ(dc.deviceX(0), 0);
            EXPECT_EQ(dc.deviceY(0), 3444);
            EXPECT_EQ(dc.deviceX(4000), 1200);
        } else {
            EXPECT_EQ(mapping, (Calls{"SetMapMode 7", "SetWindowExtEx 8000,11000",
                                      "SetViewportExtEx 2400,-3444", "SetWindowOrgEx 0,11000"}))
                << c.text;
        }
    }
}

TEST(Render, TrueScalePageShiftDependsOnThePaper) {
    struct Case {
        int widthMm, heightMm, shift;
    } cases[] = {{210, 297, 0}, {841, 1189, 1}, {2000, 2000, 2}};
    for (const Case& c : cases) {
        const PlotDrawing d = drawingOf("PU0,0;PD4000,4000;");
        RecordingDevice dc;
        dc.caps[HORZSIZE] = c.widthMm;
        dc.caps[VERTSIZE] = c.heightMm;
        dc.caps[HORZRES] = 1000;
        dc.caps[VERTRES] = 1000;
        d.render(nullptr, &dc);
        const int pageY = (c.heightMm * 40) >> c.shift;
        EXPECT_EQ(dc.mappingCalls()[1], "SetWindowExtEx " +
                                            std::to_string((c.widthMm * 40) >> c.shift) + "," +
                                            std::to_string(pageY));
        EXPECT_EQ(dc.logicalLines,
                  (std::vector<Segment>{{0, 0, 4000 >> c.shift, 4000 >> c.shift}}));
    }
}

TEST(Render, DegenerateDrawingsAreStillDrawnInPlace) {
    struct Case {
        const char* text;
    } cases[] = {{"PU100,100;PD5000,100;"},
                 {"PU100,100;PD100,5000;"},
                 {"PU100,100;PD100,100;"},
                 {"PU-7,9;PD-7,9,-7,9;"}};
    for (const Case& c : cases) {
        const PlotDrawing d = drawingOf(c.text);
        test::FakeWindow window(408, 308, 4, 4);
        RecordingDevice dc;
        d.render(&window, &dc);
        // No zero extent reaches the platform, which would refuse it.
        for (const std::string& call : dc.mappingCalls()) {
            if (call.find("Ext") == std::string::npos) continue;
            EXPECT_EQ(call.find(" 0,"), std::string::npos) << c.text << ": " << call;
            EXPECT_NE(call.substr(call.size() - 2), ",0") << c.text << ": " << call;
        }
        ASSERT_FALSE(dc.deviceLines.empty()) << c.text;
        for (const Segment& s : dc.deviceLines) {
            // Inside the client area less its margins, and at least a pixel long.
            for (int x : {s.x1, s.x2}) EXPECT_TRUE(x >= 4 && x <= 404) << c.text;
            for (int y : {s.y1, s.y2}) EXPECT_TRUE(y >= 4 && y <= 304) << c.text;
            EXPECT_TRUE(s.x1 != s.x2 || s.y1 != s.y2) << c.text;
        }
    }
}

TEST(Render, TooSmallAClientAreaDrawsNothing) {
    const PlotDrawing d = drawingOf("PU0,0;PD100,100;");
    for (auto [w, h] : {std::pair{8, 100}, std::pair{100, 8}, std::pair{0, 0}, std::pair{5, 5}}) {
        test::FakeWindow window(w, h, 4, 4);
        RecordingDevice dc;
        d.render(&window, &dc);
        EXPECT_TRUE(dc.deviceLines.empty()) << w << "x" << h;
        EXPECT_EQ(dc.mapMode, 1) << w << "x" << h;
    }
}

TEST(Render, ProportionsAreKeptInAWideWindow) {
    const PlotDrawing d = drawingOf("PU0,0;PD1000,0,1000,1000,0,1000,0,0;");
    test::FakeWindow window(1608, 408, 4, 4);
    RecordingDevice dc;
    d.render(&window, &dc);
    EXPECT_EQ(dc.viewportExtX(), 400);  // reduced to the height: a square stays square
    EXPECT_EQ(dc.viewportExtY(), -400);
    ASSERT_EQ(dc.deviceLines.size(), 4u);
    EXPECT_EQ(dc.deviceLines[0], (Segment{4, 404, 404, 404}));
    EXPECT_EQ(dc.deviceLines[2], (Segment{404, 4, 4, 4}));
}

}  // namespace
}  // namespace kerfline
