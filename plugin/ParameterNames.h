// The four values as the formats with host parameters name them.
#pragma once

#include "engine/Parameters.h"

inline constexpr const char* kParameterNames[kNumParameters] = {"Volume", "Metal/Plastic", "Sustain", "Damper"};
