// The cut model: a drawing walked as the knife sees it, and built back.
#include <gtest/gtest.h>

#include <string>

#include "cutting/cuts.h"
#include "test_support.h"

namespace kerfline {
namespace {

// "M x,y" a pen-up move, "C x,y x,y ..." a cut ("J" when joined, "C*" when
// closed), "K text" a kept instruction; steps separated by " | ".
std::string describe(const CutJob& job) {
    std::string text;
    for (const JobStep& step : job.steps) {
        if (!text.empty()) text += " | ";
        auto point = [&text](PlotPoint p) {
            text += std::to_string(p.x) + "," + std::to_string(p.y);
        };
        switch (step.kind) {
            case JobStep::Kind::Move:
                text += "M ";
                point(step.to);
                break;
            case JobStep::Kind::Kept:
                text += "K " + job.kept[step.kept].text;
                break;
            case JobStep::Kind::Cut:
                text += step.cut.joined ? "J" : "C";
                if (step.cut.closed()) text += "*";
                for (PlotPoint p : step.cut.points) {
                    text += ' ';
                    point(p);
                }
                break;
        }
    }
    return text;
}

using test::walkText;

struct WalkCase {
    const char* hpgl;
    const char* job;
};

class Walk : public ::testing::TestWithParam<WalkCase> {};

TEST_P(Walk, SeesWhatTheKnifeDoesAndBuildsItBack) {
    const CutJob job = walkText(GetParam().hpgl);
    EXPECT_EQ(describe(job), GetParam().job);

    // Built back and walked again: the same job, and the same drawing.
    test::ReadResult original;
    test::readInto(original, GetParam().hpgl);
    PlotDrawing built;
    buildDrawing(job, built);
    EXPECT_EQ(describe(walkCuts(built)), GetParam().job) << jobText(job);
    EXPECT_EQ(built.minX, original.drawing.minX);
    EXPECT_EQ(built.maxY, original.drawing.maxY);
    EXPECT_DOUBLE_EQ(built.totalTravel, original.drawing.totalTravel);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Walk,
    ::testing::Values(
        WalkCase{"", ""},
        WalkCase{"IN;SP1;PU100,100;PD200,100,200,200,100,100;PU0,0;",
                 "K IN; | K SP1; | M 100,100 | C* 100,100 200,100 200,200 100,100 | M 0,0"},
        // PD alone lowers the knife where it stands; PA then cuts.
        WalkCase{"PU5,5;PD;PA10,5,10,10;PU;PA20,20;", "M 5,5 | C 5,5 10,5 10,10 | M 20,20"},
        // PR offsets add up from where the pen stands, up or down.
        WalkCase{"PR10,10;PD;PR10,0,0,10,-10,-10;PU;",
                 "M 10,10 | C* 10,10 20,10 20,20 10,10"},
        // A speed change inside a shape splits it without lifting the knife.
        WalkCase{"PU0,10;PD10,10;VS5;PD10,20;PU;", "M 0,10 | C 0,10 10,10 | K VS5; | J 10,10 10,20"},
        // IN lifts the knife and goes home; the next PA moves with the knife up.
        WalkCase{"PD50,50;IN;PA60,60;PD70,70;",
                 "C 0,0 50,50 | K IN; | M 60,60 | C 60,60 70,70"},
        // PA without points goes home without cutting, even with the knife down.
        WalkCase{"PD50,50;PA;PA0,10;PU;", "C 0,0 50,50 | M 0,0 | C 0,0 0,10"},
        // A plunge: down and up without moving.
        WalkCase{"PU7,7;PD;PU;ZZ1,2;", "M 7,7 | C 7,7 | K ZZ1,2;"}));

TEST(CutJob, PenUpTravelCountsEveryMoveFromTheOrigin) {
    // (0,0) to (30,40): 50; the cut ends at (30,0); to (30,40): 40; home on IN: 50.
    const CutJob job = walkText("PU30,40;PD30,0;PD30,40;PU;IN;");
    EXPECT_EQ(describe(job), "M 30,40 | C* 30,40 30,0 30,40 | K IN;");
    EXPECT_DOUBLE_EQ(penUpTravel(job), 50.0 + 50.0);
    const CutJob moved = walkText("PD;PU30,0;PD30,40;PU;PU0,0;");
    EXPECT_DOUBLE_EQ(penUpTravel(moved), 30.0 + 50.0);
    EXPECT_EQ(moved.cutCount(), 2u);
}

TEST(CutJob, CorpusFilesWalkAndBuildBackUnchanged) {
    const auto dir = test::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "the shared HP-GL corpus is not beside the repository";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() == ".md") continue;
        PlotDrawing drawing;
        FileInput in(entry.path().string().c_str());
        readDrawing(in, drawing);
        const CutJob job = walkCuts(drawing);
        PlotDrawing built;
        buildDrawing(job, built);
        const CutJob again = walkCuts(built);
        EXPECT_EQ(describe(again), describe(job)) << entry.path();
        EXPECT_EQ(built.minX, drawing.minX) << entry.path();
        EXPECT_EQ(built.minY, drawing.minY) << entry.path();
        EXPECT_EQ(built.maxX, drawing.maxX) << entry.path();
        EXPECT_EQ(built.maxY, drawing.maxY) << entry.path();
        EXPECT_NEAR(built.totalTravel, drawing.totalTravel, 1e-6 * drawing.totalTravel)
            << entry.path();
        EXPECT_DOUBLE_EQ(penUpTravel(again), penUpTravel(job)) << entry.path();
        ++files;
    }
    EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace kerfline
