#include "bench/PluginHost.h"

#include <exception>

namespace {

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

}  // namespace

PluginHost::PluginHost(int blockSize)
    : frames(blockSize), midi(kMaxEvents), outLeft(blockSize), outRight(blockSize) {
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
PluginHost::~PluginHost() { instance.reset(); }

void PluginHost::queue(int delta, unsigned char status, unsigned char data1, unsigned char data2) {
    if (list.numEvents == kMaxEvents) return;
    VstMidiEvent& event = midi[static_cast<std::size_t>(list.numEvents)];
    event = VstMidiEvent{};
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.deltaFrames = delta;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    list.events[list.numEvents++] = reinterpret_cast<VstEvent*>(&event);
}

void PluginHost::process() {
    if (list.numEvents > 0) {
        effect->dispatcher(effect, effProcessEvents, 0, 0, &list, 0.0f);
        list.numEvents = 0;
    }
    float* outputs[2] = {outLeft.data(), outRight.data()};
    effect->processReplacing(effect, nullptr, outputs, frames);
    position += frames;
}

void PluginHost::play(const DensePiece& piece) {
    piece.messagesIn(position, frames, [this](const PieceMessage& m) {
        queue(static_cast<int>(m.frame - position), m.status, m.data1, m.data2);
    });
    process();
}
