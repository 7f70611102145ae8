// The Windows host of the editor tests: a top-level window of its own
// class, that thread's messages pumped around every idle call, mouse
// messages sent to the editor's window as the system would, pixels read back
// from its device context. What only Windows tests need of it besides the
// shared interface.
#pragma once

#include <gtest/gtest.h>

// windows.h first: the other system headers build on its types.
#include <windows.h>

#include <vector>

#include "tests/module/EditorTestHost.h"

namespace editorhost {

// The DLL's module handle, found from its entry point's address.
HMODULE pluginModule();

inline HWND handle(const HostWindow& host) { return reinterpret_cast<HWND>(host.native()); }
// The editor's window inside host; null when there is none.
HWND editorWindow(const HostWindow& host);

// Dispatches whatever the thread's queue holds, paints included.
void pumpMessages();

// Every window of the calling thread: the top-level ones and all their
// descendants.
std::vector<HWND> threadWindows();

// A wheel turn of delta (120 a notch) in one message, with the pointer at
// (x, y) in host's editor window; the message carries screen coordinates.
void wheel(const HostWindow& host, int x, int y, int delta);

}  // namespace editorhost
