// What the LV2 instrument saves beyond the host's own control values: the
// values it plays (MIDI Volume may have moved Volume away from its port) and
// the port values they were last set from, so that a restored port that did
// not change does not undo them. A version byte, then eight floats in
// little-endian order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "engine/Parameters.h"

struct Lv2State {
    static constexpr std::uint8_t kVersion = 1;
    static constexpr std::size_t kSize = 1 + 2 * kNumParameters * sizeof(float);

    std::array<float, kNumParameters> playing{};
    // NaN where no port value has been applied yet.
    std::array<float, kNumParameters> ports{};

    std::array<std::uint8_t, kSize> encode() const;
    // Nothing for a blob of another size or version, or with a value outside
    // 0..1 (a port value may also be NaN).
    static std::optional<Lv2State> decode(std::span<const std::uint8_t> blob);
};
