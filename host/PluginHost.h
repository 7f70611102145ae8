// One instance of an instrument plug-in, driven the way a sequencer drives it:
// through its entry point, and from then on only the record's entry points.
// The entry comes from a loaded module, or is linked in with the instrument.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "host/TimedEvent.h"
#include "host/VstEventList.h"
#include "vst/VstInterface.h"

using PluginEntry = AEffect* (*)(audioMasterCallback);

// dlopen and VSTPluginMain; throws a HostError naming the file. Linux only,
// as is the constructor that loads (PluginLoading.cpp).
PluginEntry loadPluginEntry(const std::string& path);

class PluginHost {
public:
    // Loads the library and creates the instance, as below.
    explicit PluginHost(const std::string& path);
    // Creates the instance; one that is not a stereo instrument with replacing
    // processing is refused with a HostError naming `name`.
    PluginHost(PluginEntry entry, const std::string& name);
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    // effOpen, the fixed sample rate and the block size.
    void open(int blockSize);
    int programCount() const { return effect->numPrograms; }
    std::string programName(int index);
    void selectProgram(int index);
    // Refused with a HostError naming source when damaged or when the plug-in refuses it.
    void loadBank(const std::vector<std::uint8_t>& chunk, const std::string& source);
    std::vector<std::uint8_t> saveBank();
    void resume();

    int currentProgram();
    // The current program's value; any thread, as the instrument allows.
    void setParameter(int index, float value);
    float parameter(int index);
    // Room for this many events per call, so that sendEvents never allocates.
    void reserveEvents(std::size_t count);
    // Hands over the events of one block; their offsets count from blockStart.
    // Beyond the reserved room (if any was reserved) the later events are dropped.
    void sendEvents(std::span<const TimedEvent> events, std::int64_t blockStart);
    void process(float* left, float* right, int frames);

    // The editor, all from the thread that opens it. Its size in pixels
    // (0 x 0 when the plug-in has none); opening it as a child of the native
    // window `parent` is false when the plug-in refuses.
    bool hasEditor() const { return (effect->flags & effFlagsHasEditor) != 0; }
    struct Size {
        int width = 0, height = 0;
    };
    Size editorSize();
    bool openEditor(void* parent);
    void idleEditor();
    // Also done by the destructor, before the instance is closed.
    void closeEditor();

private:
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    void close();

    std::string path;
    AEffect* effect = nullptr;
    bool resumed = false;
    bool editorOpen = false;
    VstEventList eventList;
    std::size_t reservedEvents = 0;
};
