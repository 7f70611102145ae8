// The module's one export: the CLAP entry, its plug-in factory with the one
// instrument, and the instance's entry points and extensions. Nothing thrown
// inside crosses them; calls the host makes from the wrong thread are refused.
#include <clap/entry.h>
#include <clap/ext/audio-ports.h>
#include <clap/ext/gui.h>
#include <clap/ext/latency.h>
#include <clap/ext/note-ports.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/timer-support.h>
#include <clap/plugin-factory.h>
#include <clap/plugin-features.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

#include "clap/ClapEditor.h"
#include "clap/ClapInstrument.h"
#include "clap/ClapParameters.h"

namespace {

constexpr char kPluginId[] = "com.tavrex.quenor-m4";

const char* const kFeatures[] = {CLAP_PLUGIN_FEATURE_INSTRUMENT, "piano",
                                 CLAP_PLUGIN_FEATURE_STEREO, nullptr};

const clap_plugin_descriptor_t kDescriptor = {
    CLAP_VERSION_INIT, kPluginId, "Quenor-m4", "Tavrex", "", "", "", QUENOR_VERSION,
    "Physically modelled piano: each key two struck strings", const_cast<const char**>(kFeatures)};

struct Instance {
    explicit Instance(const clap_host_t* host) : instrument(host), editor(instrument) {}
    clap_plugin_t plugin{};
    ClapInstrument instrument;
    ClapEditor editor;
    bool active = false;
    std::atomic<bool> processing{false};
};

Instance& self(const clap_plugin_t* plugin) { return *static_cast<Instance*>(plugin->plugin_data); }
bool onMainThread(const clap_plugin_t* plugin) { return self(plugin).instrument.host().onMainThread(); }

// Plug-in.

bool init(const clap_plugin_t* plugin) {
    self(plugin).instrument.host().find();
    return true;
}

void destroy(const clap_plugin_t* plugin) { delete &self(plugin); }

bool activate(const clap_plugin_t* plugin, double rate, std::uint32_t, std::uint32_t) {
    Instance& instance = self(plugin);
    if (!onMainThread(plugin) || instance.active) return false;
    return instance.active = instance.instrument.activate(rate);
}

void deactivate(const clap_plugin_t* plugin) {
    Instance& instance = self(plugin);
    if (!onMainThread(plugin) || !instance.active) return;
    instance.instrument.deactivate();
    instance.active = false;
    instance.processing = false;
}

bool startProcessing(const clap_plugin_t* plugin) {
    Instance& instance = self(plugin);
    instance.processing = instance.active;
    return instance.active;
}

void stopProcessing(const clap_plugin_t* plugin) { self(plugin).processing = false; }

void reset(const clap_plugin_t* plugin) { self(plugin).instrument.reset(); }

clap_process_status process(const clap_plugin_t* plugin, const clap_process_t* process) {
    Instance& instance = self(plugin);
    if (!process || !instance.active) return CLAP_PROCESS_ERROR;
    return instance.instrument.process(*process);
}

void onMainThreadCallback(const clap_plugin_t*) {}

// Audio ports: one stereo main output.

std::uint32_t audioPortCount(const clap_plugin_t*, bool isInput) { return isInput ? 0 : 1; }

bool audioPortInfo(const clap_plugin_t*, std::uint32_t index, bool isInput, clap_audio_port_info_t* info) {
    if (isInput || index != 0 || !info) return false;
    *info = {};
    info->id = 0;
    std::snprintf(info->name, sizeof info->name, "%s", "Output");
    info->flags = CLAP_AUDIO_PORT_IS_MAIN;
    info->channel_count = 2;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = CLAP_INVALID_ID;
    return true;
}

const clap_plugin_audio_ports_t kAudioPorts{audioPortCount, audioPortInfo};

// Note ports: one input, notes as CLAP events or MIDI.

std::uint32_t notePortCount(const clap_plugin_t*, bool isInput) { return isInput ? 1 : 0; }

bool notePortInfo(const clap_plugin_t*, std::uint32_t index, bool isInput, clap_note_port_info_t* info) {
    if (!isInput || index != 0 || !info) return false;
    *info = {};
    info->id = 0;
    info->supported_dialects = CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI;
    info->preferred_dialect = CLAP_NOTE_DIALECT_CLAP;
    std::snprintf(info->name, sizeof info->name, "%s", "Notes");
    return true;
}

const clap_plugin_note_ports_t kNotePorts{notePortCount, notePortInfo};

// Parameters.

std::uint32_t paramCount(const clap_plugin_t*) { return clapparam::kCount; }

bool paramInfo(const clap_plugin_t*, std::uint32_t index, clap_param_info_t* info) {
    return info && clapparam::info(index, *info);
}

bool paramValue(const clap_plugin_t* plugin, clap_id id, double* value) {
    return value && self(plugin).instrument.value(id, *value);
}

bool valueToText(const clap_plugin_t*, clap_id id, double value, char* text, std::uint32_t size) {
    return clapparam::toText(id, value, text, size);
}

bool textToValue(const clap_plugin_t*, clap_id id, const char* text, double* value) {
    if (!value) return false;
    const auto parsed = clapparam::fromText(id, text);
    if (parsed) *value = *parsed;
    return parsed.has_value();
}

void flush(const clap_plugin_t* plugin, const clap_input_events_t* in, const clap_output_events_t* out) {
    Instance& instance = self(plugin);
    // While it plays, the block takes what a flush would.
    if (!instance.processing) instance.instrument.flush(in, out);
}

const clap_plugin_params_t kParams{paramCount, paramInfo, paramValue, valueToText, textToValue, flush};

// State.

bool saveState(const clap_plugin_t* plugin, const clap_ostream_t* stream) {
    return stream && stream->write && onMainThread(plugin) && self(plugin).instrument.save(*stream);
}

bool loadState(const clap_plugin_t* plugin, const clap_istream_t* stream) {
    return stream && stream->read && onMainThread(plugin) && self(plugin).instrument.load(*stream);
}

const clap_plugin_state_t kState{saveState, loadState};

// Latency.

std::uint32_t latency(const clap_plugin_t* plugin) { return self(plugin).instrument.latency(); }

const clap_plugin_latency_t kLatency{latency};

// Gui.

bool guiSupported(const clap_plugin_t*, const char* api, bool floating) { return ClapEditor::supports(api, floating); }

bool guiPreferred(const clap_plugin_t*, const char** api, bool* floating) {
    if (!api || !floating) return false;
    *api = ClapEditor::kApi;
    *floating = false;
    return true;
}

bool guiCreate(const clap_plugin_t* plugin, const char* api, bool floating) {
    return onMainThread(plugin) && self(plugin).editor.create(api, floating);
}

void guiDestroy(const clap_plugin_t* plugin) {
    if (onMainThread(plugin)) self(plugin).editor.destroy();
}

bool guiScale(const clap_plugin_t*, double) { return false; }

bool guiSize(const clap_plugin_t* plugin, std::uint32_t* width, std::uint32_t* height) {
    return width && height && self(plugin).editor.size(*width, *height);
}

bool guiCanResize(const clap_plugin_t*) { return false; }

bool guiResizeHints(const clap_plugin_t*, clap_gui_resize_hints_t*) { return false; }

// The size is fixed: whatever the host asks, the answer is the editor's own.
bool guiAdjustSize(const clap_plugin_t* plugin, std::uint32_t* width, std::uint32_t* height) {
    return guiSize(plugin, width, height);
}

bool guiSetSize(const clap_plugin_t* plugin, std::uint32_t width, std::uint32_t height) {
    std::uint32_t ownWidth = 0, ownHeight = 0;
    return guiSize(plugin, &ownWidth, &ownHeight) && width == ownWidth && height == ownHeight;
}

bool guiSetParent(const clap_plugin_t* plugin, const clap_window_t* window) {
    return onMainThread(plugin) && self(plugin).editor.setParent(window);
}

bool guiSetTransient(const clap_plugin_t*, const clap_window_t*) { return false; }

void guiSuggestTitle(const clap_plugin_t*, const char*) {}

bool guiShow(const clap_plugin_t* plugin) { return onMainThread(plugin) && self(plugin).editor.show(); }

bool guiHide(const clap_plugin_t* plugin) { return onMainThread(plugin) && self(plugin).editor.hide(); }

const clap_plugin_gui_t kGui{guiSupported, guiPreferred,  guiCreate,       guiDestroy,     guiScale,
                             guiSize,      guiCanResize,  guiResizeHints,  guiAdjustSize,  guiSetSize,
                             guiSetParent, guiSetTransient, guiSuggestTitle, guiShow,       guiHide};

void onTimer(const clap_plugin_t* plugin, clap_id timer) {
    if (onMainThread(plugin)) self(plugin).editor.onTimer(timer);
}

const clap_plugin_timer_support_t kTimerSupport{onTimer};

const void* extension(const clap_plugin_t*, const char* id) {
    if (!id) return nullptr;
    const struct {
        const char* id;
        const void* extension;
    } kExtensions[] = {{CLAP_EXT_AUDIO_PORTS, &kAudioPorts}, {CLAP_EXT_NOTE_PORTS, &kNotePorts},
                       {CLAP_EXT_PARAMS, &kParams},          {CLAP_EXT_STATE, &kState},
                       {CLAP_EXT_LATENCY, &kLatency},        {CLAP_EXT_GUI, &kGui},
                       {CLAP_EXT_TIMER_SUPPORT, &kTimerSupport}};
    for (const auto& known : kExtensions)
        if (std::strcmp(id, known.id) == 0) return known.extension;
    return nullptr;
}

// Factory and entry.

std::uint32_t pluginCount(const clap_plugin_factory_t*) { return 1; }

const clap_plugin_descriptor_t* pluginDescriptor(const clap_plugin_factory_t*, std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}

const clap_plugin_t* createPlugin(const clap_plugin_factory_t*, const clap_host_t* host, const char* id) {
    if (!host || !id || std::strcmp(id, kPluginId) != 0 || !clap_version_is_compatible(host->clap_version))
        return nullptr;
    auto* instance = new (std::nothrow) Instance(host);
    if (!instance) return nullptr;
    instance->plugin = {&kDescriptor,    instance, init,    destroy, activate,  deactivate,
                        startProcessing, stopProcessing, reset, process, extension, onMainThreadCallback};
    return &instance->plugin;
}

const clap_plugin_factory_t kFactory{pluginCount, pluginDescriptor, createPlugin};

bool entryInit(const char*) { return true; }

void entryDeinit() {}

const void* factory(const char* id) {
    return id && std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory : nullptr;
}

}  // namespace

extern "C" CLAP_EXPORT const clap_plugin_entry_t clap_entry = {CLAP_VERSION_INIT, entryInit, entryDeinit, factory};
