// What a file of nothing but ";" costs: each ";" is an empty unknown
// instruction, and it must take no memory beyond its record, measured with
// the benchmark's heap meter (malloc's rounding included).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "bench/heap_meter.h"
#include "test_support.h"

namespace kerfline {
namespace {

TEST(BareInstructions, CostNoMoreThanTheirRecords) {
    constexpr std::size_t kCount = std::size_t{3} << 20;
    const std::string text(kCount, ';');
    std::size_t read = 0;
    std::string firstAndLast;
    bench::startMetering();
    {
        PlotDrawing drawing;
        MemoryInput in(text);
        readDrawing(in, drawing);
        read = drawing.commands.size();
        firstAndLast = test::writtenCommand(drawing.commands[0]) +
                       test::writtenCommand(drawing.commands[kCount - 1]);
    }
    bench::stopMetering();
    const std::size_t peak = bench::heapPeak();
    EXPECT_EQ(read, kCount);
    EXPECT_EQ(firstAndLast, ";;");

    // 16 bytes for each instruction, and the unused end of the list's last
    // block.
    constexpr std::size_t kRecordLimit = 16;
    const double perInstruction = static_cast<double>(peak) / kCount;
    std::printf("peak heap %zu bytes: %.2f bytes for each \";\"\n", peak, perInstruction);
    EXPECT_LE(peak, kCount * kRecordLimit + CommandList::kLargestBlock + 64 * 1024);
}

}  // namespace
}  // namespace kerfline
