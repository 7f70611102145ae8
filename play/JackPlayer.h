// The player's audio side: one JACK client with a stereo output and a MIDI
// input, driving the plug-in from its process callback. At a server rate of
// 44100 Hz the plug-in writes straight into the output ports; at any other
// rate it renders at 44100 Hz and a StreamResampler converts, with event
// frames mapped through the same ratio. The callback neither allocates nor
// locks nor makes system calls.
#pragma once

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/PluginHost.h"
#include "host/StreamResampler.h"
#include "host/TimedEvent.h"
#include "play/MidiQueue.h"
#include "play/PeakMeter.h"

class JackPlayer {
public:
    // Connects to the running server (never starts one); throws a
    // HostError with one line when there is none.
    explicit JackPlayer(const std::string& clientName);
    ~JackPlayer();
    JackPlayer(const JackPlayer&) = delete;
    JackPlayer& operator=(const JackPlayer&) = delete;

    int rate() const { return serverRate; }
    int period() const { return periodFrames; }
    bool resampling() const { return resampler != nullptr; }
    // Frames from a MIDI event's arrival to its sound, beyond the server's own.
    int latencyFrames() const { return resampler ? resampler->latencyFrames() : 0; }
    // The block size the plug-in must be opened with.
    int pluginBlockSize() const;
    std::string clientName() const;

    // Starts calling the plug-in; it must be open and resumed.
    void start(PluginHost& plugin, bool connectPlayback);
    void stop();
    // Connects a JACK MIDI output port by name; false when there is none.
    bool connectMidiFrom(const std::string& port);
    std::vector<std::string> midiSources() const;

    // For the ALSA sequencer thread: the server's frame clock, and the queue
    // the process callback reads; messages are played one period after arrival.
    std::uint32_t frameClock() const { return jack_frame_time(client); }
    MidiQueue& sequencerQueue() { return sequencerMessages; }

    // The last program change that came in since the last call, from either
    // source, or -1. Program changes are the main thread's to make: they reach
    // the editor and the window title, so they are not passed to the plug-in.
    int takeProgramChange() { return programChange.exchange(-1); }

    // The level of what the outputs carried, after any rate conversion.
    PeakMeter::Reading takeLevel() { return outputLevel.take(); }

    int xruns() const { return xrunCount.load(); }
    bool serverGone() const { return shutDown.load(); }
    bool periodChanged() const { return newPeriod.load() != 0; }

private:
    static int onProcess(jack_nframes_t frames, void* self);
    static int onXrun(void* self);
    static void onShutdown(jack_status_t, const char*, void* self);
    static int onBufferSize(jack_nframes_t frames, void* self);
    static void onLatency(jack_latency_callback_mode_t mode, void* self);
    int process(jack_nframes_t frames);
    void render(float* left, float* right);
    int gatherEvents(jack_nframes_t frames);
    bool tookProgramChange(const std::uint8_t* bytes);

    static constexpr int kMaxEvents = 512;

    jack_client_t* client = nullptr;
    jack_port_t* outLeft = nullptr;
    jack_port_t* outRight = nullptr;
    jack_port_t* midiIn = nullptr;
    int serverRate = 0;
    int periodFrames = 0;
    std::unique_ptr<StreamResampler> resampler;
    PluginHost* plugin = nullptr;
    bool active = false;
    std::int64_t streamFrame = 0;
    std::array<TimedEvent, kMaxEvents> events{};
    std::vector<float> renderLeft, renderRight;
    MidiQueue sequencerMessages;
    std::atomic<int> programChange{-1};
    PeakMeter outputLevel;
    std::atomic<int> xrunCount{0};
    std::atomic<bool> shutDown{false};
    std::atomic<int> newPeriod{0};
};
