#include "platform/ThreadScheduling.h"

#include <windows.h>

namespace platform {

// Nothing here is compared: the workers are made time-critical once.
ThreadScheduling callingThreadScheduling() { return {}; }

std::uintptr_t callingThreadIdentity() { return static_cast<std::uintptr_t>(GetCurrentThreadId()); }

}  // namespace platform
