// The built plug-in loaded as a host loads it, driven one block at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "bench/DensePiece.h"
#include "host/VstEventList.h"
#include "tests/support/HostHarness.h"
#include "vst/VstInterface.h"

class BenchPluginHost {
public:
    explicit BenchPluginHost(int blockSize);
    ~BenchPluginHost();
    BenchPluginHost(const BenchPluginHost&) = delete;
    BenchPluginHost& operator=(const BenchPluginHost&) = delete;

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
    static constexpr std::size_t kMaxEvents = 256;

    std::unique_ptr<testhost::PluginLibrary> library;
    std::unique_ptr<testhost::PluginInstance> instance;
    AEffect* effect = nullptr;
    int frames;
    std::int64_t position = 0;
    VstEventList events;
    std::vector<float> outLeft;
    std::vector<float> outRight;
};
