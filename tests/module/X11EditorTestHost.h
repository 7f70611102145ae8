// The X11 host of the editor tests: a top-level window on the X server,
// input injected through XTest, pixels read back from the server. What only
// X11 tests need of it besides the shared interface.
#pragma once

// gtest first: Xlib defines macros (None, Bool) that its headers use as names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <functional>

#include "tests/module/EditorTestHost.h"

namespace editorhost {

// The test's own connection; errors on it are counted, not fatal.
Display* display();
int xErrorCount();

// The editor's window inside host; 0 when there is none.
Window editorWindow(const HostWindow& host);

// Idle calls of any plug-in format, with the server given time to deliver
// around each.
void idle(const std::function<void()>& idleCall, int calls = 3);

}  // namespace editorhost
