#include "hpgl/arena.h"

#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace kerfline {

namespace {
#if defined(__linux__)
constexpr std::size_t kHugePage = 2 * 1024 * 1024;
#endif
}  // namespace

void* allocateBlock(std::size_t bytes) {
#if defined(__linux__)
    if (bytes >= kHugePage) {
        void* block = ::operator new(bytes, std::align_val_t{kHugePage});
        // Only advice: where the system has no huge pages to give, nothing changes.
        madvise(block, bytes & ~(kHugePage - 1), MADV_HUGEPAGE);
        return block;
    }
#endif
    return ::operator new(bytes);
}

void releaseBlock(void* block, std::size_t bytes) noexcept {
#if defined(__linux__)
    if (bytes >= kHugePage) {
#if defined(__cpp_sized_deallocation)
        ::operator delete(block, bytes, std::align_val_t{kHugePage});
#else
        ::operator delete(block, std::align_val_t{kHugePage});
#endif
        return;
    }
#endif
    (void)bytes;
    ::operator delete(block);
}

std::size_t nextBlockSize(std::size_t taken, std::size_t smallest, std::size_t largest) {
    // Each block as large as all before it together: the total doubles.
    std::size_t size = taken < smallest ? smallest : taken;
    return size < largest ? size : largest;
}

Arena::Arena(Arena&& other) noexcept
    : blocks_(std::move(other.blocks_)),
      next_(std::exchange(other.next_, nullptr)),
      limit_(std::exchange(other.limit_, nullptr)),
      taken_(std::exchange(other.taken_, 0)) {
    other.blocks_.clear();
}

Arena& Arena::operator=(Arena&& other) noexcept {
    if (this != &other) {
        release();
        blocks_ = std::move(other.blocks_);
        other.blocks_.clear();
        next_ = std::exchange(other.next_, nullptr);
        limit_ = std::exchange(other.limit_, nullptr);
        taken_ = std::exchange(other.taken_, 0);
    }
    return *this;
}

void Arena::release() noexcept {
    for (const Block& block : blocks_) releaseBlock(block.memory, block.bytes);
    blocks_.clear();
    next_ = limit_ = nullptr;
    taken_ = 0;
}

void* Arena::allocateSlow(std::size_t bytes, std::size_t alignment) {
    if (bytes > SIZE_MAX / 2) throw std::bad_alloc();
    std::size_t size = nextBlockSize(taken_, kSmallestBlock, kLargestBlock);
    // A piece larger than a block gets a block of its own; the rest of the
    // current block stays in use.
    const bool ownBlock = bytes + alignment > size;
    if (ownBlock) size = bytes + alignment;
    blocks_.reserve(blocks_.size() + 1);
    void* memory = allocateBlock(size);
    blocks_.push_back(Block{memory, size});
    taken_ += size;
    auto* begin = static_cast<unsigned char*>(memory);
    const std::uintptr_t at = (reinterpret_cast<std::uintptr_t>(begin) + (alignment - 1)) &
                              ~static_cast<std::uintptr_t>(alignment - 1);
    auto* piece = reinterpret_cast<unsigned char*>(at);
    if (!ownBlock) {
        next_ = piece + bytes;
        limit_ = begin + size;
    }
    return piece;
}

}  // namespace kerfline
