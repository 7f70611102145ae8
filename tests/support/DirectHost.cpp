#include "tests/support/DirectHost.h"

#include <dlfcn.h>

#include <stdexcept>

#include "vst/VstInterface.h"

namespace {

VstIntPtr answerVersionOnly(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

class Instance {
public:
    explicit Instance(const std::string& path) {
        void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) throw std::runtime_error(dlerror());
        auto entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(library, "VSTPluginMain"));
        effect = entry ? entry(answerVersionOnly) : nullptr;
        if (!effect) throw std::runtime_error("no instance from " + path);
    }
    // The library stays loaded, as in the renderer: unloading it would orphan
    // its dependencies' start-up allocations.
    ~Instance() { effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f); }
    VstIntPtr call(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt = 0.0f) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    AEffect* effect = nullptr;
};

struct EventList {
    VstInt32 numEvents;
    VstIntPtr reserved;
    VstEvent* events[64];
};

}  // namespace

StereoAudio driveDirectly(const std::string& pluginPath, const std::vector<DirectEvent>& events,
                          const DirectDrive& drive) {
    Instance plugin(pluginPath);
    plugin.call(effOpen, 0, 0, nullptr);
    plugin.call(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    plugin.call(effSetBlockSize, 0, drive.blockSize, nullptr);
    if (drive.program >= 0) plugin.call(effSetProgram, 0, drive.program, nullptr);
    plugin.call(effMainsChanged, 0, 1, nullptr);

    const std::int64_t blocks = (drive.frames + drive.blockSize - 1) / drive.blockSize;
    StereoAudio audio;
    audio.left.assign(blocks * drive.blockSize, 0.0f);
    audio.right.assign(blocks * drive.blockSize, 0.0f);
    std::size_t next = 0;
    for (std::int64_t b = 0; b < blocks; ++b) {
        const std::int64_t start = b * drive.blockSize;
        VstMidiEvent midi[64] = {};
        EventList list{};
        while (next < events.size() && events[next].frame < start + drive.blockSize) {
            if (list.numEvents == 64) throw std::runtime_error("too many events in one block for this helper");
            VstMidiEvent& m = midi[list.numEvents];
            m.type = kVstMidiType;
            m.byteSize = sizeof m;
            m.deltaFrames = static_cast<VstInt32>(events[next].frame - start);
            m.midiData[0] = static_cast<char>(events[next].status);
            m.midiData[1] = static_cast<char>(events[next].data1);
            m.midiData[2] = static_cast<char>(events[next].data2);
            list.events[list.numEvents++] = reinterpret_cast<VstEvent*>(&m);
            ++next;
        }
        if (list.numEvents > 0) plugin.call(effProcessEvents, 0, 0, &list);
        float* outputs[2] = {audio.left.data() + start, audio.right.data() + start};
        plugin.effect->processReplacing(plugin.effect, nullptr, outputs, drive.blockSize);
    }
    plugin.call(effMainsChanged, 0, 0, nullptr);
    return audio;
}

std::vector<std::uint8_t> factoryBank(const std::string& pluginPath) {
    Instance plugin(pluginPath);
    void* data = nullptr;
    const VstIntPtr size = plugin.call(effGetChunk, 0, 0, &data);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return {bytes, bytes + size};
}
