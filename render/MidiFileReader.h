// Reads Standard MIDI Files of format 0 and 1 (metrical time division) into a
// MidiSequence, merging every track. Anything malformed is refused with a
// HostError rather than guessed at.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "render/MidiSequence.h"

MidiSequence parseMidiFile(std::span<const std::uint8_t> bytes);
MidiSequence readMidiFile(const std::string& path);
