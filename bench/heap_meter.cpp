// Replaces the global operator new and delete of the benchmark program to
// measure what the drawing really costs, malloc's own rounding included.
#include "bench/heap_meter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> inUse{0};
std::atomic<std::size_t> peak{0};
// Off unless a measurement asks for it: the bookkeeping itself costs time.
std::atomic<bool> metering{false};

void* allocate(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    if (!metering.load(std::memory_order_relaxed)) return p;
    const std::size_t now = inUse += malloc_usable_size(p);
    std::size_t high = peak.load();
    while (now > high && !peak.compare_exchange_weak(high, now)) {}
    return p;
}

void release(void* p) noexcept {
    if (!p) return;
    if (metering.load(std::memory_order_relaxed)) inUse -= malloc_usable_size(p);
    std::free(p);
}

// The large blocks of a drawing come aligned (for huge pages). They are
// counted at the size asked for, in whole pages: glibc places an aligned
// block inside a larger mapping whose unused head is address space that is
// never touched, and malloc_usable_size would count it. Released through
// the sized delete, with the same count.
std::size_t alignedCount(std::size_t size) { return (size + 4095) / 4096 * 4096; }

void* allocateAligned(std::size_t size, std::align_val_t alignment) {
    const auto align = static_cast<std::size_t>(alignment);
    void* p = std::aligned_alloc(align, (size + align - 1) / align * align);
    if (!p) throw std::bad_alloc();
    if (!metering.load(std::memory_order_relaxed)) return p;
    const std::size_t now = inUse += alignedCount(size);
    std::size_t high = peak.load();
    while (now > high && !peak.compare_exchange_weak(high, now)) {}
    return p;
}

void releaseAligned(void* p, std::size_t size) noexcept {
    if (!p) return;
    if (metering.load(std::memory_order_relaxed)) inUse -= alignedCount(size);
    std::free(p);
}
}  // namespace

void* operator new(std::size_t size, std::align_val_t a) { return allocateAligned(size, a); }
void* operator new[](std::size_t size, std::align_val_t a) { return allocateAligned(size, a); }
void operator delete(void* p, std::size_t size, std::align_val_t) noexcept {
    releaseAligned(p, size);
}
void operator delete[](void* p, std::size_t size, std::align_val_t) noexcept {
    releaseAligned(p, size);
}
// Unsized: the core always gives the size back; counted as malloc sees it.
void operator delete(void* p, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { release(p); }

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }

namespace kerfline::bench {
void startMetering() {
    inUse = 0;
    peak = 0;
    metering = true;
}
void stopMetering() { metering = false; }
std::size_t heapInUse() { return inUse.load(); }
std::size_t heapPeak() { return peak.load(); }
}  // namespace kerfline::bench
