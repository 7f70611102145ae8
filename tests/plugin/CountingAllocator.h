// The global allocator of an allocation test executable: counts what is
// allocated while counting is on, and refuses every request while refusing.
#pragma once

#include <atomic>

namespace testalloc {

extern std::atomic<bool> counting;
extern std::atomic<long> allocations;
extern std::atomic<bool> refusing;

}  // namespace testalloc
