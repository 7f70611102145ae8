// A MIDI performance in musical time: channel messages and tempo changes in
// ticks, as read from a Standard MIDI File or written by the built-in demo.
#pragma once

#include <cstdint>
#include <vector>

struct MidiMessage {
    std::int64_t tick = 0;
    std::uint8_t bytes[3] = {0, 0, 0};
    int track = 1;  // numbered from 1, in file order
};

struct TempoChange {
    std::int64_t tick = 0;
    std::uint32_t microsPerQuarter = 500000;
};

struct MidiSequence {
    int ticksPerQuarter = 480;
    // In playing order: by tick, and among equal ticks by track, then by
    // position in the track.
    std::vector<MidiMessage> messages;
    // By tick; before the first change the tempo is 120 bpm.
    std::vector<TempoChange> tempos;
    // Tick of the last event of any kind, end-of-track markers included.
    std::int64_t endTick = 0;
    int trackCount = 1;
};
