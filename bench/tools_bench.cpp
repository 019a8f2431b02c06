// Panels, the picture and the job figures of a generated job of 100,000
// closed cuts spread over a sheet of 1 x 1 m.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "cutting/figures.h"
#include "export/svg.h"
#include "cutting/tile.h"
#include "hpgl/reader.h"

namespace {

using namespace kerfline;

const PlotDrawing& bigDrawing() {
    static const PlotDrawing drawing = [] {
        sortMnemonicTable();
        std::mt19937 random(17);
        std::string text = "IN;SP1;";
        for (int i = 0; i < 100000; ++i) {
            const int x = static_cast<int>(random() % 39000), y = static_cast<int>(random() % 39000);
            text += "PU" + std::to_string(x) + "," + std::to_string(y) + ";PD" +
                    std::to_string(x + 400) + "," + std::to_string(y) + "," +
                    std::to_string(x + 400) + "," + std::to_string(y + 400) + "," +
                    std::to_string(x) + "," + std::to_string(y + 400) + "," + std::to_string(x) +
                    "," + std::to_string(y) + ";";
        }
        PlotDrawing read;
        MemoryInput in(text);
        readDrawing(in, read);
        return read;
    }();
    return drawing;
}

// Panels of state.range(0) mm, 5 mm overlap: every panel made and written.
void BM_Tile100kCuts(benchmark::State& state) {
    const PlotDrawing& drawing = bigDrawing();
    const auto size = static_cast<std::int32_t>(state.range(0) * kUnitsPerMm);
    std::size_t bytes = 0;
    std::int64_t panels = 0;
    for (auto _ : state) {
        const PanelGrid grid = panelGrid(drawing, size, size, 5 * kUnitsPerMm);
        const Tiler tiler(drawing);
        panels = grid.rows * grid.columns;
        for (std::int64_t row = 0; row < grid.rows; ++row)
            for (std::int64_t column = 0; column < grid.columns; ++column) {
                PlotDrawing panel;
                tiler.panel(grid, row, column, panel);
                MemoryOutput out;
                writeDrawing(out, panel);
                bytes += out.str().size();
            }
    }
    state.counters["panels"] = static_cast<double>(panels);
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_Tile100kCuts)->Arg(600)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_Render100kCuts(benchmark::State& state) {
    for (auto _ : state) {
        MemoryOutput out;
        writeSvg(out, pictureOf(bigDrawing()));
        benchmark::DoNotOptimize(out.str().size());
    }
}
BENCHMARK(BM_Render100kCuts)->Unit(benchmark::kMillisecond);

void BM_Figures100kCuts(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(jobFigures(bigDrawing(), TimeModel{}).seconds);
}
BENCHMARK(BM_Figures100kCuts)->Unit(benchmark::kMillisecond);

}  // namespace
