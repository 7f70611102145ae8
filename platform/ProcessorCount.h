// How many processors this process may run on.
#pragma once

#include <cstdint>

// Counts the calling thread's CPU affinity mask, so a launch under a
// restricted mask is honoured; never less than 1.
std::int32_t processorCount();
