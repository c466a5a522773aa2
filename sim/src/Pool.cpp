#include "Pool.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define ORVANE_POOL_BYPASS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVANE_POOL_BYPASS 1
#endif
#endif

namespace sim::hive::pool {

#ifdef ORVANE_POOL_BYPASS

void* Allocate(size_t bytes) { return ::operator new(bytes); }
void Release(void* block, size_t) { ::operator delete(block); }

#else

namespace {

constexpr size_t kGrain = 16;
constexpr size_t kLargest = 1024;  // larger blocks come from malloc
constexpr size_t kChunk = size_t(2) << 20;

struct FreeBlock {
    FreeBlock* next;
};

struct State {
    FreeBlock* lists[kLargest / kGrain + 1] = {};
    char* next = nullptr;
    char* end = nullptr;
};

State& S() {
    static State state;
    return state;
}

}  // namespace

void* Allocate(size_t bytes) {
    if (bytes > kLargest) return ::operator new(bytes);
    const size_t cls = (bytes + kGrain - 1) / kGrain;
    State& s = S();
    if (FreeBlock* f = s.lists[cls]) {
        s.lists[cls] = f->next;
        return f;
    }
    const size_t size = cls * kGrain;
    if (size_t(s.end - s.next) < size) {
        void* chunk = std::aligned_alloc(kChunk, kChunk);
        if (!chunk) throw std::bad_alloc();
        madvise(chunk, kChunk, MADV_HUGEPAGE);
        s.next = static_cast<char*>(chunk);
        s.end = s.next + kChunk;
    }
    void* block = s.next;
    s.next += size;
    return block;
}

void Release(void* block, size_t bytes) {
    if (!block) return;
    if (bytes > kLargest) {
        ::operator delete(block);
        return;
    }
    const size_t cls = (bytes + kGrain - 1) / kGrain;
    FreeBlock* f = static_cast<FreeBlock*>(block);
    f->next = S().lists[cls];
    S().lists[cls] = f;
}

#endif

}  // namespace sim::hive::pool
