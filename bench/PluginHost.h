// The built plug-in loaded as a host loads it, driven one block at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "bench/DensePiece.h"
#include "tests/support/HostHarness.h"
#include "vst/VstInterface.h"

class PluginHost {
public:
    explicit PluginHost(int blockSize);
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    bool loaded() const { return instance != nullptr; }
    void setParameter(int index, float value) { effect->setParameter(effect, index, value); }

    // Queues a message at an offset inside the next block.
    void queue(int delta, unsigned char status, unsigned char data1, unsigned char data2);
    // Sends the queued messages, then renders one block.
    void process();
    // Queues the piece's messages for the next block and renders it.
    void play(const DensePiece& piece);

    const std::vector<float>& left() const { return outLeft; }

private:
    static constexpr int kMaxEvents = 256;
    struct EventList {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[kMaxEvents];
    };

    std::unique_ptr<testhost::PluginLibrary> library;
    std::unique_ptr<testhost::PluginInstance> instance;
    AEffect* effect = nullptr;
    int frames;
    std::int64_t position = 0;
    std::vector<VstMidiEvent> midi;
    EventList list{};
    std::vector<float> outLeft;
    std::vector<float> outRight;
};
