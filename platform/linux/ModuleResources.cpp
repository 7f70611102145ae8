// The name table of the files that the resources folder builds into this
// library (see EmbeddedFiles.cpp.in for the symbols).
#include "platform/ModuleResources.h"

#include <cstring>

#define QUENOR_RESOURCE_SYMBOLS(symbol)                                           \
    extern "C" __attribute__((visibility("hidden"))) const std::uint8_t symbol[]; \
    extern "C" __attribute__((visibility("hidden"))) const std::uint8_t symbol##_end[];

QUENOR_RESOURCE_SYMBOLS(quenor_resource_background)
QUENOR_RESOURCE_SYMBOLS(quenor_resource_handle)

namespace platform {

namespace {

struct Entry {
    const char* type;
    const char* name;
    const std::uint8_t* begin;
    const std::uint8_t* end;
};

const Entry kEntries[] = {
    {"DATA", "quenor4.bmp", quenor_resource_background, quenor_resource_background_end},
    {"DATA", "but.png", quenor_resource_handle, quenor_resource_handle_end},
};

}  // namespace

ModuleResource findModuleResource(const char* type, const char* name) {
    if (!type || !name) return {};
    for (const Entry& entry : kEntries)
        if (std::strcmp(entry.type, type) == 0 && std::strcmp(entry.name, name) == 0)
            return {entry.begin, static_cast<std::uint32_t>(entry.end - entry.begin)};
    return {};
}

}  // namespace platform
