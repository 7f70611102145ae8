// The plain sample-by-sample kernel: the measure every faster kernel is
// compared with, for speed in the benchmarks and for exact results in the tests.
#pragma once

#include "engine/KeyModel.h"

void renderKeysScalar(RenderJob* job);
