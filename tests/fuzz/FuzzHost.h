// What the fuzz targets share: the module loaded once, the way a host loads
// it, instances made through its entry point, event lists built from fuzz
// input, and the checks on everything that comes back to the host.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <vector>

#include "vst/VstInterface.h"

namespace fuzzhost {

// Answers the version query and nothing else, as a minimal host does.
VstIntPtr quietHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

// A new instance from the module's entry point (the module is loaded on first
// use and stays for the whole run); stops the run if there is none.
AEffect* createInstance(audioMasterCallback callback = quietHost);
void closeInstance(AEffect*& effect);

// Reports what the host would have seen and stops the run, so that libFuzzer
// keeps the input.
[[noreturn]] void fail(const char* what);

// Renders frames into buffers of exactly that size. A running instance must
// write every frame, each finite and within [-1, 1]; a suspended one none.
void renderChecked(AEffect* effect, VstInt32 frames, bool suspended);

// A frame count for one process call: 0, 1, the announced block size, one
// more than it, or anything up to a few blocks.
VstInt32 consumeFrames(FuzzedDataProvider& input, VstInt32 blockSize);

// An effProcessEvents list as any host might send: hundreds of entries, null
// entries, any type and size fields, any delta and MIDI bytes, and now and
// then a count that does not match (never one larger than the array).
class EventList {
public:
    static EventList anyList(FuzzedDataProvider& input);
    VstEvents* get() { return reinterpret_cast<VstEvents*>(pointers.data()); }

    // A list of well-formed MIDI events, for ones already decided.
    struct Midi {
        VstInt32 delta;
        unsigned char bytes[3];
    };
    static EventList midiList(const std::vector<Midi>& messages);

private:
    void link(VstInt32 count, const std::vector<bool>& present);
    std::vector<VstEvent> events;
    std::vector<std::uintptr_t> pointers;
};

}  // namespace fuzzhost
