#include "play/SequencerInput.h"
#include "plugin/MidiVocabulary.h"

#include <alsa/asoundlib.h>
#include <poll.h>

#include <vector>

namespace {

// The library's own complaints; the player reports failures in its own words.
void quiet(const char*, int, const char*, int, const char*, ...) {}

constexpr unsigned kSourceCaps = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;

// Channel messages the instrument may use, as MIDI bytes.
bool toMidi(const snd_seq_event_t& event, QueuedMidi& message) {
    const auto channel = static_cast<std::uint8_t>(event.data.note.channel & 0x0F);
    switch (event.type) {
        case SND_SEQ_EVENT_NOTEON:
            message.bytes[0] = midi::kNoteOn | channel;
            break;
        case SND_SEQ_EVENT_NOTEOFF:
            message.bytes[0] = midi::kNoteOff | channel;
            break;
        case SND_SEQ_EVENT_CONTROLLER:
            message.bytes[0] =
                static_cast<std::uint8_t>(midi::kControlChange | (event.data.control.channel & 0x0F));
            message.bytes[1] = static_cast<std::uint8_t>(event.data.control.param & 0x7F);
            message.bytes[2] = static_cast<std::uint8_t>(event.data.control.value & 0x7F);
            return true;
        case SND_SEQ_EVENT_PGMCHANGE:
            message.bytes[0] =
                static_cast<std::uint8_t>(midi::kProgramChange | (event.data.control.channel & 0x0F));
            message.bytes[1] = static_cast<std::uint8_t>(event.data.control.value & 0x7F);
            message.bytes[2] = 0;
            return true;
        default:
            return false;
    }
    message.bytes[1] = event.data.note.note & 0x7F;
    message.bytes[2] = event.data.note.velocity & 0x7F;
    return true;
}

}  // namespace

SequencerInput::SequencerInput(const std::string& clientName, MidiQueue& queue, Clock clock)
    : queue(queue), clock(std::move(clock)) {
    snd_lib_error_set_handler(quiet);
    snd_seq_t* opened = nullptr;
    const int status = snd_seq_open(&opened, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK);
    if (status < 0) {
        whyNot = snd_strerror(status);
        return;
    }
    snd_seq_set_client_name(opened, clientName.c_str());
    port = snd_seq_create_simple_port(opened, "midi in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                      SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (port < 0) {
        whyNot = snd_strerror(port);
        snd_seq_close(opened);
        return;
    }
    sequencer = opened;
}

SequencerInput::~SequencerInput() {
    stopping = true;
    if (reader.joinable()) reader.join();
    if (sequencer) snd_seq_close(sequencer);
}

std::string SequencerInput::address() const {
    return std::to_string(snd_seq_client_id(sequencer)) + ":" + std::to_string(port);
}

bool SequencerInput::connectFrom(const std::string& name, std::string& connectedName) {
    snd_seq_addr_t source;
    if (snd_seq_parse_address(sequencer, &source, name.c_str()) < 0) return false;
    if (snd_seq_connect_from(sequencer, port, source.client, source.port) < 0) return false;
    connectedName = std::to_string(source.client) + ":" + std::to_string(source.port);
    return true;
}

void SequencerInput::start() {
    if (sequencer) reader = std::thread([this] { run(); });
}

void SequencerInput::run() {
    std::vector<pollfd> descriptors(static_cast<std::size_t>(snd_seq_poll_descriptors_count(sequencer, POLLIN)));
    snd_seq_poll_descriptors(sequencer, descriptors.data(), static_cast<unsigned>(descriptors.size()), POLLIN);
    while (!stopping) {
        if (::poll(descriptors.data(), descriptors.size(), 100) <= 0) continue;
        snd_seq_event_t* event = nullptr;
        while (snd_seq_event_input(sequencer, &event) >= 0 && event) {
            QueuedMidi message;
            if (toMidi(*event, message)) {
                message.arrival = clock();
                queue.push(message);
            }
        }
    }
}

std::vector<std::string> SequencerInput::listSources(std::string& problem) {
    std::vector<std::string> sources;
    snd_lib_error_set_handler(quiet);
    snd_seq_t* sequencer = nullptr;
    const int status = snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK);
    if (status < 0) {
        problem = snd_strerror(status);
        return sources;
    }
    snd_seq_client_info_t* client;
    snd_seq_port_info_t* portInfo;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&portInfo);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(sequencer, client) >= 0) {
        const int id = snd_seq_client_info_get_client(client);
        if (id == snd_seq_client_id(sequencer) || id == SND_SEQ_CLIENT_SYSTEM) continue;
        snd_seq_port_info_set_client(portInfo, id);
        snd_seq_port_info_set_port(portInfo, -1);
        while (snd_seq_query_next_port(sequencer, portInfo) >= 0) {
            if ((snd_seq_port_info_get_capability(portInfo) & kSourceCaps) != kSourceCaps) continue;
            sources.push_back(std::to_string(id) + ":" + std::to_string(snd_seq_port_info_get_port(portInfo)) +
                              "  " + snd_seq_client_info_get_name(client) + ": " +
                              snd_seq_port_info_get_name(portInfo));
        }
    }
    snd_seq_close(sequencer);
    return sources;
}
