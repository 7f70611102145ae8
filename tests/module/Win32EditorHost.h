// A small Windows host for editor tests: loads the DLL as a host does, gives
// the editor a top-level window of its own class, pumps that thread's
// messages around every idle call, sends mouse messages to the editor's
// window as the system would and reads back what the editor drew.
#pragma once

#include <gtest/gtest.h>

// windows.h first: the other system headers build on its types.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/module/EditorHostCommon.h"

namespace wineditor {

using namespace editorhost;
// The DLL's module handle, found from its entry point's address.
HMODULE pluginModule();

class HostWindow {
public:
    // A borderless top-level window whose client area is width x height at
    // (x, y) on the screen; away from the screen's origin so that screen and
    // client coordinates differ.
    explicit HostWindow(int x = 37, int y = 41, int width = kWidth, int height = kHeight);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND handle() const { return window; }
    void* asParent() const { return window; }
    // The editor's window inside this one; null when there is none.
    HWND child() const;
    int childCount() const;
    void destroy();

private:
    HWND window = nullptr;
};

// Dispatches whatever the thread's queue holds, paints included.
void pumpMessages();
// Idle calls as a host makes them, with messages dispatched around each.
void idle(AEffect* effect, int calls = 3);

// Every window of the calling thread: the top-level ones and all their
// descendants.
std::vector<HWND> threadWindows();

// RGB of every pixel of window's client area, row by row (0xRRGGBB), as
// drawn into the window's device context.
std::vector<std::uint32_t> screenshot(HWND window, int width = kWidth, int height = kHeight);

// What the editor should show: the background with one handle per value,
// and which pixels a comparison skips (the handle's partly transparent ones,
// whose blending may round either way).
struct Picture {
    std::vector<std::uint32_t> rgb;
    std::vector<bool> skipped;
};
Picture expectedPicture(const float values[4]);
// Pixels that differ from expected outside the skipped ones; -1 when the
// sizes differ.
int differingPixels(const std::vector<std::uint32_t>& actual, const Picture& expected);
bool saveBmp(const std::vector<std::uint32_t>& rgb, int width, int height, const std::string& path);

// Modifier keys as both the thread's key state (GetKeyState) and the MK_
// flags of the mouse messages that follow report them.
void holdKey(int virtualKey, bool down);

// Mouse messages as the system sends them to the window under the pointer
// (or to the one that has captured it); x and y in window's client area.
void mouseMove(HWND window, int x, int y, bool leftDown);
void leftDown(HWND window, int x, int y);
void leftUp(HWND window, int x, int y);
void leftDoubleClick(HWND window, int x, int y);
void click(HWND window, int x, int y);
// The right or middle button pressed and released.
void otherClick(HWND window, int x, int y, bool right);
// A wheel turn of delta (120 a notch) with the pointer at (x, y) in
// window's client area; the message carries screen coordinates.
void wheel(HWND window, int x, int y, int delta);

// One loaded plug-in instance with a host window, closed and released after
// the test; no modifier key held at either end.
class EditorTest : public editorhost::PluginInstanceTest {
protected:
    void SetUp() override;
    void TearDown() override;

    bool openEditor() { return dispatch(effect, effEditOpen, 0, 0, host.asParent()) == 1; }
    // Opens, lets the first picture be painted and returns the editor's window.
    HWND openAndShow();
    std::vector<std::uint32_t> shot() { return screenshot(host.child()); }
    // Differing pixels between the editor and the picture of its values.
    int differenceFromValues();

    HostWindow host;
};

}  // namespace wineditor
