// The editor windows' class, one per loaded module ("Plugin" and the
// module's handle), registered with the first window of the process and
// removed with the last, so an unloaded module leaves no class behind.
#pragma once

#include <windows.h>

namespace platform {

class WindowClass {
public:
    // Registers the class on first use; answers its name, or null when the
    // system refused it (then the use is not counted).
    static const char* acquire(WNDPROC procedure);
    static void release();
    // Windows of this module's class alive in the process.
    static int users();
    // The module the class and its windows belong to.
    static HINSTANCE instance();
};

}  // namespace platform
