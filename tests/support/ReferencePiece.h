// What the plug-in formats' tests play against: a short piece touching every
// event the instrument answers (Volume and all-notes-off included), and the
// built VST2 module playing it with the same parameter changes at the same
// frames, its blocks cut where they act.
#pragma once

#include <cstdint>
#include <vector>

#include "host/BlockPlayer.h"
#include "host/PluginHost.h"
#include "plugin/MidiVocabulary.h"
#include "tests/support/ConversionMeasure.h"
#include "tests/support/HostHarness.h"

inline TimedEvent midiMessage(std::int64_t frame, int status, int data1, int data2) {
    return {frame, {static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1), static_cast<std::uint8_t>(data2)}};
}

// 6000 frames long; notes at block edges, the pedal, Volume and all-notes-off.
inline std::vector<TimedEvent> referencePiece() {
    using namespace midi;
    return {midiMessage(0, kNoteOn, 60, 100),   midiMessage(511, kNoteOn, 64, 90),
            midiMessage(512, kNoteOn, 67, 70),  midiMessage(1700, kControlChange, kSustainPedal, 127),
            midiMessage(1800, kNoteOff, 60, 0), midiMessage(2500, kControlChange, midi::kVolume, 30),
            midiMessage(2500, kNoteOn, 72, 110), midiMessage(3333, kControlChange, kSustainPedal, 0),
            midiMessage(4000, kControlChange, kAllNotesOff, 0), midiMessage(4001, kNoteOn, 48, 127),
            midiMessage(5999, kNoteOn, 50, 60)};
}

inline Stereo vst2Reference(const std::vector<TimedEvent>& events, const std::vector<ParameterChange>& changes,
                            int total) {
    const testhost::PluginLibrary vst2(QUENOR_PLUGIN_PATH);
    PluginHost module(reinterpret_cast<PluginEntry>(vst2.symbol("VSTPluginMain")), "the VST2 module");
    module.open(total);
    module.resume();
    Stereo out{std::vector<float>(total), std::vector<float>(total)};
    playBlock(module, events, changes, 0, total, out.left.data(), out.right.data());
    return out;
}
