// A run of operations on one workpiece against the same operations on a
// drawing that is written and read back after each: the bytes written, the
// extent and the messages' figures must not tell them apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "cutting/check/repairs.h"
#include "cutting/cut_edits.h"
#include "cutting/cut_order.h"
#include "cutting/production/production.h"
#include "cutting/workpiece.h"
#include "dialect/converter.h"
#include "drawing/operations.h"
#include "tests/common/files.h"
#include "test_support.h"

namespace kerfline {
namespace {

PlotDrawing& drawingOf(Workpiece& piece) { return piece.drawing(); }
PlotDrawing& drawingOf(PlotDrawing& drawing) { return drawing; }

// The same steps on either: each operation names its overload once.
template <typename Target>
void knifeSteps(Target& t) {
    orderDrawing(t);
    overcutDrawing(t, 1.0);
    bladeOffsetDrawing(t, 0.5, true);
}
template <typename Target>
void repairsThenCopies(Target& t) {
    mergeDrawing(t, 0.2);
    closeDrawing(t, 0.5);
    simplifyDrawing(t, 0.05);
    dropDotsDrawing(t);
    copyDrawing(t, 2, 2, 3.0);
    orderDrawing(t);
}
template <typename Target>
void windowBetween(Target& t) {
    mirrorDrawing(t);
    rotateDrawing(drawingOf(t));
    passesDrawing(t, 2);
    scaleDrawing(drawingOf(t), 50);
    copyDrawing(t, 3, 1, 1.0);  // the copies' spacing reads the extent after the scale
    perforateDrawing(t, 2.0, 1.0);
    penDrawing(t, 1);
}
template <typename Target>
void weedAndWeld(Target& t) {
    weldDrawing(t);
    weedDrawing(t, 5.0, 20.0);
    bladeOffsetDrawing(t, 0.25, false);
    moveDrawing(drawingOf(t), 10, 20);
}

struct Steps {
    const char* name;
    std::function<void(Workpiece&)> onPiece;
    std::function<void(PlotDrawing&)> onDrawing;
};

class WorkpieceRun : public ::testing::TestWithParam<Steps> {};

TEST_P(WorkpieceRun, WritesWhatTheDrawingWrittenBackAfterEachStepWrites) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(KERF_TEST_CORPUS)) {
        if (entry.path().extension() == ".md") continue;
        SCOPED_TRACE(entry.path().filename().string());
        // The corpus is HP-GL/2: converted first, as convert would.
        const dialect::ConvertResult converted =
            dialect::convertPlot(test::readBytes(entry.path()), dialect::ConvertOptions{});
        if (converted.cuts == 0) continue;
        ++files;
        test::ReadResult one, each;
        test::readInto(one, converted.text());
        test::readInto(each, converted.text());
        Workpiece piece(one.drawing);
        GetParam().onPiece(piece);
        GetParam().onDrawing(each.drawing);

        PlotPoint low, high;
        ASSERT_EQ(piece.extent(low, high), each.drawing.hasExtent());
        if (each.drawing.hasExtent()) {
            EXPECT_EQ(low, (PlotPoint{each.drawing.minX, each.drawing.minY}));
            EXPECT_EQ(high, (PlotPoint{each.drawing.maxX, each.drawing.maxY}));
        }
        MemoryOutput out;
        piece.write(out);
        EXPECT_EQ(out.str(), test::written(each.drawing));
        piece.finish();
        EXPECT_EQ(test::written(one.drawing), test::written(each.drawing));
        EXPECT_EQ(one.drawing.totalTravel, each.drawing.totalTravel);
    }
    EXPECT_GE(files, 10);
}

