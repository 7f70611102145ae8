#include "tests/support/MidiDriver.h"

#include <algorithm>
#include <cstring>

namespace testhost {

EventList::EventList(const std::vector<MidiMessage>& messages) {
    for (const MidiMessage& m : messages) builder.add(m.delta, m.status, m.data1, m.data2);
    linked = builder.list();
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
