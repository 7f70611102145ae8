#include "tests/fuzz/FuzzHost.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include "tests/support/HostHarness.h"

namespace fuzzhost {

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

AEffect* createInstance(audioMasterCallback callback) {
    // Never unloaded: leak reports at exit then still name the module's code.
    static const auto* library = new testhost::PluginLibrary;
    AEffect* effect = library->entry()(callback);
    if (!effect) fail("the entry point returned no record");
    return effect;
}

void closeInstance(AEffect*& effect) {
    if (effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f) != 1) fail("effClose did not answer 1");
    effect = nullptr;
}

void fail(const char* what) {
    std::fprintf(stderr, "quenor fuzz: %s\n", what);
    std::abort();
}

void renderChecked(AEffect* effect, VstInt32 frames, bool suspended) {
    // NaN marks a frame the plug-in did not write; the vectors are exactly
    // frames long, so AddressSanitizer sees any write past them.
    const float unwritten = std::numeric_limits<float>::quiet_NaN();
    const auto size = static_cast<std::size_t>(std::max<VstInt32>(frames, 0));
    std::unique_ptr<float[]> left(new float[size]), right(new float[size]);
    std::fill_n(left.get(), size, unwritten);
    std::fill_n(right.get(), size, unwritten);
    float* outputs[2] = {left.get(), right.get()};
    effect->processReplacing(effect, nullptr, outputs, frames);
    for (std::size_t i = 0; i < size; ++i) {
        for (float sample : {left[i], right[i]}) {
            if (suspended) {
                if (!std::isnan(sample)) fail("a suspended instance wrote its outputs");
            } else if (!std::isfinite(sample)) {
                fail(std::isnan(sample) ? "a frame was left unwritten or NaN" : "an infinite sample");
            } else if (sample > 1.0f || sample < -1.0f) {
                fail("a sample outside [-1, 1]");
            }
        }
    }
}

VstInt32 consumeFrames(FuzzedDataProvider& input, VstInt32 blockSize) {
    const VstInt32 block = std::clamp<VstInt32>(blockSize, 1, 1 << 16);
    switch (input.ConsumeIntegralInRange(0, 5)) {
    case 0:
        return 0;
    case 1:
        return 1;
    case 2:
        return block;
    case 3:
        return block + 1;
    default:
        return input.ConsumeIntegralInRange<VstInt32>(0, std::min(3 * block, 1 << 17));
    }
}

void EventList::link(VstInt32 count, const std::vector<bool>& present) {
    // numEvents and the reserved word, then room for at least the two
    // pointers the structure declares.
    const std::size_t header = offsetof(VstEvents, events) / sizeof(std::uintptr_t);
    pointers.assign(header + std::max<std::size_t>(2, events.size()), 0);
    get()->numEvents = count;
    // Through a plain pointer: the array is declared with two entries only.
    VstEvent** entries = get()->events;
    for (std::size_t i = 0; i < events.size(); ++i)
        if (present[i]) entries[i] = &events[i];
}

EventList EventList::anyList(FuzzedDataProvider& input) {
    EventList list;
    const auto size = input.ConsumeIntegralInRange<std::size_t>(0, 400);
    list.events.resize(size);
    std::vector<bool> present(size, true);
    for (std::size_t i = 0; i < size && input.remaining_bytes() > 0; ++i) {
        VstEvent& event = list.events[i];
        std::memset(&event, 0, sizeof event);
        const int shape = input.ConsumeIntegralInRange(0, 15);
        if (shape == 0) {
            present[i] = false;
            continue;
        }
        event.type = shape < 12 ? kVstMidiType : input.ConsumeIntegral<VstInt32>();
        event.byteSize = input.ConsumeBool() ? VstInt32{sizeof(VstMidiEvent)} : input.ConsumeIntegral<VstInt32>();
        event.deltaFrames = input.ConsumeBool() ? input.ConsumeIntegralInRange<VstInt32>(-8, 2048)
                                                : input.ConsumeIntegral<VstInt32>();
        auto& midi = reinterpret_cast<VstMidiEvent&>(event);
        for (char& byte : midi.midiData) byte = static_cast<char>(input.ConsumeIntegral<unsigned char>());
    }
    const VstInt32 count = input.ConsumeIntegralInRange(0, 15) == 0 ? input.ConsumeIntegralInRange<VstInt32>(INT32_MIN, 0)
                                                                     : static_cast<VstInt32>(size);
    list.link(count, present);
    return list;
}

EventList EventList::midiList(const std::vector<Midi>& messages) {
    EventList list;
    list.events.resize(messages.size());
    for (std::size_t i = 0; i < messages.size(); ++i) {
        auto& midi = reinterpret_cast<VstMidiEvent&>(list.events[i]);
        std::memset(&midi, 0, sizeof midi);
        midi.type = kVstMidiType;
        midi.byteSize = sizeof midi;
        midi.deltaFrames = messages[i].delta;
        for (int b = 0; b < 3; ++b) midi.midiData[b] = static_cast<char>(messages[i].bytes[b]);
    }
    list.link(static_cast<VstInt32>(messages.size()), std::vector<bool>(messages.size(), true));
    return list;
}

}  // namespace fuzzhost
