// A MIDI message at an instrument frame, as the programs and the plug-in
// formats hand events to the instrument.
#pragma once

#include <cstdint>

// The instrument's own rate, whatever the rate of the audio it ends up in.
constexpr int kRenderRate = 44100;

struct TimedEvent {
    std::int64_t frame = 0;
    std::uint8_t bytes[3] = {0, 0, 0};
};
