// Data files built into this library, found by type and name at run time.
#pragma once

#include <cstdint>

namespace platform {

struct ModuleResource {
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    explicit operator bool() const { return data != nullptr; }
};

// The resource, or an empty record when this module has no such resource.
ModuleResource findModuleResource(const char* type, const char* name);

}  // namespace platform
