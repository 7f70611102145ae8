// Sending MIDI and pulling audio through a plug-in record, as a host's audio
// thread does.
#pragma once

#include <cstdint>
#include <vector>

#include "host/VstEventList.h"
#include "plugin/MidiVocabulary.h"
#include "vst/VstInterface.h"

namespace testhost {

struct MidiMessage {
    VstInt32 delta;
    unsigned char status, data1, data2;
};

// One effProcessEvents list, linked once, so a test may spoil it before sending.
class EventList {
public:
    explicit EventList(const std::vector<MidiMessage>& messages);
    VstEvents* get() { return linked; }

private:
    VstEventList builder;
    VstEvents* linked = nullptr;
};

struct StereoBuffer {
    std::vector<float> left, right;
    explicit StereoBuffer(std::size_t frames = 0, float fill = 0.0f) : left(frames, fill), right(frames, fill) {}
    std::size_t frames() const { return left.size(); }
    void append(const StereoBuffer& more);
    bool operator==(const StereoBuffer& other) const;
};

void sendMidi(AEffect* effect, const std::vector<MidiMessage>& messages);
StereoBuffer process(AEffect* effect, VstInt32 frames);

// A MIDI message at an absolute frame of a whole performance.
struct TimedMessage {
    std::int64_t frame;
    unsigned char status, data1, data2;
};

// Renders a performance in host blocks of the given size, each block's
// messages sent just before it with their offsets inside it.
StereoBuffer perform(AEffect* effect, const std::vector<TimedMessage>& messages, std::int64_t totalFrames,
                     VstInt32 blockSize);

inline MidiMessage noteOn(VstInt32 delta, int note, int velocity, int channel = 0) {
    return {delta, static_cast<unsigned char>(midi::kNoteOn | channel), static_cast<unsigned char>(note),
            static_cast<unsigned char>(velocity)};
}
inline MidiMessage noteOff(VstInt32 delta, int note) {
    return {delta, midi::kNoteOff, static_cast<unsigned char>(note), 0};
}
inline MidiMessage controller(VstInt32 delta, int number, int value) {
    return {delta, midi::kControlChange, static_cast<unsigned char>(number), static_cast<unsigned char>(value)};
}

}  // namespace testhost
