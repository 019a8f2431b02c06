// What a drawing costs in memory, for any text: at most 24 bytes for each
// instruction beside the file's own bytes, measured with the benchmark's
// heap meter (malloc's rounding included). The shapes are the ones that
// cost most against their text: empty instructions, the shortest texts and
// point lists of the fewest characters a point.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "bench/heap_meter.h"
#include "drawing/drawing.h"
#include "hpgl/stream.h"

namespace kerfline {
namespace {

struct MemoryCase {
    const char* name;
    std::string text;
    std::size_t instructions;
    int firstPoints;  // the first command's points, -1 for no list
};

std::string repeated(const std::string& piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
}

// One instruction of `points` points of the fewest characters each: "0,0,".
MemoryCase densePoints(std::size_t points) {
    std::string text = "PD" + repeated("0,0,", points);
    text.back() = ';';
    return {"one_dense_list", text, 1, static_cast<int>(points)};
}

class Memory : public ::testing::TestWithParam<MemoryCase> {};

TEST_P(Memory, StaysWithin24BytesAnInstructionBesideTheFile) {
    const MemoryCase& c = GetParam();
    std::size_t read = 0;
    int firstPoints = 0;
    bench::startMetering();
    {
        PlotDrawing drawing;
        MemoryInput in(c.text);
        readDrawing(in, drawing);
        read = drawing.commands.size();
        const PointSpan points = drawing.commands[0].points();
        firstPoints = points.exists() ? static_cast<int>(points.size()) : -1;
    }
    bench::stopMetering();
    const std::size_t peak = bench::heapPeak();
    EXPECT_EQ(read, c.instructions);
    EXPECT_EQ(firstPoints, c.firstPoints);

    // Beside the bound: the unused end of the list's last block, and the
    // reader's room for the longest instruction's points while it reads it
    // (at most twice its text; all instructions of a case are alike).
    const std::size_t longest = c.text.size() / read;
    const std::size_t slack = CommandList::kLargestBlock + 64 * 1024 + 2 * longest;
    std::printf("%s: peak heap %zu bytes for %zu bytes of text, %.2f bytes an instruction\n",
                c.name, peak, c.text.size(),
                (static_cast<double>(peak) - static_cast<double>(c.text.size())) /
                    static_cast<double>(read));
    EXPECT_LE(peak, c.text.size() + 24 * read + slack);
}

constexpr std::size_t kMany = std::size_t{1} << 20;

INSTANTIATE_TEST_SUITE_P(
    Shapes, Memory,
    ::testing::Values(MemoryCase{"bare", std::string(3 * kMany, ';'), 3 * kMany, -1},
                      MemoryCase{"short_unknown", repeated("X;", kMany), kMany, -1},
                      MemoryCase{"short_known", repeated("SP1;", kMany), kMany, -1},
                      MemoryCase{"two_points", repeated("PD0,0,0,0;", kMany), kMany, 2},
                      MemoryCase{"far_points", repeated("PD-2147483648,2147483647;", kMany / 4),
                                 kMany / 4, 1},
                      densePoints(kMany)),
    [](const ::testing::TestParamInfo<MemoryCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace kerfline
