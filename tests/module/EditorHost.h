// A small host for editor tests: loads the plug-in as a host does, gives it
// a top-level window on the X server, calls its idle, injects input through
// XTest and reads back what the editor drew.
#pragma once

// gtest first: Xlib defines macros (None, Bool) that its headers use as names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/module/EditorHostCommon.h"

namespace editortest {

using namespace editorhost;

// The test's own connection; errors on it are counted, not fatal.
Display* display();
int xErrorCount();

class HostWindow {
public:
    explicit HostWindow(int x = 0, int y = 0, int width = kWidth, int height = kHeight);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    Window id() const { return window; }
    void* asParent() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)); }
    // The editor's window inside this one; 0 when there is none.
    Window child() const;
    void destroy();

private:
    Window window = 0;
};

// Idle calls as a host makes them, with the X server given time to deliver.
void idle(AEffect* effect, int calls = 3);

// RGB of every pixel of window, row by row (0xRRGGBB).
std::vector<std::uint32_t> screenshot(Window window, int width, int height);

// Pixels equal in a and b, position by position.
int sameCount(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b);

// What the editor should show: the background with one handle per value.
std::vector<std::uint32_t> expectedPicture(const float values[4]);
bool savePng(const std::vector<std::uint32_t>& rgb, int width, int height, const std::string& path);

// Pointer input in the coordinates of window.
void movePointer(Window window, int x, int y);
void pressButton(unsigned button);
void releaseButton(unsigned button);
void click(Window window, int x, int y, unsigned button = 1);
void holdKey(unsigned long keysym, bool down);

// One loaded plug-in instance with a host window, closed and released after
// the test.
class EditorTest : public editorhost::PluginInstanceTest {
protected:
    bool openEditor() { return dispatch(effect, effEditOpen, 0, 0, host.asParent()) == 1; }
    // Opens, waits for the first picture and returns the editor's window.
    Window openAndShow();
    std::vector<std::uint32_t> shot() { return screenshot(host.child(), kWidth, kHeight); }

    HostWindow host;
};

}  // namespace editortest
