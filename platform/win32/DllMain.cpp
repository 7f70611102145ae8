// The library's load hook on Windows: remembers the module for its resources
// and window class, and when a host frees the module, gives back what the
// C++ runtime linked into it set aside at load for exceptions thrown when
// memory runs out (about 72 KB, otherwise lost at every load and unload).
#include <windows.h>

#include "platform/win32/ModuleHandle.h"

namespace __gnu_cxx {
void __freeres();
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    platform::rememberModuleHandle(module);
    // Only when freed by the host: at process exit nothing needs returning.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) __gnu_cxx::__freeres();
    return TRUE;
}