#define KERF_STEPS(name) \
    Steps { #name, [](Workpiece& p) { name(p); }, [](PlotDrawing& d) { name(d); } }

INSTANTIATE_TEST_SUITE_P(Corpus, WorkpieceRun,
                         ::testing::Values(KERF_STEPS(knifeSteps), KERF_STEPS(repairsThenCopies),
                                           KERF_STEPS(windowBetween), KERF_STEPS(weedAndWeld)),
                         [](const auto& info) { return std::string(info.param.name); });

// Jobs as the operations leave them: cuts that start away from the knife or
// where it is still down, joins that no longer go on, empty cuts, plunges,
// homes and kept instructions between, on a small grid so that points meet.
CutJob randomJob(std::mt19937& random) {
    CutJob job;
    auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto point = [&] { return PlotPoint{pick(4) * 10, pick(4) * 10}; };
    for (int n = pick(14); n > 0; --n) {
        JobStep& step = job.steps.emplace_back();
        switch (pick(4)) {
            case 0:
                step.kind = JobStep::Kind::Move;
                step.to = point();
                break;
            case 1:
                step.kind = JobStep::Kind::Kept;
                step.kept = job.kept.size();
                job.kept.push_back(keptInstruction(pick(3) == 0 ? "IN;" : pick(2) ? "VS5;" : "SP2;"));
                break;
            default:
                step.kind = JobStep::Kind::Cut;
                for (int k = pick(5); k > 0; --k) step.cut.points.push_back(point());
                step.cut.joined = pick(2) == 0;
                break;
        }
    }
    return job;
}

// settleJob against the long way: the job written, read by the program's
// reader and walked again. Both layouts of the text read into the same job,
// and the box of the cuts is the extent of the drawing read.
TEST(SettleJob, GivesWhatWritingAndReadingGiveOnRandomJobs) {
    std::mt19937 random(25);
    int settled = 0, refused = 0;
    for (int round = 0; round < 3000; ++round) {
        const CutJob job = randomJob(random);
        PlotDrawing drawing, lines;
        buildDrawing(job, drawing);
        buildDrawing(job, lines, kConvertLayout);
        const CutJob expected = walkCuts(drawing);
        ASSERT_EQ(jobText(walkCuts(lines)), jobText(expected)) << jobText(job);

        PlotBox box;
        ASSERT_EQ(cutBounds(job, box), drawing.hasExtent()) << jobText(job);
        if (!box.empty()) {
            EXPECT_EQ(box.low, (PlotPoint{drawing.minX, drawing.minY})) << jobText(job);
            EXPECT_EQ(box.high, (PlotPoint{drawing.maxX, drawing.maxY})) << jobText(job);
        }

        CutJob settling = job;
        if (!settleJob(settling)) {
            ++refused;
            continue;
        }
        ++settled;
        ASSERT_EQ(settling.steps.size(), expected.steps.size()) << jobText(job);
        for (std::size_t i = 0; i < expected.steps.size(); ++i) {
            const JobStep& a = settling.steps[i];
            const JobStep& b = expected.steps[i];
            ASSERT_EQ(a.kind, b.kind) << i << " in " << jobText(job);
            if (a.kind == JobStep::Kind::Move) EXPECT_EQ(a.to, b.to) << i << " in " << jobText(job);
            if (a.kind == JobStep::Kind::Cut) {
                EXPECT_EQ(a.cut.points, b.cut.points) << i << " in " << jobText(job);
                EXPECT_EQ(a.cut.joined, b.cut.joined) << i << " in " << jobText(job);
            }
            if (a.kind == JobStep::Kind::Kept) {
                EXPECT_EQ(settling.kept[a.kept].text, expected.kept[b.kept].text);
                EXPECT_EQ(settling.kept[a.kept].mnemonic, expected.kept[b.kept].mnemonic);
            }
        }
    }
    // Both ways are met often.
    EXPECT_GT(settled, 2000);
    EXPECT_GT(refused, 10);
}

// Convert's layout: a line for each instruction, a PD of 22 points split
// after its twentieth, and the knife lifted where it ends.
TEST(WriteJob, ConvertsLayoutBreaksLinesAndLongCuts) {
    CutJob job;
    job.kept.push_back(keptInstruction("IN;"));
    job.steps.push_back({JobStep::Kind::Kept, {}, {}, 0});
    JobStep cut;
    cut.kind = JobStep::Kind::Cut;
    std::string points;
    for (int i = 0; i <= 22; ++i) {
        cut.cut.points.push_back({i, 0});
        if (i > 0) points += (i == 1 ? "" : i == 21 ? ";\nPD" : ",") + std::to_string(i) + ",0";
    }
    job.steps.push_back(cut);
    job.steps.push_back({JobStep::Kind::Move, {22, 0}, {}, 0});
    MemoryOutput out;
    writeJob(out, job, kConvertLayout);
    EXPECT_EQ(out.str(), "IN;\nPD" + points + ";\nPU22,0;\n");
}

// What a job reads back into, by hand: a cut away from the knife gains its
// pen-up move, a joined cut that no longer goes on loses the join, an empty
// cut goes; a plunge that would go on from the cut before cannot be settled.
TEST(SettleJob, GivesWhatTheJobsTextReadsBackInto) {
    for (const char* text : {"PU0,0;PD100,0;PU;VS5;PD100,100;", "IN;PD10,10,20,20;SP2;PD30,30;PU50,50;PD60,60;",
                             "PA100,100;PD;PU;PD200,200;PU300,300;"}) {
        SCOPED_TRACE(text);
        CutJob job = test::walkText(text);
        // Reversing every cut puts them where the knife is not.
        for (JobStep& step : job.steps)
            if (step.kind == JobStep::Kind::Cut) std::reverse(step.cut.points.begin(), step.cut.points.end());
        const std::string before = jobText(job);
        ASSERT_TRUE(settleJob(job));
        EXPECT_EQ(jobText(job), before);
        EXPECT_EQ(jobText(job), jobText(test::walkText(before)));
        EXPECT_EQ(job.steps.size(), test::walkText(before).steps.size());
    }
    CutJob plunge = test::walkText("PD10,10;SP2;PD;");
    ASSERT_EQ(plunge.cutCount(), 1u);
    JobStep extra;
    extra.kind = JobStep::Kind::Cut;
    extra.cut.points = {{10, 10}};
    extra.cut.joined = true;
    plunge.steps.push_back(extra);
    EXPECT_FALSE(settleJob(plunge));
}

}  // namespace
}  // namespace kerfline
