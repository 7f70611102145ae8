// The MIDI the instrument understands, named once for the plug-in, its hosts,
// the programs, benchmarks and tests: message kinds, the three controllers it
// answers, and the piano's range of notes.
#pragma once

#include <cstdint>

namespace midi {

// The high nibble of a channel message's status byte; the low nibble is the channel.
enum Status : std::uint8_t {
    kNoteOff = 0x80,
    kNoteOn = 0x90,
    kControlChange = 0xB0,
    kProgramChange = 0xC0,
    kChannelPressure = 0xD0,
    kSystem = 0xF0,
};

enum Controller : std::uint8_t {
    kVolume = 7,
    kSustainPedal = 64,
    kAllNotesOff = 123,
};

constexpr int kLowestNote = 21;    // A0, the instrument's key 0
constexpr int kHighestNote = 108;  // C8, its key 87

constexpr int statusKind(int statusByte) { return statusByte & 0xF0; }
constexpr int channelOf(int statusByte) { return statusByte & 0x0F; }
// Below 0x80 a byte is data; from 0xF0 on it belongs to no channel.
constexpr bool isChannelStatus(int statusByte) { return statusByte >= kNoteOff && statusByte < kSystem; }

constexpr int keyOfNote(int note) { return note - kLowestNote; }
constexpr bool isPianoNote(int note) { return note >= kLowestNote && note <= kHighestNote; }

}  // namespace midi
