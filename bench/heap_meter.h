// Counts the bytes held by operator new, and their high-water mark.
#pragma once

#include <cstddef>

namespace kerfline::bench {

// Counts only what is allocated and released between these two calls, so
// release a measured object before stopping.
void startMetering();
void stopMetering();
std::size_t heapInUse();
std::size_t heapPeak();

}  // namespace kerfline::bench
