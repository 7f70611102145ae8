#include "host/PluginHost.h"

#include <cstddef>

#include "host/HostError.h"
#include "host/ProgramValues.h"

namespace {

// The renderer offers the host services of none but the version query.
VstIntPtr VSTCALLBACK hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

// Program names are 24 bytes in the chunk; leave room for any plug-in.
constexpr std::size_t kNameBufferSize = 256;

}  // namespace

PluginHost::PluginHost(PluginEntry entry, const std::string& name) : path(name) {
    effect = entry(hostCallback);
    if (!effect) {
        throw fileError(path, "the plug-in refused to create an instance");
    }
    if (effect->magic != kEffectMagic) {
        // The record cannot be trusted with a close request.
        effect = nullptr;
        throw fileError(path, "not a plug-in: its record has the wrong magic number");
    }
    const char* problem = nullptr;
    if (!(effect->flags & effFlagsIsSynth))
        problem = "not an instrument: the plug-in does not declare itself a synth";
    else if (effect->numOutputs < 2)
        problem = "not a stereo instrument: the plug-in has fewer than 2 outputs";
    else if (!(effect->flags & effFlagsCanReplacing) || !effect->processReplacing)
        problem = "the plug-in does not offer replacing processing";
    if (problem) {
        close();
        throw fileError(path, problem);
    }
}

PluginHost::~PluginHost() { close(); }

// The library itself stays loaded until the process ends: unloading it would
// also unload libraries it depends on, orphaning what their start-up code
// allocated, and a one-shot renderer gains nothing from it.
void PluginHost::close() {
    if (!effect) return;
    closeEditor();
    if (resumed) dispatch(effMainsChanged, 0, 0);
    dispatch(effClose);
    effect = nullptr;
}

VstIntPtr PluginHost::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void PluginHost::open(int blockSize) {
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRenderRate));
    dispatch(effSetBlockSize, 0, blockSize);
}

std::string PluginHost::programName(int index) {
    char name[kNameBufferSize] = {};
    if (!dispatch(effGetProgramNameIndexed, index, 0, name)) return {};
    name[kNameBufferSize - 1] = 0;
    return name;
}

void PluginHost::selectProgram(int index) { dispatch(effSetProgram, 0, index); }

void PluginHost::loadBank(const std::vector<std::uint8_t>& chunk, const std::string& source) {
    if (const std::string problem = nonFiniteProgramValue(chunk); !problem.empty())
        throw fileError(source, "damaged: " + problem);
    std::vector<std::uint8_t> copy = chunk;  // the plug-in may keep or touch the buffer during the call
    if (dispatch(effSetChunk, 0, static_cast<VstIntPtr>(copy.size()), copy.data()) == 0)
        throw fileError(source, "the plug-in refused this bank: it has " + std::to_string(chunk.size()) +
                                    " bytes, and a bank of this plug-in has " + std::to_string(saveBank().size()));
}

std::vector<std::uint8_t> PluginHost::saveBank() {
    void* data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, 0, 0, &data);
    if (size <= 0 || !data) throw fileError(path, "the plug-in gave no bank to save");
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return {bytes, bytes + size};
}

void PluginHost::resume() {
    dispatch(effMainsChanged, 0, 1);
    resumed = true;
}

int PluginHost::currentProgram() { return static_cast<int>(dispatch(effGetProgram)); }

void PluginHost::setParameter(int index, float value) { effect->setParameter(effect, index, value); }

float PluginHost::parameter(int index) { return effect->getParameter(effect, index); }

void PluginHost::reserveEvents(std::size_t count) {
    eventList.reserve(count);
    reservedEvents = count;
}

void PluginHost::sendEvents(std::span<const TimedEvent> events, std::int64_t blockStart) {
    if (reservedEvents > 0 && events.size() > reservedEvents) events = events.first(reservedEvents);
    if (events.empty()) return;
    eventList.clear();
    for (const TimedEvent& event : events)
        eventList.add(static_cast<VstInt32>(event.frame - blockStart), event.bytes[0], event.bytes[1],
                      event.bytes[2]);
    dispatch(effProcessEvents, 0, 0, eventList.list());
}

void PluginHost::process(float* left, float* right, int frames) {
    float* outputs[2] = {left, right};
    effect->processReplacing(effect, nullptr, outputs, frames);
}

PluginHost::Size PluginHost::editorSize() {
    ERect* rect = nullptr;
    if (!hasEditor() || !dispatch(effEditGetRect, 0, 0, &rect) || !rect) return {};
    return {rect->right - rect->left, rect->bottom - rect->top};
}

bool PluginHost::openEditor(void* parent) {
    if (!hasEditor() || editorOpen) return editorOpen;
    editorOpen = dispatch(effEditOpen, 0, 0, parent) != 0;
    return editorOpen;
}

void PluginHost::idleEditor() {
    if (editorOpen) dispatch(effEditIdle);
}

void PluginHost::closeEditor() {
    if (editorOpen) dispatch(effEditClose);
    editorOpen = false;
}
