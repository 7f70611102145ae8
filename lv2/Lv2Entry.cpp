// The module's one export: the LV2 descriptor. Nothing thrown inside crosses it.
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>

#include <cstring>

#include "lv2/Lv2Instrument.h"
#include "lv2/Lv2Ports.h"

namespace {

Lv2Instrument* self(LV2_Handle handle) { return static_cast<Lv2Instrument*>(handle); }

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features) {
    return Lv2Instrument::create(rate, features).release();
}

void connectPort(LV2_Handle handle, std::uint32_t port, void* data) { self(handle)->connect(port, data); }

void activate(LV2_Handle handle) { self(handle)->activate(); }

void run(LV2_Handle handle, std::uint32_t frames) { self(handle)->run(frames); }

void deactivate(LV2_Handle) {}

void cleanup(LV2_Handle handle) { delete self(handle); }

LV2_State_Status save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state, std::uint32_t,
                      const LV2_Feature* const*) {
    return self(handle)->save(store, state);
}

LV2_State_Status restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve, LV2_State_Handle state,
                         std::uint32_t, const LV2_Feature* const*) {
    return self(handle)->restore(retrieve, state);
}

const void* extensionData(const char* uri) {
    static const LV2_State_Interface state = {save, restore};
    return std::strcmp(uri, LV2_STATE__interface) == 0 ? &state : nullptr;
}

const LV2_Descriptor kDescriptor = {lv2port::kPluginUri, instantiate, connectPort, activate, run, deactivate,
                                    cleanup,             extensionData};

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
