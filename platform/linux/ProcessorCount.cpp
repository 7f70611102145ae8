#include "platform/ProcessorCount.h"

#include <sched.h>

#include <cerrno>

// Counts the calling thread's CPU affinity mask.
std::int32_t processorCount() {
    // The kernel refuses a mask smaller than its own CPU limit, so grow the
    // mask until it fits rather than assume the default 1024 CPUs.
    for (int capacity = 1024; capacity <= (1 << 20); capacity *= 2) {
        cpu_set_t* mask = CPU_ALLOC(capacity);
        if (mask == nullptr) {
            break;
        }
        const std::size_t size = CPU_ALLOC_SIZE(capacity);
        const int result = sched_getaffinity(0, size, mask);
        const int count = result == 0 ? CPU_COUNT_S(size, mask) : 0;
        const bool tooSmall = result != 0 && errno == EINVAL;
        CPU_FREE(mask);
        if (!tooSmall) {
            return count > 0 ? count : 1;
        }
    }
    return 1;
}
