#include "clap/ClapInstrument.h"

#include <algorithm>
#include <cmath>

#include "clap/ClapParameters.h"
#include "clap/ClapState.h"
#include "plugin/MidiVocabulary.h"
#include "plugin/ProgramRecord.h"
#include "vst/VstPluginMain.h"

namespace {

TimedEvent midiMessage(std::int64_t frame, int status, int data1, int data2) {
    return {frame, {static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1), static_cast<std::uint8_t>(data2)}};
}

// A soft note-on must stay a note-on: velocity 0 would release the key.
int midiVelocity(double velocity) {
    return std::clamp(static_cast<int>(std::lround(127.0 * std::clamp(velocity, 0.0, 1.0))), 1, 127);
}

bool push(const clap_output_events_t* out, const clap_event_header_t& event) {
    return out && out->try_push && out->try_push(out, &event);
}

clap_event_header_t header(std::uint32_t size, std::uint16_t type) {
    return {size, 0, CLAP_CORE_EVENT_SPACE_ID, type, 0};
}

bool tellValue(const clap_output_events_t* out, int index, float value) {
    clap_event_param_value_t event{};
    event.header = header(sizeof event, CLAP_EVENT_PARAM_VALUE);
    event.param_id = static_cast<clap_id>(index);
    event.note_id = -1;
    event.port_index = event.channel = event.key = -1;
    event.value = value;
    return push(out, event.header);
}

bool tellGesture(const clap_output_events_t* out, int index, bool begin) {
    clap_event_param_gesture_t event{};
    event.header = header(sizeof event, begin ? CLAP_EVENT_PARAM_GESTURE_BEGIN : CLAP_EVENT_PARAM_GESTURE_END);
    event.param_id = static_cast<clap_id>(index);
    return push(out, event.header);
}

}  // namespace

ClapInstrument::ClapInstrument(const clap_host_t* host) : hostServices(host) {
    for (int i = 0; i < kNumParameters; ++i) {
        idleValues[i] = hostValues[i] = played[i] = kFactoryPrograms[0].parameters[i];
        shown[i].store(idleValues[i], std::memory_order_relaxed);
        loadedValues[i].store(0.0f, std::memory_order_relaxed);
    }
    events.reserve(HostRateInstrument::kMaxBlockEvents);
    changes.reserve(HostRateInstrument::kMaxBlockEvents);
}

ClapInstrument::~ClapInstrument() = default;

bool ClapInstrument::activate(double rate) {
    if (instrument || !HostRateInstrument::acceptsRate(rate)) return false;
    try {
        instrument = std::make_unique<HostRateInstrument>(pluginMain, rate);
    } catch (...) {
        return false;
    }
    // A state loaded while inactive is in idleValues already.
    loadedMask.store(0, std::memory_order_relaxed);
    for (int i = 0; i < kNumParameters; ++i) instrument->setParameter(i, idleValues[i]);
    releasePending.store(false, std::memory_order_relaxed);
    return true;
}

void ClapInstrument::deactivate() {
    if (!instrument) return;
    // A state loaded since the last block still counts.
    const std::uint32_t loaded = loadedMask.exchange(0, std::memory_order_acquire);
    for (int i = 0; i < kNumParameters; ++i)
        idleValues[i] = loaded & (1u << i) ? loadedValues[i].load(std::memory_order_relaxed) : instrument->parameter(i);
    instrument.reset();
}

bool ClapInstrument::value(clap_id id, double& value) const {
    if (clapparam::isValue(id)) value = shown[id].load(std::memory_order_relaxed);
    else if (id == clapparam::kProgram) value = program.load(std::memory_order_relaxed);
    else return false;
    return true;
}

bool ClapInstrument::save(const clap_ostream_t& stream) const {
    ClapState state;
    for (int i = 0; i < kNumParameters; ++i) state.values[i] = shown[i].load(std::memory_order_relaxed);
    state.program = program.load(std::memory_order_relaxed);
    return state.write(stream);
}

bool ClapInstrument::load(const clap_istream_t& stream) {
    const auto state = ClapState::read(stream);
    if (!state) return false;
    program.store(state->program, std::memory_order_relaxed);
    for (int i = 0; i < kNumParameters; ++i) {
        shown[i].store(state->values[i], std::memory_order_relaxed);
        if (instrument) loadedValues[i].store(state->values[i], std::memory_order_relaxed);
        else idleValues[i] = hostValues[i] = state->values[i];
    }
    if (instrument) loadedMask.store((1u << kNumParameters) - 1, std::memory_order_release);
    if (hostServices.params && hostServices.params->rescan)
        hostServices.params->rescan(hostServices.host, CLAP_PARAM_RESCAN_VALUES);
    return true;
}

void ClapInstrument::edit(const EditorEdit& edit) {
    if (!edits.push(edit)) return;
    // The host then flushes, or leaves it to its next block when it plays.
    if (hostServices.params && hostServices.params->request_flush)
        hostServices.params->request_flush(hostServices.host);
}

