// Allocation of the arrays that cross the library boundary (point arrays, list
// nodes, triangle arrays, extra blocks, uv arrays): malloc-compatible, zeroed,
// with overflow checks, and a switch that makes allocations fail for tests.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace kx::mem {

// True when the next allocation must fail (the failure switch of the tests).
bool injectFailure();

// Allocations after the next `skip` ones fail, until reset with -1.
void failAllocationsAfter(long skip);

template <class T>
T* allocZeroed(size_t n) {
    if (n == 0 || n > static_cast<size_t>(-1) / sizeof(T)) return nullptr;
    if (injectFailure()) return nullptr;
    return static_cast<T*>(std::calloc(n, sizeof(T)));
}

// Grows or shrinks an array; new elements are zero. Null on failure (old kept).
template <class T>
T* resizeZeroed(T* old, size_t oldCount, size_t newCount) {
    if (newCount == 0 || newCount > static_cast<size_t>(-1) / sizeof(T)) return nullptr;
    if (injectFailure()) return nullptr;
    T* grown = static_cast<T*>(std::realloc(old, newCount * sizeof(T)));
    if (grown && newCount > oldCount)
        std::memset(static_cast<void*>(grown + oldCount), 0, (newCount - oldCount) * sizeof(T));
    return grown;
}

inline void release(void* p) { std::free(p); }

}  // namespace kx::mem
