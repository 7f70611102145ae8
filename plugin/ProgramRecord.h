// One program: the four parameter values and a name. Also the program chunk;
// the bank chunk is four of these back to back.
#pragma once

#include <cstddef>

#include "engine/Parameters.h"

constexpr int kNumPrograms = 4;
constexpr int kProgramNameSize = 24;

struct ProgramRecord {
    float parameters[kNumParameters];
    char name[kProgramNameSize];
};

static_assert(sizeof(ProgramRecord) == 40, "a program chunk is 40 bytes");
static_assert(offsetof(ProgramRecord, name) == 16, "the name follows the four values");

extern const ProgramRecord kFactoryPrograms[kNumPrograms];
