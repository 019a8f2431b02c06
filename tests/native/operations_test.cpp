// Frame, Scale, Rotate and Move on whole drawings.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "drawing/operations.h"
#include "test_support.h"

namespace kerfline {
namespace {

struct OperationCase {
    const char* name;
    const char* before;
    std::function<void(PlotDrawing&)> operation;
    const char* after;  // the drawing as written afterwards
};

class Operation : public ::testing::TestWithParam<OperationCase> {};

TEST_P(Operation, ChangesTheDrawingAndRecomputes) {
    const OperationCase& c = GetParam();
    test::ReadResult r;
    test::readInto(r, c.before);
    ASSERT_FALSE(r.failed);
    c.operation(r.drawing);
    EXPECT_EQ(test::written(r.drawing), c.after);

    // The statistics are those of the changed drawing, as a fresh read gives them.
    test::ReadResult fresh;
    test::readInto(fresh, c.after);
    EXPECT_EQ(r.drawing.minX, fresh.drawing.minX);
    EXPECT_EQ(r.drawing.minY, fresh.drawing.minY);
    EXPECT_EQ(r.drawing.maxX, fresh.drawing.maxX);
    EXPECT_EQ(r.drawing.maxY, fresh.drawing.maxY);
    EXPECT_EQ(r.drawing.shift, fresh.drawing.shift);
    EXPECT_DOUBLE_EQ(r.drawing.totalTravel, fresh.drawing.totalTravel);
}

auto frame(int mm) {
    return [mm](PlotDrawing& d) { frameDrawing(d, mm); };
}
auto scale(int percent) {
    return [percent](PlotDrawing& d) { scaleDrawing(d, percent); };
}
auto rotate(int times) {
    return [times](PlotDrawing& d) {
        for (int i = 0; i < times; ++i) rotateDrawing(d);
    };
}
auto moveTo(int x, int y) {
    return [x, y](PlotDrawing& d) { moveDrawing(d, x, y); };
}

const char* const kBox = "IN;SP1;PU1000,2000;PD5000,2000,5000,6000,1000,6000,1000,2000;PU0,0;";

INSTANTIATE_TEST_SUITE_P(
    Cases, Operation,
    ::testing::Values(
        OperationCase{"FrameBeforeTheFirstMovement", kBox, frame(10),
                      "IN;SP1;PU600,1600;PD600,6400,5400,6400,5400,1600,600,1600;PU0,0;"
                      "PU1000,2000;PD5000,2000,5000,6000,1000,6000,1000,2000;PU0,0;"},
        OperationCase{"FrameTwiceStandsOutsideAndBefore", "PU1000,2000;PD5000,6000;",
                      [](PlotDrawing& d) {
                          frameDrawing(d, 10);
                          frameDrawing(d, 10);
                      },
                      "PU200,1200;PD200,6800,5800,6800,5800,1200,200,1200;PU0,0;"
                      "PU600,1600;PD600,6400,5400,6400,5400,1600,600,1600;PU0,0;"
                      "PU1000,2000;PD5000,6000;"},
        OperationCase{"FrameZeroLiesOnTheBounds", "PU0,0;PD400,400;", frame(0),
                      "PU0,0;PD0,400,400,400,400,0,0,0;PU0,0;PU0,0;PD400,400;"},
        OperationCase{"FrameNegativeLiesInside", "PU0,0;PD400,400;", frame(-2),
                      "PU80,80;PD80,320,320,320,320,80,80,80;PU0,0;PU0,0;PD400,400;"},
        OperationCase{"FrameCornerBelowTheOrigin", "PU0,0;PD400,400;", frame(10),
                      "PU-400,-400;PD-400,800,800,800,800,-400,-400,-400;PU0,0;PU0,0;PD400,400;"},
        OperationCase{"FramePassesOverUnknownCommands", "pu5,5;LT;PD;PA10,10;", frame(1),
                      "pu5,5;LT;PU-40,-40;PD-40,50,50,50,50,-40,-40,-40;PU0,0;PD;PA10,10;"},
        OperationCase{"Scale100ChangesNothing", kBox, scale(100), kBox},
        OperationCase{"ScaleHalfAboutTheOrigin", "PU1000,2000;PD3,-3;PR10,10;", scale(50),
                      "PU500,1000;PD1,-1;PR5,5;"},
        OperationCase{"ScaleZeroSendsPointsToTheOrigin", "PU1000,2000;PD3,-3;", scale(0),
                      "PU0,0;PD0,0;"},
        OperationCase{"ScaleNegativeTurnsHalfAround", "PU1000,2000;PD3,-3;", scale(-100),
                      "PU-1000,-2000;PD-3,3;"},
        OperationCase{"ScaleSaturatesAtTheLimits", "PU1,1;PD2000000000,-2000000000;", scale(200),
                      "PU2,2;PD2147483647,-2147483648;"},
        OperationCase{"RotateWithinTheBounds", "PU4000,0;PD0,1000;", rotate(1),
                      "PU0,0;PD1000,4000;"},
        OperationCase{"RotateFourTimesGivesItBack", kBox, rotate(4), kBox},
        OperationCase{"RotateRelativeOffsetsOnlyTurn", "PU100,0;PD;PR10,0;", rotate(1),
                      "PU0,110;PD;PR0,-10;"},  // sum = 100 + 110
        OperationCase{"MoveToTheOrigin", "PU1000,2000;PD5000,6000;PR10,10;", moveTo(0, 0),
                      "PU0,0;PD4000,4000;PR10,10;"},
        OperationCase{"MoveTwiceChangesNothingTheSecondTime", "PU1000,2000;PD5000,6000;",
                      [](PlotDrawing& d) {
                          moveDrawing(d, 3, 4);
                          moveDrawing(d, 3, 4);
                      },
                      "PU120,160;PD4120,4160;"},
        OperationCase{"MoveLandsOnWholeMillimetres", "PU1010,2030;PD1050,2070;", moveTo(25, 50),
                      "PU1000,2000;PD1040,2040;"},
        OperationCase{"MoveNegativeMillimetres", "PU0,0;PD40,40;", moveTo(-3, 4),
                      "PU-120,160;PD-80,200;"},
        // Offsets that leave the 32-bit range wrap rather than overflow.
        OperationCase{"MoveWrapsAtTheRange", "PU0,0;PD40,40;", moveTo(53687091, 0),
                      "PU2147483640,0;PD-2147483616,40;"},
        OperationCase{"FrameWrapsAtTheRange", "PU0,0;PD40,40;", frame(2147483647),
                      "PU40,40;PD40,0,0,0,0,40,40,40;PU0,0;PU0,0;PD40,40;"}));

TEST(Operations, DrawingsWithoutAnExtentAreLeftAlone) {
    for (const char* text : {"", "IN;SP1;", "PU1000,1000;", "PA5,5;PR5,5;"}) {
        const std::function<void(PlotDrawing&)> operations[] = {frame(10), scale(50), rotate(1),
                                                                moveTo(3, 3)};
        for (const auto& op : operations) {
            test::ReadResult r;
            test::readInto(r, text);
            r.drawing.totalTravel = 123;  // not recomputed either
            op(r.drawing);
            EXPECT_EQ(test::written(r.drawing), text);
            EXPECT_EQ(r.drawing.totalTravel, 123);
        }
    }
}

TEST(Operations, FrameCommandsAreOrdinaryCommands) {
    test::ReadResult r;
    test::readInto(r, "PU0,0;PD400,400;");
    frameDrawing(r.drawing, 10);
    ASSERT_EQ(r.drawing.commands.size(), 5u);
    EXPECT_EQ(r.drawing.commands[0].mnemonic(), mnemonic::PU);
    EXPECT_EQ(r.drawing.commands[1].points().size(), 4u);
    EXPECT_EQ(r.drawing.commands[1].text(), nullptr);
    EXPECT_EQ(r.drawing.minX, -400);
    EXPECT_EQ(r.drawing.maxY, 800);
    EXPECT_DOUBLE_EQ(r.drawing.totalTravel, 4 * 1200 + std::hypot(400.0, 400.0));
}

}  // namespace
}  // namespace kerfline
