#include "lv2/Lv2State.h"

#include <cmath>

#include "host/LittleEndian.h"

namespace {

bool isControlValue(float value) { return value >= 0.0f && value <= 1.0f; }

}  // namespace

std::array<std::uint8_t, Lv2State::kSize> Lv2State::encode() const {
    std::array<std::uint8_t, kSize> blob{};
    blob[0] = kVersion;
    for (int i = 0; i < kNumParameters; ++i) {
        putLittleEndianFloat(&blob[1 + 4 * i], playing[i]);
        putLittleEndianFloat(&blob[1 + 4 * (kNumParameters + i)], ports[i]);
    }
    return blob;
}

std::optional<Lv2State> Lv2State::decode(std::span<const std::uint8_t> blob) {
    if (blob.size() != kSize || blob[0] != kVersion) return std::nullopt;
    Lv2State state;
    for (int i = 0; i < kNumParameters; ++i) {
        state.playing[i] = getLittleEndianFloat(&blob[1 + 4 * i]);
        state.ports[i] = getLittleEndianFloat(&blob[1 + 4 * (kNumParameters + i)]);
        if (!isControlValue(state.playing[i])) return std::nullopt;
        if (!std::isnan(state.ports[i]) && !isControlValue(state.ports[i])) return std::nullopt;
    }
    return state;
}
