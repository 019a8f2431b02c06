// The arena under the command list: pieces of any size and alignment that
// never overlap, across small blocks, large ones and pieces larger than a block.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "hpgl/arena.h"

namespace kerfline {
namespace {

TEST(Arena, PiecesAreAlignedAndNeverOverlap) {
    struct Piece {
        unsigned char* at;
        std::size_t bytes;
    };
    // Sizes around the block sizes, and one far beyond the largest block.
    const std::size_t sizes[] = {1,    3,    7,     12,    4096,  4095,     4097,
                                 9000, 5,    65536, 100,   1,     20 << 20, 2,
                                 8,    4,    3,     1000,  70000, 300000,   (8 << 20) + 1};
    Arena arena;
    std::vector<Piece> pieces;
    for (int round = 0; round < 40; ++round) {
        for (std::size_t i = 0; i < std::size(sizes); ++i) {
            if (sizes[i] > 65536 && round > 0) continue;  // the large ones once
            const std::size_t alignment = std::size_t{1} << (i % 5);
            auto* at = static_cast<unsigned char*>(arena.allocate(sizes[i], alignment));
            ASSERT_EQ(reinterpret_cast<std::uintptr_t>(at) % alignment, 0u) << sizes[i];
            std::memset(at, static_cast<int>(pieces.size() & 0xFF), sizes[i]);
            pieces.push_back({at, sizes[i]});
        }
    }
    // Every piece still holds its own byte: none was written over by another.
    for (std::size_t n = 0; n < pieces.size(); ++n) {
        const unsigned char want = static_cast<unsigned char>(n & 0xFF);
        const Piece& p = pieces[n];
        ASSERT_EQ(p.at[0], want) << n;
        ASSERT_EQ(p.at[p.bytes / 2], want) << n;
        ASSERT_EQ(p.at[p.bytes - 1], want) << n;
    }
    // Blocks grow in large steps: far fewer blocks than pieces, and the
    // memory taken not much more than what was asked for.
    std::size_t asked = 0;
    for (const Piece& p : pieces) asked += p.bytes;
    EXPECT_LT(arena.reserved(), asked * 2 + Arena::kLargestBlock);
    arena.release();
    EXPECT_EQ(arena.reserved(), 0u);
    EXPECT_NE(arena.allocate(10), nullptr);  // usable again
}

}  // namespace
}  // namespace kerfline
