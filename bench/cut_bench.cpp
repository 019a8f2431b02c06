// The cutting tools on generated jobs of 100,000 cuts (letters with
// counters on a large sheet; nested shapes, some overlapping; both in
// scrambled order) and on the shared corpus:
// time, pen-up travel before and after --order, and the drag knife's tip
// deviation with and without --blade-offset, on the corpus and on the shapes
// the tests cut.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>

#include "bench/corpus.h"
#include "cutting/cut_edits.h"
#include "cutting/cut_order.h"
#include "dialect/converter.h"
#include "hpgl/reader.h"
#include "tests/native/drag_knife.h"

namespace {

using namespace kerfline;

// A job of these cuts, one after the other.
CutJob jobOf(std::vector<std::vector<PlotPoint>> cuts) {
    CutJob job;
    for (auto& points : cuts) {
        JobStep step;
        step.kind = JobStep::Kind::Cut;
        step.cut.points = std::move(points);
        job.steps.push_back(std::move(step));
    }
    return job;
}

// About 66,700 letters, every second with a counter: 100,000 cuts.
const CutJob& bigJob() {
    static const CutJob job = [] {
        std::mt19937 random(2026);
        std::vector<std::vector<PlotPoint>> cuts;
        const int side = 259;  // 259 x 259 cells of 10 x 10 mm, 2.6 m square
        std::vector<int> cells(side * side);
        for (std::size_t c = 0; c < cells.size(); ++c) cells[c] = static_cast<int>(c);
        std::shuffle(cells.begin(), cells.end(), random);
        for (std::size_t k = 0; cuts.size() < 100000; ++k) {
            const int x = cells[k] % side * 400 + static_cast<int>(random() % 80);
            const int y = cells[k] / side * 400 + static_cast<int>(random() % 80);
            cuts.push_back({{x, y}, {x + 240, y}, {x + 240, y + 300}, {x, y + 300}, {x, y}});
            if (k % 2 == 0 && cuts.size() < 100000)
                cuts.push_back({{x + 60, y + 60}, {x + 60, y + 200}, {x + 180, y + 200}, {x + 180, y + 60}, {x + 60, y + 60}});
        }
        return jobOf(std::move(cuts));
    }();
    return job;
}

void BM_Order100kCuts(benchmark::State& state) {
    OrderTravel travel;
    for (auto _ : state) {
        state.PauseTiming();
        CutJob job = bigJob();
        state.ResumeTiming();
        travel = orderCuts(job, state.range(0) != 0);
        benchmark::DoNotOptimize(job.steps.data());
    }
    state.counters["before_m"] = travel.before / kUnitsPerMm / 1000.0;
    state.counters["after_m"] = travel.after / kUnitsPerMm / 1000.0;
}
BENCHMARK(BM_Order100kCuts)->Arg(0)->Arg(1)->ArgNames({"improve"})->Unit(benchmark::kMillisecond)->Iterations(3);

// 25,000 groups of four nested shapes, squares and circles of 24 corners,
// 3 to 20 mm across, at random places on a 4.5 m sheet, two groups in three
// reaching into another: 100,000 cuts, holes in holes and outlines
// crossing, in scrambled order.
const CutJob& nestedJob() {
    static const CutJob job = [] {
        std::mt19937 random(2027);
        std::vector<std::vector<PlotPoint>> cuts;
        for (int g = 0; g < 25000; ++g) {
            const int cx = static_cast<int>(random() % 180000), cy = static_cast<int>(random() % 180000);
            int r = 200 + static_cast<int>(random() % 200);
            for (int d = 0; d < 4; ++d, r = r * 2 / 3) {
                std::vector<PlotPoint> points;
                if (random() % 2) {
                    points = {{cx - r, cy - r}, {cx + r, cy - r}, {cx + r, cy + r}, {cx - r, cy + r}};
                } else {
                    for (int k = 0; k < 24; ++k)
                        points.push_back({cx + static_cast<int>(std::lround(r * std::cos(k * std::numbers::pi / 12))),
                                          cy + static_cast<int>(std::lround(r * std::sin(k * std::numbers::pi / 12)))});
                }
                points.push_back(points.front());
                cuts.push_back(std::move(points));
            }
        }
        std::shuffle(cuts.begin(), cuts.end(), random);
        return jobOf(std::move(cuts));
    }();
    return job;
}

void BM_Order100kNestedCuts(benchmark::State& state) {
    OrderTravel travel;
    for (auto _ : state) {
        state.PauseTiming();
        CutJob job = nestedJob();
        state.ResumeTiming();
        travel = orderCuts(job);
        benchmark::DoNotOptimize(job.steps.data());
    }
    state.counters["before_m"] = travel.before / kUnitsPerMm / 1000.0;
    state.counters["after_m"] = travel.after / kUnitsPerMm / 1000.0;
}
BENCHMARK(BM_Order100kNestedCuts)->Unit(benchmark::kMillisecond)->Iterations(3);

// The worst case for a grid: 100,000 cuts on one spot, strokes and squares.
void BM_Order100kPiledCuts(benchmark::State& state) {
    CutJob piled;
    for (int k = 0; k < 100000; ++k) {
        JobStep step;
        step.kind = JobStep::Kind::Cut;
        if (k % 2)
            step.cut.points = {{1000, 1000}, {1400, 1000}};
        else
            step.cut.points = {{1000, 1000}, {1400, 1000}, {1400, 1400}, {1000, 1400}, {1000, 1000}};
        piled.steps.push_back(std::move(step));
    }
    for (auto _ : state) {
        state.PauseTiming();
        CutJob job = piled;
        state.ResumeTiming();
        benchmark::DoNotOptimize(orderCuts(job).after);
    }
}
BENCHMARK(BM_Order100kPiledCuts)->Unit(benchmark::kMillisecond)->Iterations(1);

// The tip's worst deviations over eight start headings of the blade, the
// first cuts that the drawing has not (a precut) left unmeasured; and the
// least clearance of a precut's tip from the drawing's box.
struct KnifeFigures {
    double farthest = 0.0;
    double missedCorner = 0.0;
    double laterFarthest = 0.0;  // from the second cut on
    double laterMissedCorner = 0.0;
    double clearance = std::numeric_limits<double>::infinity();
};

KnifeFigures knifeFigures(const CutJob& axis, const CutJob& drawing, double r, double step) {
    KnifeFigures figures;
    const std::size_t cuts = axis.cutCount(), wanted = drawing.cutCount();
    for (int k = 0; k < 8; ++k) {
        test::KnifeStart start;
        start.heading = k * 3.14159265358979323846 / 4.0;
        start.leadingCuts = cuts > wanted ? cuts - wanted : 0;
        start.step = step;
        const test::TipDeviation tip = test::simulateTip(axis, drawing, r, start);
        figures.farthest = std::max(figures.farthest, tip.farthest);
        figures.missedCorner = std::max(figures.missedCorner, tip.missedCorner);
        figures.laterFarthest = std::max(figures.laterFarthest, tip.laterFarthest);
        figures.laterMissedCorner = std::max(figures.laterMissedCorner, tip.laterMissedCorner);
        figures.clearance = std::min(figures.clearance, tip.leadingClearance);
    }
    return figures;
}

// The drawing's job without and with --blade-offset, through the saved text.
void printKnifeFigures(const char* name, const CutJob& original, double r, double step) {
    const KnifeFigures without = knifeFigures(original, original, r, step);
    CutJob axis = original;
    bladeOffsetJob(axis, r, true);
    PlotDrawing built;
    buildDrawing(axis, built);
    const KnifeFigures with = knifeFigures(walkCuts(built), original, r, step);
    std::printf("%-40s cuts %6zu  tip off drawing %6.3f -> %6.3f mm, corner missed %6.3f -> %6.3f mm",
                name, original.cutCount(), without.farthest / kUnitsPerMm, with.farthest / kUnitsPerMm,
                without.missedCorner / kUnitsPerMm, with.missedCorner / kUnitsPerMm);
    if (original.cutCount() > 1)
        std::printf("; from the second cut on %.3f -> %.3f, %.3f -> %.3f mm", without.laterFarthest / kUnitsPerMm,
                    with.laterFarthest / kUnitsPerMm, without.laterMissedCorner / kUnitsPerMm,
                    with.laterMissedCorner / kUnitsPerMm);
    if (with.clearance < std::numeric_limits<double>::infinity())
        std::printf(", precut %.2f mm clear", with.clearance / kUnitsPerMm);
    std::printf("\n");
}

// Once, per corpus file: pen-up travel, and the tip's worst distance from
// the drawing and from a corner with a 0.5 mm knife, whatever way the blade
// points at the start.
void BM_CorpusFigures(benchmark::State& state) {
    bench::forEachCorpusDrawing(state, [](const std::string& name, const PlotDrawing& drawing) {
        const CutJob original = walkCuts(drawing);
        CutJob ordered = original;
        const OrderTravel travel = orderCuts(ordered);
        std::printf("%-40s pen-up %9.1f -> %9.1f mm\n", name.c_str(), travel.before / kUnitsPerMm,
                    travel.after / kUnitsPerMm);
        printKnifeFigures(name.c_str(), original, 0.5 * kUnitsPerMm, 1.0);
    });
}
BENCHMARK(BM_CorpusFigures)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same knife on the shapes the tests cut and on the repository's own
// corpus of dialect files, converted to cutter HP-GL first.
void BM_KnifeShapes(benchmark::State& state) {
    sortMnemonicTable();
    for (auto _ : state) {
        for (const test::KnifeShape& shape : test::knifeShapes()) {
            PlotDrawing drawing;
            MemoryInput in(shape.hpgl);
            readDrawing(in, drawing);
            printKnifeFigures(shape.name, walkCuts(drawing), 0.5 * kUnitsPerMm, 0.25);
        }
        for (const auto& entry : std::filesystem::directory_iterator(KERF_TEST_CORPUS)) {
            if (entry.path().extension() == ".md") continue;
            std::ifstream file(entry.path(), std::ios::binary);
            const std::string bytes{std::istreambuf_iterator<char>(file), {}};
            const dialect::ConvertResult converted = dialect::convertPlot(bytes, {});
            PlotDrawing drawing;
            MemoryInput in(converted.text());
            readDrawing(in, drawing);
            printKnifeFigures(entry.path().filename().string().c_str(), walkCuts(drawing), 0.5 * kUnitsPerMm, 0.25);
        }
    }
}
BENCHMARK(BM_KnifeShapes)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
