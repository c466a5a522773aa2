// Memory for the registry's values. A machine holds hundreds of thousands
// of small values: taking each from malloc costs a header, a call and, on a
// fresh process, a page fault every few dozen values. Here they come from
// 2 MB chunks the kernel may back with huge pages, in size classes of 16
// bytes, and a released block waits on its class's list for the next value
// of that size. Chunks are kept for the life of the process.
//
// Single-threaded, as the simulated registry is. Under AddressSanitizer
// every block comes from the ordinary allocator, so that the sanitizer sees
// each value's bounds and lifetime.
#pragma once

#include <cstddef>

namespace sim::hive::pool {

void* Allocate(size_t bytes);
void Release(void* block, size_t bytes);

}  // namespace sim::hive::pool
