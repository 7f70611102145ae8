// The one builder of effProcessEvents lists: MIDI events with their offsets,
// and the header and pointer array the plug-in reads them through. Once
// reserve() has made room, building a list of that many events allocates
// nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "vst/VstInterface.h"

class VstEventList {
public:
    void reserve(std::size_t count);
    void clear() { events.clear(); }
    void add(VstInt32 delta, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    std::size_t size() const { return events.size(); }
    // Links the events added so far; valid until the next add or clear.
    VstEvents* list();

private:
    std::vector<VstMidiEvent> events;
    std::vector<VstIntPtr> storage;  // numEvents, reserved, then the pointers
};