clap_process_status ClapInstrument::process(const clap_process_t& process) {
    if (!instrument || process.audio_outputs_count < 1 || !process.audio_outputs ||
        process.audio_outputs[0].channel_count < 2 || !process.audio_outputs[0].data32)
        return CLAP_PROCESS_ERROR;
    float* left = process.audio_outputs[0].data32[0];
    float* right = process.audio_outputs[0].data32[1];
    const std::uint32_t frames = std::min<std::uint32_t>(process.frames_count, INT32_MAX);
    // A block of no frames may come without buffers; its events still count.
    if (frames > 0 && (!left || !right)) return CLAP_PROCESS_ERROR;
    takeInput(process.in_events, process.out_events, frames, true);
    instrument->run(events, changes, static_cast<int>(frames), left, right);
    process.audio_outputs[0].constant_mask = 0;
    report(process.out_events);
    return CLAP_PROCESS_CONTINUE;
}

void ClapInstrument::flush(const clap_input_events_t* in, const clap_output_events_t* out) {
    takeInput(in, out, 0, false);
    for (const ParameterChange& item : changes) {
        if (instrument) instrument->setParameter(item.index, item.value);
        else idleValues[item.index] = item.value;
    }
    report(out);
}

void ClapInstrument::takeInput(const clap_input_events_t* in, const clap_output_events_t* out,
                               std::uint32_t frames, bool withNotes) {
    events.clear();
    changes.clear();
    if (withNotes && releasePending.exchange(false, std::memory_order_relaxed)) {
        events.push_back(midiMessage(0, midi::kControlChange, midi::kAllNotesOff, 0));
        events.push_back(midiMessage(0, midi::kControlChange, midi::kSustainPedal, 0));
    }
    // The host was told of a loaded state's values by the rescan.
    const std::uint32_t loaded = loadedMask.exchange(0, std::memory_order_acquire);
    for (int i = 0; i < kNumParameters; ++i)
        if (loaded & (1u << i)) change(0, i, hostValues[i] = loadedValues[i].load(std::memory_order_relaxed));
    edits.takeAll([&](const EditorEdit& edit) {
        if (edit.kind == EditorEdit::change) {
            change(0, edit.index, edit.value);
            if (tellValue(out, edit.index, edit.value)) hostValues[edit.index] = edit.value;
        } else {
            tellGesture(out, edit.index, edit.kind == EditorEdit::begin);
        }
    });
    if (!in || !in->size || !in->get) return;
    // An event before its predecessor plays with it, one past the block at
    // the next block's start.
    std::int64_t previous = 0;
    const std::uint32_t count = in->size(in);
    for (std::uint32_t i = 0; i < count; ++i) {
        const clap_event_header_t* event = in->get(in, i);
        if (!event || event->space_id != CLAP_CORE_EVENT_SPACE_ID) continue;
        previous = std::clamp<std::int64_t>(event->time, previous, frames);
        takeEvent(*event, previous, withNotes);
    }
}

void ClapInstrument::takeEvent(const clap_event_header_t& header, std::int64_t frame, bool withNotes) {
    const auto add = [&](int status, int data1, int data2) {
        if (withNotes && events.size() < events.capacity()) events.push_back(midiMessage(frame, status, data1, data2));
    };
    switch (header.type) {
    case CLAP_EVENT_PARAM_VALUE: {
        if (header.size < sizeof(clap_event_param_value_t)) return;
        const auto& event = reinterpret_cast<const clap_event_param_value_t&>(header);
        const auto value = clapparam::clamped(event.param_id, event.value);
        if (!value) return;
        if (clapparam::isValue(event.param_id)) {
            const auto index = static_cast<int>(event.param_id);
            change(frame, index, hostValues[index] = static_cast<float>(*value));
        } else {
            // The host hears of the program's values after the block.
            const int picked = static_cast<int>(*value);
            program.store(picked, std::memory_order_relaxed);
            for (int i = 0; i < kNumParameters; ++i) change(frame, i, kFactoryPrograms[picked].parameters[i]);
        }
        return;
    }
    case CLAP_EVENT_NOTE_ON:
    case CLAP_EVENT_NOTE_OFF:
    case CLAP_EVENT_NOTE_CHOKE: {
        if (header.size < sizeof(clap_event_note_t)) return;
        const auto& event = reinterpret_cast<const clap_event_note_t&>(header);
        if (event.port_index > 0 || event.key < 0 || event.key > 127) return;
        if (header.type != CLAP_EVENT_NOTE_ON) add(midi::kNoteOff, event.key, 0);
        else if (!std::isnan(event.velocity)) add(midi::kNoteOn, event.key, midiVelocity(event.velocity));
        return;
    }
    case CLAP_EVENT_MIDI: {
        if (header.size < sizeof(clap_event_midi_t)) return;
        const auto& event = reinterpret_cast<const clap_event_midi_t&>(header);
        const int kind = midi::statusKind(event.data[0]);
        if (event.port_index == 0 && (kind == midi::kNoteOn || kind == midi::kNoteOff || kind == midi::kControlChange))
            add(event.data[0], event.data[1] & 0x7F, event.data[2] & 0x7F);
        return;
    }
    default:
        return;
    }
}

void ClapInstrument::change(std::int64_t frame, int index, float value) {
    if (changes.size() < changes.capacity()) changes.push_back({frame, index, value});
}

void ClapInstrument::report(const clap_output_events_t* out) {
    for (int i = 0; i < kNumParameters; ++i) {
        const float now = playing(i);
        if (now != hostValues[i] && tellValue(out, i, now)) hostValues[i] = now;
        // Only a change: a state loaded meanwhile on the main thread stays shown.
        if (now != played[i]) shown[i].store(played[i] = now, std::memory_order_relaxed);
    }
}
