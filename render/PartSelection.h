// Which channels and tracks of a MIDI file play. General MIDI puts drums on
// channel 10; played on a piano they are noise at drum-map pitches, so unless
// the user names the channels, channel 10 is left out (with a warning).
// General MIDI files also set Volume (controller 7) high enough to drive the
// instrument into its clip, so those messages can be left out.
#pragma once

#include <bitset>
#include <string>
#include <vector>

#include "render/MidiSequence.h"

struct PartSelection {
    std::bitset<16> channels;  // bit c: MIDI channel c + 1
    bool channelsChosen = false;
    std::vector<int> tracks;  // numbered from 1; empty: every track
    bool keepVolumeMessages = true;

    PartSelection() { channels.set().reset(9); }
};

// "1,3,5-8" or "all"; values from 1 to highest. Throws a UsageError naming the option.
std::vector<int> parseNumberList(const std::string& text, const char* option, int highest);

struct SelectedParts {
    MidiSequence sequence;
    std::vector<std::string> warnings;  // one line each, without the program name
    int loudestVolume = -1;             // highest Volume (controller 7) value kept; -1: none
};

// Keeps the channel messages of the chosen channels and tracks; tempo changes
// of every track stay, since they time the whole file. Warns of what the
// listener would otherwise wonder about: drums left out or played as piano,
// notes the instrument does not have, and several channels setting its one
// Volume or moving its one pedal. Throws a UsageError for a track number
// beyond the file's, or for chosen channels and tracks without a note.
SelectedParts selectParts(const MidiSequence& sequence, const PartSelection& selection);
