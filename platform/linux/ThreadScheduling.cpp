#include "platform/ThreadScheduling.h"

#include <pthread.h>

namespace platform {

ThreadScheduling callingThreadScheduling() {
    int policy = SCHED_OTHER;
    sched_param parameters{};
    if (pthread_getschedparam(pthread_self(), &policy, &parameters) != 0) return {};
    return {policy, parameters.sched_priority};
}

// pthread_self reads the thread pointer: no system call.
std::uintptr_t callingThreadIdentity() { return static_cast<std::uintptr_t>(pthread_self()); }

}  // namespace platform
