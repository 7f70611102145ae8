// A key or pedal event at its frame, as the queue holds it and as a block's
// workers apply it.
#pragma once

#include <cstdint>

constexpr std::uint8_t kPedalKey = 128;

struct KeyEvent {
    // Frames from the first frame not yet rendered; inside a block 0..frames,
    // where one at frames is applied after the last sample.
    std::int32_t frame;
    std::uint8_t key;  // 0..87, or kPedalKey
    std::uint8_t velocity;
    std::uint8_t on;
};
