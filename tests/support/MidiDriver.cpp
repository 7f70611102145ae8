#include "tests/support/MidiDriver.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace testhost {

EventList::EventList(const std::vector<MidiMessage>& messages) : midi(messages.size()) {
    for (std::size_t i = 0; i < messages.size(); ++i) {
        VstMidiEvent& event = midi[i];
        std::memset(&event, 0, sizeof event);
        event.type = kVstMidiType;
        event.byteSize = sizeof event;
        event.deltaFrames = messages[i].delta;
        event.midiData[0] = static_cast<char>(messages[i].status);
        event.midiData[1] = static_cast<char>(messages[i].data1);
        event.midiData[2] = static_cast<char>(messages[i].data2);
    }
    // numEvents, reserved, then one pointer per event (at least the two the structure declares).
    const std::size_t header = offsetof(VstEvents, events) / sizeof(std::uintptr_t);
    storage.assign(header + std::max<std::size_t>(2, midi.size()), 0);
    VstEvents* list = get();
    list->numEvents = static_cast<VstInt32>(midi.size());
    VstEvent** pointers = list->events;
    for (std::size_t i = 0; i < midi.size(); ++i) pointers[i] = reinterpret_cast<VstEvent*>(&midi[i]);
}

void StereoBuffer::append(const StereoBuffer& more) {
    left.insert(left.end(), more.left.begin(), more.left.end());
    right.insert(right.end(), more.right.begin(), more.right.end());
}

bool StereoBuffer::operator==(const StereoBuffer& other) const {
    // Bitwise, so that -0.0 and NaN payloads count too.
    return frames() == other.frames() &&
           std::memcmp(left.data(), other.left.data(), left.size() * sizeof(float)) == 0 &&
           std::memcmp(right.data(), other.right.data(), right.size() * sizeof(float)) == 0;
}

void sendMidi(AEffect* effect, const std::vector<MidiMessage>& messages) {
    EventList list(messages);
    effect->dispatcher(effect, effProcessEvents, 0, 0, list.get(), 0.0f);
}

StereoBuffer process(AEffect* effect, VstInt32 frames) {
    StereoBuffer out(static_cast<std::size_t>(frames), 12345.0f);
    float* outputs[2] = {out.left.data(), out.right.data()};
    effect->processReplacing(effect, nullptr, outputs, frames);
    return out;
}

StereoBuffer perform(AEffect* effect, const std::vector<TimedMessage>& messages, std::int64_t totalFrames,
                     VstInt32 blockSize) {
    StereoBuffer all;
    std::size_t next = 0;
    for (std::int64_t start = 0; start < totalFrames; start += blockSize) {
        const auto frames = static_cast<VstInt32>(std::min<std::int64_t>(blockSize, totalFrames - start));
        std::vector<MidiMessage> block;
        while (next < messages.size() && messages[next].frame < start + frames) {
            const TimedMessage& m = messages[next++];
            block.push_back({static_cast<VstInt32>(m.frame - start), m.status, m.data1, m.data2});
        }
        if (!block.empty()) sendMidi(effect, block);
        all.append(process(effect, frames));
    }
    return all;
}

}  // namespace testhost
