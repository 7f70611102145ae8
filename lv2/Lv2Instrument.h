// One LV2 instance: the ports, the MIDI sequence read into timed events,
// control values into parameter changes, and the state; the playing itself
// is HostRateInstrument's.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/Parameters.h"
#include "host/HostRateInstrument.h"
#include "lv2/Lv2Ports.h"

class Lv2Instrument {
public:
    // Null when the host offers no URID map or an unusable rate, or when the
    // instrument cannot be made; never throws.
    static std::unique_ptr<Lv2Instrument> create(double rate, const LV2_Feature* const* features);

    void connect(std::uint32_t port, void* data);
    // Sounding notes and the pedal are let go at the next run.
    void activate() { releasePending = true; }
    void run(std::uint32_t frames);

    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle);
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

private:
    struct Urids {
        LV2_URID midiEvent, frameTime, chunk, state;
    };
    Lv2Instrument(const Urids& urids, double rate);

    void readControls();
    void readMidi(std::uint32_t frames);

    Urids urids;
    HostRateInstrument instrument;
    const void* midiIn = nullptr;
    float* outLeft = nullptr;
    float* outRight = nullptr;
    const float* controls[kNumParameters] = {};
    float* latency = nullptr;
    bool releasePending = true;
    // The last port value applied, NaN before the first; read by a save
    // that may come during run.
    std::atomic<float> appliedControls[kNumParameters];
    std::vector<TimedEvent> events;
    std::vector<ParameterChange> changes;
};
