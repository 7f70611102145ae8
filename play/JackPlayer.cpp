#include "play/JackPlayer.h"

#include <jack/midiport.h>

#include <algorithm>

#include "host/BlockPlayer.h"
#include "host/HostError.h"
#include "plugin/MidiVocabulary.h"

namespace {

// libjack reports on stderr what the player says in one line of its own.
void quiet(const char*) {}

}  // namespace

JackPlayer::JackPlayer(const std::string& name) {
    jack_set_error_function(quiet);
    jack_set_info_function(quiet);
    jack_status_t status{};
    client = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (!client) throw HostError("no JACK server is running (start one: jackd, or PipeWire with its JACK support)");
    serverRate = static_cast<int>(jack_get_sample_rate(client));
    periodFrames = static_cast<int>(jack_get_buffer_size(client));
    if (serverRate != kRenderRate) resampler = std::make_unique<StreamResampler>(serverRate, periodFrames);
    renderLeft.assign(static_cast<std::size_t>(pluginBlockSize()), 0.0f);
    renderRight.assign(static_cast<std::size_t>(pluginBlockSize()), 0.0f);

    outLeft = jack_port_register(client, "out_left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    outRight = jack_port_register(client, "out_right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    midiIn = jack_port_register(client, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (!outLeft || !outRight || !midiIn) {
        jack_client_close(client);
        throw HostError("the JACK server refused the player's ports");
    }
    jack_set_process_callback(client, onProcess, this);
    jack_set_xrun_callback(client, onXrun, this);
    jack_on_info_shutdown(client, onShutdown, this);
    jack_set_buffer_size_callback(client, onBufferSize, this);
    jack_set_latency_callback(client, onLatency, this);
}

JackPlayer::~JackPlayer() {
    stop();
    jack_client_close(client);
}

int JackPlayer::pluginBlockSize() const { return resampler ? resampler->largestInput() : periodFrames; }

std::string JackPlayer::clientName() const { return jack_get_client_name(client); }

void JackPlayer::start(PluginHost& instance, bool connectPlayback) {
    plugin = &instance;
    plugin->reserveEvents(kMaxEvents);
    if (jack_activate(client) != 0) throw HostError("the JACK server would not start the player");
    active = true;
    if (!connectPlayback) return;
    const char** playback =
        jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsInput);
    if (!playback) return;
    if (playback[0]) jack_connect(client, jack_port_name(outLeft), playback[0]);
    if (playback[0] && playback[1]) jack_connect(client, jack_port_name(outRight), playback[1]);
    jack_free(playback);
}

void JackPlayer::stop() {
    if (active) jack_deactivate(client);
    active = false;
}

bool JackPlayer::connectMidiFrom(const std::string& port) {
    jack_port_t* source = jack_port_by_name(client, port.c_str());
    if (!source || !(jack_port_flags(source) & JackPortIsOutput)) return false;
    if (std::string(jack_port_type(source)) != JACK_DEFAULT_MIDI_TYPE) return false;
    const int status = jack_connect(client, port.c_str(), jack_port_name(midiIn));
    return status == 0 || status == EEXIST;
}

std::vector<std::string> JackPlayer::midiSources() const {
    std::vector<std::string> names;
    const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput);
    if (!ports) return names;
    for (const char** port = ports; *port; ++port) names.emplace_back(*port);
    jack_free(ports);
    return names;
}

int JackPlayer::onProcess(jack_nframes_t frames, void* self) {
    return static_cast<JackPlayer*>(self)->process(frames);
}

int JackPlayer::onXrun(void* self) {
    static_cast<JackPlayer*>(self)->xrunCount.fetch_add(1);
    return 0;
}

void JackPlayer::onShutdown(jack_status_t, const char*, void* self) {
    static_cast<JackPlayer*>(self)->shutDown = true;
}

int JackPlayer::onBufferSize(jack_nframes_t frames, void* self) {
    auto* player = static_cast<JackPlayer*>(self);
    if (static_cast<int>(frames) != player->periodFrames) player->newPeriod = static_cast<int>(frames);
    return 0;
}

