// Resources of the module, read in place from its mapped image.
#include "platform/ModuleResources.h"

#include <windows.h>

#include "platform/win32/ModuleHandle.h"

namespace platform {

ModuleResource findModuleResource(const char* type, const char* name) {
    if (!type || !name) return {};
    const auto module = static_cast<HMODULE>(moduleHandle());
    HRSRC resource = FindResourceA(module, name, type);
    if (resource == nullptr) return {};
    const DWORD size = SizeofResource(module, resource);
    HGLOBAL loaded = LoadResource(module, resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (data == nullptr) return {};
    return {static_cast<const std::uint8_t*>(data), static_cast<std::uint32_t>(size)};
}

}  // namespace platform
