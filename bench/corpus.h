// The shared corpus of real plot files, for the benchmarks that print
// figures file by file.
#pragma once

#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "drawing/drawing.h"
#include "hpgl/reader.h"
#include "hpgl/stream.h"

namespace kerfline::bench {

// Each file of the corpus (a folder "corpus" or "shared/corpus" above the
// working folder) read as the program reads it, its name and drawing given
// to `use`. Without the corpus, the benchmark says so and is skipped.
template <typename Use>
void forEachCorpusDrawing(benchmark::State& state, Use use) {
    std::filesystem::path dir;
    for (auto at = std::filesystem::current_path(); dir.empty() && !at.empty() && at != at.root_path();
         at = at.parent_path())
        for (const char* name : {"corpus", "shared/corpus"})
            if (dir.empty() && std::filesystem::exists(at / name / "SOURCES.md")) dir = at / name;
    if (dir.empty()) {
        state.SkipWithError("the shared corpus is not above the working folder");
        return;
    }
    sortMnemonicTable();
    for (auto _ : state)
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            if (entry.path().extension() == ".md") continue;
            PlotDrawing drawing;
            FileInput in(entry.path().string().c_str());
            readDrawing(in, drawing);
            use(entry.path().filename().string(), drawing);
        }
}

}  // namespace kerfline::bench
