// One CLAP instance: events and parameter values read into timed events and
// parameter changes, values the instrument changed by itself told back to
// the host, the state; the playing itself is HostRateInstrument's, made at
// activation for the host's rate.
#pragma once

#include <clap/events.h>
#include <clap/process.h>
#include <clap/stream.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "clap/ClapHost.h"
#include "clap/EditorEdits.h"
#include "engine/Parameters.h"
#include "host/HostRateInstrument.h"

class ClapInstrument {
public:
    explicit ClapInstrument(const clap_host_t* host);
    ~ClapInstrument();

    ClapHost& host() { return hostServices; }

    // The main thread.
    bool activate(double rate);
    void deactivate();
    std::uint32_t latency() const { return instrument ? static_cast<std::uint32_t>(instrument->latencyFrames()) : 0; }
    bool save(const clap_ostream_t& stream) const;
    bool load(const clap_istream_t& stream);

    // The audio thread (flush also the main thread while inactive); never both at once.
    void reset() { releasePending.store(true, std::memory_order_relaxed); }
    clap_process_status process(const clap_process_t& process);
    void flush(const clap_input_events_t* in, const clap_output_events_t* out);

    // Any thread: a parameter's value as last played or set.
    bool value(clap_id id, double& value) const;
    float playedValue(int index) const { return shown[index].load(std::memory_order_relaxed); }
    // The main thread: an edit in the editor, for the host and the instrument.
    void edit(const EditorEdit& edit);

private:
    // Reads what arrives for a block of `frames`; a flush takes no notes.
    void takeInput(const clap_input_events_t* in, const clap_output_events_t* out, std::uint32_t frames,
                   bool withNotes);
    void takeEvent(const clap_event_header_t& header, std::int64_t frame, bool withNotes);
    void change(std::int64_t frame, int index, float value);
    float playing(int index) const { return instrument ? instrument->parameter(index) : idleValues[index]; }
    // Values the instrument changed by itself go to the host and the editor.
    void report(const clap_output_events_t* out);

    ClapHost hostServices;
    std::unique_ptr<HostRateInstrument> instrument;
    // The values while there is no instrument.
    float idleValues[kNumParameters];
    // What the host last heard of each value, the audio side's.
    float hostValues[kNumParameters];
    // What shown was last set to by the audio side.
    float played[kNumParameters];
    std::atomic<float> shown[kNumParameters];
    std::atomic<int> program{0};
    // A loaded state's values, taken up by the next block or flush.
    std::atomic<float> loadedValues[kNumParameters];
    std::atomic<std::uint32_t> loadedMask{0};
    std::atomic<bool> releasePending{false};
    EditorEdits edits;
    std::vector<TimedEvent> events;
    std::vector<ParameterChange> changes;
};
