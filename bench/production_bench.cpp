// The production operations: weed lines as the program lays them (each
// line's blocked stretches worked out from the segments near it) against
// the same done with Boost.Geometry (the design buffered by the clearance,
// each line the difference with it, closed shapes found through an R-tree),
// on generated sheets of letters and on the shared corpus; and, once per
// corpus file, what every operation does to the cut and the pen-up travel.
#include <benchmark/benchmark.h>

#include <boost/geometry.hpp>
#include <boost/geometry/index/rtree.hpp>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "bench/corpus.h"
#include "cutting/cut_order.h"
#include "cutting/production/production.h"
#include "hpgl/reader.h"

namespace {

using namespace kerfline;
namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;
using BPoint = bg::model::d2::point_xy<double>;
using BLine = bg::model::linestring<BPoint>;
using BLines = bg::model::multi_linestring<BLine>;
using BPolygon = bg::model::polygon<BPoint>;
using BPolygons = bg::model::multi_polygon<BPolygon>;
using BBox = bg::model::box<BPoint>;

// `side` x `side` letters of 6 x 7.5 mm in cells of 10 mm, every second
// with a counter.
CutJob sheet(int side) {
    std::mt19937 random(2026);
    CutJob job;
    const auto add = [&job](std::vector<PlotPoint> points) {
        JobStep step;
        step.kind = JobStep::Kind::Cut;
        step.cut.points = std::move(points);
        job.steps.push_back(std::move(step));
    };
    for (int k = 0; k < side * side; ++k) {
        const int x = k % side * 400 + static_cast<int>(random() % 80);
        const int y = k / side * 400 + static_cast<int>(random() % 80);
        add({{x, y}, {x + 240, y}, {x + 240, y + 300}, {x, y + 300}, {x, y}});
        if (k % 2 == 0) add({{x + 60, y + 60}, {x + 60, y + 200}, {x + 180, y + 200}, {x + 180, y + 60}, {x + 60, y + 60}});
    }
    return job;
}

struct Pieces {
    std::size_t count = 0;
    double length = 0.0;
};

// The weed lines of `job` across the box `boxDistance` outside it, as a
// general geometry library lays them.
Pieces boostWeedLines(const CutJob& job, double boxDistance, double spacing) {
    BLines design;
    std::vector<BPolygon> shapes;
    PlotBox bounds;
    cutBounds(job, bounds);
    for (const JobStep& step : job.steps) {
        if (step.kind != JobStep::Kind::Cut) continue;
        BLine line;
        for (const PlotPoint p : step.cut.points) line.push_back({double(p.x), double(p.y)});
        if (line.size() == 1) line.push_back({line[0].x() + 0.01, line[0].y()});
        design.push_back(line);
        if (step.cut.closed()) {
            BPolygon shape;
            bg::assign_points(shape, line);
            bg::correct(shape);
            shapes.push_back(std::move(shape));
        }
    }
    BPolygons widened;
    bg::buffer(design, widened, bg::strategy::buffer::distance_symmetric<double>(20),
               bg::strategy::buffer::side_straight(), bg::strategy::buffer::join_round(36),
               bg::strategy::buffer::end_round(36), bg::strategy::buffer::point_circle(36));
    std::vector<std::pair<BBox, std::size_t>> boxes;
    for (std::size_t s = 0; s < shapes.size(); ++s) boxes.emplace_back(bg::return_envelope<BBox>(shapes[s]), s);
    const bgi::rtree<std::pair<BBox, std::size_t>, bgi::quadratic<16>> index(boxes);

    const double x0 = bounds.low.x - boxDistance, y0 = bounds.low.y - boxDistance;
    const double x1 = bounds.high.x + boxDistance, y1 = bounds.high.y + boxDistance;
    Pieces pieces;
    for (const bool horizontal : {true, false}) {
        const double low = horizontal ? y0 : x0, high = horizontal ? y1 : x1;
        for (double at = std::round(low + spacing); at < high; at = std::round(at + spacing)) {
            BLine line;
            if (horizontal) {
                line = {{x0, at}, {x1, at}};
            } else {
                line = {{at, y0}, {at, y1}};
            }
            BLines clear;
            bg::difference(line, widened, clear);
            for (const BLine& piece : clear) {
                const double length = static_cast<double>(bg::length(piece));
                if (length < 40) continue;
                BPoint middle((piece.front().x() + piece.back().x()) / 2, (piece.front().y() + piece.back().y()) / 2);
                bool inside = false;
                for (auto it = index.qbegin(bgi::contains(middle)); it != index.qend() && !inside; ++it)
                    inside = bg::within(middle, shapes[it->second]);
                if (inside) continue;
                ++pieces.count;
                pieces.length += length;
            }
        }
    }
    return pieces;
}

void BM_WeedLines(benchmark::State& state) {
    const CutJob job = sheet(static_cast<int>(state.range(0)));
    WeedFigures figures;
    for (auto _ : state) {
        state.PauseTiming();
        CutJob weeded = job;
        state.ResumeTiming();
        figures = weedJob(weeded, {200, 800});
        benchmark::DoNotOptimize(weeded.steps.data());
    }
    state.counters["cuts"] = static_cast<double>(job.cutCount());
    state.counters["pieces"] = static_cast<double>(figures.pieces);
    state.counters["length_m"] = figures.length / kUnitsPerMm / 1000;
}
BENCHMARK(BM_WeedLines)->Arg(20)->Arg(40)->Arg(100)->Arg(259)->ArgNames({"side"})->Unit(benchmark::kMillisecond);

void BM_WeedLinesBoost(benchmark::State& state) {
    const CutJob job = sheet(static_cast<int>(state.range(0)));
    Pieces pieces;
    for (auto _ : state) pieces = boostWeedLines(job, 200, 800);
    state.counters["cuts"] = static_cast<double>(job.cutCount());
    state.counters["pieces"] = static_cast<double>(pieces.count);
    state.counters["length_m"] = pieces.length / kUnitsPerMm / 1000;
}
BENCHMARK(BM_WeedLinesBoost)->Arg(20)->Arg(40)->ArgNames({"side"})->Unit(benchmark::kMillisecond)->Iterations(1);

// Once, per corpus file: weed lines (box 5 mm, every 20 mm) by both ways,
// and the cut and pen-up travel after each operation, in millimetres.
void BM_ProductionCorpus(benchmark::State& state) {
    bench::forEachCorpusDrawing(state, [](const std::string& name, const PlotDrawing& drawing) {
        const CutJob original = walkCuts(drawing);
        if (original.cutCount() == 0) return;
        const auto mm = [](double units) { return units / kUnitsPerMm; };
        std::printf("%s: %zu cuts, cut %.1f mm, pen-up %.1f mm\n", name.c_str(),
                    original.cutCount(), mm(cutTravel(original)), mm(penUpTravel(original)));

        CutJob weeded = original;
        const auto start = std::chrono::steady_clock::now();
        const WeedFigures figures = weedJob(weeded, {200, 800});
        const auto middle = std::chrono::steady_clock::now();
        const Pieces other = boostWeedLines(original, 200, 800);
        const auto end = std::chrono::steady_clock::now();
        const auto ms = [](auto d) { return std::chrono::duration<double, std::milli>(d).count(); };
        CutJob ordered = weeded;
        const OrderTravel travel = orderCuts(ordered);
        std::printf("  weed box 5 + lines 20: %zu pieces, %.1f mm, %.2f ms (Boost.Geometry: %zu pieces, %.1f mm, "
                    "%.1f ms); pen-up %.1f mm, %.1f after --order\n",
                    figures.pieces, mm(figures.length), ms(middle - start), other.count, mm(other.length),
                    ms(end - middle), mm(penUpTravel(weeded)), mm(travel.after));
        CutJob mirrored = original;
        mirrorJob(mirrored);
        std::printf("  mirror: cut %.1f mm, pen-up %.1f mm\n", mm(cutTravel(mirrored)), mm(penUpTravel(mirrored)));
        CutJob three = original;
        passesJob(three, 3);
        std::printf("  passes 3: cut %.1f mm, pen-up %.1f mm, %zu cuts\n", mm(cutTravel(three)),
                    mm(penUpTravel(three)), three.cutCount());
        CutJob dashed = original;
        perforateJob(dashed, 2 * kUnitsPerMm, 1 * kUnitsPerMm);
        std::printf("  perforate 2,1: cut %.1f mm, pen-up %.1f mm, %zu dashes\n", mm(cutTravel(dashed)),
                    mm(penUpTravel(dashed)), dashed.cutCount());
        for (std::int32_t pen = 1; pen <= 8; ++pen) {
            CutJob one = original;
            const std::size_t kept = penJob(one, pen);
            if (kept == 0) continue;
            std::printf("  pen %d: %zu cuts, cut %.1f mm, pen-up %.1f mm\n", pen, kept, mm(cutTravel(one)),
                        mm(penUpTravel(one)));
        }
    });
}
BENCHMARK(BM_ProductionCorpus)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
