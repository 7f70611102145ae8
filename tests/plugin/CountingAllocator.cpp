#include "tests/plugin/CountingAllocator.h"

#include <cstdlib>
#include <new>

namespace testalloc {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
std::atomic<bool> refusing{false};

}  // namespace testalloc

namespace {

void* countedAllocation(std::size_t size) {
    if (testalloc::counting.load(std::memory_order_relaxed))
        testalloc::allocations.fetch_add(1, std::memory_order_relaxed);
    if (!testalloc::refusing.load(std::memory_order_relaxed))
        if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return countedAllocation(size); }
void* operator new[](std::size_t size) { return countedAllocation(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return countedAllocation(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
