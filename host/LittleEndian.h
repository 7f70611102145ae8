// Floats in a saved state: four bytes, little-endian, whatever the machine.
#pragma once

#include <bit>
#include <cstdint>

inline void putLittleEndianFloat(std::uint8_t* out, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

inline float getLittleEndianFloat(const std::uint8_t* in) {
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) bits |= static_cast<std::uint32_t>(in[i]) << (8 * i);
    return std::bit_cast<float>(bits);
}
