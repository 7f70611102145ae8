// Reads Standard MIDI Files of format 0 and 1 (metrical time division) into a
// MidiSequence, merging every track. Anything malformed is refused with a
// RenderError rather than guessed at.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "tools/MidiSequence.h"

MidiSequence parseMidiFile(std::span<const std::uint8_t> bytes);
MidiSequence readMidiFile(const std::string& path);
