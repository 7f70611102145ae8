#include "host/PluginLocation.h"

#include <unistd.h>

#include <climits>

#include "host/HostError.h"

namespace {

constexpr char kPluginFileName[] = "quenor-m4.so";

}  // namespace

std::string pluginBesideExecutable() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) throw HostError("cannot find this program's own folder; give --plugin PATH");
    std::string executable(path, static_cast<std::size_t>(length));
    const std::string folder = executable.substr(0, executable.rfind('/') + 1);
    // Installed: PREFIX/bin/ and PREFIX/lib/vst/.
    const std::string installed = folder + "../lib/vst/" + kPluginFileName;
    if (::access((folder + kPluginFileName).c_str(), F_OK) != 0 && ::access(installed.c_str(), F_OK) == 0)
        return installed;
    return folder + kPluginFileName;
}
