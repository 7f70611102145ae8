#include "host/VstEventList.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kHeaderWords = offsetof(VstEvents, events) / sizeof(VstIntPtr);
static_assert(offsetof(VstEvents, events) % sizeof(VstIntPtr) == 0);
// The structure declares two pointers; a plug-in may rely on their room.
constexpr std::size_t kDeclaredPointers = 2;

}  // namespace

void VstEventList::reserve(std::size_t count) {
    events.reserve(count);
    storage.reserve(kHeaderWords + std::max(kDeclaredPointers, count));
}

void VstEventList::add(VstInt32 delta, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    VstMidiEvent& event = events.emplace_back();
    std::memset(&event, 0, sizeof event);
    event.type = kVstMidiType;
    event.byteSize = sizeof event;
    event.deltaFrames = delta;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
}

VstEvents* VstEventList::list() {
    storage.assign(kHeaderWords + std::max(kDeclaredPointers, events.size()), 0);
    auto* header = reinterpret_cast<VstEvents*>(storage.data());
    header->numEvents = static_cast<VstInt32>(events.size());
    // Through a plain pointer: the array is declared with two entries only.
    VstEvent** pointers = header->events;
    for (std::size_t i = 0; i < events.size(); ++i) pointers[i] = reinterpret_cast<VstEvent*>(&events[i]);
    return header;
}
