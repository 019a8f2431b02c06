// check on a job of 100,000 cuts: letters with counters on a large sheet,
// as squares (the cutting tools' job) and as rounded letters of 32 points a
// ring; and the repairs on the same.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <string>

#include "cutting/check/job_faults.h"
#include "cutting/check/repairs.h"
#include "hpgl/reader.h"

namespace {

using namespace kerfline;

// 100,000 cuts in 10 x 10 mm cells of a 2.6 m sheet, every second letter
// with a counter; `round`: each ring an ellipse of 32 points, else a square.
// One letter in a hundred is cut twice, one in a hundred left open by
// 0.2 mm (a rounded one's last segment then passes its start: no gap), one
// in a hundred has a counter 0.6 mm from its outline.
std::string bigJobText(bool round) {
    std::mt19937 random(2026);
    std::string text = "IN;SP1;";
    auto ring = [&](int x, int y, int w, int h, bool open) {
        std::string cut;
        const int sides = round ? 32 : 4;
        for (int k = 0; k <= sides; ++k) {
            double px, py;
            if (round) {
                const double a = 2.0 * 3.14159265358979 * k / sides;
                px = x + w / 2.0 + w / 2.0 * std::cos(a);
                py = y + h / 2.0 + h / 2.0 * std::sin(a);
            } else {
                const int c = k % 4;
                px = x + (c == 1 || c == 2 ? w : 0);
                py = y + (c >= 2 ? h : 0);
            }
            if (k == sides && open) py += 8;
            cut += (k == 0 ? "PU" : k == 1 ? "PD" : ",") + std::to_string(std::lround(px)) + "," +
                   std::to_string(std::lround(py)) + (k == 0 ? ";" : "");
        }
        text += cut + ";";
    };
    const int side = 259;
    int cuts = 0;
    for (int k = 0; cuts < 100000; ++k) {
        const int cell = static_cast<int>((static_cast<long long>(k) * 7919) % (side * side));
        const int x = cell % side * 400 + static_cast<int>(random() % 80);
        const int y = cell / side * 400 + static_cast<int>(random() % 80);
        ring(x, y, 240, 300, k % 100 == 1);
        ++cuts;
        if (k % 100 == 0 && cuts < 100000) {
            ring(x, y, 240, 300, false);
            ++cuts;
        }
        if (k % 2 == 0 && cuts < 100000) {
            const int inset = k % 100 == 2 ? 24 : 60;
            ring(x + inset, y + 60, 240 - inset - 60, 180, false);
            ++cuts;
        }
    }
    return text + "PU0,0;";
}

const PlotDrawing& bigDrawing(bool round) {
    static PlotDrawing drawings[2];
    static bool read[2] = {false, false};
    PlotDrawing& drawing = drawings[round ? 1 : 0];
    if (!read[round ? 1 : 0]) {
        sortMnemonicTable();
        const std::string text = bigJobText(round);
        MemoryInput in(text);
        readDrawing(in, drawing);
        read[round ? 1 : 0] = true;
    }
    return drawing;
}

// The walk and every check, as check runs them after reading the file.
void BM_Check100kCuts(benchmark::State& state) {
    const PlotDrawing& drawing = bigDrawing(state.range(0) != 0);
    JobFaults faults;
    for (auto _ : state) {
        faults = findFaults(walkCuts(drawing), FaultLimits{});
        benchmark::DoNotOptimize(faults.doubled.data());
    }
    state.counters["cuts"] = static_cast<double>(walkCuts(drawing).cutCount());
    state.counters["doubled"] = static_cast<double>(faults.doubled.size());
    state.counters["gap"] = static_cast<double>(faults.gap.size());
    state.counters["thin"] = static_cast<double>(faults.thin.size());
    state.counters["crossing"] = static_cast<double>(faults.crossing.size());
}
BENCHMARK(BM_Check100kCuts)->Arg(0)->Arg(1)->ArgNames({"round"})->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_Repair100kCuts(benchmark::State& state) {
    const PlotDrawing& drawing = bigDrawing(true);
    const CutJob job = walkCuts(drawing);
    for (auto _ : state) {
        state.PauseTiming();
        CutJob copy = job;
        state.ResumeTiming();
        switch (state.range(0)) {
            case 0: mergeJob(copy, 0.5 * kUnitsPerMm); break;
            case 1: closeJob(copy, 0.5 * kUnitsPerMm); break;
            case 2: simplifyJob(copy, 0.05 * kUnitsPerMm); break;
            default: weldJob(copy); break;
        }
        benchmark::DoNotOptimize(copy.steps.data());
    }
}
BENCHMARK(BM_Repair100kCuts)
    ->Arg(0)->Arg(1)->Arg(2)->Arg(3)
    ->ArgNames({"merge_close_simplify_weld"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
