#include "host/PluginLocation.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "host/HostError.h"

namespace {

constexpr char kPluginFileName[] = "quenor-m4.so";

}  // namespace

std::string findPlugin() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) throw HostError("cannot find this program's own folder; give --plugin PATH");
    const std::filesystem::path executable(std::string(path, static_cast<std::size_t>(length)));
    // Installed: PREFIX/bin/ and PREFIX/lib/vst/.
    std::vector<std::filesystem::path> folders = {executable.parent_path(),
                                                  (executable.parent_path() / "../lib/vst").lexically_normal()};
    if (const char* home = std::getenv("HOME"); home && *home)
        folders.push_back(std::filesystem::path(home) / ".vst");
    folders.insert(folders.end(), {"/usr/lib/vst", "/usr/local/lib/vst"});

    std::string looked;
    for (const std::filesystem::path& folder : folders) {
        const std::string candidate = (folder / kPluginFileName).string();
        if (::access(candidate.c_str(), F_OK) == 0) return candidate;
        looked += (looked.empty() ? "" : ", ") + folder.string();
    }
    throw HostError(std::string("cannot find ") + kPluginFileName + " in " + looked + "; give --plugin PATH");
}
