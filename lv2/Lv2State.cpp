#include "lv2/Lv2State.h"

#include <bit>
#include <cmath>

namespace {

void putFloat(std::uint8_t* out, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

float getFloat(const std::uint8_t* in) {
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) bits |= static_cast<std::uint32_t>(in[i]) << (8 * i);
    return std::bit_cast<float>(bits);
}

bool isControlValue(float value) { return value >= 0.0f && value <= 1.0f; }

}  // namespace

std::array<std::uint8_t, Lv2State::kSize> Lv2State::encode() const {
    std::array<std::uint8_t, kSize> blob{};
    blob[0] = kVersion;
    for (int i = 0; i < kNumParameters; ++i) {
        putFloat(&blob[1 + 4 * i], playing[i]);
        putFloat(&blob[1 + 4 * (kNumParameters + i)], ports[i]);
    }
    return blob;
}

std::optional<Lv2State> Lv2State::decode(std::span<const std::uint8_t> blob) {
    if (blob.size() != kSize || blob[0] != kVersion) return std::nullopt;
    Lv2State state;
    for (int i = 0; i < kNumParameters; ++i) {
        state.playing[i] = getFloat(&blob[1 + 4 * i]);
        state.ports[i] = getFloat(&blob[1 + 4 * (kNumParameters + i)]);
        if (!isControlValue(state.playing[i])) return std::nullopt;
        if (!std::isnan(state.ports[i]) && !isControlValue(state.ports[i])) return std::nullopt;
    }
    return state;
}
