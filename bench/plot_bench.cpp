// Reading, writing, changing and drawing a large plot file, beside hp2xx
// reading the same file.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_file.h"
#include "bench/heap_meter.h"
#include "drawing/drawing.h"
#include "drawing/operations.h"
#include "dialect/converter.h"
#include "hpgl/reader.h"

namespace {

using namespace kerfline;

using bench::kInstructions;

const std::string& bigFile() {
    static const std::string path = [] {
        sortMnemonicTable();
        return bench::plainJobFile();
    }();
    return path;
}

std::size_t fileSize() { return std::filesystem::file_size(bigFile()); }

void loadBig(PlotDrawing& drawing) {
    FileInput in(bigFile().c_str());
    readDrawing(in, drawing);
    if (in.failed()) std::abort();
}

// Repeated reads in one process: the heap is warm, so this is the program's
// own work (the main() below keeps glibc from handing memory back between
// iterations).
void BM_ReadWithStatistics(benchmark::State& state) {
    const std::size_t size = fileSize();
    for (auto _ : state) {
        PlotDrawing drawing;
        // The read alone: releasing the drawing afterwards is not reading.
        const auto start = std::chrono::steady_clock::now();
        loadBig(drawing);
        const auto stop = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
        benchmark::DoNotOptimize(drawing.totalTravel);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
    state.counters["file_MB"] = static_cast<double>(size) / 1e6;
}
BENCHMARK(BM_ReadWithStatistics)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseManualTime();

// The first read of a process: every page of the list is new to it, and the
// system's page faults are part of the cost.
void BM_ReadColdHeap(benchmark::State& state) {
    const std::size_t size = fileSize();
    for (auto _ : state) {
        double seconds;
        {
            PlotDrawing drawing;
            const auto start = std::chrono::steady_clock::now();
            loadBig(drawing);
            seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        malloc_trim(0);
        state.SetIterationTime(seconds);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_ReadColdHeap)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseManualTime();

// The heap a read needs at its peak, malloc's rounding included.
void BM_ReadPeakMemory(benchmark::State& state) {
    const std::size_t size = fileSize();
    double peakBytes = 0;
    for (auto _ : state) {
        bench::startMetering();
        {
            PlotDrawing drawing;
            loadBig(drawing);
            benchmark::DoNotOptimize(drawing.totalTravel);
        }
        bench::stopMetering();
        peakBytes = static_cast<double>(bench::heapPeak());
    }
    state.counters["peak_MB"] = peakBytes / 1e6;
    state.counters["peak_B_per_instr"] = peakBytes / (kInstructions + 2);
    state.counters["peak_per_file_byte"] = peakBytes / static_cast<double>(size);
}
BENCHMARK(BM_ReadPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// convert: the whole file read as bytes and turned into cutter HP-GL, as
// kerfline-cli convert does before it saves.
void BM_ConvertPlain(benchmark::State& state) {
    const std::size_t size = fileSize();
    std::size_t written = 0;
    for (auto _ : state) {
        std::string bytes(size, '\0');
        std::FILE* in = std::fopen(bigFile().c_str(), "rb");
        if (!in || std::fread(bytes.data(), 1, size, in) != size) std::abort();
        std::fclose(in);
        const dialect::ConvertResult result = dialect::convertPlot(bytes, dialect::ConvertOptions());
        if (result.cuts == 0) std::abort();
        written = result.text().size();
        benchmark::DoNotOptimize(result.text().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
    state.counters["file_MB"] = static_cast<double>(size) / 1e6;
    state.counters["out_MB"] = static_cast<double>(written) / 1e6;
}
BENCHMARK(BM_ConvertPlain)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_Write(benchmark::State& state) {
    PlotDrawing drawing;
    loadBig(drawing);
    const auto out = std::filesystem::temp_directory_path() / "kerfline-bench-out.plt";
    for (auto _ : state) {
        FileOutput file(out.string().c_str());
        writeDrawing(file, drawing);
        if (!file.close()) std::abort();
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * std::filesystem::file_size(out)));
    std::filesystem::remove(out);
}
BENCHMARK(BM_Write)->Unit(benchmark::kMillisecond)->MinTime(2.0);

template <typename Operation>
void runOperation(benchmark::State& state, Operation operation) {
    PlotDrawing drawing;
    loadBig(drawing);
    for (auto _ : state) operation(drawing);
    state.SetItemsProcessed(
        static_cast<std::int64_t>(state.iterations() * drawing.commands.size()));
}

void BM_Frame(benchmark::State& state) {
    runOperation(state, [](PlotDrawing& d) { frameDrawing(d, 10); });
}
void BM_Scale(benchmark::State& state) {
    runOperation(state, [](PlotDrawing& d) { scaleDrawing(d, 100); });
}
void BM_Rotate(benchmark::State& state) {
    runOperation(state, [](PlotDrawing& d) { rotateDrawing(d); });
}
void BM_Move(benchmark::State& state) {
    runOperation(state, [](PlotDrawing& d) { moveDrawing(d, 1, 1); });
}
BENCHMARK(BM_Frame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Scale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Move)->Unit(benchmark::kMillisecond);

class CountingDevice final : public gdi::Device {
public:
    std::int64_t lines = 0;
    int setMapMode(int) override { return 1; }
    BOOL setWindowExt(int, int, LPSIZE) override { return 1; }
    BOOL setViewportExt(int, int, LPSIZE) override { return 1; }
    BOOL setViewportOrg(int, int, LPPOINT) override { return 1; }
    BOOL setWindowOrg(int, int, LPPOINT) override { return 1; }
    int deviceCaps(int) override { return 1000; }
    BOOL polyPolyline(const POINT*, const DWORD* counts, DWORD polylines) override {
        for (DWORD i = 0; i < polylines; ++i) lines += counts[i] - 1;
        return 1;
    }
};

class ScreenWindow final : public gdi::Window {
public:
    BOOL clientRect(LPRECT rect) override {
        *rect = RECT{0, 0, 1280, 960};
        return 1;
    }
    int systemMetric(int) override { return 4; }
};

void BM_RenderToCountingDevice(benchmark::State& state) {
    PlotDrawing drawing;
    loadBig(drawing);
    ScreenWindow window;
    gdi::metricsSource() = &window;
    CountingDevice device;
    for (auto _ : state) drawing.render(&window, &device);
    gdi::metricsSource() = nullptr;
    state.SetItemsProcessed(
        static_cast<std::int64_t>(state.iterations() * drawing.commands.size()));
    state.counters["lines_per_pass"] =
        static_cast<double>(device.lines) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RenderToCountingDevice)->Unit(benchmark::kMillisecond);

// hp2xx reading the same file, for comparison (its start-up included).
void BM_Hp2xxRead(benchmark::State& state) {
    const std::string command = "hp2xx -q -m hpgl -f /dev/null " + bigFile() + " >/dev/null 2>&1";
    if (std::system("command -v hp2xx >/dev/null 2>&1") != 0) {
        state.SkipWithError("hp2xx is not installed");
        return;
    }
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) state.SkipWithError("hp2xx failed");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize()));
}
BENCHMARK(BM_Hp2xxRead)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    // Keep released memory in the process, as a long-running program's heap
    // does; the cold-heap benchmark hands it back on purpose.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
