// Counts the bytes held by operator new, and their high-water mark.
#pragma once

#include <cstddef>

namespace kerfline::bench {

std::size_t heapInUse();
std::size_t heapPeak();
void resetHeapPeak();  // the peak starts again from what is in use now

}  // namespace kerfline::bench
