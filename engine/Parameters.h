// The player's four values by index, and the paramDirty mask that tells the
// coefficient update which of them changed.
#pragma once

#include <cstdint>

constexpr int kNumParameters = 4;

enum ParameterIndex { kVolume = 0, kMetalPlastic = 1, kSustain = 2, kDamper = 3 };

// Bit 0 is left free: parameter i marks bit i + 1.
constexpr std::uint32_t dirtyBit(int parameter) { return 2u << parameter; }

// Recompute every coefficient.
constexpr std::uint32_t kAllDirty = 0xFFFFFFFFu;
