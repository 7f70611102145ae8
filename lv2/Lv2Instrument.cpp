#include "lv2/Lv2Instrument.h"

#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "lv2/Lv2State.h"
#include "plugin/MidiVocabulary.h"
#include "vst/VstPluginMain.h"

namespace {

constexpr char kStateKey[] = "urn:tavrex:quenor-m4#state";
constexpr float kNone = std::numeric_limits<float>::quiet_NaN();

const LV2_URID_Map* findMap(const LV2_Feature* const* features) {
    for (; features && *features; ++features)
        if (std::strcmp((*features)->URI, LV2_URID__map) == 0) return static_cast<const LV2_URID_Map*>((*features)->data);
    return nullptr;
}

TimedEvent midiMessage(std::int64_t frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    return {frame, {status, data1, data2}};
}

}  // namespace

std::unique_ptr<Lv2Instrument> Lv2Instrument::create(double rate, const LV2_Feature* const* features) {
    const LV2_URID_Map* map = findMap(features);
    if (!map || !map->map || !HostRateInstrument::acceptsRate(rate)) return nullptr;
    const Urids urids{map->map(map->handle, LV2_MIDI__MidiEvent), map->map(map->handle, LV2_ATOM__frameTime),
                      map->map(map->handle, LV2_ATOM__Chunk), map->map(map->handle, kStateKey)};
    try {
        return std::unique_ptr<Lv2Instrument>(new Lv2Instrument(urids, rate));
    } catch (...) {
        return nullptr;
    }
}

Lv2Instrument::Lv2Instrument(const Urids& urids, double rate) : urids(urids), instrument(pluginMain, rate) {
    for (auto& value : appliedControls) value.store(kNone, std::memory_order_relaxed);
    events.reserve(HostRateInstrument::kMaxBlockEvents);
    changes.reserve(kNumParameters);
}

void Lv2Instrument::connect(std::uint32_t port, void* data) {
    if (port == lv2port::kMidiIn) midiIn = data;
    else if (port == lv2port::kOutLeft) outLeft = static_cast<float*>(data);
    else if (port == lv2port::kOutRight) outRight = static_cast<float*>(data);
    else if (lv2port::isControlPort(port)) controls[lv2port::parameterOf(port)] = static_cast<const float*>(data);
    else if (port == lv2port::kLatency) latency = static_cast<float*>(data);
}

void Lv2Instrument::run(std::uint32_t frames) {
    if (latency) *latency = static_cast<float>(instrument.latencyFrames());
    if (!outLeft || !outRight) return;
    events.clear();
    changes.clear();
    if (releasePending) {
        events.push_back(midiMessage(0, midi::kControlChange, midi::kAllNotesOff, 0));
        events.push_back(midiMessage(0, midi::kControlChange, midi::kSustainPedal, 0));
        releasePending = false;
    }
    readControls();
    readMidi(frames);
    instrument.run(events, changes, static_cast<int>(std::min<std::uint32_t>(frames, INT32_MAX)), outLeft, outRight);
}

// A port's value counts when it differs from the one last applied: in
// between, MIDI Volume may have moved Volume, and keeps it.
void Lv2Instrument::readControls() {
    for (int i = 0; i < kNumParameters; ++i) {
        if (!controls[i] || !std::isfinite(*controls[i])) continue;
        const float value = std::clamp(*controls[i], 0.0f, 1.0f);
        if (value == appliedControls[i].load(std::memory_order_relaxed)) continue;
        appliedControls[i].store(value, std::memory_order_relaxed);
        changes.push_back({0, i, value});
    }
}

// Only what lies wholly inside the sequence is read. An event before its
// predecessor plays with it, one past the block at the next block's start.
void Lv2Instrument::readMidi(std::uint32_t frames) {
    const auto* sequence = static_cast<const LV2_Atom_Sequence*>(midiIn);
    if (!sequence || sequence->atom.size < sizeof(LV2_Atom_Sequence_Body)) return;
    if (sequence->body.unit != 0 && sequence->body.unit != urids.frameTime) return;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&sequence->body);
    const std::size_t end = sequence->atom.size;
    std::int64_t previous = 0;
    for (std::size_t at = sizeof(LV2_Atom_Sequence_Body); end - at >= sizeof(LV2_Atom_Event);) {
        LV2_Atom_Event header;
        std::memcpy(&header, bytes + at, sizeof header);
        const std::size_t bodyAt = at + sizeof(LV2_Atom_Event);
        if (header.body.size > end - bodyAt) return;
        at = std::min(end, bodyAt + ((header.body.size + std::size_t{7}) & ~std::size_t{7}));
        if (header.body.type != urids.midiEvent || header.body.size < 3) continue;
        const std::uint8_t* message = bytes + bodyAt;
        const int kind = midi::statusKind(message[0]);
        if (kind != midi::kNoteOn && kind != midi::kNoteOff && kind != midi::kControlChange) continue;
        previous = std::clamp<std::int64_t>(header.time.frames, previous, frames);
        if (events.size() < events.capacity())
            events.push_back(midiMessage(previous, message[0], message[1], message[2]));
    }
}

LV2_State_Status Lv2Instrument::save(LV2_State_Store_Function store, LV2_State_Handle handle) {
    Lv2State state;
    for (int i = 0; i < kNumParameters; ++i) {
        state.playing[i] = instrument.parameter(i);
        state.ports[i] = appliedControls[i].load(std::memory_order_relaxed);
    }
    const auto blob = state.encode();
    return store(handle, urids.state, blob.data(), blob.size(), urids.chunk,
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status Lv2Instrument::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle) {
    std::size_t size = 0;
    std::uint32_t type = 0, flags = 0;
    const void* data = retrieve(handle, urids.state, &size, &type, &flags);
    if (!data) return LV2_STATE_ERR_NO_PROPERTY;
    if (type != urids.chunk) return LV2_STATE_ERR_BAD_TYPE;
    const auto state = Lv2State::decode({static_cast<const std::uint8_t*>(data), size});
    if (!state) return LV2_STATE_ERR_UNKNOWN;
    for (int i = 0; i < kNumParameters; ++i) {
        instrument.setParameter(i, state->playing[i]);
        appliedControls[i].store(state->ports[i], std::memory_order_relaxed);
    }
    return LV2_STATE_SUCCESS;
}
