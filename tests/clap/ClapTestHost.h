// The tests' own CLAP host: loads the module as a host does (the system's
// loader, clap_entry, the factory), creates the instrument with a host record
// offering thread-check, params, timer-support and gui, and drives it:
// activation, blocks of events and sound, parameters, state streams.
#pragma once

#include <clap/entry.h>
#include <clap/ext/gui.h>
#include <clap/ext/latency.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/timer-support.h>
#include <clap/plugin-factory.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "host/BlockPlayer.h"
#include "tests/support/ConversionMeasure.h"
#include "tests/support/HostHarness.h"

namespace claptest {

// The module loaded and its entry initialised, until destruction.
class Module {
public:
    explicit Module(const char* path = QUENOR_CLAP_PATH);
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    const clap_plugin_entry_t* entry = nullptr;
    const clap_plugin_factory_t* factory = nullptr;

private:
    testhost::PluginLibrary library;
};

// Input events of one block or flush, in the order the host hands them in.
class EventList {
public:
    void note(std::uint32_t time, bool on, int key, double velocity = 1.0);
    void midi(std::uint32_t time, const TimedEvent& message);
    void param(std::uint32_t time, clap_id id, double value);
    void clear() { stored.clear(); }
    const clap_input_events_t* input() const;

private:
    template <class Event>
    void add(const Event& event);
    std::vector<std::vector<std::uint64_t>> stored;
    mutable clap_input_events_t list;
};

// What the plug-in sent the host: parameter values and gesture ends.
struct SentEvent {
    std::uint16_t type;
    clap_id param;
    double value;
    bool operator==(const SentEvent&) const = default;
};

// The host record with its extensions, counting what the plug-in asked of it.
class Host {
public:
    Host();
    const clap_host_t* get() const { return &host; }

    bool answerMainThread = true;
    int flushRequests = 0;
    int rescans = 0;
    int guiClosed = 0;
    std::vector<clap_id> timers;

private:
    clap_host_t host;
};

// Streams that move at most `chunk` bytes a call; a reader that fails after `failAfter` bytes.
std::vector<std::uint8_t> save(const clap_plugin_t* plugin, const clap_plugin_state_t* state,
                               std::size_t chunk = std::numeric_limits<std::size_t>::max());
bool load(const clap_plugin_t* plugin, const clap_plugin_state_t* state, const std::vector<std::uint8_t>& bytes,
          std::size_t chunk = std::numeric_limits<std::size_t>::max(),
          std::size_t failAfter = std::numeric_limits<std::size_t>::max());

// One instance, created and initialised; stopped, deactivated and destroyed after.
class Plugin {
public:
    Plugin(const Module& module, Host& host);
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    bool activate(double rate);
    void deactivate();
    // One block, its sound appended to out; what the plug-in sends is kept in sent.
    clap_process_status process(const EventList& events, std::uint32_t frames, Stereo& out);
    void flush(const EventList& events);
    double value(clap_id id) const;
    std::uint32_t latency() const { return latencyExt->get(plugin); }

    const clap_plugin_t* plugin = nullptr;
    const clap_plugin_params_t* params = nullptr;
    const clap_plugin_state_t* state = nullptr;
    const clap_plugin_gui_t* gui = nullptr;
    const clap_plugin_timer_support_t* timer = nullptr;
    std::vector<SentEvent> sent;

private:
    const clap_plugin_latency_t* latencyExt = nullptr;
    clap_output_events_t output;
    bool active = false, processing = false;
};

// Plays host-frame events in runs of the given lengths, repeated: notes as
// CLAP note events, controllers as MIDI, changes as parameter events at their frame.
Stereo play(Plugin& plugin, const std::vector<TimedEvent>& events, const std::vector<ParameterChange>& changes,
            int total, const std::vector<int>& runs);

}  // namespace claptest
