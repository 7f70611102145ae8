// How many processors this process may run on: a launch restricted to fewer
// than the machine has is honoured where the system tells; never less than 1.
#pragma once

#include <cstdint>

std::int32_t processorCount();
