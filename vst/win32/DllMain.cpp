// The library's load hook on Windows: remembers the module for its resources
// and window class. Nothing else happens at load or unload.
#include <windows.h>

#include "platform/win32/ModuleHandle.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD, LPVOID) {
    platform::rememberModuleHandle(module);
    return TRUE;
}
