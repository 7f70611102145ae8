#include "tests/support/HostHarness.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace testhost {

namespace {
RecordingHost* activeHost = nullptr;
}

RecordingHost::RecordingHost() { activeHost = this; }

RecordingHost::~RecordingHost() {
    if (activeHost == this) activeHost = nullptr;
}

VstIntPtr RecordingHost::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt) {
    RecordingHost* host = activeHost;
    if (!host) return opcode == audioMasterVersion ? 2400 : 0;
    {
        std::lock_guard lock(host->mutex);
        host->recorded.push_back({effect, opcode, index, value, ptr, opt});
    }
    return opcode == audioMasterVersion ? host->versionAnswer : 0;
}

std::vector<HostCall> RecordingHost::calls() const {
    std::lock_guard lock(mutex);
    return recorded;
}

std::vector<HostCall> RecordingHost::callsWithOpcode(VstInt32 opcode) const {
    std::vector<HostCall> matching;
    for (const HostCall& call : calls())
        if (call.opcode == opcode) matching.push_back(call);
    return matching;
}

void RecordingHost::clear() {
    std::lock_guard lock(mutex);
    recorded.clear();
}

// The system's own loader, as a host uses it.
#if defined(_WIN32)
PluginLibrary::PluginLibrary(const char* path) : handle(LoadLibraryA(path)) {
    if (!handle)
        throw std::runtime_error(std::string("cannot load plug-in ") + path + ": error " +
                                 std::to_string(GetLastError()));
}

PluginLibrary::~PluginLibrary() { FreeLibrary(static_cast<HMODULE>(handle)); }

void* PluginLibrary::symbol(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
#else
PluginLibrary::PluginLibrary(const char* path) : handle(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {
    if (!handle) throw std::runtime_error(std::string("cannot load plug-in: ") + dlerror());
}

PluginLibrary::~PluginLibrary() { dlclose(handle); }

void* PluginLibrary::symbol(const char* name) const { return dlsym(handle, name); }
#endif

PluginInstance::PluginInstance(const PluginLibrary& library, audioMasterCallback callback)
    : record(library.entry()(callback)) {
    if (!record) throw std::runtime_error("the entry point returned no record");
}

PluginInstance::~PluginInstance() { close(); }

VstIntPtr PluginInstance::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) const {
    return record->dispatcher(record, opcode, index, value, ptr, opt);
}

VstIntPtr PluginInstance::close() {
    if (!record) return 0;
    const VstIntPtr result = dispatch(effClose);
    record = nullptr;
    return result;
}

std::string PluginInstance::text(VstInt32 opcode, VstInt32 index, VstIntPtr value) const {
    char buffer[256];
    std::fill(std::begin(buffer), std::end(buffer), '\x7f');
    dispatch(opcode, index, value, buffer);
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

}  // namespace testhost