// What the player adds is reported on its outputs, on top of what reaches its MIDI input.
void JackPlayer::onLatency(jack_latency_callback_mode_t mode, void* self) {
    auto* player = static_cast<JackPlayer*>(self);
    if (mode != JackCaptureLatency) return;
    jack_latency_range_t range;
    jack_port_get_latency_range(player->midiIn, JackCaptureLatency, &range);
    range.min += static_cast<jack_nframes_t>(player->latencyFrames());
    range.max += static_cast<jack_nframes_t>(player->latencyFrames());
    jack_port_set_latency_range(player->outLeft, JackCaptureLatency, &range);
    jack_port_set_latency_range(player->outRight, JackCaptureLatency, &range);
}

// The period's messages by offset: JACK's at their own frame, the
// sequencer's one period after their arrival.
int JackPlayer::gatherEvents(jack_nframes_t frames) {
    int count = 0;
    void* buffer = jack_port_get_buffer(midiIn, frames);
    const jack_nframes_t received = jack_midi_get_event_count(buffer);
    for (jack_nframes_t i = 0; i < received && count < kMaxEvents; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0 || event.size < 2 || event.size > 3) continue;
        if (!midi::isChannelStatus(event.buffer[0]) || tookProgramChange(event.buffer)) continue;
        TimedEvent& timed = events[count++];
        timed.frame = std::min<std::int64_t>(event.time, frames - 1);
        timed.bytes[0] = event.buffer[0];
        timed.bytes[1] = event.buffer[1];
        timed.bytes[2] = event.size == 3 ? event.buffer[2] : 0;
    }
    const jack_nframes_t cycleStart = jack_last_frame_time(client);
    QueuedMidi message;
    while (count < kMaxEvents && sequencerMessages.pop(message)) {
        if (tookProgramChange(message.bytes)) continue;
        const auto late = static_cast<std::int32_t>(message.arrival + frames - cycleStart);
        TimedEvent& timed = events[count++];
        timed.frame = std::clamp<std::int64_t>(late, 0, frames - 1);
        std::copy(message.bytes, message.bytes + 3, timed.bytes);
    }
    // Each source is in order: an insertion sort merges them by frame, keeps
    // arrival order at equal frames and, unlike std::stable_sort, never allocates.
    for (int i = 1; i < count; ++i)
        for (int j = i; j > 0 && events[j - 1].frame > events[j].frame; --j) std::swap(events[j - 1], events[j]);
    return count;
}

bool JackPlayer::tookProgramChange(const std::uint8_t* bytes) {
    if (midi::statusKind(bytes[0]) != midi::kProgramChange) return false;
    programChange.store(bytes[1] & 0x7F);
    return true;
}

int JackPlayer::process(jack_nframes_t frames) {
    auto* left = static_cast<float*>(jack_port_get_buffer(outLeft, frames));
    auto* right = static_cast<float*>(jack_port_get_buffer(outRight, frames));
    if (static_cast<int>(frames) != periodFrames || !plugin) {
        std::fill(left, left + frames, 0.0f);
        std::fill(right, right + frames, 0.0f);
        return 0;
    }
    render(left, right);
    outputLevel.measure(left, right, frames);
    return 0;
}

void JackPlayer::render(float* left, float* right) {
    const int count = gatherEvents(static_cast<jack_nframes_t>(periodFrames));
    const std::span<const TimedEvent> timed(events.data(), static_cast<std::size_t>(count));
    if (!resampler) {
        for (TimedEvent& event : std::span(events.data(), static_cast<std::size_t>(count)))
            event.frame += streamFrame;
        playBlock(*plugin, timed, streamFrame, periodFrames, left, right);
        streamFrame += periodFrames;
        return;
    }
    // An event sounds with the instrument frame its host frame stands for;
    // one that falls past the period's last instrument frame plays on it.
    const std::int64_t start = resampler->hostFrame();
    const std::int64_t first = resampler->instrumentFrameOf(start);
    const int frames = resampler->inputFramesFor(periodFrames);
    for (TimedEvent& event : std::span(events.data(), static_cast<std::size_t>(count)))
        event.frame = std::min(resampler->instrumentFrameOf(start + event.frame), first + frames - 1);
    playBlock(*plugin, timed, first, frames, renderLeft.data(), renderRight.data());
    resampler->convert(renderLeft.data(), renderRight.data(), left, right, periodFrames);
}
