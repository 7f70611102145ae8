#include "bench/BenchPluginHost.h"

#include <exception>

namespace {

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

}  // namespace

BenchPluginHost::BenchPluginHost(int blockSize) : frames(blockSize), outLeft(blockSize), outRight(blockSize) {
    events.reserve(kMaxEvents);
    try {
        library = std::make_unique<testhost::PluginLibrary>();
        instance = std::make_unique<testhost::PluginInstance>(*library, hostCallback);
    } catch (const std::exception&) {
        instance.reset();
        return;
    }
    effect = instance->effect();
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    effect->dispatcher(effect, effSetBlockSize, 0, blockSize, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
}

// The instance closes before its library goes.
BenchPluginHost::~BenchPluginHost() { instance.reset(); }

void BenchPluginHost::queue(int delta, unsigned char status, unsigned char data1, unsigned char data2) {
    if (events.size() < kMaxEvents) events.add(delta, status, data1, data2);
}

void BenchPluginHost::process() {
    if (events.size() > 0) {
        effect->dispatcher(effect, effProcessEvents, 0, 0, events.list(), 0.0f);
        events.clear();
    }
    float* outputs[2] = {outLeft.data(), outRight.data()};
    effect->processReplacing(effect, nullptr, outputs, frames);
    position += frames;
}

void BenchPluginHost::play(const DensePiece& piece) {
    piece.messagesIn(position, frames, [this](const PieceMessage& m) {
        queue(static_cast<int>(m.frame - position), m.status, m.data1, m.data2);
    });
    process();
}
