#include "tests/clap/ClapTestHost.h"

#include <clap/ext/thread-check.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

#include "plugin/MidiVocabulary.h"

namespace claptest {

namespace {

constexpr char kPluginId[] = "com.tavrex.quenor-m4";

Host& hostOf(const clap_host_t* host) { return *static_cast<Host*>(host->host_data); }

bool isMainThread(const clap_host_t* host) { return hostOf(host).answerMainThread; }
bool isAudioThread(const clap_host_t* host) { return !hostOf(host).answerMainThread; }
const clap_host_thread_check_t kThreadCheck{isMainThread, isAudioThread};

void rescan(const clap_host_t* host, clap_param_rescan_flags) { ++hostOf(host).rescans; }
void clear(const clap_host_t*, clap_id, clap_param_clear_flags) {}
void requestFlush(const clap_host_t* host) { ++hostOf(host).flushRequests; }
const clap_host_params_t kParams{rescan, clear, requestFlush};

bool registerTimer(const clap_host_t* host, std::uint32_t, clap_id* id) {
    auto& timers = hostOf(host).timers;
    *id = static_cast<clap_id>(timers.size() + 100);
    timers.push_back(*id);
    return true;
}
bool unregisterTimer(const clap_host_t* host, clap_id id) {
    auto& timers = hostOf(host).timers;
    const auto at = std::find(timers.begin(), timers.end(), id);
    if (at == timers.end()) return false;
    timers.erase(at);
    return true;
}
const clap_host_timer_support_t kTimers{registerTimer, unregisterTimer};

void resizeHintsChanged(const clap_host_t*) {}
bool requestResize(const clap_host_t*, std::uint32_t, std::uint32_t) { return false; }
bool requestShowOrHide(const clap_host_t*) { return false; }
void closed(const clap_host_t* host, bool) { ++hostOf(host).guiClosed; }
const clap_host_gui_t kGui{resizeHintsChanged, requestResize, requestShowOrHide, requestShowOrHide, closed};

const void* hostExtension(const clap_host_t*, const char* id) {
    if (std::strcmp(id, CLAP_EXT_THREAD_CHECK) == 0) return &kThreadCheck;
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &kParams;
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) return &kTimers;
    if (std::strcmp(id, CLAP_EXT_GUI) == 0) return &kGui;
    return nullptr;
}
void hostRequest(const clap_host_t*) {}

std::uint32_t listSize(const clap_input_events_t* list) {
    return static_cast<std::uint32_t>(static_cast<const std::vector<std::vector<std::uint64_t>>*>(list->ctx)->size());
}
const clap_event_header_t* listGet(const clap_input_events_t* list, std::uint32_t index) {
    const auto& stored = *static_cast<const std::vector<std::vector<std::uint64_t>>*>(list->ctx);
    return index < stored.size() ? reinterpret_cast<const clap_event_header_t*>(stored[index].data()) : nullptr;
}

bool keepSent(const clap_output_events_t* list, const clap_event_header_t* event) {
    auto& sent = *static_cast<std::vector<SentEvent>*>(list->ctx);
    if (event->type == CLAP_EVENT_PARAM_VALUE) {
        const auto* value = reinterpret_cast<const clap_event_param_value_t*>(event);
        sent.push_back({event->type, value->param_id, value->value});
    } else if (event->type == CLAP_EVENT_PARAM_GESTURE_BEGIN || event->type == CLAP_EVENT_PARAM_GESTURE_END) {
        sent.push_back({event->type, reinterpret_cast<const clap_event_param_gesture_t*>(event)->param_id, 0.0});
    }
    return true;
}

clap_event_header_t header(std::uint32_t size, std::uint32_t time, std::uint16_t type) {
    return {size, time, CLAP_CORE_EVENT_SPACE_ID, type, 0};
}

struct Bytes {
    std::vector<std::uint8_t>* out;
    const std::vector<std::uint8_t>* in;
    std::size_t at, chunk, failAfter;
};

std::int64_t writeBytes(const clap_ostream_t* stream, const void* buffer, std::uint64_t size) {
    auto& bytes = *static_cast<Bytes*>(stream->ctx);
    const std::size_t count = std::min<std::uint64_t>(size, bytes.chunk);
    const auto* from = static_cast<const std::uint8_t*>(buffer);
    bytes.out->insert(bytes.out->end(), from, from + count);
    return static_cast<std::int64_t>(count);
}

std::int64_t readBytes(const clap_istream_t* stream, void* buffer, std::uint64_t size) {
    auto& bytes = *static_cast<Bytes*>(stream->ctx);
    if (bytes.at >= bytes.failAfter) return -1;
    const std::size_t count = std::min<std::uint64_t>({size, bytes.chunk, bytes.in->size() - bytes.at});
    if (count > 0) std::memcpy(buffer, bytes.in->data() + bytes.at, count);
    bytes.at += count;
    return static_cast<std::int64_t>(count);
}

}  // namespace

Module::Module(const char* path) : library(path) {
    entry = static_cast<const clap_plugin_entry_t*>(library.symbol("clap_entry"));
    if (!entry || !entry->init(path)) throw std::runtime_error(std::string("no CLAP entry in ") + path);
    factory = static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
    if (!factory) throw std::runtime_error("no plug-in factory");
}

Module::~Module() { entry->deinit(); }

template <class Event>
void EventList::add(const Event& event) {
    std::vector<std::uint64_t> bytes((sizeof event + 7) / 8);
    std::memcpy(bytes.data(), &event, sizeof event);
    stored.push_back(std::move(bytes));
}

const clap_input_events_t* EventList::input() const {
    list = {const_cast<std::vector<std::vector<std::uint64_t>>*>(&stored), listSize, listGet};
    return &list;
}

