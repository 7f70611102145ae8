// Which thread ran a worker pool's job, and how urgently the system ran it.
#pragma once

#include <cstdint>

#include "platform/ThreadScheduling.h"

struct ThreadProbe {
    std::uintptr_t thread = 0;
    platform::ThreadScheduling scheduling;
};

// A job that fills the ThreadProbe it is given.
inline void probeThread(void* argument) {
    auto* probe = static_cast<ThreadProbe*>(argument);
    probe->thread = platform::callingThreadIdentity();
    probe->scheduling = platform::callingThreadScheduling();
}
