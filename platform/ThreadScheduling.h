// How urgently the system runs a thread, read from the calling thread so that
// helper threads can be made as urgent as it is.
//
// Linux: the policy and priority of pthread_getschedparam. Windows: the
// backend reads nothing worth comparing (policy and priority 0) and its
// Thread::adoptScheduling gives the thread THREAD_PRIORITY_TIME_CRITICAL.
#pragma once

#include <cstdint>

namespace platform {

struct ThreadScheduling {
    std::int32_t policy = 0;
    std::int32_t priority = 0;

    bool operator==(const ThreadScheduling&) const = default;
};

// One or two system calls: not for every audio block.
ThreadScheduling callingThreadScheduling();

// Tells threads apart without a system call.
std::uintptr_t callingThreadIdentity();

}  // namespace platform
