// A host as the tests need one: loads the built plug-in like a DAW does,
// records every callback the plug-in makes and drives the record.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "vst/VstInterface.h"

namespace testhost {

struct HostCall {
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

// The callback has no user pointer, so one recorder is active at a time.
class RecordingHost {
public:
    RecordingHost();
    ~RecordingHost();

    static VstIntPtr VSTCALLBACK callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                          void* ptr, float opt);

    std::vector<HostCall> calls() const;
    std::vector<HostCall> callsWithOpcode(VstInt32 opcode) const;
    void clear();

    VstIntPtr versionAnswer = 2400;

private:
    mutable std::mutex mutex;
    std::vector<HostCall> recorded;
};

class PluginLibrary {
public:
    explicit PluginLibrary(const char* path = QUENOR_PLUGIN_PATH);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    using EntryPoint = AEffect*(VSTCALLBACK*)(audioMasterCallback);
    EntryPoint entry(const char* name = "VSTPluginMain") const {
        return reinterpret_cast<EntryPoint>(symbol(name));
    }
    // Null when the module has no such symbol.
    void* symbol(const char* name) const;

private:
    void* handle;
};

// One instance created through the entry point; closed with effClose unless
// the test closed it already.
class PluginInstance {
public:
    PluginInstance(const PluginLibrary& library, audioMasterCallback callback = RecordingHost::callback);
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    AEffect* effect() const { return record; }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f) const;
    VstIntPtr close();

    std::string text(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0) const;

    float getParameter(VstInt32 index) const { return record->getParameter(record, index); }
    void setParameter(VstInt32 index, float value) const { record->setParameter(record, index, value); }

private:
    AEffect* record;
};

}  // namespace testhost
