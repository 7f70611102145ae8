// Finding the entry point in a module file: the Linux programs' way in.
#include "host/PluginHost.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/HostError.h"

namespace {

std::string loaderMessage(const std::string& path) {
    const char* message = dlerror();
    std::string text = message ? message : "unknown loader error";
    // The loader starts its message with the path; the caller names it already.
    if (text.rfind(path + ": ", 0) == 0) text.erase(0, path.size() + 2);
    return text;
}

}  // namespace

PluginEntry loadPluginEntry(const std::string& path) {
    if (::access(path.c_str(), R_OK) != 0)
        throw fileError(path, std::string("cannot read plug-in: ") + std::strerror(errno));
    // A bare name would send dlopen searching the library path.
    const std::string loadPath = path.find('/') == std::string::npos ? "./" + path : path;
    void* library = dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) throw fileError(path, "cannot load plug-in: " + loaderMessage(loadPath));

    auto entry = reinterpret_cast<PluginEntry>(dlsym(library, "VSTPluginMain"));
    if (!entry) {
        throw fileError(path, "not a plug-in: no VSTPluginMain entry point");
    }
    return entry;
}

PluginHost::PluginHost(const std::string& path) : PluginHost(loadPluginEntry(path), path) {}
