#include "platform/win32/WindowClass.h"

#include <cstdio>

#include "platform/win32/ModuleHandle.h"

namespace platform {

namespace {

constexpr UINT kClassStyle = CS_GLOBALCLASS | CS_DBLCLKS;

// Window-thread state: the frames of every instance share it.
int useCount = 0;
char className[32] = {};

}  // namespace

const char* WindowClass::acquire(WNDPROC procedure) {
    if (useCount++ > 0) return className;
    std::snprintf(className, sizeof className, "Plugin%p", static_cast<void*>(instance()));
    WNDCLASSA description{};
    description.style = kClassStyle;
    description.lpfnWndProc = procedure;
    description.hInstance = instance();
    description.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    description.lpszClassName = className;
    if (RegisterClassA(&description) == 0) {
        useCount = 0;
        return nullptr;
    }
    return className;
}

void WindowClass::release() {
    if (useCount == 0 || --useCount > 0) return;
    UnregisterClassA(className, instance());
}

int WindowClass::users() { return useCount; }

HINSTANCE WindowClass::instance() {
    auto* handle = static_cast<HINSTANCE>(moduleHandle());
    return handle ? handle : GetModuleHandleA(nullptr);
}

}  // namespace platform