void EventList::note(std::uint32_t time, bool on, int key, double velocity) {
    clap_event_note_t event{header(sizeof event, time, on ? CLAP_EVENT_NOTE_ON : CLAP_EVENT_NOTE_OFF), -1, 0, 0,
                            static_cast<std::int16_t>(key), velocity};
    add(event);
}

void EventList::midi(std::uint32_t time, const TimedEvent& message) {
    clap_event_midi_t event{header(sizeof event, time, CLAP_EVENT_MIDI), 0,
                            {message.bytes[0], message.bytes[1], message.bytes[2]}};
    add(event);
}

void EventList::param(std::uint32_t time, clap_id id, double value) {
    clap_event_param_value_t event{header(sizeof event, time, CLAP_EVENT_PARAM_VALUE), id, nullptr, -1, -1, -1, -1,
                                   value};
    add(event);
}

Host::Host() {
    host = {CLAP_VERSION_INIT, this, "quenor tests", "Tavrex", "", "1", hostExtension, hostRequest, hostRequest,
            hostRequest};
}

std::vector<std::uint8_t> save(const clap_plugin_t* plugin, const clap_plugin_state_t* state, std::size_t chunk) {
    std::vector<std::uint8_t> out;
    Bytes bytes{&out, nullptr, 0, chunk, 0};
    const clap_ostream_t stream{&bytes, writeBytes};
    if (!state->save(plugin, &stream)) out.clear();
    return out;
}

bool load(const clap_plugin_t* plugin, const clap_plugin_state_t* state, const std::vector<std::uint8_t>& in,
          std::size_t chunk, std::size_t failAfter) {
    Bytes bytes{nullptr, &in, 0, chunk, failAfter};
    const clap_istream_t stream{&bytes, readBytes};
    return state->load(plugin, &stream);
}

Plugin::Plugin(const Module& module, Host& host) : output{&sent, keepSent} {
    plugin = module.factory->create_plugin(module.factory, host.get(), kPluginId);
    if (!plugin || !plugin->init(plugin)) throw std::runtime_error("the instrument was not made");
    const auto extension = [this](const char* id) { return plugin->get_extension(plugin, id); };
    params = static_cast<const clap_plugin_params_t*>(extension(CLAP_EXT_PARAMS));
    state = static_cast<const clap_plugin_state_t*>(extension(CLAP_EXT_STATE));
    gui = static_cast<const clap_plugin_gui_t*>(extension(CLAP_EXT_GUI));
    timer = static_cast<const clap_plugin_timer_support_t*>(extension(CLAP_EXT_TIMER_SUPPORT));
    latencyExt = static_cast<const clap_plugin_latency_t*>(extension(CLAP_EXT_LATENCY));
    if (!params || !state || !gui || !timer || !latencyExt) throw std::runtime_error("an extension is missing");
}

Plugin::~Plugin() {
    deactivate();
    plugin->destroy(plugin);
}

bool Plugin::activate(double rate) {
    active = plugin->activate(plugin, rate, 1, 4096);
    processing = active && plugin->start_processing(plugin);
    return processing;
}

void Plugin::deactivate() {
    if (processing) plugin->stop_processing(plugin);
    if (active) plugin->deactivate(plugin);
    active = processing = false;
}

clap_process_status Plugin::process(const EventList& events, std::uint32_t frames, Stereo& out) {
    const std::size_t start = out.left.size();
    out.left.resize(start + frames);
    out.right.resize(start + frames);
    float* channels[2] = {out.left.data() + start, out.right.data() + start};
    clap_audio_buffer_t buffer{channels, nullptr, 2, 0, 0};
    const clap_process_t process{-1, frames, nullptr, nullptr, &buffer, 0, 1, events.input(), &output};
    return plugin->process(plugin, &process);
}

void Plugin::flush(const EventList& events) { params->flush(plugin, events.input(), &output); }

double Plugin::value(clap_id id) const {
    double value = std::numeric_limits<double>::quiet_NaN();
    params->get_value(plugin, id, &value);
    return value;
}

Stereo play(Plugin& plugin, const std::vector<TimedEvent>& events, const std::vector<ParameterChange>& changes,
            int total, const std::vector<int>& runs) {
    Stereo out;
    EventList list;
    std::size_t nextEvent = 0, nextChange = 0, run = 0;
    for (int start = 0; start < total;) {
        const int length = std::min(runs[run++ % runs.size()], total - start);
        list.clear();
        // At one frame the changes come first, as a host sorts them.
        for (int frame = start; frame < start + length; ) {
            const auto time = static_cast<std::uint32_t>(frame - start);
            for (; nextChange < changes.size() && changes[nextChange].frame == frame; ++nextChange)
                list.param(time, static_cast<clap_id>(changes[nextChange].index), changes[nextChange].value);
            for (; nextEvent < events.size() && events[nextEvent].frame == frame; ++nextEvent) {
                const TimedEvent& event = events[nextEvent];
                const int kind = midi::statusKind(event.bytes[0]);
                if (kind == midi::kNoteOn && event.bytes[2] > 0) list.note(time, true, event.bytes[1], event.bytes[2] / 127.0);
                else if (kind == midi::kNoteOn || kind == midi::kNoteOff) list.note(time, false, event.bytes[1], 0.0);
                else list.midi(time, event);
            }
            std::int64_t next = start + length;
            if (nextChange < changes.size()) next = std::min(next, changes[nextChange].frame);
            if (nextEvent < events.size()) next = std::min(next, events[nextEvent].frame);
            frame = static_cast<int>(std::max<std::int64_t>(next, frame + 1));
        }
        plugin.process(list, static_cast<std::uint32_t>(length), out);
        start += length;
    }
    return out;
}

}  // namespace claptest
