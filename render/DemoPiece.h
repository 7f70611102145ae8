// The built-in demo: a short piece written for this instrument, played when
// no MIDI file is given. It runs from the lowest key to the highest, from
// pianissimo to fortissimo, and leans on the sustain pedal throughout.
#pragma once

#include "render/MidiSequence.h"

MidiSequence demoPiece();
