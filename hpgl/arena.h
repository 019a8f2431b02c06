// Memory in large blocks, for the many small pieces of a big drawing: the
// command records, their texts and their point lists.
//
// A block is taken once and given back only with the whole arena, so that a
// drawing of millions of commands costs a few dozen allocations and is
// released at once. Blocks start small (a short drawing stays small) and
// double up to several megabytes; on Linux those large blocks are aligned
// and advised for transparent huge pages, so that the system maps them in
// 2 MiB steps instead of one fault for every 4 KiB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kerfline {

// A block of raw memory of `bytes` bytes; throws std::bad_alloc.
void* allocateBlock(std::size_t bytes);
void releaseBlock(void* block, std::size_t bytes) noexcept;

// The size of the next block of a sequence that grows from `smallest` by
// doubling up to `largest`, after blocks of `taken` bytes in all.
std::size_t nextBlockSize(std::size_t taken, std::size_t smallest, std::size_t largest);

// A bump allocator over large blocks: pieces are never given back one by one.
class Arena {
public:
    Arena() = default;
    Arena(Arena&& other) noexcept;
    Arena& operator=(Arena&& other) noexcept;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;
    ~Arena() { release(); }

    // `bytes` bytes aligned to `alignment` (a power of two of at most 16).
    void* allocate(std::size_t bytes, std::size_t alignment = 1) {
        const std::uintptr_t at = (reinterpret_cast<std::uintptr_t>(next_) + (alignment - 1)) &
                                  ~static_cast<std::uintptr_t>(alignment - 1);
        const std::uintptr_t limit = reinterpret_cast<std::uintptr_t>(limit_);
        if (next_ && at <= limit && bytes <= limit - at) {
            next_ = reinterpret_cast<unsigned char*>(at + bytes);
            return reinterpret_cast<void*>(at);
        }
        return allocateSlow(bytes, alignment);
    }

    // Gives every block back.
    void release() noexcept;
    // The bytes of all blocks taken.
    std::size_t reserved() const { return taken_; }

    static constexpr std::size_t kSmallestBlock = 4 * 1024;
    static constexpr std::size_t kLargestBlock = 8 * 1024 * 1024;

private:
    struct Block {
        void* memory;
        std::size_t bytes;
    };
    void* allocateSlow(std::size_t bytes, std::size_t alignment);

    std::vector<Block> blocks_;
    unsigned char* next_ = nullptr;
    unsigned char* limit_ = nullptr;
    std::size_t taken_ = 0;
};

}  // namespace kerfline
