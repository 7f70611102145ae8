// The player's ALSA sequencer port: USB keyboards and other programs connect
// to it (aconnect, or --midi). A thread of its own reads the sequencer and
// queues each channel message with the audio clock's time of arrival.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "play/MidiQueue.h"

struct _snd_seq;

class SequencerInput {
public:
    using Clock = std::function<std::uint32_t()>;

    // Opens the sequencer and creates the port; available() tells whether
    // the machine has one, and problem() why not.
    SequencerInput(const std::string& clientName, MidiQueue& queue, Clock clock);
    ~SequencerInput();
    SequencerInput(const SequencerInput&) = delete;
    SequencerInput& operator=(const SequencerInput&) = delete;

    bool available() const { return sequencer != nullptr; }
    const std::string& problem() const { return whyNot; }
    // "client:port" of our own port.
    std::string address() const;
    // Connects a readable port by name or client:port; false when there is none.
    bool connectFrom(const std::string& port, std::string& connectedName);
    void start();

    // Readable ports of other clients, "client:port  client name: port name".
    static std::vector<std::string> listSources(std::string& problem);

private:
    void run();

    _snd_seq* sequencer = nullptr;
    int port = -1;
    std::string whyNot;
    MidiQueue& queue;
    Clock clock;
    std::atomic<bool> stopping{false};
    std::thread reader;
};
