// One program: the four parameter values and a name. Also the program chunk;
// the bank chunk is four of these back to back.
#pragma once

#include <cstddef>

constexpr int kNumPrograms = 4;
constexpr int kNumParameters = 4;
constexpr int kProgramNameSize = 24;

enum ParameterIndex { kVolume = 0, kMetalPlastic = 1, kSustain = 2, kDamper = 3 };

struct ProgramRecord {
    float parameters[kNumParameters];
    char name[kProgramNameSize];
};

static_assert(sizeof(ProgramRecord) == 40, "a program chunk is 40 bytes");
static_assert(offsetof(ProgramRecord, name) == 16, "the name follows the four values");

extern const ProgramRecord kFactoryPrograms[kNumPrograms];
